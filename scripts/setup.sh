#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the
# program need. Quick when everything is already present; refreshes the
# package lists only when something must be installed.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-translations-l10n libgl-dev libx11-dev libcups2-dev
  qt6-svg-dev libwmf-dev libemf2svg-dev libuemf-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  clang libclang-rt-14-dev clang-format xvfb xauth poppler-utils
  openbox xdotool x11-utils imagemagick
  valgrind
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
