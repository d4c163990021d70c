#!/usr/bin/env bash
# The page's figures, after tools/web.sh: the whole headless browser's CPU
# on the game's page against our floor page (tests/web/floor.html: a
# picture widened and put on a canvas at each refresh, silence through an
# AudioWorklet), title and play, in turns (floor, game, floor, game ...);
# the wasm/native title frame; the first frame, cold and offline. Prints
# one table. Called at the end of tools/bench.sh; about 3 minutes.
#
#   bash tools/web-bench.sh
#
# RUZOZ_WEB_BENCH_ROUNDS (default 3): rounds of the browser's figures and
# runs of the replays. RUZOZ_WEB_PAGE (default out/web): another build of
# the page, a folder in this tree, for the browser's figures. RUZOZ_BUILD_DIR (default build): the native build
# with ruzoz-replay and the data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
ROUNDS=${RUZOZ_WEB_BENCH_ROUNDS:-3}
NATIVE=$(cd "${RUZOZ_BUILD_DIR:-build}" && pwd)
for need in out/web/index.html out/web-node/ruzoz-replay.js "$NATIVE/tools/replay/ruzoz-replay"; do
  [ -e "$need" ] || { echo "web-bench: $need is missing: run tools/web.sh first" >&2; exit 2; }
done

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
range() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { if (NR) printf "%s to %s", lo, hi }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# Processor seconds (user + system) of a command and its children.
cpu_seconds() {
  python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(r.ru_utime + r.ru_stime)' "$@"
}
# Processor seconds of 2,999 title frames: 3000 frames less one (start-up).
title_frames() { # COMMAND...
  local long short
  long=$(cd "$NATIVE/data" && SDL_AUDIODRIVER=dummy cpu_seconds "$@" --frames 3000)
  short=$(cd "$NATIVE/data" && SDL_AUDIODRIVER=dummy cpu_seconds "$@" --frames 1)
  awk -v a="$long" -v b="$short" 'BEGIN { printf "%.3f\n", a - b }'
}
NODE_REPLAY=$(pwd)/out/web-node/ruzoz-replay.js
NATIVE_RUNS=() WASM_RUNS=()
for _ in $(seq "$ROUNDS"); do
  NATIVE_RUNS+=("$(title_frames "$NATIVE/tools/replay/ruzoz-replay")")
  WASM_RUNS+=("$(title_frames node --no-experimental-fetch "$NODE_REPLAY")")
done
native=$(printf '%s\n' "${NATIVE_RUNS[@]}" | median)
wasm=$(printf '%s\n' "${WASM_RUNS[@]}" | median)

OUT=$(mktemp)
trap 'rm -f "$OUT"' EXIT
node tools/web-bench.mjs "$ROUNDS" "${RUZOZ_WEB_PAGE:-out/web}" | tee "$OUT" >&2
col() { awk -v key="$1" -v n="$2" '$1 == key { print $n }' "$OUT"; }
cpu() { col "$1" 2 | median; }
fps() { col "$1" 3 | median; }

cat <<EOF

Page figures: $(lscpu | awk -F: '/^Model name/ { gsub(/^ +/, "", $2); print $2 }'), $(nproc) cores, load average at the end $(cut -d' ' -f1-3 /proc/loadavg); $(/usr/bin/chromium --version 2>/dev/null | head -1).
Medians of $ROUNDS rounds; CPU is the whole headless browser's (all its processes), percent of one core, 8 s after 4 s, 1280 x 800.

| figure | goal | measured |
|---|---|---|
| whole browser, title: game / floor | <= 1.25 | $(ratio "$(cpu game-title)" "$(cpu floor-title)") ($(cpu game-title) % at $(fps game-title) fps / $(cpu floor-title) % at $(fps floor-title) fps; game $(col game-title 2 | range) %) |
| whole browser, play: game / floor | <= 1.15 | $(ratio "$(cpu game-play)" "$(cpu floor-play)") ($(cpu game-play) % at $(fps game-play) fps / $(cpu floor-play) % at $(fps floor-play) fps; game $(col game-play 2 | range) %) |
| title frame, wasm (node) / native | - | $(ratio "$wasm" "$native") ($wasm s / $native s for 2,999 frames) |
| first frame, first visit on loopback | - | $(col first-frame 2 | median) ms ($(col first-frame 2 | range)) |
| first frame, offline second visit (service worker) | - | $(col offline-frame 2 | median) ms ($(col offline-frame 2 | range)) |
EOF
