#!/usr/bin/env bash
# Builds the Debian package from a build folder (cpack -G DEB) and checks what it holds: the two
# programs, the demonstration calibration kept as a configuration file, the desktop entry that
# starts the program in its start-up folder, the icons, and Depends computed from the libraries.
#   check-package.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# gzip: the check is about the contents, and a sanitizer build's programs are large.
(cd "$build" && cpack -G DEB -B "$out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >/dev/null)
deb=$(ls "$out"/*.deb)
fail=0
expect() {  # expect WHAT TEXT PATTERN
  if ! grep -qE -- "$3" <<<"$2"; then echo "package: $1 lacks $3" >&2; fail=1; fi
}
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/halcyra ./usr/bin/halcyra-tool ./usr/share/halcyra/UVB_Factors.Dat \
         ./usr/share/applications/halcyra.desktop ./usr/share/icons/hicolor/32x32/apps/halcyra.png \
         ./usr/share/icons/hicolor/64x64/apps/halcyra.png ./usr/share/icons/hicolor/256x256/apps/halcyra.png; do
  expect "the file list" "$files" "^${f//./\\.}\$"
done
if grep -qvE '^\./usr/(bin|share/(halcyra|applications|icons))(/|$)|/$' <<<"$files"; then
  echo "package: unexpected files:" >&2; grep -vE '^\./usr/(bin|share/(halcyra|applications|icons))(/|$)|/$' <<<"$files" >&2; fail=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
for lib in 'libqt6widgets6' 'libqt6sql6 ' 'libqt6charts6' 'libjpeg62-turbo' 'libhpdf' 'libc6' 'qt6-qpa-plugins' 'libqt6sql6-sqlite' 'libpq5' 'fonts-liberation2'; do
  expect "Depends ($depends)" "$depends" "$lib"
done
mkdir "$out/control" && dpkg-deb -e "$deb" "$out/control"
expect "conffiles" "$(cat "$out/control/conffiles")" '^/usr/share/halcyra/UVB_Factors\.Dat$'
mkdir "$out/root" && dpkg-deb -x "$deb" "$out/root"
desktop=$(cat "$out/root/usr/share/applications/halcyra.desktop")
expect "the desktop entry" "$desktop" '^Path=/usr/share/halcyra$'
expect "the desktop entry" "$desktop" '^Exec=halcyra$'
cmp -s "$out/root/usr/share/halcyra/UVB_Factors.Dat" "$build/demo/UVB_Factors.Dat" || { echo "package: UVB_Factors.Dat differs from the build's" >&2; fail=1; }
exit $fail
