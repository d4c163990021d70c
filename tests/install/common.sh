# shellcheck shell=bash
# Shared by the install tests (sourced): a scratch folder and a headless run
# of an installed game.
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Long enough for start-up on a loaded machine; the game then runs frames.
: "${RUZOZ_TEST_SECONDS:=4}"

# started WHAT DIR COMMAND...: COMMAND, run in DIR on SDL's dummy drivers,
# got past start-up and drew frames. timeout's SIGTERM reaches SDL as a quit
# event, so such a game ends normally (status 0) and writes its frame log.
run_headless() {
  local dir=$1
  shift
  frame_log=$scratch/frames.log
  game_err=$scratch/stderr
  rm -f "$frame_log"
  status=0
  (cd "$dir" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy RUZOZ_FRAME_LOG="$frame_log" \
    timeout --preserve-status -k 10 "$RUZOZ_TEST_SECONDS" "$@") \
    >"$scratch/stdout" 2>"$game_err" || status=$?
}
started() {
  run_headless "${@:2}"
  [ "$status" -eq 0 ] || fail "$1: exit status $status; stderr: $(cat "$game_err")"
  [ -s "$frame_log" ] || fail "$1: no frame log, the game did not end through its main loop"
  local frames=$(($(wc -l <"$frame_log") - 1))
  [ "$frames" -ge 1 ] || fail "$1: ended before its first frame"
  echo "ok: $1 ($frames frames)"
}

# failed WHAT TEXT DIR COMMAND...: the run exited 1 and said TEXT on stderr.
failed() {
  run_headless "${@:3}"
  [ "$status" -eq 1 ] || fail "$1: exit status $status, wanted 1; stderr: $(cat "$game_err")"
  grep -qF -- "$2" "$game_err" || fail "$1: stderr lacks '$2': $(cat "$game_err")"
  echo "ok: $1"
}

# installed_files PREFIX: every file and symlink under PREFIX, relative, sorted.
installed_files() {
  (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
}

# unstamped GZIP: no time in its header, so that builds agree.
unstamped() {
  [ "$(od -An -tu4 -j4 -N4 "$1" | tr -d ' ')" = 0 ] || fail "$1 carries a time stamp: builds differ"
}
