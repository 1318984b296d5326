#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need,
# but only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6 libgl-dev qt6-translations-l10n
  qt6-tools-dev qt6-l10n-tools
  desktop-file-utils appstream shared-mime-info dpkg-dev file xdg-utils libglib2.0-bin
  libyuv-dev zlib1g-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libturbojpeg0-dev libjpeg62-turbo-dev
  fonts-dejavu-core fonts-noto-cjk
  clang libclang-rt-14-dev
  ffmpeg xvfb xauth xdotool imagemagick poppler-utils openbox x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
