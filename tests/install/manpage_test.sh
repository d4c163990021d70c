#!/usr/bin/env bash
# manpage_test.sh STAGE EXPECTED: ruzoz(6) is installed compressed and
# reproducible, renders without warnings, and lists exactly the data files.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
page=$1/prefix/share/man/man6/ruzoz.6.gz
expected=$2
[ -f "$page" ] || fail "no man page at $page"
# Every program has its page; the game program's is the game's.
[ "$(readlink "$1/prefix/share/man/man6/ruzoz-game.6.gz")" = ruzoz.6.gz ] ||
  fail "ruzoz-game(6) is not the link to ruzoz(6)"
gzip -t "$page" || fail "not a valid gzip file"
unstamped "$page"

zcat "$page" >"$scratch/ruzoz.6"
groff -man -ww -z -Tutf8 "$scratch/ruzoz.6" 2>"$scratch/warnings"
[ ! -s "$scratch/warnings" ] || fail "groff warnings: $(cat "$scratch/warnings")"
whatis=$(lexgrog "$scratch/ruzoz.6") || fail "lexgrog cannot read the NAME section"
echo "$whatis" | grep -q '"ruzoz - ' || fail "NAME section: $whatis"

MANWIDTH=200 man -l "$scratch/ruzoz.6" 2>/dev/null | col -b >"$scratch/text"
for heading in NAME SYNOPSIS DESCRIPTION KEYS FILES ENVIRONMENT 'EXIT STATUS'; do
  grep -qx "$heading" "$scratch/text" || fail "no section $heading"
done
for word in Pfeiltasten Umschalt Leertaste Eingabetaste Esc Alt+Enter SDL_SOUNDFONTS \
  share/games/ruzoz; do
  grep -qF -- "$word" "$scratch/text" || fail "does not mention $word"
done

# The FILES section names files one by one or as "X1.bmp to XN.bmp".
awk '
  /^\.SH/ { inFiles = ($2 == "FILES") }
  inFiles && $1 == ".IR" && $2 ~ /^[A-Za-z]+[0-9]*\.(bmp|wav|tpl|sty|cdm)$/ {
    if ($4 == "to") {
      stem = $2; sub(/[0-9]+\..*$/, "", stem)
      ext = $2; sub(/^[^.]*/, "", ext)
      from = $2; gsub(/[^0-9]/, "", from)
      to = $6; gsub(/[^0-9]/, "", to)
      for (i = from + 0; i <= to + 0; ++i) print stem i ext
    } else print $2
  }' "$scratch/ruzoz.6" | LC_ALL=C sort >"$scratch/listed"
sed -n 's|^share/games/ruzoz/||p' "$expected" | LC_ALL=C sort >"$scratch/installed"
diff -u "$scratch/installed" "$scratch/listed" >"$scratch/diff" ||
  fail "FILES section differs from the data folder (- not listed, + not installed):
$(cat "$scratch/diff")"
echo "ok: man page ($(wc -l <"$scratch/listed") data files listed)"
