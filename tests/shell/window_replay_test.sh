#!/usr/bin/env bash
# The window game against the headless replay on a virtual X server: a real
# game played with xdotool under --record and --trace, replayed by
# ruzoz-replay and played back with --play, gives one trace byte for byte;
# so do held keys, which repeat by the game's own rule. Also: --window and
# Alt+Enter (during --play, where the keyboard's keys do not reach the game)
# size the window, signals end it as a closed window, and --demo shows the
# autopilot's game until Esc.
#
#   window_replay_test.sh RUZOZ RUZOZ_REPLAY RUZOZ_AUTOPILOT DATA_DIR [SECONDS]
set -euo pipefail
game=$(realpath "$1") replay=$(realpath "$2") pilot=$(realpath "$3") data=$(realpath "$4")
seconds=${5:-60}
source "$(dirname "$0")/virtual_x.sh"
# 1280 x 800: the window is the largest 4:3 area (1066 x 800), full screen
# the whole screen.
start_virtual_x 1280x800
start() { local name=$1; shift; start_window "$name" "$game" "$@"; }
size() { xdotool getwindowgeometry "$window" | sed -n 's/ *Geometry: //p'; }
# The window may show before it takes its size: wait up to 5 s for SIZE.
sized() { for _ in $(seq 50); do [ "$(size)" = "$1" ] && return; sleep 0.1; done; false; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
frames() { wc -l <"$1" | tr -d ' '; }
same() { # A B WHAT
  cmp -s "$1" "$2" || fail "$3: $(cmp "$1" "$2" 2>&1 | head -1)"
  echo "$3: $(frames "$1") frames equal"
}
replayed() { # KEYS TRACE WHAT: the keys headless, for as many frames as the trace
  (cd "$data" && "$replay" --frames "$(frames "$2")" --input "$1" --trace "$dir/replay.trace") \
    2>"$dir/replay.err" || fail "ruzoz-replay of $1 failed"
  same "$2" "$dir/replay.trace" "$3"
}

# A real game, recorded.
start game --window --record "$dir/r.keys" --trace "$dir/a.trace"
sized 1066x800 || fail "--window gave $(size)"
sleep 1
xdotool key --delay 300 Return space space space
end=$((SECONDS + seconds))
round=0
while [ $SECONDS -lt $end ]; do
  round=$((round + 1))
  hold Left 0.9
  xdotool keydown Up
  sleep 0.5
  xdotool key Shift_L # fires and stops the thrust: Up repeats no more
  sleep 0.8
  xdotool keyup Up
  hold Right 0.4
  xdotool key --delay 150 Shift_L Shift_L
  hold Down 0.8
  # Now and then the story in mid-game, then back to the title and a new game.
  [ $((round % 6)) != 0 ] || xdotool key --delay 250 Return space space space space
done
xdotool key Escape
finish game
keys=$dir/r.keys
for vk in 13 16 32 37 38 39 40; do
  grep -q " down $vk\$" "$keys" || fail "no key $vk in the recording"
done
tail -1 "$keys" | grep -q ' down 27$' || fail "the recording does not end with Esc"
n=$(frames "$dir/a.trace")
[ "$n" -gt $((seconds * 10)) ] || fail "only $n frames"
echo "recorded: $n frames, $(wc -l <"$keys") messages in $seconds s of keys"
replayed "$keys" "$dir/a.trace" "window trace = replay trace"

# The same keys, played in the window.
start play --window --play "$keys" --trace "$dir/c.trace"
sleep 2
xdotool key --delay 200 Return space space
hold Left 1
xdotool key alt+Return
sleep 1
sized 1280x800 || fail "Alt+Enter during --play gave $(size)"
finish play $((n / 20 + 30)) # a third of the pace would still do
same "$dir/a.trace" "$dir/c.trace" "window trace = --play trace"

# The repeat rule, as a player holds the keys: the key pressed last
# repeats after 500 ms, 30 a second, Shift too, and takes the repeat over
# from a key still held. "a" (65) parts the three holds in the recording.
# A stall of the whole machine (another job's burst) starves the game's
# polls and drops repeats, which do not catch up: one more try then.
held_keys() {
  start repeat --window --record "$dir/k.keys" --trace "$dir/k.trace"
  sleep 1
  hold Shift_L 2
  xdotool key a
  hold Left 1.5
  xdotool key a
  xdotool keydown Left
  sleep 0.8
  hold Shift_L 1.5
  xdotool keyup Left
  xdotool key a Escape
  finish repeat
  # Key-downs per hold, counted by the game's clock: frames may run late on
  # a loaded machine, so their numbers tell no times here.
  read -r shift2 left15 leftFirst shiftOnLeft leftAfter < <(awk '
    $2 == "down" && $3 == 65 {part++; next}
    $2 == "down" {n[part + 0 " " $3]++; if (part == 2 && $3 == 16) shifted = 1
                  if (part == 2 && $3 == 37 && shifted) late++}
    END {print n["0 16"] + 0, n["1 37"] + 0, n["2 37"] + 0, n["2 16"] + 0, late + 0}' "$dir/k.keys")
  echo "held Shift 2 s: $shift2 key-downs; Left 1.5 s: $left15; Left 0.8 s, then Shift as well" \
    "1.5 s: $leftFirst Left, $shiftOnLeft Shift, $leftAfter Left after the Shift"
  within "$shift2" 42 50 || { problem="held Shift gave $shift2 key-downs, not about 46"; return 1; }
  within "$left15" 28 35 || { problem="held Left gave $left15 key-downs, not about 31"; return 1; }
  within "$leftFirst" 6 16 || { problem="Left held 0.8 s gave $leftFirst key-downs, not about 10"; return 1; }
  within "$shiftOnLeft" 28 35 || { problem="Shift on Left gave $shiftOnLeft key-downs, not about 31"; return 1; }
  [ "$leftAfter" = 0 ] || { problem="Left repeated $leftAfter times after the Shift"; return 1; }
}
within() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }
held_keys || { echo "again: $problem"; held_keys; } || fail "$problem"
replayed "$dir/k.keys" "$dir/k.trace" "held keys: window trace = replay trace"

# SIGTERM, SIGINT and SIGHUP end the game as a closed window: exit code 0,
# the recording complete.
for signal in TERM INT HUP; do
  start "SIG$signal" --window --record "$dir/$signal.keys"
  kill -"$signal" "$game_pid"
  finish "SIG$signal"
  grep -q '^# [0-9]* window closed$' "$dir/$signal.keys" || fail "SIG$signal: no end in the recording"
done

# --demo: the autopilot's game until Esc from the keyboard; the messages
# recorded before it are the tool's script for the seed, those before the
# frame that did not run included (they are taken first).
start demo --window --demo 3 --record "$dir/d.keys" --trace "$dir/d.trace"
played() { awk '$2 == 1' "$dir/d.trace" | wc -l; }
# The trace is buffered: a game not yet in play shows nothing for a while.
for _ in $(seq 180); do [ "$(played)" -lt 300 ] || break; sleep 0.5; done
xdotool key Escape
finish demo
n=$(frames "$dir/d.trace")
[ "$(played)" -ge 300 ] || fail "the demo played $(played) frames of $n"
(cd "$data" && "$pilot" --seed 3 --frames $((n + 1))) 2>/dev/null |
  awk -v n="$n" '!/^#/ && $1 <= n' >"$dir/pilot.keys"
tail -1 "$dir/d.keys" | grep -q ' down 27$' || fail "the demo's recording does not end with Esc"
sed '$d' "$dir/d.keys" | cmp -s - "$dir/pilot.keys" || fail "the demo's messages are not the autopilot's"
echo "demo: $n frames, $(played) in play, the autopilot's messages, ended by Esc with 0"
