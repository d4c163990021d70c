#!/usr/bin/env bash
# The performance suite: builds the optimised build in build-release/, runs
# the in-process benchmarks (Google Benchmark, with repetitions) and the
# whole-process measurements (the game under Xvfb, the replay tool), and
# prints one table of every figure with its goal. Raw outputs are kept in
# build-release/bench-results/; then the page's table (tools/web-bench.sh,
# about three minutes more). About four minutes on two cores, plus the
# builds.
#
#   bash tools/bench.sh
#   bash tools/bench.sh --against REV   # this tree and REV side by side
#
# RUZOZ_BENCH_REPS (default 5): repetitions of the in-process benchmarks,
# runs of the start-up steps and of the replay. RUZOZ_BENCH_BUILD: another
# build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --against ]; then
  exec bash tools/bench-against.sh "${2:?usage: bash tools/bench.sh --against REV}"
fi
source tools/deps.sh
ruzoz_install_deps

BUILD=${RUZOZ_BENCH_BUILD:-build-release}
REPS=${RUZOZ_BENCH_REPS:-5}
OUT=$BUILD/bench-results

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target ruzoz ruzoz-replay ruzoz-autopilot ruzoz_data \
  frame_bench pixel_bench effect_latency_bench startup_steps launch_probe >/dev/null
mkdir -p "$OUT"
rm -f "$OUT"/*
OUT=$(cd "$OUT" && pwd)

BENCH=$(cd "$BUILD/bench" && pwd)
DATA=$(cd "$BUILD/data" && pwd)
GAME=$(cd "$BUILD/src" && pwd)/ruzoz
REPLAY=$(cd "$BUILD/tools/replay" && pwd)/ruzoz-replay
AUTOPILOT=$(cd "$BUILD/tools/autopilot" && pwd)/ruzoz-autopilot
export RUZOZ_DATA=$DATA SDL_AUDIODRIVER=dummy # no sound card is needed

note() { printf '%s\n' "$*" >&2; }

# --- helpers ---------------------------------------------------------------

# Median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

num() { awk -v v="$1" 'BEGIN { if (v == "" || v == "n/a") print "n/a"; else printf "%.1f", v }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# Field FIELD of the benchmarks whose name matches the regular expression
# NAME in a Google Benchmark JSON file (one key a line), one per line.
json_rows() { # FILE NAME FIELD
  awk -v name="$2" -v field="\"$3\":" '
    $1 == "\"name\":" { n = $2; gsub(/[",]/, "", n) }
    $1 == field && n ~ name { v = $2; gsub(/[",]/, "", v); print v }' "$1"
}
json_field() { # FILE NAME FIELD: the benchmark named exactly NAME
  awk -v name="$2" -v field="\"$3\":" '
    $1 == "\"name\":" { n = $2; gsub(/[",]/, "", n) }
    $1 == field && n == name { v = $2; gsub(/[",]/, "", v); print v }' "$1"
}

gbench() { # NAME BINARY [ARGS...]: repetitions interleaved, aggregates, CSV
  local name=$1
  shift
  note "running $name"
  "$@" --benchmark_repetitions="$REPS" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$OUT/$name.json" 2>"$OUT/$name.err" ||
    note "$name FAILED: see $OUT/$name.err"
}

# --- in-process benchmarks ---------------------------------------------------

gbench frames "$BENCH/frame_bench"
gbench pixels "$BENCH/pixel_bench"
note "running effect latency"
"$BENCH/effect_latency_bench" --benchmark_repetitions=3 --benchmark_format=json \
  >"$OUT/latency.json" 2>"$OUT/latency.err" || note "effect latency FAILED: see $OUT/latency.err"

# --- a virtual X server -------------------------------------------------------

Xvfb -displayfd 5 -screen 0 1600x1000x24 -nolisten tcp 5>"$OUT/xvfb.display" 2>"$OUT/xvfb.err" &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$OUT/xvfb.display" ] && break
  sleep 0.1
done
export DISPLAY=:$(head -1 "$OUT/xvfb.display")

# --- start-up, step by step ---------------------------------------------------

note "running start-up steps"
for i in $(seq "$REPS"); do
  (cd "$DATA" && "$BENCH/startup_steps") >"$OUT/startup-$i.txt" || note "start-up steps FAILED"
done

# --- the game under Xvfb --------------------------------------------------------

probe() { # NAME: one run of the game on the title screen or in play
  (cd "$DATA" && "$BENCH/launch_probe" --settle 2 --seconds 8 --watch "$XVFB_PID" -- "$GAME") \
    >"$OUT/$1.txt" || note "$1 FAILED"
}

# Space starts a game (and a new one after the shield ran out); arrows and
# Shift keep the ship turning, flying and firing.
drive_play() {
  sleep 1.2
  xdotool key space
  local until=$((SECONDS + 10))
  while ((SECONDS < until)); do
    xdotool keydown Up sleep 0.3 keyup Up key --delay 40 Left Left Shift_L Right Shift_L \
      keydown Down sleep 0.2 keyup Down key --delay 40 Right Right Shift_R space 2>/dev/null || true
  done
}

for i in $(seq 3); do
  note "running the game on the title screen ($i/3)"
  probe "title-$i"
done
for i in $(seq 3); do
  note "running the game in play ($i/3)"
  drive_play &
  driver=$!
  probe "play-$i"
  wait "$driver" || true
done

# --- headless throughput ----------------------------------------------------------

note "running replay throughput"
(cd "$DATA" && "$AUTOPILOT" --frames 20000) >"$OUT/play.keys"
throughput() { # NAME FRAMES [ARGS...]: frames per processor second, one core
  local name=$1 frames=$2
  shift 2
  (cd "$DATA" && hyperfine --style none --runs "$REPS" --warmup 1 \
    --export-json "$OUT/$name.json" \
    "taskset -c 0 $REPLAY --frames 0 $*" "taskset -c 0 $REPLAY --frames $frames $*") >/dev/null 2>&1
  # user + system seconds of each command, mean over the runs
  awk -v frames="$frames" '
    /"user":/ { gsub(/[^0-9.e-]/, "", $2); u[++n] = $2 }
    /"system":/ { gsub(/[^0-9.e-]/, "", $2); s[++m] = $2 }
    /"median":/ { gsub(/[^0-9.e-]/, "", $2); w[++k] = $2 }
    END { printf "%.0f %.0f\n", frames / (u[2] + s[2] - u[1] - s[1]), frames / (w[2] - w[1]) }' "$OUT/$name.json"
}
read -r PLAY_FPS PLAY_FPS_WALL < <(throughput replay-play 20000 --input "$OUT/play.keys")
read -r TITLE_FPS TITLE_FPS_WALL < <(throughput replay-title 5000)

# --- instruction counts of one generation (callgrind; valgrind has no
# AVX-512, so the AVX2 code runs) ---------------------------------------------

instructions() { # fast|reference
  local function='ruzoz::generateWorld()'
  [ "$1" = reference ] && function='ruzoz::generateWorldReference()'
  valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect="$function" \
    "$BENCH/frame_bench" --generate-once "$1" 2>&1 | awk '/Collected/ { print $NF }'
}
if command -v valgrind >/dev/null; then
  note "counting instructions"
  GEN_IR=$(instructions fast)
  REF_IR=$(instructions reference)
fi

# --- the table ----------------------------------------------------------------------

f=$OUT/frames.json p=$OUT/pixels.json l=$OUT/latency.json
gen=$(num $(json_field "$f" BM_GenerateWorld_median cpu_time))
ref=$(num $(json_field "$f" BM_GenerateWorldReference_median cpu_time))
same=$(grep -c '^generateWorld equals' "$f" || true)
title=$(num $(json_field "$p" BM_TitleFramePixels_median cpu_time))
play=$(num $(json_field "$p" BM_PlayFramePixels_median cpu_time))
blits=$(num $(json_field "$p" BM_PlayFrameKeyedBlits_median cpu_time))
allocs=$(json_rows "$p" '_median$' allocs | awk '{ n += $1 } END { print n + 0 }')
present_all=$(num $(json_field "$p" BM_Present/changed:1_median cpu_time))
present_none=$(num $(json_field "$p" BM_Present/changed:0_median cpu_time))
lat_median=$(num $(json_rows "$l" 'manual_time$' median_ms | median))
lat_max=$(num $(json_rows "$l" 'manual_time$' max_ms | sort -g | tail -1))

field() { # FILE-GLOB KEY [WORD]: the value after KEY (or after WORD on KEY's line) in each file
  for file in $1; do awk -v key="$2" -v word="${3:-}" '$1 == key { if (word == "") print $2; else for (i = 2; i < NF; i++) if ($i == word) print $(i + 1) }' "$file"; done
}
step() { field "$OUT/startup-*.txt" "$1" | median; }
step_cpu() { for file in "$OUT"/startup-*.txt; do awk -v key="$1" '$1 == key { print $3 }' "$file"; done | median; }

cpu_title=$(field "$OUT/title-*.txt" cpu-percent | median)
cpu_play=$(field "$OUT/play-*.txt" cpu-percent | median)
x_title=$(field "$OUT/title-*.txt" watched-cpu-percent | median)
x_play=$(field "$OUT/play-*.txt" watched-cpu-percent | median)
fps_title=$(field "$OUT/title-*.txt" frames-per-second | median)
fps_play=$(field "$OUT/play-*.txt" frames-per-second | median)
within=$(field "$OUT/[tp]*-[0-9].txt" within-1ms-percent | median)
within_min=$(field "$OUT/[tp]*-[0-9].txt" within-1ms-percent | sort -g | head -1)
p99=$(field "$OUT/[tp]*-[0-9].txt" gap-ms p99 | median)
early=$(field "$OUT/[tp]*-[0-9].txt" shorter-than-period | awk '{ n += $1 } END { print n + 0 }')
sleeper=$(field "$OUT/[tp]*-[0-9].txt" sleeper-within-1ms-percent | median)
first=$(field "$OUT/[tp]*-[0-9].txt" first-frame-ms | median)
rss=$(field "$OUT/[tp]*-[0-9].txt" peak-rss-kb | sort -g | tail -1)


cat <<EOF

Machine: $(lscpu | awk -F: '/^Model name/ { gsub(/^ +/, "", $2); print $2 }'), $(nproc) cores; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)
Medians of $REPS repetitions (in-process, processor time) or runs (whole process).

| figure | goal | measured | command |
|---|---|---|---|
| generateWorld / reference (same run) | <= 0.33, identical | $(ratio "$gen" "$ref") ($gen us / $ref us), identical: $([ "$same" = 1 ] && echo yes || echo NO) | \`frame_bench\` |
| the same in instructions (AVX2 code) | - | $(ratio "${GEN_IR:-0}" "${REF_IR:-0}") (${GEN_IR:-n/a} / ${REF_IR:-n/a}) | callgrind \`frame_bench --generate-once\` |
| title frame with pixels, no present | < 500 us | $title us | \`pixel_bench\` BM_TitleFramePixels |
| play frame with pixels, no present | < 500 us | $play us | \`pixel_bench\` BM_PlayFramePixels |
| play frame's keyed blits | 0 allocations | $blits us, allocations per frame: $allocs | \`pixel_bench\` BM_PlayFrameKeyedBlits |
| present (convert, enlarge x3, filter to 1333 x 1000) all rows / none changed | - | $present_all us / $present_none us | \`pixel_bench\` BM_Present |
| CPU, title screen under Xvfb | < 10 % of a core, 60 Hz | $cpu_title % at $fps_title fps (Xvfb $x_title %) | \`launch_probe\` x3 |
| CPU, play under Xvfb (xdotool keys) | < 10 % of a core, 60 Hz | $cpu_play % at $fps_play fps (Xvfb $x_play %) | \`launch_probe\` + xdotool x3 |
| frame pacing | 99 % within 1 ms of 1/60 s, no catch-up | $within % (worst run $within_min %), p99 gap $p99 ms, gaps < 1/60 s: $early; a bare 60 Hz sleeper meanwhile: $sleeper % | \`launch_probe\` frame logs |
| start-up to first presented frame | < 300 ms | $first ms | \`launch_probe\` |
| peak resident memory | < 64 MB | $((rss / 1024)) MB | \`launch_probe\` (VmHWM, play) |
| effect latency (PlaySoundEffect to mixer) | < 20 ms | median $lat_median ms, max $lat_max ms | \`effect_latency_bench\` |
| replay throughput, play frames, one core | > 10000 /s | $PLAY_FPS /s (wall $PLAY_FPS_WALL /s) | \`hyperfine\` ruzoz-replay |
| replay throughput, title frames, one core | > 1000 /s | $TITLE_FPS /s (wall $TITLE_FPS_WALL /s) | \`hyperfine\` ruzoz-replay |

Start-up steps (median wall ms / process CPU ms): video $(step video) / $(step_cpu video), window $(step window), renderer $(step renderer) / $(step_cpu renderer), full screen $(step fullscreen) / $(step_cpu fullscreen), images $(step images) / $(step_cpu images), sound $(step sound) / $(step_cpu sound), music $(step music) / $(step_cpu music) (SoundFont $(step m.soundfont), composition $(step m.compose)), first title frame drawn $(step first-draw) / $(step_cpu first-draw), first present $(step first-present) / $(step_cpu first-present); in all $(step to-first-frame) ms (in-process, without starting the process).
Raw results: $OUT
EOF

# --- the page (tools/web-bench.sh; built by tools/web.sh when missing) ----------------

if [ -e out/web/index.html ] || bash tools/web.sh >"$OUT/web-build.txt" 2>&1; then
  RUZOZ_BUILD_DIR=$BUILD bash tools/web-bench.sh 2>"$OUT/web-bench.txt" ||
    note "web bench FAILED: see $OUT/web-bench.txt"
else
  note "the page did not build: see $OUT/web-build.txt"
fi
