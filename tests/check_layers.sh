#!/usr/bin/env bash
# The folders' floors. Each rule: the files it covers, the includes they must
# not have. SDL and FluidSynth live in src/platform only (tests and fuzz
# targets may drive them); nothing below the shell includes shell/; platform
# and the game's subsystems never include each other; ports/ includes only
# ports/. The page's platform (src/web) is a second platform: it includes
# only ports/, platform/ declarations, its own headers and emscripten, which
# nothing else includes; only the page's entry in the shell includes it.
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
mapfile -t notPlatform < <(sources src tools bench | grep -v '^src/platform/')
mapfile -t notShell < <(sources src | grep -v '^src/shell/')
mapfile -t game < <(sources src/audio src/graphics src/game src/screens src/ports)
mapfile -t platform < <(sources src/platform)
mapfile -t ports < <(sources src/ports)
mapfile -t pilot < <(sources src/pilot)
mapfile -t belowPilot < <(sources src/audio src/graphics src/game src/screens src/ports src/platform src/web)
mapfile -t web < <(sources src/web)
mapfile -t notWeb < <(sources src tools bench | grep -v '^src/web/')
mapfile -t notWebOrPage < <(sources src tools bench | grep -v -e '^src/web/' -e '^src/shell/PageMain.cpp$')
rule "SDL or FluidSynth included outside src/platform" '[<"](SDL|fluidsynth)' "${notPlatform[@]}"
rule "shell/ included below the shell" '"shell/' "${notShell[@]}"
rule "platform/ included by a game subsystem or ports/" '"platform/' "${game[@]}"
rule "platform/ includes a game subsystem or the shell" '"(audio|graphics|game|screens|shell)/' "${platform[@]}"
rule "ports/ includes more than ports/" '"(audio|graphics|game|screens|shell|platform)/' "${ports[@]}"
rule "the page's platform includes a game subsystem or the shell" '"(audio|graphics|game|screens|shell)/' "${web[@]}"
rule "pilot/ included below the shell" '"pilot/' "${belowPilot[@]}"
rule "pilot/ includes the shell or a platform" '"(shell|platform|web)/' "${pilot[@]}"
rule "emscripten included outside src/web" '<emscripten' "${notWeb[@]}"
rule "web/ included outside src/web and the page's entry" '"web/' "${notWebOrPage[@]}"
exit $status
