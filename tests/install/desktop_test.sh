#!/usr/bin/env bash
# desktop_test.sh STAGE: the installed desktop entry validates, and what it
# names (command, icon) is installed.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
prefix=$1/prefix
entry=$prefix/share/applications/ruzoz.desktop
[ -f "$entry" ] || fail "no desktop entry at $entry"
out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate has remarks: $out"

for line in Type=Application Name=Ruzoz Exec=ruzoz Icon=ruzoz Terminal=false \
  'Categories=Game;ArcadeGame;'; do
  grep -qxF "$line" "$entry" || fail "missing line $line"
done
for key in GenericName Comment 'Comment\[de\]'; do
  grep -qE "^$key=.{8,}" "$entry" || fail "missing or too short: $key"
done

exec_cmd=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$prefix/bin/$exec_cmd" ] || fail "Exec=$exec_cmd is not installed in bin"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 48 128; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] ||
    fail "no ${size}x${size} icon named $icon"
done
echo "ok: desktop entry"
