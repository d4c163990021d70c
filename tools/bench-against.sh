#!/usr/bin/env bash
# This working tree against another commit, side by side: both built the
# same way (Release) in build-release/ and build-against/, then every figure
# measured in turns (this, that, that, this, ...) in one run so that the
# machine's load falls on both alike. Prints each figure's medians and their
# ratio. Called by `bash tools/bench.sh --against REV`.
#
# RUZOZ_BENCH_REPS (default 5): rounds of every figure (the game under Xvfb
# runs at most 3).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
REV=${1:?usage: bash tools/bench.sh --against REV}
REPS=${RUZOZ_BENCH_REPS:-5}
source tools/deps.sh
ruzoz_install_deps

note() { printf '%s\n' "$*" >&2; }
COMMIT=$(git rev-parse --verify "$REV^{commit}") || { note "no commit $REV"; exit 2; }

A=$ROOT/build-release B=$ROOT/build-against
SRC=$B/source
OUT=$B/results
mkdir -p "$B"
rm -rf "$OUT"
mkdir -p "$OUT"
git worktree remove --force "$SRC" 2>/dev/null || rm -rf "$SRC"
git worktree prune
git worktree add --detach --force "$SRC" "$COMMIT" >/dev/null
cleanup() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  git -C "$ROOT" worktree remove --force "$SRC" 2>/dev/null || true
}
trap cleanup EXIT

build() { # SOURCE BUILD
  note "building $1 in $2"
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$2" -j"$(nproc)" --target ruzoz ruzoz-replay ruzoz-autopilot ruzoz_data \
    pixel_bench launch_probe >/dev/null
}
build "$ROOT" "$A"
build "$SRC" "$B/build"
B=$B/build

# One autopilot game for both, made by this tree.
(cd "$A/data" && "$A/tools/autopilot/ruzoz-autopilot" --frames 20000) >"$OUT/play.keys"

cpu() { # BUILD ARGS...: user + system seconds of one replay, pinned to one core
  local build=$1
  shift
  (cd "$build/data" && /usr/bin/time -f '%U %S' -o "$OUT/time" \
    taskset -c 0 "$build/tools/replay/ruzoz-replay" "$@" >/dev/null)
  awk '{ print $1 + $2 }' "$OUT/time"
}

# FIGURE SIDE VALUE lines, one per measurement.
record() { printf '%s %s %s\n' "$1" "$2" "$3" >>"$OUT/figures"; }

replays() { # SIDE BUILD
  local start play title
  start=$(cpu "$2" --frames 1)
  play=$(cpu "$2" --frames 20000 --input "$OUT/play.keys")
  title=$(cpu "$2" --frames 5000)
  record start-cpu-ms "$1" "$(awk -v s="$start" 'BEGIN { print s * 1000 }')"
  record play-fps "$1" "$(awk -v p="$play" -v s="$start" 'BEGIN { print (p > s ? 19999 / (p - s) : 0) }')"
  record title-fps "$1" "$(awk -v t="$title" -v s="$start" 'BEGIN { print (t > s ? 4999 / (t - s) : 0) }')"
}

pixels() { # SIDE BUILD: one repetition of the frame and present benchmarks
  (cd "$2/data" && "$2/bench/pixel_bench" --benchmark_format=json \
    --benchmark_filter='BM_TitleFramePixels|BM_PlayFramePixels|BM_Present') >"$OUT/pixels.json" 2>/dev/null || return 0
  # The first benchmark of each family (older trees name variants /rle:1, /changed:1).
  awk '$1 == "\"name\":" { n = $2; gsub(/[",]/, "", n) }
       $1 == "\"cpu_time\":" { v = $2; gsub(/[",]/, "", v); f = n; sub(/\/.*/, "", f)
                               if (!(f in seen)) { seen[f] = 1; print f, v } }' "$OUT/pixels.json" |
    while read -r name value; do record "$name-us" "$1" "$value"; done
}

# Round I's order of the two sides: this first in odd rounds.
turns() { if (($1 % 2)); then echo this that; else echo that this; fi; }
built() { if [ "$1" = that ]; then echo "$B"; else echo "$A"; fi; }

for i in $(seq "$REPS"); do
  note "round $i of $REPS: replays and pixel benchmarks"
  for side in $(turns "$i"); do
    build=$(built "$side")
    replays "$side" "$build"
    pixels "$side" "$build"
  done
done

# The game on the title screen under a virtual X server.
Xvfb -displayfd 5 -screen 0 1600x1000x24 -nolisten tcp 5>"$OUT/xvfb.display" 2>"$OUT/xvfb.err" &
XVFB_PID=$!
for _ in $(seq 100); do
  [ -s "$OUT/xvfb.display" ] && break
  sleep 0.1
done
export DISPLAY=:$(head -1 "$OUT/xvfb.display") SDL_AUDIODRIVER=dummy
rounds=$((REPS < 3 ? REPS : 3))
for i in $(seq "$rounds"); do
  note "round $i of $rounds: the game under Xvfb"
  for side in $(turns "$i"); do
    build=$(built "$side")
    (cd "$build/data" && RUZOZ_DATA=$build/data "$A/bench/launch_probe" --settle 2 --seconds 6 \
      --watch "$XVFB_PID" -- "$build/src/ruzoz") >"$OUT/probe.txt" 2>/dev/null || continue
    record xvfb-title-cpu-percent "$side" "$(awk '$1 == "cpu-percent" { print $2 }' "$OUT/probe.txt")"
  done
done

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

printf '\nThis tree (%s, %s) against %s (%s).\n' "$(git rev-parse --short HEAD)" \
  "$(git diff --quiet HEAD && echo clean || echo with changes)" "$REV" "$(git rev-parse --short "$COMMIT")"
printf 'Machine: %s, %s cores; load average at the end: %s. Medians of %s rounds, taken in turns.\n\n' \
  "$(lscpu | awk -F: '/^Model name/ { gsub(/^ +/, "", $2); print $2 }')" "$(nproc)" \
  "$(cut -d' ' -f1-3 /proc/loadavg)" "$REPS"
printf '| figure | better | this | %s | this / %s |\n|---|---|---|---|---|\n' "$REV" "$REV"
for figure in play-fps title-fps start-cpu-ms BM_TitleFramePixels-us BM_PlayFramePixels-us \
  BM_Present-us xvfb-title-cpu-percent; do
  this=$(awk -v f="$figure" '$1 == f && $2 == "this" { print $3 }' "$OUT/figures" | median)
  that=$(awk -v f="$figure" '$1 == f && $2 == "that" { print $3 }' "$OUT/figures" | median)
  case $figure in *fps) better=higher ;; *) better=lower ;; esac
  awk -v f="$figure" -v b="$better" -v a="$this" -v c="$that" 'BEGIN {
    r = (a != "n/a" && c != "n/a" && c > 0) ? sprintf("%.2f", a / c) : "n/a"
    printf("| %s | %s | %s | %s | %s |\n", f, b, a, c, r) }'
done
printf '\nRaw figures: %s/figures\n' "$OUT"
