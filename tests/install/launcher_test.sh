#!/usr/bin/env bash
# launcher_test.sh MODE STAGE DATA: starts the installed game through its
# launcher from elsewhere, headless. DATA is the build's data folder.
# shellcheck source=tests/install/common.sh
source "$(dirname "$0")/common.sh"
mode=$1
stage=$2
data=$3
prefix=$stage/prefix

case $mode in
other-dir)
  run_headless "$scratch" "$prefix/bin/ruzoz"
  expect_started "absolute path, run from an empty folder"
  run_headless / "$prefix/bin/ruzoz"
  expect_started "absolute path, run from /"
  ;;
symlinks)
  mkdir "$scratch/a" "$scratch/b"
  ln -s "$prefix/bin/ruzoz" "$scratch/b/absolute"
  ln -s ../b/absolute "$scratch/a/relative"
  run_headless "$scratch" a/relative
  expect_started "chain of a relative and an absolute symlink"
  # The data folder must be found from the real bin folder, not from ..
  # of the symlinked one.
  ln -s "$prefix/bin" "$scratch/linked bin"
  run_headless "$scratch" "linked bin/ruzoz"
  expect_started "launcher in a symlinked folder"
  ;;
path)
  run_headless "$scratch" env PATH="$prefix/bin:$PATH" ruzoz
  expect_started "found through PATH"
  run_headless "$prefix/bin" sh ruzoz
  expect_started "sh ruzoz in the bin folder"
  ;;
spaces)
  spaced=$stage/with\ spaces/pre\ fix
  mkdir "$scratch/run here"
  run_headless "$scratch/run here" "$spaced/bin/ruzoz"
  expect_started "prefix with spaces, absolute path"
  run_headless "$stage/with spaces" "pre fix/bin/ruzoz"
  expect_started "prefix with spaces, relative path"
  ln -s "$spaced/bin/ruzoz" "$scratch/run here/my ruzoz"
  run_headless "$scratch" "run here/my ruzoz"
  expect_started "prefix with spaces, through a symlink with a space"
  ;;
files)
  # File names on the command line are the caller's, not the data folder's.
  mkdir "$scratch/here"
  printf '30 down 27\n' >"$scratch/here/esc.keys"
  run_headless "$scratch/here" "$prefix/bin/ruzoz" --play esc.keys --record r.keys --trace t.trace
  expect_started "--play, --record and --trace from the calling folder"
  [ "$(cat "$scratch/here/r.keys")" = "30 down 27" ] || fail "recorded: $(cat "$scratch/here/r.keys")"
  [ "$(wc -l <"$scratch/here/t.trace")" = 30 ] || fail "trace of $(wc -l <"$scratch/here/t.trace") frames"
  ;;
exit-code)
  cp -a "$prefix" "$scratch/broken"
  rm "$scratch/broken/share/games/ruzoz/Kugel.bmp"
  # Run from the build's full data folder: the installed one must be used.
  run_headless "$data" "$scratch/broken/bin/ruzoz"
  expect_failed "missing image gives the start-up failure" "Error Loading Image"
  rm -r "$scratch/broken/share/games/ruzoz"
  run_headless "$data" "$scratch/broken/bin/ruzoz"
  expect_failed "missing data folder is reported" "data folder"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
