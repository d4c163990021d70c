#!/usr/bin/env bash
# deb_test.sh BUILD EXPECTED: builds the Debian package from BUILD and checks
# its control data and file list (EXPECTED, the programs in games/ as
# Debian's games policy wants, and Debian's own files), has lintian check it
# (no hardening tag either), the programs hardening-check and the AppStream
# entry appstreamcli, then runs the game from the unpacked files.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
build=$1
expected=$2
hardened=${3:-hardened} # "unhardened": a sanitizer or unoptimised build

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$scratch/cpack.log")"
debs=("$scratch"/cpack/ruzoz_*.deb)
{ [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ]; } || fail "wanted one ruzoz_*.deb: ${debs[*]}"
deb=${debs[0]}
dpkg-deb -I "$deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = ruzoz ] || fail "Package: $(field Package)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
  fail "Architecture: $(field Architecture)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[[ $(field Maintainer) =~ @(example|localhost|invalid) ]] && fail "placeholder Maintainer: $(field Maintainer)"
description=$(field Description)
[ "$(echo "$description" | wc -l)" -ge 3 ] || fail "no long description: $description"

depends=$(field Depends)
clauses=$(echo "$depends" | sed 's/, */\n/g' | sed 's/ *(.*)//')
for need in libsdl2-2.0-0 libfluidsynth3 'timgm6mb-soundfont | fluid-soundfont-gm'; do
  echo "$clauses" | grep -qxF "$need" || fail "Depends lacks '$need': $depends"
done
# Every dependency, with its version, must be met on this Debian.
(cd "$scratch" && dpkg-checkbuilddeps -d "$depends" /dev/null) ||
  fail "Depends cannot be met here: $depends"

dpkg-deb -c "$deb" >"$scratch/contents"
awk '$2 != "root/root" { print; bad = 1 } END { exit bad }' "$scratch/contents" ||
  fail "entries not owned by root"
awk '$1 ~ /^[-l]/ { print $6 }' "$scratch/contents" | sed 's|^\./usr/||' | LC_ALL=C sort \
  >"$scratch/files"
{
  sed 's|^bin/|games/|' "$expected"
  printf '%s\n' share/doc/ruzoz/changelog.Debian.gz share/doc/ruzoz/copyright \
    share/lintian/overrides/ruzoz
} | LC_ALL=C sort >"$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" >"$scratch/diff" ||
  fail "package files (- missing, + unexpected):
$(cat "$scratch/diff")"
awk '$1 ~ /^-/ {
       want = ($6 ~ /^\.\/usr\/games\//) ? "-rwxr-xr-x" : "-rw-r--r--"
       if ($1 != want) { print $6 " is " $1 ", wanted " want; bad = 1 }
     } END { exit bad }' "$scratch/contents" || fail "wrong permissions"

unpacked="$scratch/un packed"
dpkg-deb -x "$deb" "$unpacked"
doc=$unpacked/usr/share/doc/ruzoz
head -n1 "$doc/copyright" | grep -q '^Format: .*copyright-format/1.0/$' || fail "copyright is not DEP-5"
grep -qx 'Copyright: 2026 the Ruzoz developers' "$doc/copyright" || fail "copyright names no holder"
unstamped "$doc/changelog.Debian.gz"
zcat "$doc/changelog.Debian.gz" | head -n1 | grep -qF "ruzoz ($(field Version))" ||
  fail "changelog is not for $(field Version)"

# Debian's own checker: no error and no warning. What it still says (info,
# pedantic) is printed for the log.
lintian --fail-on error,warning --tag-display-limit 0 -EIL +pedantic "$deb" \
  >"$scratch/lintian" 2>&1 || fail "lintian: $(cat "$scratch/lintian")"
grep -v 'running with root privileges' "$scratch/lintian" || true
# Its hardening tags are only informational: any of them fails here.
if [ "$hardened" = hardened ] && grep -E '^[A-Z]: ruzoz[^:]*: hardening-' "$scratch/lintian"; then
  fail "lintian finds the programs not hardened"
fi

file -b "$unpacked/usr/games/ruzoz-game" | grep -q ', stripped' || fail "ruzoz-game is not stripped"
# Every program built hardened (cmake/Hardening.cmake). Control-flow
# protection is not asked for: Debian 12's C start files do not have it.
for program in "$unpacked"/usr/games/*; do
  [ "$hardened" = hardened ] || break
  file -b "$program" | grep -q '^ELF' || continue
  hardening-check --nocfprotection "$program" >"$scratch/hardening" ||
    fail "hardening-check: $(cat "$scratch/hardening")"
done

# The AppStream entry as shipped, for the release this package is.
metainfo=("$unpacked"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[0]}" >"$scratch/appstream" 2>&1 ||
  fail "appstreamcli validate: $(cat "$scratch/appstream")"
released=$(zcat "$doc/changelog.Debian.gz" | head -n1 | sed 's/^ruzoz (\(.*\)-[^-]*).*/\1/')
dated=$(date -u -d "$(zcat "$doc/changelog.Debian.gz" | sed -n 's/^ -- .*>  //p' | head -n1)" +%F)
grep -q "<release version=\"$released\" date=\"$dated\">" "${metainfo[0]}" ||
  fail "the AppStream entry has no release $released of $dated, as the changelog has"
started "game from the unpacked package" "$scratch" "$unpacked/usr/games/ruzoz"
echo "ok: $(basename "$deb")"
