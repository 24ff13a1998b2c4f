#!/bin/bash
# run.sh HALCYRA HALCYRA_TOOL FACTOR_FILE WORKDIR [SERVER_URI]: the end-to-end scenarios of the
# window. Prepares a start-up folder with the calibration, an empty database and the program's
# settings in WORKDIR, then drives the real program there as a user would (see visit.py). With
# SERVER_URI (a PostgreSQL server whose login may create databases) the database is a new one on
# that server instead of a file, dropped again at the end; --server-from-environment takes the URI
# from HALCYRA_TEST_PG and skips (exit 77) without it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1") tool=$(realpath "$2") factors=$(realpath "$3") work=$(realpath -m "$4")
base=${5:-}
if [ "$base" = --server-from-environment ]; then
  base=${HALCYRA_TEST_PG:-}
  [ -n "$base" ] || { echo "HALCYRA_TEST_PG names no database server: skipped"; exit 77; }
fi
rm -rf "$work"
mkdir -p "$work/data" "$work/config/Venmore"
cp "$factors" "$work/UVB_Factors.Dat"
if [ -z "$base" ]; then
  setting="$work/data"
  "$tool" init-db "$setting" >/dev/null
  server=()
else
  name="halcyra_e2e_$$"
  # The same server, another database that the ordinary login halcyra_owner owns (init-db refuses
  # a superuser): the path of the URI names it, its user part the owner.
  setting=$(printf '%s' "$base" | sed -E "s#^postgresql://[^@/]*@#postgresql://halcyra_owner@#; s#^(postgresql://[^/]*/)[^?]*#\1$name#")
  psql -X -q -d "$base" -c "CREATE DATABASE \"$name\" OWNER halcyra_owner" >/dev/null
  trap 'psql -X -q -d "$base" -c "DROP DATABASE IF EXISTS \"$name\" WITH (FORCE)" >/dev/null' EXIT
  "$tool" init-db "$setting" >/dev/null
  server=("$setting")
fi
printf '[General]\nDBDir=%s\n' "$setting" > "$work/config/Venmore/Brell.conf"
"$here/session.sh" /usr/bin/python3 "$here/visit.py" "$program" "$work" "${server[@]}"
