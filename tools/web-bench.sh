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
# the page, a folder in this tree, for the browser's figures;
# RUZOZ_WEB_OTHER: a second one measured in the same turns (before and
# after a change). RUZOZ_BUILD_DIR (default build): the native build
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
node tools/web-bench.mjs "$ROUNDS" "${RUZOZ_WEB_PAGE:-out/web}" ${RUZOZ_WEB_OTHER:+"$RUZOZ_WEB_OTHER"} | tee "$OUT" >&2
col() { awk -v key="$1" -v n="$2" '$1 == key { print $n }' "$OUT"; }
cpu() { col "$1" 2 | median; }
fps() { col "$1" 3 | median; }
# Median of each round's PAGE / floor: the two ran next to each other.
turns() { # PAGE title|play
  awk -v page="$1-$2" -v floor="floor-$2" '$1 == floor { f = $2 } $1 == page && f > 0 { print $2 / f }' "$OUT" |
    median | awk '{ if ($1 == "n/a") print; else printf "%.2f", $1 }'
}
row() { # PAGE title|play GOAL: one row of the table
  echo "| whole browser, $2: $1 / floor | $3 | $(turns "$1" "$2") ($(cpu "$1-$2") % at $(fps "$1-$2") fps / $(cpu "floor-$2") % at $(fps "floor-$2") fps; $1 $(col "$1-$2" 2 | range) %, floor $(col "floor-$2" 2 | range) %) |"
}

cat <<EOF

Page figures: $(lscpu | awk -F: '/^Model name/ { gsub(/^ +/, "", $2); print $2 }'), $(nproc) cores, load average at the end $(cut -d' ' -f1-3 /proc/loadavg); $(/usr/bin/chromium --version 2>/dev/null | head -1).
Medians of $ROUNDS rounds (ratios: of each round's pair); CPU is the whole headless browser's (all its
processes), percent of one core, 8 s after 4 s, 1280 x 800.${RUZOZ_WEB_OTHER:+ "other": the page in $RUZOZ_WEB_OTHER.}

| figure | goal | measured |
|---|---|---|
$(row game title '<= 1.25')
$(row game play '<= 1.15'; [ -z "${RUZOZ_WEB_OTHER:-}" ] || { row other title -; row other play -; })
| title frame, wasm (node) / native | - | $(ratio "$wasm" "$native") ($wasm s / $native s for 2,999 frames) |
| first frame, first visit on loopback | - | $(col first-frame 2 | median) ms ($(col first-frame 2 | range)) |
| first frame, offline second visit (service worker) | - | $(col offline-frame 2 | median) ms ($(col offline-frame 2 | range)) |
EOF
