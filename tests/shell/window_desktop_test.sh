#!/usr/bin/env bash
# The window game on a virtual desktop of 1366 x 768: full screen on the
# untouched title, frames start 1/60 s apart; under random keys for SECONDS
# (never Esc) 60 frames a second in each 10 s and, after the first minute,
# resident memory flat, open files and threads the same. Under openbox the
# window has the menu entry's class and the game's icon, lies wholly on the
# screen, may take any size from 640 x 480 and shows the replay tool's
# picture at that size. A failed start's box ends with exit code 1 within
# a second of SIGTERM.
#
#   window_desktop_test.sh RUZOZ RUZOZ_REPLAY DATA_DIR [SECONDS]
set -euo pipefail
game=$(realpath "$1") replay=$(realpath "$2") data=$(realpath "$3") seconds=${4:-20}
source "$(dirname "$0")/virtual_x.sh"
for tool in openbox xprop xwininfo import convert; do
  command -v $tool >/dev/null || fail "$tool is needed (Debian: openbox x11-utils imagemagick)"
done
# Where it may (root), the game and its X server are put before other work
# on the machine, as on a player's desktop where nothing else competes.
priority=()
if nice -n -10 true 2>/dev/null; then priority=(nice -n -10); fi
start_virtual_x 1366x768 "${priority[@]}"
start_window game env RUZOZ_FRAME_LOG="$dir/frames.log" "${priority[@]}" "$game"
started=$SECONDS
sleep 6 # nothing touches the display: frames 60 to 300 tell the pacing
load=$(cut -d' ' -f1 /proc/loadavg)

# A sample: seconds, resident kB, open files, threads, load.
sample() {
  local status
  status=$(cat "/proc/$game_pid/status" 2>/dev/null) || fail "the game ended by itself"
  echo "$((SECONDS - started)) $(awk '/^VmRSS:/ {print $2}' <<<"$status")" \
    "$(find "/proc/$game_pid/fd" -mindepth 1 -maxdepth 1 | wc -l)" \
    "$(awk '/^Threads:/ {print $2}' <<<"$status") $(cut -d' ' -f1 /proc/loadavg)" >>"$dir/samples"
}
# Random keys, the same every run, and a sample every 5 s: a key held 30 to
# 600 ms, then a pause of up to 400 ms. Space and Enter lead through title,
# story and games.
RANDOM=24
keys=(Left Left Right Right Up Up Down Shift_L Shift_L space Return)
next_sample=$SECONDS
while [ $((SECONDS - started)) -lt $((seconds + 6)) ]; do
  [ $SECONDS -lt "$next_sample" ] || { sample; next_sample=$((next_sample + 5)); }
  k=${keys[RANDOM % ${#keys[@]}]}
  xdotool keydown "$k"
  sleep "0.$(printf '%03d' $((30 + RANDOM % 570)))"
  xdotool keyup "$k"
  sleep "0.$(printf '%03d' $((RANDOM % 400)))"
done
sample
kill -TERM "$game_pid" # the normal end, which writes the frame log
finish SIGTERM

# The spacing of the frame starts 60 to 300 in ms, sorted.
read -r least median p90 p99 most <<<"$(awk 'NR == 1 {perMs = $2 / 1000; next} {start = $1 / perMs}
  NR > 62 && NR <= 302 {printf "%.4f\n", start - last} {last = start}' "$dir/frames.log" |
  sort -n | sed -n '1p;120p;216p;237p;240p' | tr '\n' ' ')"
echo "frame start spacing on the title: min $least median $median p90 $p90 p99 $p99 max $most ms"
echo "window game${priority:+ (nice -10)}: $seconds s of random keys (s, resident kB, files, threads, load):"
# Memory, files and threads from the first sample after a minute on; the
# frame starts counted in each 10 s of the log, beside the highest load
# sampled in those 10 s. How close to the time the loop wakes up tells only
# as long as it gets a processor when it wants one.
awk -v processors="$(nproc)" -v long=$((seconds >= 90)) -v load="$load" -v least="$least" \
  -v median="$median" -v p90="$p90" '
  FILENAME ~ /samples$/ {
    if (FNR == 1 || $1 % 60 < 5) printf "  %4d s  %7d kB  %3d files  %3d threads  load %s\n", $1, $2, $3, $4, $5
    if ($1 >= 60 && base == "") {base = $2; files = $3; threads = $4}
    if (base != "" && $2 - base > grow) grow = $2 - base
    if (base != "" && ($3 != files || $4 != threads)) bad = bad " " $1 " s: " $3 " files, " $4 " threads;"
    slot = int($1 / 10); if ($5 > busy[slot]) busy[slot] = $5
    next
  }
  FNR == 1 {perSecond = $2; next}
  {start = $1 / perSecond; if (first == "") first = start
   slot = int((start - first) / 10); count[slot]++; if (slot > last) last = slot}
  END {
    if (least < 1000 / 60 - 0.001 || (load < processors && !(median > 16.6 && median < 17 && p90 - least < 1)))
      bad = bad " the frame spacing (load " load ");"
    if (long) printf "resident after the first minute: %d kB, grown by at most %d kB\n", base, grow
    if (long && (base == "" || grow >= 1024)) bad = bad " resident memory grew by " grow " kB;"
    for (s = 0; s < last; ++s) {     # the last slot is cut short by the end
      rate = count[s] / 10
      window = sprintf(" %d-%d s: %.1f (load %.1f)", 10 * s, 10 * s + 10, rate, busy[s])
      if (busy[s] >= processors) { notJudged = notJudged window; continue }
      ++judged; sum += rate
      # One stall of the machine (a disk flush) can cost a window a frame
      # or two; the run as a whole must hold 60 +- 1.
      if (rate < 57 || rate > 61) bad = bad window
    }
    printf "frames: %d; %d of %d windows of 10 s judged, %.2f a second\n", FNR - 1, judged, last, judged ? sum / judged : 0
    if (notJudged != "") print "not judged, the machine busy:" notJudged
    if (judged > 0 && (sum / judged < 59 || sum / judged > 61)) bad = bad " the average frame rate"
    if (bad != "") { print "off:" bad; exit 1 }
  }' "$dir/samples" "$dir/frames.log" || fail "pacing, memory, files, threads or frame rate"

# A window manager, ready when it runs its start-up command: by then it
# has set itself up and takes new windows.
openbox --startup "touch $dir/openbox.ready" >"$dir/openbox.out" 2>"$dir/openbox.err" &
pids+=("$!")
for _ in $(seq 100); do [ -e "$dir/openbox.ready" ] && break; sleep 0.05; done
[ -e "$dir/openbox.ready" ] || fail "openbox did not start"
launch window "$game" --window
if ! await_window; then
  # Seen once on a CI machine, never here: what the game was doing is
  # above. One more start tells a game that never shows under openbox from
  # a start the window manager lost.
  echo "no window under openbox in 30 s: started once more" >&2
  kill -KILL "$game_pid"
  wait "$game_pid" 2>/dev/null || true
  launch window "$game" --window
  await_window || fail "window: no window"
fi
focus_window
property() { xprop -id "$window" "$1"; }
class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../packaging/ruzoz.desktop")
[ "$class" = ruzoz ] && [ "$(property WM_CLASS)" = 'WM_CLASS(STRING) = "ruzoz", "ruzoz"' ] ||
  fail "$(property WM_CLASS), the menu entry's $class"
# Not an empty square: the ship's colours.
property _NET_WM_ICON >"$dir/icon"
grep -q 'Icon (64 x 64)' "$dir/icon" && [ "$(wc -l <"$dir/icon")" -gt 40 ] || fail "no icon"
for _ in $(seq 100); do
  read -r left right top bottom <<<"$(property _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ,)"
  [ -z "$bottom" ] || break
  sleep 0.05
done
[ "${top:-0}" -gt 0 ] || fail "openbox gave no title bar"
sleep 0.5
# The frame wholly on the screen, the inside the largest 4:3 that fits.
read -r x y w h <<<"$(xwininfo -id "$window" |
  awk -F: '/Absolute upper-left [XY]|Width|Height/ {printf "%d ", $2}')"
[ $((x - left)) -ge 0 ] && [ $((x + w + right)) -le 1366 ] && [ "$y" = "$top" ] &&
  [ "$h" = $((768 - top - bottom)) ] && [ "$w" = $((h * 4 / 3)) ] ||
  fail "the inside ${w}x$h at $x,$y in a frame of $left, $right, $top, $bottom"
echo "under openbox: the inside ${w}x$h at $x,$y in a frame of $left, $right, $top, $bottom"
# Any size from 640 x 480 up, maximised too.
property WM_NORMAL_HINTS | grep -q 'minimum size: 640 by 480' || fail "$(property WM_NORMAL_HINTS)"
property WM_NORMAL_HINTS | awk '/maximum size/ && $3 < 1048576 {exit 1}' || fail "a largest size"
property _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE_VERT || fail "it cannot be maximised"
# Resized to 1000 x 480: the replay tool's title pixel for pixel at (180, 0),
# black beside it.
: >"$dir/none.keys"
(cd "$data" && "$replay" --frames 5 --input "$dir/none.keys" --snapshot "4:$dir/title.bmp") \
  2>"$dir/snapshot.err" || fail "no snapshot"
convert "$dir/title.bmp" -background black -gravity center -extent 1000x480 "rgb:$dir/title.rgb"
xdotool windowsize "$window" 1000 480
for _ in $(seq 40); do
  import -window "$window" -depth 8 "rgb:$dir/shown.rgb" || true
  cmp -s "$dir/title.rgb" "$dir/shown.rgb" && break
  sleep 0.1
done
cmp "$dir/title.rgb" "$dir/shown.rgb" || fail "the window of 1000 x 480 is not the title"
kill -TERM "$game_pid"
finish window

# A failed start: its box waits for the player; SIGTERM ends it within a
# second, with exit code 1 and the box gone.
mkdir "$dir/empty"
(cd "$dir/empty" && exec "$game") >"$dir/box.out" 2>"$dir/box.err" &
game_pid=$!
pids+=("$game_pid")
box() { named_windows | awk '$2 == "IsViewable" {print $1}'; }
for _ in $(seq 200); do [ -z "$(box)" ] || break; sleep 0.05; done
[ -n "$(box)" ] || fail "no message box"
sleep 0.3
kill -0 "$game_pid" || fail "the box did not wait"
kill -TERM "$game_pid"
sleep 1
kill -0 "$game_pid" 2>/dev/null && fail "still running a second after SIGTERM"
code=0
wait "$game_pid" || code=$?
[ "$code" = 1 ] || fail "exit code $code after a failed start"
[ -z "$(box)" ] || fail "the box is still shown"
