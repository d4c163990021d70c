#!/usr/bin/env bash
# Builds the Debian package out/ruzoz_<version>-1_<arch>.deb from a Release
# build.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ruzoz_install_deps

BUILD=${RUZOZ_PACKAGE_BUILD_DIR:-build-release}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release
# Only what gets installed; tests and benchmarks stay out of the way.
cmake --build "$BUILD" -j"$(nproc)" --target ruzoz ruzoz_data ruzoz_icons ruzoz_man_page \
  ruzoz_debian_changelog ruzoz_screenshots
rm -rf "$BUILD/package"
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$BUILD/package"
mkdir -p out
rm -f out/ruzoz_*.deb
cp "$BUILD"/package/ruzoz_*.deb out/
ls -l out/ruzoz_*.deb
