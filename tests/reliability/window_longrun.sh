#!/usr/bin/env bash
# The window game for a long run on a virtual X server with SDL's dummy
# audio (which still pulls the mix) and random keys, never Esc: after the
# first minute resident memory grows by less than 1 MB, open files and
# threads stay the same, and every 10 s holds 60 frames a second (10 s in
# which the 1-minute load reached the processors are shown, not judged).
#   window_longrun.sh RUZOZ DATA_DIR SECONDS
set -euo pipefail
game=$(realpath "$1") data=$(realpath "$2") seconds=$3
[ "$seconds" -ge 90 ] || { echo "a long run lasts at least 90 s" >&2; exit 1; }
source "$(dirname "$0")/../shell/virtual_x.sh"
# Where it may (root), the game and its X server are put before other work
# on the machine, as on a player's desktop where nothing else competes.
priority=()
if nice -n -10 true 2>/dev/null; then priority=(nice -n -10); fi
start_virtual_x 1024x768 "${priority[@]}"

start_window game env RUZOZ_FRAME_LOG="$dir/frames.log" "${priority[@]}" "$game" --window
started=$SECONDS

# One sample every 5 s: seconds, resident kB, open files, threads, load.
sample() {
  local rss threads files load
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$game_pid/status") || return 1
  threads=$(awk '/^Threads:/ {print $2}' "/proc/$game_pid/status")
  files=$(find "/proc/$game_pid/fd" -mindepth 1 -maxdepth 1 | wc -l)
  load=$(cut -d' ' -f1 /proc/loadavg)
  echo "$((SECONDS - started)) $rss $files $threads $load" >>"$dir/samples"
}

# Random keys, the same every run: a key held 30 to 600 ms, then a pause of
# up to 400 ms. Space and Enter lead through title, story and games.
RANDOM=24
keys=(Left Left Right Right Up Up Down Shift_L Shift_L space Return)
next_sample=$started
while [ $((SECONDS - started)) -lt "$seconds" ]; do
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended by itself"
  if [ $SECONDS -ge "$next_sample" ]; then
    sample || fail "the game ended by itself"
    next_sample=$((next_sample + 5))
  fi
  k=${keys[RANDOM % ${#keys[@]}]}
  xdotool keydown "$k"
  sleep "0.$(printf '%03d' $((30 + RANDOM % 570)))"
  xdotool keyup "$k"
  sleep "0.$(printf '%03d' $((RANDOM % 400)))"
done
sample || fail "the game ended by itself"

# SIGTERM: the normal end, which writes the frame log.
kill -TERM "$game_pid"
finish SIGTERM

echo "window long run${priority:+ (nice -10)}: $seconds s of random keys, 5-second samples (s, resident kB, files, threads, load):"
awk '$1 % 60 < 5 || NR == 1 {printf "  %4d s  %7d kB  %3d files  %3d threads  load %s\n", $1, $2, $3, $4, $5}' \
  "$dir/samples"
# From the first sample after a minute on.
awk '
  $1 >= 60 && base == "" {base = $2; files = $3; threads = $4}
  base != "" {
    if ($2 - base > grow) grow = $2 - base
    if ($3 != files) badFiles = badFiles " " $1 "s:" $3
    if ($4 != threads) badThreads = badThreads " " $1 "s:" $4
  }
  END {
    printf "resident after the first minute: %d kB, grown by at most %d kB\n", base, grow
    bad = base == "" ? "no sample after a minute" : grow >= 1024 ? "resident memory grew by " grow " kB" : \
      badFiles != "" ? "open files changed from " files ":" badFiles : \
      badThreads != "" ? "threads changed from " threads ":" badThreads : ""
    if (bad != "") { print bad; exit 1 }
    printf "open files %d and threads %d the same throughout\n", files, threads
  }' "$dir/samples" || fail "memory, files or threads"

# Frames a second in each 10 s of the log (the frame starts), beside the
# highest load sampled in those 10 s.
awk -v processors="$(nproc)" '
  FILENAME ~ /samples$/ {slot = int($1 / 10); if ($5 > load[slot]) load[slot] = $5; next}
  FNR == 1 {perSecond = $2; next}
  {start = $1 / perSecond; if (first == "") first = start
   slot = int((start - first) / 10); count[slot]++; if (slot > last) last = slot}
  END {
    low = 1e9; high = 0; bad = ""; busy = ""; judged = 0
    for (s = 0; s < last; ++s) {     # the last slot is cut short by the end
      rate = count[s] / 10
      window = sprintf(" %d-%d s: %.1f (load %.1f)", 10 * s, 10 * s + 10, rate, load[s])
      if (load[s] >= processors) { busy = busy window; continue }
      ++judged; sum += rate
      if (rate < low) low = rate
      if (rate > high) high = rate
      # One stall of the machine (a disk flush) can cost a window a frame
      # or two; the run as a whole must hold 60 +- 1.
      if (rate < 57 || rate > 61) bad = bad window
    }
    printf "frames: %d; %d of %d windows of 10 s judged", FNR - 1, judged, last
    if (judged > 0) printf ", %.1f to %.1f a second", low, high
    print ""
    if (busy != "") print "not judged, the machine busy:" busy
    if (bad != "") { print "frame rate off 57 to 61 in" bad; exit 1 }
    if (judged > 0 && (sum / judged < 59 || sum / judged > 61)) {
      printf "frame rate %.2f over the judged windows, not 60 +- 1\n", sum / judged; exit 1
    }
  }' "$dir/samples" "$dir/frames.log" || fail "frame rate"
