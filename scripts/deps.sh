#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, but only those that
# are missing: a machine that has them all is left alone and nothing is fetched.
set -euo pipefail

# fonts-liberation2: the report's face (Arial's metrics) on screen, and the letters the PDF's
# standard fonts lack; poppler-utils: the tests read the PDF report back with it.
packages=(
  build-essential cmake ninja-build pkg-config
  # the manual pages are written in scdoc's markup
  scdoc
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libxkbcommon-dev libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  libjpeg62-turbo-dev zlib1g-dev libhpdf-dev libsqlite3-dev libpq-dev postgresql-15
  libgtest-dev libgmock-dev libbenchmark-dev
  # ./test.sh checks that the sources follow .clang-format
  clang-format
  # the start-up benchmark watches the X display for the first window and its first drawing;
  # the window's close trace reads the X protocol's client messages
  libx11-dev libxdamage-dev libxcb1-dev
  fonts-dejavu-core fonts-liberation2 poppler-utils xvfb xauth
  locales
  # the end-to-end tests drive the real window through the accessibility bus
  dbus-daemon at-spi2-core python3-pyatspi python3-xlib xdotool
  # ... and show where a program that does not end waits
  elfutils
  # ... and paste into it from the clipboard
  xclip
)
if [ "${HALCYRA_DEV_TOOLS:-0}" = 1 ]; then
  packages+=(imagemagick x11-utils sqlite3)
fi
# Debian's own checks of the package (tests/package/check-package.sh, which ./test.sh runs).
if [ "${HALCYRA_PACKAGE_TOOLS:-0}" = 1 ]; then
  packages+=(lintian desktop-file-utils appstream)
fi
# The fuzzing harnesses (scripts/fuzz.sh): clang with libFuzzer and the sanitizers' runtimes.
if [ "${HALCYRA_FUZZ_TOOLS:-0}" = 1 ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

# The languages the program and its tests are tried in: decimal commas (German, French, Slovak)
# and Turkish letter case.
locales=(de_DE.UTF-8 fr_FR.UTF-8 tr_TR.UTF-8 sk_SK.UTF-8 en_US.UTF-8)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
missing_locales=()
for l in "${locales[@]}"; do
  # locale -a spells UTF-8 as utf8.
  locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" || missing_locales+=("$l")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  [ ${#missing[@]} -gt 0 ] && echo "These Debian packages are missing: ${missing[*]}" >&2
  [ ${#missing_locales[@]} -gt 0 ] && echo "These locales are not generated: ${missing_locales[*]}" >&2
  echo "Run this script as root (or install them with apt-get and locale-gen) and try again." >&2
  exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ ${#missing_locales[@]} -gt 0 ]; then
  echo "Generating locales: ${missing_locales[*]}"
  for l in "${missing_locales[@]}"; do
    if grep -q "^# *$l UTF-8" /etc/locale.gen; then
      sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$l UTF-8" /etc/locale.gen; then
      echo "$l UTF-8" >> /etc/locale.gen
    fi
  done
  locale-gen >/dev/null
fi
