# Sourced by the scripts that play the window game on a virtual X server:
# a scratch folder $dir (removed on exit, with the processes in pids ended),
# fail, start_virtual_x, start_window (or launch, await_window and
# focus_window), named_windows and finish. $data is the game's data folder.
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "$tool is needed (Debian: xvfb xdotool)" >&2; exit 1; }
done
dir=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$dir"/*.err; do [ -s "$f" ] && { echo "--- $f" >&2; tail -5 "$f" >&2; }; done
  exit 1
}

start_virtual_x() { # SIZE [COMMAND PREFIX...]: e.g. 1280x800 nice -n -10
  "${@:2}" Xvfb -displayfd 5 -screen 0 "$1x24" -nolisten tcp 5>"$dir/display" 2>"$dir/xvfb.err" &
  pids+=("$!")
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -1 "$dir/display") SDL_AUDIODRIVER=dummy
}

launch() { # NAME COMMAND...: run in $data, output in NAME.out/.err
  (cd "$data" && exec "${@:2}") >"$dir/$1.out" 2>"$dir/$1.err" &
  game_pid=$!
  pids+=("$game_pid")
}

# The windows of the game's caption, each with its map state; SDL's message
# box among them, whose name only xwininfo finds.
named_windows() {
  command -v xwininfo >/dev/null || return 0
  for id in $(xwininfo -root -tree | awk '/"Ruzoz - Odedozida"/ {print $1}'); do
    echo "$id $(xwininfo -id "$id" | sed -n 's/^ *Map State: //p')"
  done
}

# What the game is doing when its window does not show: running or blocked,
# where, and which windows of its name the server holds.
describe_game() {
  if ! kill -0 "$game_pid" 2>/dev/null; then
    echo "the game has ended"
    return
  fi
  echo "the game runs: state $(awk '{print $3 ", " $14 + $15 " ticks of processor"}' \
    "/proc/$game_pid/stat"), waiting in $(cat "/proc/$game_pid/wchan" 2>/dev/null)"
  if command -v gdb >/dev/null; then
    timeout 20 gdb -p "$game_pid" -batch -ex 'thread apply all bt 12' 2>/dev/null | grep '^#' | head -40
  fi
  named_windows | sed 's/^/window /'
}

await_window() { # sets window to the game's visible window, or tells why not
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Ruzoz - Odedozida$' | head -1) &&
    [ -n "$window" ] && return
  describe_game >&2
  false
}

focus_window() {
  # No window manager: the keys go where the focus is put.
  timeout 20 xdotool windowfocus --sync "$window" mousemove --window "$window" 100 100 ||
    fail "the window takes no focus"
}

start_window() { # NAME COMMAND...: launched, its window found and focused
  launch "$@"
  await_window || fail "$1: no window"
  focus_window
}

finish() { # NAME [SECONDS]: waits for the game's end, which must be a normal one
  local code=0 deadline=$((SECONDS + ${2:-30}))
  while kill -0 "$game_pid" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "$1: still running"
    sleep 0.2
  done
  wait "$game_pid" || code=$?
  [ "$code" = 0 ] || fail "$1: exit code $code"
}
