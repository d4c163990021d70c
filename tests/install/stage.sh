#!/usr/bin/env bash
# stage.sh BUILD STAGE: installs the build into STAGE/prefix and into a
# prefix whose path has spaces, for the tests that follow.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
build=$1
stage=$2
rm -rf "$stage"
for prefix in "$stage/prefix" "$stage/with spaces/pre fix"; do
  cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
    fail "cmake --install into '$prefix': $(cat "$scratch/install.log")"
done
echo "ok: installed into $stage"
