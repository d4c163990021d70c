#!/usr/bin/env bash
# layout_test.sh STAGE EXPECTED: both prefixes hold exactly the expected
# files; the two programs are executable.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
stage=$1
expected=$2
for prefix in "$stage/prefix" "$stage/with spaces/pre fix"; do
  if ! diff -u "$expected" <(installed_files "$prefix") >"$scratch/diff"; then
    fail "files under '$prefix' (- missing, + unexpected):
$(cat "$scratch/diff")"
  fi
  for program in ruzoz ruzoz-game; do
    [ -x "$prefix/bin/$program" ] || fail "$prefix/bin/$program is not executable"
  done
  head -n1 "$prefix/bin/ruzoz" | grep -qx '#!/bin/sh' || fail "launcher is not a sh script"
done
echo "ok: $(wc -l <"$expected") files in each prefix"
