#!/usr/bin/env bash
# CI: builds the Debian package, has lintian check it, installs it with apt,
# checks the installed programs' hardening and AppStream entry, starts
# `ruzoz` from $HOME headless until it has drawn frames, and removes the
# package again.
# The programs are in /usr/games, which Debian puts on the PATH of players
# (not of root): the game is started with that PATH.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/package.sh

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
debs=(out/ruzoz_*.deb)
# Debian's checker on the package as shipped: no error, no warning, and no
# hardening tag (those are only informational).
checked=$(lintian --fail-on error,warning -I "${debs[0]}") || { echo "$checked"; exit 1; }
echo "$checked"
if grep -E '^[A-Z]: ruzoz[^:]*: hardening-' <<<"$checked"; then
  echo "FAIL: lintian finds the programs not hardened" >&2
  exit 1
fi
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "./${debs[0]}"
trap 'DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get purge -y ruzoz >/dev/null' EXIT

# The installed programs hardened; control-flow protection is not asked
# for, as Debian 12's C start files do not have it.
for program in $(dpkg -L ruzoz | grep '^/usr/games/'); do
  if file -b "$program" | grep -q '^ELF'; then hardening-check --nocfprotection "$program"; fi
done
mapfile -t metainfo < <(dpkg -L ruzoz | grep '^/usr/share/metainfo/.*\.metainfo\.xml$')
[ ${#metainfo[@]} -eq 1 ] || { echo "FAIL: wanted one AppStream entry: ${metainfo[*]}" >&2; exit 1; }
appstreamcli validate --no-net "${metainfo[0]}"

log=$(mktemp)
status=0
# timeout's SIGTERM becomes SDL's quit event: a started game ends with 0
# and writes its frame log.
(cd "$HOME" && PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games \
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy RUZOZ_FRAME_LOG="$log" \
  timeout --preserve-status -k 10 5 ruzoz) || status=$?
frames=$(($(wc -l <"$log") - 1))
rm -f "$log"
if [ "$status" -ne 0 ] || [ "$frames" -lt 1 ]; then
  echo "FAIL: installed ruzoz exited with $status after $frames frames" >&2
  exit 1
fi
echo "ok: installed ruzoz ran $frames frames from $HOME"
