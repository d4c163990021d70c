#!/usr/bin/env bash
# Builds everything from scratch and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ruzoz_install_deps

BUILD=${RUZOZ_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j"$(nproc)"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" --timeout 900

# The browser version: built, then its replay tool and its page tested.
bash tools/web.sh
RUZOZ_BUILD_DIR="$BUILD" bash tests/web/replay_test.sh
RUZOZ_BUILD_DIR="$BUILD" node --test tests/web/page.test.mjs
RUZOZ_BUILD_DIR="$BUILD" node --test tests/web/update.test.mjs
