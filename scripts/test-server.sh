#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server for the tests on the department-server engine.
#
#   scripts/test-server.sh start DIR   prints the server's URI on stdout (the login, a superuser,
#                                      may create databases; the role halcyra_clinic exists, and
#                                      halcyra_owner, an ordinary login that may own a store)
#   scripts/test-server.sh pause DIR   stops the server and keeps its cluster (a server gone away)
#   scripts/test-server.sh resume DIR  starts it again on the same port
#   scripts/test-server.sh stop DIR    stops it and removes DIR
#
# The cluster lives in DIR: initdb and pg_ctl run under an unprivileged account (the tests run as
# root, which PostgreSQL refuses), the socket lies in DIR, the server listens on 127.0.0.1 at a
# free port, and nothing is written to disk more carefully than a throwaway server needs.
set -euo pipefail

action=${1:?start or stop}
dir=${2:?a directory for the cluster}
bin=$(ls -d /usr/lib/postgresql/15/bin 2>/dev/null || true)
[ -n "$bin" ] || { echo "PostgreSQL 15 is not installed (scripts/deps.sh installs it)" >&2; exit 1; }

# The account the server runs as: ourselves when not root, else the unprivileged "nobody".
if [ "$(id -u)" -eq 0 ]; then as=(runuser -u nobody --); else as=(); fi

case "$action" in
  start)
    mkdir -p "$dir"
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody: "$dir"
    "${as[@]}" "$bin/initdb" -D "$dir/data" -U halcyra_admin --auth-local=trust --auth-host=scram-sha-256 \
      -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    # A free port: the first of a random run that nothing answers on.
    port=$((20000 + RANDOM % 30000))
    while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
    echo "$port" >"$dir/port"
    "$0" resume "$dir"
    "$bin/psql" -X -q -h "$dir" -p "$port" -U halcyra_admin -d postgres \
      -c "CREATE ROLE halcyra_clinic NOLOGIN" -c "CREATE ROLE halcyra_owner LOGIN" >/dev/null
    echo "postgresql://halcyra_admin@/postgres?host=$dir&port=$port"
    ;;
  pause)
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null
    ;;
  resume)
    port=$(cat "$dir/port")
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
      -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
      >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *) echo "usage: $0 start|pause|resume|stop DIR" >&2; exit 2 ;;
esac
