#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing need.
# Sourced by play.sh and test.sh; does nothing when all are present.
set -euo pipefail

RUZOZ_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libfluidsynth-dev libglib2.0-dev libpng-dev libsndfile1-dev timgm6mb-soundfont nlohmann-json3-dev
  libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-apps x11-utils xfonts-base imagemagick sox hyperfine openbox
  desktop-file-utils dpkg-dev file groff-base man-db lintian devscripts appstream
  clang-14 libclang-rt-14-dev
)

ruzoz_install_deps() {
  local missing=()
  for p in "${RUZOZ_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "need root or sudo to install ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
