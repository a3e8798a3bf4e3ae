#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run again.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libmpg123-dev libtag1-dev libsndfile1-dev
  libcdio-dev libcdio-cdda-dev libcdio-paranoia-dev libburn-dev libpulse-dev
  lame
  libgtest-dev libgmock-dev libbenchmark-dev
  libcddb2-dev poppler-utils
  pulseaudio pulseaudio-utils
  fonts-dejavu-core python3
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
