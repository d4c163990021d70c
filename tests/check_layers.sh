#!/usr/bin/env bash
# The folders' floors. Each rule: the files it covers, the includes they must
# not have. src/platform holds the contract both platforms implement (its
# headers only) and the two implementations: SDL's (src/platform/sdl, the
# only code with SDL and FluidSynth; tests and fuzz targets may drive them)
# and the page's (src/platform/web, the only code with emscripten). Neither
# includes the other; each includes only the contract, ports/ and itself.
# Only the native entry (shell/Main.cpp), the tools, tests and benchmarks
# include SDL's own headers; only the page's entry includes the page's.
# Nothing below the shell includes shell/; platform and the game's
# subsystems never include each other; ports/ includes only ports/.
# The autopilot (src/pilot) stands on the screens and the game like the
# shell and is seen only by the shell and the tools; it knows no platform.
# Prints every offending line and fails.
cd "$1" || exit 2
status=0
sources() { find "$@" \( -name '*.cpp' -o -name '*.h' \) | sort; }
rule() { # LABEL PATTERN FILES...
  local label=$1 pattern=$2
  shift 2
  local hits
  hits=$(grep -nHE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$pattern" "$@" 2>/dev/null) || true
  [ -z "$hits" ] || { printf '%s:\n%s\n' "$label" "$hits"; status=1; }
}
mapfile -t notSdl < <(sources src tools bench | grep -v '^src/platform/sdl/')
mapfile -t contract < <(find src/platform -maxdepth 1 -type f | sort)
mapfile -t sdl < <(sources src/platform/sdl)
mapfile -t notSdlOrEntry < <(sources src | grep -v -e '^src/platform/sdl/' -e '^src/shell/Main.cpp$')
mapfile -t notShell < <(sources src | grep -v '^src/shell/')
mapfile -t game < <(sources src/audio src/graphics src/game src/screens src/ports)
mapfile -t platform < <(sources src/platform)
mapfile -t ports < <(sources src/ports)
mapfile -t pilot < <(sources src/pilot)
mapfile -t belowPilot < <(sources src/audio src/graphics src/game src/screens src/ports src/platform)
mapfile -t web < <(sources src/platform/web)
mapfile -t notWeb < <(sources src tools bench | grep -v '^src/platform/web/')
mapfile -t notWebOrPage < <(sources src tools bench | grep -v -e '^src/platform/web/' -e '^src/shell/PageMain.cpp$')
rule "SDL or FluidSynth included outside src/platform/sdl" '[<"](SDL|fluidsynth)' "${notSdl[@]}"
for f in "${contract[@]}"; do
  case $f in *.h) ;; *) printf "the platform's contract is more than headers:\n%s\n" "$f"; status=1 ;; esac
done
rule "the contract includes an implementation" '"platform/(sdl|web)/' "${contract[@]}"
rule "SDL's platform includes the page's" '"platform/web/' "${sdl[@]}"
rule "SDL's own headers included in src outside SDL's platform and the native entry" '"platform/sdl/' "${notSdlOrEntry[@]}"
rule "shell/ included below the shell" '"shell/' "${notShell[@]}"
rule "platform/ included by a game subsystem or ports/" '"platform/' "${game[@]}"
rule "platform/ includes a game subsystem or the shell" '"(audio|graphics|game|screens|shell)/' "${platform[@]}"
rule "ports/ includes more than ports/" '"(audio|graphics|game|screens|shell|platform)/' "${ports[@]}"
rule "the page's platform includes a game subsystem, the shell or SDL's" '"(audio|graphics|game|screens|shell|platform/sdl)/' "${web[@]}"
rule "pilot/ included below the shell" '"pilot/' "${belowPilot[@]}"
rule "pilot/ includes the shell or a platform" '"(shell|platform)/' "${pilot[@]}"
rule "emscripten included outside src/platform/web" '<emscripten' "${notWeb[@]}"
rule "the page's own headers included outside it and the page's entry" '"platform/web/' "${notWebOrPage[@]}"
# No include cycle among the files of src/, however long.
cycle=$(python3 - <<'PY'
import os, re, sys
edges = {}
for folder, _, names in os.walk("src"):
    for name in names:
        if name.endswith((".h", ".cpp")):
            path = os.path.join(folder, name)
            text = open(path, encoding="utf-8", errors="replace").read()
            edges[path] = ["src/" + m for m in re.findall(r'^\s*#\s*include\s*"([^"]+)"', text, re.M)
                           if os.path.exists("src/" + m)]
state = {}
def visit(node, trail):
    state[node] = 1
    for nxt in edges.get(node, []):
        if state.get(nxt) == 1:
            print(" -> ".join(trail[trail.index(nxt):] + [nxt]))
            sys.exit(0)
        if nxt not in state:
            visit(nxt, trail + [nxt])
    state[node] = 2
for node in sorted(edges):
    if node not in state:
        visit(node, [node])
PY
)
[ -z "$cycle" ] || { printf 'an include cycle:\n%s\n' "$cycle"; status=1; }
exit $status
