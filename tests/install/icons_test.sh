#!/usr/bin/env bash
# icons_test.sh ICONGEN SPRITE STAGE: the icons decode with an independent
# PNG reader (ImageMagick) as RGBA with a transparent background, copy the
# sprite at whole scales, are made the same on every run, and bad input
# gives no icon.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
icongen=$1
sprite=$2
prefix=$3/prefix
command -v convert >/dev/null || fail "ImageMagick's convert is needed (Debian: imagemagick)"

"$icongen" "$sprite" "$scratch/one" 48 128
"$icongen" "$sprite" "$scratch/two" 48 128
for size in 48 128; do
  png=${size}x${size}/apps/ruzoz.png
  cmp "$scratch/one/$png" "$scratch/two/$png" || fail "two runs gave different $png"
  cmp "$scratch/one/$png" "$prefix/share/icons/hicolor/$png" || fail "installed $png is stale"
done

for dir in "$prefix"/share/icons/hicolor/*x*; do
  size=${dir##*/}
  size=${size%x*}
  png=$dir/apps/ruzoz.png
  read -r w h type < <(identify -format '%w %h %[channels]\n' "$png") ||
    fail "ImageMagick cannot read $png"
  [ "$w $h" = "$size $size" ] || fail "$png is ${w}x$h"
  [ "$type" = srgba ] || fail "$png has channels $type, wanted srgba"
  corners=$(convert "$png" -format \
    "%[fx:p{0,0}.a+p{$((size - 1)),0}.a+p{0,$((size - 1))}.a+p{$((size - 1)),$((size - 1))}.a]" info:)
  [ "$corners" = 0 ] || fail "$png: corners are not transparent ($corners)"
  centre=$(convert "$png" -format "%[fx:p{$((size / 2)),$((size / 2))}.a]" info:)
  [ "$centre" = 1 ] || fail "$png: the ship does not cover the centre (alpha $centre)"
  # The ship must fill the icon, not sit small in a corner.
  cover=$(convert "$png" -alpha extract -format '%[fx:mean]' info:)
  awk -v c="$cover" 'BEGIN { exit !(c > 0.2 && c < 0.8) }' ||
    fail "$png: ship covers $cover of the icon"
done

# At whole scales the icon copies the sprite's pixels: no colour lost, none
# blended or shifted by the trip through linear light.
colours() { convert "$1" -depth 8 txt:- | awk 'NR > 1 { print $3 }' | sort -u; }
sprite_colours=$(colours "$sprite" | grep -vx '#FFFFFF')
for size in 32 128; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/ruzoz.png
  [ "$(colours "$png" | sed -n 's/^\(#......\)FF$/\1/p')" = "$sprite_colours" ] ||
    fail "$png does not copy the sprite's colours"
done

printf 'not a bitmap' >"$scratch/bad.bmp"
if "$icongen" "$scratch/bad.bmp" "$scratch/bad" 48 2>/dev/null; then
  fail "a broken sprite was accepted"
fi
if "$icongen" "$sprite" "$scratch/size" 48x 2>/dev/null; then
  fail "a broken size was accepted"
fi
[ ! -e "$scratch/bad/48x48/apps/ruzoz.png" ] || fail "an icon was written from a broken sprite"
echo "ok: icons"
