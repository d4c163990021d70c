#!/usr/bin/env bash
# Builds the game and starts it in its data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ruzoz_install_deps

BUILD=${RUZOZ_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j"$(nproc)"
cd "$BUILD/data" && exec "../src/ruzoz"
