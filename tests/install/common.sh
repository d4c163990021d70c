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

# run_headless DIR COMMAND...: runs COMMAND in DIR on SDL's dummy drivers.
# timeout's SIGTERM reaches SDL, which turns it into a quit event, so a game
# that got past start-up ends normally (status 0) and writes its frame log.
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

# expect_started WHAT: the last run got past start-up and drew frames.
expect_started() {
  [ "$status" -eq 0 ] || fail "$1: exit status $status; stderr: $(cat "$game_err")"
  [ -s "$frame_log" ] || fail "$1: no frame log, the game did not end through its main loop"
  local frames=$(($(wc -l <"$frame_log") - 1))
  [ "$frames" -ge 1 ] || fail "$1: ended before its first frame"
  echo "ok: $1 ($frames frames)"
}

# expect_failed WHAT TEXT: the last run exited 1 and said TEXT on stderr.
expect_failed() {
  [ "$status" -eq 1 ] || fail "$1: exit status $status, wanted 1; stderr: $(cat "$game_err")"
  grep -qF -- "$2" "$game_err" || fail "$1: stderr lacks '$2': $(cat "$game_err")"
  echo "ok: $1"
}

# installed_files PREFIX: every file and symlink under PREFIX, relative, sorted.
installed_files() {
  (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
}
