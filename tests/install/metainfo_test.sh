#!/usr/bin/env bash
# metainfo_test.sh STAGE VERSION: the installed AppStream entry validates
# and is named by its id; what it names is installed (the menu entry, the
# command, the screenshots at their stated size); its release is VERSION;
# it lists the controls and a content rating.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
prefix=$1/prefix
version=$2
entries=("$prefix"/share/metainfo/*.metainfo.xml)
{ [ ${#entries[@]} -eq 1 ] && [ -f "${entries[0]}" ]; } || fail "wanted one metainfo file: ${entries[*]}"
entry=${entries[0]}
out=$(appstreamcli validate --no-net "$entry" 2>&1) || fail "appstreamcli validate: $out"

tag() { sed -n "s|.*<$1>\(.*\)</$1>.*|\1|p" "$entry"; }
id=$(tag id)
[ "$(basename "$entry")" = "$id.metainfo.xml" ] || fail "file $(basename "$entry") for id $id"
desktop=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$entry")
[ -f "$prefix/share/applications/$desktop" ] || fail "launchable $desktop is not installed"
[ -x "$prefix/bin/$(tag binary)" ] || fail "provided binary $(tag binary) is not installed"
grep -q "<release version=\"$version\" date=\"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\">" "$entry" ||
  fail "no dated release $version"

shots=0
while read -r width height name; do
  file=$prefix/share/doc/ruzoz/screenshots/$name
  [ -f "$file" ] || fail "screenshot $name is not installed"
  file -b "$file" | grep -q "^PNG image data, $width x $height," ||
    fail "$name is not a $width x $height PNG: $(file -b "$file")"
  shots=$((shots + 1))
done < <(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">.*/\([^/<]*\)</image>.*|\1 \2 \3|p' "$entry")
[ "$shots" -ge 1 ] || fail "no screenshot"

for control in keyboard gamepad touch; do
  grep -q "<control>$control</control>" "$entry" || fail "control $control is not listed"
done
grep -q '<content_rating type="oars-1.1">' "$entry" || fail "no OARS content rating"
echo "ok: $id, $shots screenshots"
