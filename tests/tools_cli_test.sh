#!/usr/bin/env bash
# Every tool answers --help with its usage on stdout and exit 0, and refuses
# an unknown option with exit 2, writing nothing in either case.
#   tools_cli_test.sh TOOL...
set -uo pipefail
status=0
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for tool in "$@"; do
  name=$(basename "$tool")
  for help in --help -h; do
    out=$(cd "$dir" && "$tool" $help 2>"$dir/err")
    code=$?
    [ "$code" = 0 ] || { echo "$name $help: exit $code"; status=1; }
    [[ "$out" == "usage: $name"* ]] || { echo "$name $help: no usage on stdout: $out"; status=1; }
  done
  (cd "$dir" && "$tool" --no-such-option >/dev/null 2>"$dir/err")
  code=$?
  [ "$code" = 2 ] || { echo "$name --no-such-option: exit $code"; status=1; }
  grep -q -- "--no-such-option" "$dir/err" || { echo "$name: the refusal names no option"; status=1; }
  grep -q "usage: $name" "$dir/err" || { echo "$name: the refusal shows no usage"; status=1; }
  left=$(ls -A "$dir" | grep -v '^err$')
  [ -z "$left" ] || { echo "$name wrote $left"; status=1; rm -rf "${dir:?}"/*; }
done
[ $status = 0 ] && echo "$# tools answer --help and refuse unknown options"
exit $status
