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
  started "absolute path, run from an empty folder" "$scratch" "$prefix/bin/ruzoz"
  started "absolute path, run from /" / "$prefix/bin/ruzoz"
  ;;
symlinks)
  mkdir "$scratch/a" "$scratch/b"
  ln -s "$prefix/bin/ruzoz" "$scratch/b/absolute"
  ln -s ../b/absolute "$scratch/a/relative"
  started "chain of a relative and an absolute symlink" "$scratch" a/relative
  # The data folder must be found from the real bin folder, not from ..
  # of the symlinked one.
  ln -s "$prefix/bin" "$scratch/linked bin"
  started "launcher in a symlinked folder" "$scratch" "linked bin/ruzoz"
  ;;
path)
  started "found through PATH" "$scratch" env PATH="$prefix/bin:$PATH" ruzoz
  started "sh ruzoz in the bin folder" "$prefix/bin" sh ruzoz
  ;;
spaces)
  spaced=$stage/with\ spaces/pre\ fix
  mkdir "$scratch/run here"
  started "prefix with spaces, absolute path" "$scratch/run here" "$spaced/bin/ruzoz"
  started "prefix with spaces, relative path" "$stage/with spaces" "pre fix/bin/ruzoz"
  ln -s "$spaced/bin/ruzoz" "$scratch/run here/my ruzoz"
  started "prefix with spaces, through a symlink with a space" "$scratch" "run here/my ruzoz"
  ;;
files)
  # File names on the command line are the caller's, not the data folder's.
  mkdir "$scratch/here"
  printf '30 down 27\n' >"$scratch/here/esc.keys"
  started "--play, --record and --trace from the calling folder" "$scratch/here" \
    "$prefix/bin/ruzoz" --play esc.keys --record r.keys --trace t.trace
  [ "$(cat "$scratch/here/r.keys")" = "30 down 27" ] || fail "recorded: $(cat "$scratch/here/r.keys")"
  [ "$(wc -l <"$scratch/here/t.trace")" = 30 ] || fail "trace of $(wc -l <"$scratch/here/t.trace") frames"
  ;;
exit-code)
  cp -a "$prefix" "$scratch/broken"
  rm "$scratch/broken/share/games/ruzoz/Kugel.bmp"
  # Run from the build's full data folder: the installed one must be used.
  failed "missing image gives the start-up failure" "Error Loading Image" \
    "$data" "$scratch/broken/bin/ruzoz"
  rm -r "$scratch/broken/share/games/ruzoz"
  failed "missing data folder is reported" "data folder" "$data" "$scratch/broken/bin/ruzoz"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
