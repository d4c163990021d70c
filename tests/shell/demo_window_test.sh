#!/usr/bin/env bash
# ruzoz --demo in a real window on a virtual X server: the autopilot's game
# reaches play, Esc from the keyboard ends it with exit code 0, and what the
# window showed is the autopilot's own script: the recorded messages are the
# tool's for the same seed, and replaying them headless gives the window's
# trace byte for byte.
#
#   demo_window_test.sh RUZOZ RUZOZ_REPLAY RUZOZ_AUTOPILOT DATA_DIR
set -euo pipefail
game=$(realpath "$1") replay=$(realpath "$2") pilot=$(realpath "$3") data=$(realpath "$4")
seed=3
source "$(dirname "$0")/virtual_x.sh"
start_virtual_x 1280x800
start_window demo "$game" --window --demo $seed --record "$dir/demo.keys" --trace "$dir/demo.trace"

# Play frames are those with `playing` 1; wait for 300 of them.
played() { awk '$2 == 1' "$dir/demo.trace" 2>/dev/null | wc -l; }
deadline=$((SECONDS + 90))
while [ "$(played)" -lt 300 ]; do
  # The trace is buffered: a game not yet in play shows nothing for a while.
  kill -0 "$game_pid" 2>/dev/null || fail "the demo ended by itself"
  [ $SECONDS -lt $deadline ] || break
  sleep 0.5
done
xdotool key Escape
finish "Esc in the demo" 20
n=$(wc -l <"$dir/demo.trace")
p=$(awk '$2 == 1' "$dir/demo.trace" | wc -l)
[ "$p" -ge 300 ] || fail "only $p play frames of $n"
echo "demo: $n frames, $p in play, ended by Esc with 0"

# The window's messages, but the keyboard's Esc, are the autopilot's script,
# those before the frame that did not run included (they are taken first).
(cd "$data" && "$pilot" --seed $seed --frames $((n + 1))) >"$dir/pilot.keys" 2>/dev/null
grep -v '^#' "$dir/pilot.keys" | awk -v n="$n" '$1 <= n' >"$dir/pilot.head"
sed '$d' "$dir/demo.keys" >"$dir/demo.head"
tail -1 "$dir/demo.keys" | grep -q " down 27$" || fail "the recording does not end with Esc"
cmp -s "$dir/pilot.head" "$dir/demo.head" || fail "the demo's messages are not the autopilot's: $(cmp "$dir/pilot.head" "$dir/demo.head" 2>&1)"
(cd "$data" && "$replay" --frames "$n" --input "$dir/demo.keys" --trace "$dir/replay.trace") ||
  fail "ruzoz-replay failed"
cmp -s "$dir/demo.trace" "$dir/replay.trace" || fail "demo trace != replay trace: $(cmp "$dir/demo.trace" "$dir/replay.trace" 2>&1)"
echo "demo: the autopilot's messages; its trace = the replay's"
