#!/usr/bin/env bash
# The folders' floors. Each rule: the files it covers, the includes they must
# not have. SDL and FluidSynth live in src/platform only (tests and fuzz
# targets may drive them); nothing below the shell includes shell/; platform
# and the game's subsystems never include each other; ports/ includes only
# ports/. Prints every offending line and fails.
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
rule "SDL or FluidSynth included outside src/platform" '[<"](SDL|fluidsynth)' "${notPlatform[@]}"
rule "shell/ included below the shell" '"shell/' "${notShell[@]}"
rule "platform/ included by a game subsystem or ports/" '"platform/' "${game[@]}"
rule "platform/ includes a game subsystem or the shell" '"(audio|graphics|game|screens|shell)/' "${platform[@]}"
rule "ports/ includes more than ports/" '"(audio|graphics|game|screens|shell|platform)/' "${ports[@]}"
exit $status
