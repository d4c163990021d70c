#!/usr/bin/env bash
# The folders' floors: SDL and FluidSynth only in src/platform (the tests
# and fuzz targets may drive it directly); nothing below the shell includes
# shell/ (tools, tests and benchmarks sit above it);
# platform and the game's subsystems never include each other; ports/
# includes only ports/. Prints every offending line.
cd "$1" || exit 2
status=0

# offending LABEL FILES... : include lines matching $pattern in FILES
offending() {
  local label=$1
  shift
  local hits
  hits=$(grep -nHE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$pattern" "$@" 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$label:"
    echo "$hits"
    status=1
  fi
}

sources() { find "$@" -name '*.cpp' -o -name '*.h' -o -name '*.hpp' 2>/dev/null; }

mapfile -t outsidePlatform < <(sources src tools bench | grep -v '^src/platform/')
pattern='[<"](SDL|fluidsynth)'
offending "SDL or FluidSynth included outside src/platform" "${outsidePlatform[@]}"

mapfile -t belowShell < <(sources src | grep -v '^src/shell/')
pattern='"shell/'
offending "shell/ included below the shell" "${belowShell[@]}"

mapfile -t subsystems < <(sources src/audio src/graphics src/game src/screens src/ports)
pattern='"platform/'
offending "platform/ included by a game subsystem or ports/" "${subsystems[@]}"

mapfile -t platform < <(sources src/platform)
pattern='"(audio|graphics|game|screens|shell)/'
offending "platform/ includes a game subsystem or the shell" "${platform[@]}"

mapfile -t ports < <(sources src/ports)
hits=$(grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${ports[@]}" | grep -vE 'include[[:space:]]*"ports/')
if [ -n "$hits" ]; then
  echo "ports/ includes more than ports/:"
  echo "$hits"
  status=1
fi

exit $status
