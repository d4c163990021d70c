# Sourced by the scripts that play the window game on a virtual X server:
# a scratch folder $dir (removed on exit, with the processes in pids ended),
# fail, start_virtual_x, start_window and finish. $data is the game's data
# folder.
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "$tool is needed (Debian: xvfb xdotool)" >&2; exit 1; }
done
dir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$dir"/*.err; do [ -s "$f" ] && { echo "--- $f" >&2; tail -5 "$f" >&2; }; done
  exit 1
}

start_virtual_x() { # SIZE [COMMAND PREFIX...]: e.g. 1280x800 nice -n -10
  local size=$1
  shift
  "$@" Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp 5>"$dir/display" 2>"$dir/xvfb.err" &
  pids+=("$!")
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || fail "Xvfb did not start"
  DISPLAY=:$(head -1 "$dir/display")
  export DISPLAY SDL_AUDIODRIVER=dummy
}

game_pid=
start_window() { # NAME COMMAND...: run in $data, output in NAME.out/.err; its window focused
  local name=$1
  shift
  (cd "$data" && exec "$@") >"$dir/$name.out" 2>"$dir/$name.err" &
  game_pid=$!
  pids+=("$game_pid")
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Ruzoz - Odedozida$' | head -1) ||
    fail "$name: no window"
  # No window manager: the keys go where the focus is put.
  timeout 20 xdotool windowfocus --sync "$window" mousemove --window "$window" 100 100 ||
    fail "$name: the window takes no focus"
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
