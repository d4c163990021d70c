#!/usr/bin/env bash
# The replay tool built for node (out/web-node, after tools/web.sh) against
# the native one: the golden traces and won game's checkpoints, and play
# frames pixel for pixel, also with the title picture and background in each
# kind of bitmap file. Runs in RUZOZ_BUILD_DIR's data folder (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${RUZOZ_BUILD_DIR:-$root/build}" && pwd)
wasm=(node --no-experimental-fetch "$root/out/web-node/ruzoz-replay.js")
golden=$root/tests/golden
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$build/data"
passed=0 failed=0
check() { # NAME COMMAND...
  if "${@:2}"; then echo "ok: $1" && passed=$((passed + 1)); else echo "FAILED: $1" && failed=$((failed + 1)); fi
}
native=(env SDL_AUDIODRIVER=dummy "$build/tools/replay/ruzoz-replay")
for name in title_navigation random_keys autopilot_game; do
  frames=$(($(wc -l <"$golden/$name.trace") + 10))
  "${wasm[@]}" --frames "$frames" --input "$golden/$name.keys" --trace "$scratch/$name.trace"
  check "$name trace" cmp "$scratch/$name.trace" "$golden/$name.trace"
done
shots=(120 900 2500 5000 7900)
args=()
for f in "${shots[@]}"; do args+=(--snapshot "$f:$scratch/SIDE-$f.bmp"); done
"${wasm[@]}" --frames 8000 --input "$golden/autopilot_game.keys" "${args[@]//SIDE/wasm}"
"${native[@]}" --frames 8000 --input "$golden/autopilot_game.keys" "${args[@]//SIDE/native}"
# The back buffers: each snapshot's pixels narrowed back to RGB565 (the two
# builds widen 5 and 6 bits to 8 a little differently, both keeping them).
narrow() {
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read()[-921600:]
sys.stdout.buffer.write(bytes(d[i] >> 3 if i % 3 != 1 else d[i] >> 2 for i in range(len(d))))' "$1"
}
for f in "${shots[@]}"; do
  check "autopilot_game frame $f" cmp <(narrow "$scratch/wasm-$f.bmp") <(narrow "$scratch/native-$f.bmp")
done
# The golden won game, all 16 levels: its checkpoints (every 1000th line and
# every line of the last level), with each level's frame cost.
"${wasm[@]}" --frames 1000000 --input "$golden/won_game.keys" --trace "$scratch/won.trace" --timing \
  2>"$scratch/won.timing"
check "won_game checkpoints" node "$root/tests/web/checkpoints.mjs" "$scratch/won.trace" "$golden/won_game.checkpoints"
grep -E '^(level|0|15) ' "$scratch/won.timing" | sed 's/^/wasm frame cost: /'

# Both taken (a refused image ends the start-up: no snapshot), and equal.
same() { [ -s "$1" ] && [ -s "$2" ] && cmp <(narrow "$1") <(narrow "$2"); }

# Each kind of bitmap file: a data folder whose title picture and background
# are of that kind; the title frame and a play frame of both builds.
kinds=$scratch/kinds
"$build/tests/shell/ruzoz-bitmapkinds" "$kinds" "$build/data/titelbild.bmp" "$build/data/Hintergrund.bmp"
for dir in "$kinds"/*; do
  for file in "$build/data"/*; do
    [ -e "$dir/${file##*/}" ] || ln -s "$file" "$dir/"
  done
  for side in wasm native; do
    run=("${wasm[@]}")
    [ "$side" = wasm ] || run=("${native[@]}")
    (cd "$dir" && "${run[@]}" --frames 121 --input "$golden/autopilot_game.keys" \
      --snapshot "10:$scratch/$side-title.bmp" --snapshot "120:$scratch/$side-play.bmp") ||
      rm -f "$scratch/$side-title.bmp" "$scratch/$side-play.bmp"
  done
  for frame in title play; do
    check "${dir##*/}: $frame frame" same "$scratch/wasm-$frame.bmp" "$scratch/native-$frame.bmp"
  done
  rm -f "$scratch"/{wasm,native}-{title,play}.bmp
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
