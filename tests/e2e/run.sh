#!/bin/bash
# run.sh HALCYRA HALCYRA_TOOL FACTOR_FILE WORKDIR: the end-to-end scenarios of the window. Prepares a
# start-up folder with the calibration, an empty database and the program's settings in WORKDIR,
# then drives the real program there as a user would (see visit.py).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1") tool=$(realpath "$2") factors=$(realpath "$3") work=$(realpath -m "$4")
rm -rf "$work"
mkdir -p "$work/data" "$work/config/Venmore"
cp "$factors" "$work/UVB_Factors.Dat"
"$tool" init-db "$work/data" >/dev/null
printf '[General]\nDBDir=%s\n' "$work/data" > "$work/config/Venmore/Brell.conf"
exec "$here/session.sh" /usr/bin/python3 "$here/visit.py" "$program" "$work"
