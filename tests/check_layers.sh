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
rule() { # LABEL PATTERN < FILES, one a line
  local files hits
  mapfile -t files
  hits=$(grep -nHE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$2" "${files[@]}" 2>/dev/null) || true
  [ -z "$hits" ] || { printf '%s:\n%s\n' "$1" "$hits"; status=1; }
}
contract() { find src/platform -maxdepth 1 -type f | sort; }
below() { sources src/audio src/graphics src/game src/screens src/ports "$@"; }
rule "SDL or FluidSynth included outside src/platform/sdl" '[<"](SDL|fluidsynth)' \
  < <(sources src tools bench | grep -v '^src/platform/sdl/')
for f in $(contract); do
  case $f in *.h) ;; *) printf "the platform's contract is more than headers:\n%s\n" "$f"; status=1 ;; esac
done
rule "the contract includes an implementation" '"platform/(sdl|web)/' < <(contract)
rule "SDL's platform includes the page's" '"platform/web/' < <(sources src/platform/sdl)
rule "SDL's own headers included in src outside SDL's platform and the native entry" \
  '"platform/sdl/' < <(sources src | grep -v -e '^src/platform/sdl/' -e '^src/shell/Main.cpp$')
rule "shell/ included below the shell" '"shell/' < <(sources src | grep -v '^src/shell/')
rule "platform/ included by a game subsystem or ports/" '"platform/' < <(below)
rule "platform/ includes a game subsystem or the shell" '"(audio|graphics|game|screens|shell)/' \
  < <(sources src/platform)
rule "ports/ includes more than ports/" '"(audio|graphics|game|screens|shell|platform)/' \
  < <(sources src/ports)
rule "the page's platform includes a game subsystem, the shell or SDL's" \
  '"(audio|graphics|game|screens|shell|platform/sdl)/' < <(sources src/platform/web)
rule "pilot/ included below the shell" '"pilot/' < <(below src/platform)
rule "pilot/ includes the shell or a platform" '"(shell|platform)/' < <(sources src/pilot)
rule "emscripten included outside src/platform/web" '<emscripten' \
  < <(sources src tools bench | grep -v '^src/platform/web/')
rule "the page's own headers included outside it and the page's entry" '"platform/web/' \
  < <(sources src tools bench | grep -v -e '^src/platform/web/' -e '^src/shell/PageMain.cpp$')
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
