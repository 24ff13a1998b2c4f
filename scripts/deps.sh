#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, but only those that
# are missing: a machine that has them all is left alone and nothing is fetched.
set -euo pipefail

# fonts-liberation2: the report's face (Arial's metrics) on screen, and the letters the PDF's
# standard fonts lack; poppler-utils: the tests read the PDF report back with it.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libxkbcommon-dev libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  libjpeg62-turbo-dev zlib1g-dev libhpdf-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2 poppler-utils xvfb xauth
)
if [ "${HALCYRA_DEV_TOOLS:-0}" = 1 ]; then
  packages+=(imagemagick x11-utils sqlite3)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Run this script as root (or install them with apt-get) and try again." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
