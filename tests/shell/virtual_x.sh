# Sourced by the scripts that play the window game on a virtual X server:
# a scratch folder $dir, the processes in pids (ended on exit, the folder
# removed), and start_virtual_x, which starts Xvfb and exports DISPLAY and
# SDL's dummy audio. The sourcing script defines fail.
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
