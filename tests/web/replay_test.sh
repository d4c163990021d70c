#!/usr/bin/env bash
# The replay tool built for node (out/web-node, after tools/web.sh) against
# the native one: the golden traces and won game's checkpoints, and play
# frames pixel for pixel, also with the title picture and background in each
# kind of bitmap file. Runs in RUZOZ_BUILD_DIR's data folder (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${RUZOZ_BUILD_DIR:-$root/build}" && pwd)
wasm=(node --no-experimental-fetch "$root/out/web-node/ruzoz-replay.js")
native=(env SDL_AUDIODRIVER=dummy "$build/tools/replay/ruzoz-replay")
golden=$root/tests/golden
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$build/data"
passed=0 failed=0
check() { # NAME COMMAND...
  if "${@:2}"; then echo "ok: $1" && passed=$((passed + 1)); else echo "FAILED: $1" && failed=$((failed + 1)); fi
}
# The back buffer of a snapshot: its pixels narrowed back to RGB565 (the two
# builds widen 5 and 6 bits to 8 a little differently, both keeping them).
narrow() {
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read()[-921600:]
sys.stdout.buffer.write(bytes(d[i] >> 3 if i % 3 != 1 else d[i] >> 2 for i in range(len(d))))' "$1"
}
# Both taken (a refused image ends the start-up: no snapshot), and equal.
same() { [ -s "$1" ] && [ -s "$2" ] && cmp <(narrow "$1") <(narrow "$2"); }

for name in title_navigation random_keys autopilot_game; do
  "${wasm[@]}" --frames $(($(wc -l <"$golden/$name.trace") + 10)) --input "$golden/$name.keys" --trace "$scratch/$name.trace"
  check "$name trace" cmp "$scratch/$name.trace" "$golden/$name.trace"
done
# Each side's run: the same frames of the autopilot game, snapshots named
# by side, and a data folder (default the build's).
play() { # SIDE DIR FRAMES FRAME...
  local run=("${wasm[@]}") args=() frame
  [ "$1" = wasm ] || run=("${native[@]}")
  for frame in "${@:4}"; do args+=(--snapshot "$frame:$scratch/$1-$frame.bmp"); done
  (cd "$2" && "${run[@]}" --frames "$3" --input "$golden/autopilot_game.keys" "${args[@]}")
}
shots=(120 900 2500 5000 7900)
play wasm . 8000 "${shots[@]}"
play native . 8000 "${shots[@]}"
for f in "${shots[@]}"; do check "autopilot_game frame $f" same "$scratch/wasm-$f.bmp" "$scratch/native-$f.bmp"; done
# The golden won game, all 16 levels: its checkpoints (every 1000th line and
# every line of the last level), with each level's frame cost.
"${wasm[@]}" --frames 1000000 --input "$golden/won_game.keys" --trace "$scratch/won.trace" --timing \
  2>"$scratch/won.timing"
check "won_game checkpoints" node "$root/tests/web/checkpoints.mjs" "$scratch/won.trace" "$golden/won_game.checkpoints"
grep -E '^(level|0|15) ' "$scratch/won.timing" | sed 's/^/wasm frame cost: /'

# Each kind of bitmap file: a data folder whose title picture and background
# are of that kind; the title frame and a play frame of both builds.
kinds=$scratch/kinds
"$build/tests/shell/ruzoz-bitmapkinds" "$kinds" "$build/data/titelbild.bmp" "$build/data/Hintergrund.bmp"
for dir in "$kinds"/*; do
  for file in "$build/data"/*; do [ -e "$dir/${file##*/}" ] || ln -s "$file" "$dir/"; done
  rm -f "$scratch"/{wasm,native}-{10,120}.bmp
  for side in wasm native; do play "$side" "$dir" 121 10 120 || rm -f "$scratch/$side"-{10,120}.bmp; done
  check "${dir##*/}: title frame" same "$scratch/wasm-10.bmp" "$scratch/native-10.bmp"
  check "${dir##*/}: play frame" same "$scratch/wasm-120.bmp" "$scratch/native-120.bmp"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
