#!/usr/bin/env bash
# Builds the game and starts it in its data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ruzoz_install_deps

BUILD=${RUZOZ_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j"$(nproc)"
if [ -x "$BUILD/src/ruzoz" ]; then
  cd "$BUILD/data" && exec "../src/ruzoz"
fi
# Until the window exists: a short headless game, printed as a trace.
"$BUILD/tools/autopilot/ruzoz-autopilot" --frames 600 > "$BUILD/demo.keys"
echo "No window yet: replaying a 600-frame autopilot game headless (trace below)."
exec "$BUILD/tools/replay/ruzoz-replay" --frames 601 --input "$BUILD/demo.keys" --trace -
