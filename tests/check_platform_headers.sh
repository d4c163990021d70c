#!/usr/bin/env bash
# Only src/platform may see SDL or FluidSynth: the game must stay headless.
cd "$1" || exit 2
hits=$(grep -rlE '#\s*include\s*[<"](SDL|fluidsynth)' src tools bench | grep -v -e '^src/platform/' -e '/tests/' || true)
if [ -n "$hits" ]; then
  echo "SDL or FluidSynth included outside src/platform:"
  echo "$hits"
  exit 1
fi
