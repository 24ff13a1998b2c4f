#!/usr/bin/env bash
# The department server set up exactly as README.md ("Department server", "Setting up") says, step
# by step, on a new cluster: the administrator makes the owner, an ordinary login, the clinic's
# role and the database; a superuser's init-db is refused; the owner runs init-db; a workstation's
# login writes through the program and is audited under its login, may not make temporary tables
# nor add audit entries; the owner's check finds the store sound.
#
#   tests/records/server-setup-test.sh HALCYRA-TOOL FACTOR-FILE
set -euo pipefail
tool=${1:?the halcyra-tool program}
factors=${2:?a dose factor file}
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=/usr/lib/postgresql/15/bin
[ -x "$bin/initdb" ] || { echo "PostgreSQL 15 is not installed: nothing to test"; exit 0; }

work=$(mktemp -d /tmp/halcyra-setup.XXXXXX)
chmod 755 "$work"  # the server runs as an unprivileged account (scripts/test-server.sh)
server="$work/server"
trap '"$root/scripts/test-server.sh" stop "$server" || true; rm -rf "$work"' EXIT
admin=$("$root/scripts/test-server.sh" start "$server")
port=$(cat "$server/port")
# A new cluster holds its administrator only (the test server makes two roles for other tests).
"$bin/psql" -X -q "$admin" -c "DROP ROLE halcyra_owner" -c "DROP ROLE halcyra_clinic"

fail() { echo "FAILED: $*" >&2; exit 1; }
# Runs a command on a terminal of its own and types PASSWORD at each question it asks (a line that
# waits after a colon), as an administrator would; what the terminal showed goes to TRANSCRIPT.
on_terminal() {  # on_terminal PASSWORD TRANSCRIPT COMMAND...
  python3 - "$@" <<'PY'
import os, pty, select, sys, time
answer, transcript, command = sys.argv[1].encode() + b"\n", sys.argv[2], sys.argv[3:]
pid, fd = pty.fork()
if pid == 0:
    os.execvp(command[0], command)
shown, waiting, deadline = b"", b"", time.time() + 120
while time.time() < deadline:
    ready, _, _ = select.select([fd], [], [], 0.5)
    if not ready:
        continue
    try:
        data = os.read(fd, 4096)
    except OSError:
        break
    if not data:
        break
    shown += data
    waiting += data
    if waiting.rstrip().endswith(b":"):
        os.write(fd, answer)
        waiting = b""
open(transcript, "wb").write(shown)
_, status = os.waitpid(pid, 0)
sys.exit(os.waitstatus_to_exitcode(status))
PY
}
step() { echo "== $*"; }
# The administrator's commands, as README.md writes them, reach this cluster's administrator.
export PGHOST="$server" PGPORT="$port" PGUSER=halcyra_admin PGDATABASE=postgres
# The owner's and the workstation's passwords come from ~/.pgpass, as README.md says.
export HOME="$work/home"
mkdir -p "$HOME"
uri() { echo "postgresql://$1@127.0.0.1:$port/halcyra"; }

step "createuser --pwprompt halcyra_owner (the password typed twice on a terminal)"
on_terminal Owner-pw-1 "$work/createuser.txt" "$bin/createuser" --pwprompt halcyra_owner || fail "createuser"
step "createuser --no-login halcyra_clinic"
"$bin/createuser" --no-login halcyra_clinic
step "createdb --owner=halcyra_owner halcyra"
"$bin/createdb" --owner=halcyra_owner halcyra

step "init-db as the server's administrator is refused"
if out=$("$tool" init-db "postgresql://halcyra_admin@/halcyra?host=$server&port=$port" 2>&1); then fail "a superuser's init-db: $out"; fi
grep -q "does not run as the superuser" <<<"$out" || fail "no reason given: $out"
grep -q "createdb --owner=halcyra_owner" <<<"$out" || fail "no way shown to set up: $out"

step "halcyra-tool init-db $(uri halcyra_owner) (the owner's password typed when asked)"
on_terminal Owner-pw-1 "$work/init-db.txt" "$tool" init-db "$(uri halcyra_owner)" || fail "the owner's init-db: $(cat "$work/init-db.txt")"
grep -q "Password for" "$work/init-db.txt" || fail "no password was asked: $(cat "$work/init-db.txt")"
if grep -q "Owner-pw" "$work/init-db.txt"; then fail "the typed password was shown"; fi
# From here on the passwords come from ~/.pgpass.
printf '127.0.0.1:%s:halcyra:halcyra_owner:Owner-pw-1\n127.0.0.1:%s:halcyra:ward1:Ward-pw-1\n' "$port" "$port" >"$HOME/.pgpass"
chmod 600 "$HOME/.pgpass"

step "CREATE ROLE ward1 LOGIN PASSWORD '...' IN ROLE halcyra_clinic"
"$bin/psql" -X -q -v ON_ERROR_STOP=1 -c "CREATE ROLE ward1 LOGIN PASSWORD 'Ward-pw-1' IN ROLE halcyra_clinic"

step "the workstation writes through the program"
cd "$work"  # demo-data keeps the photographs it paints in a folder named after the address
"$tool" demo-data "$(uri ward1)" --factors "$factors" >/dev/null || fail "demo-data as ward1"
nhi=$("$tool" find "$(uri ward1)" | head -n 1)
[ -n "$nhi" ] || fail "no patient listed"
logins=$("$tool" audit "$(uri ward1)" "$nhi" | cut -f 8 | sort -u)
[ "$logins" = ward1 ] || fail "the entries name the logins '$logins', not ward1"

step "the workstation's login may not make temporary tables, add audit entries or change the tables"
for sql in 'CREATE TEMP TABLE t (x int)' \
           "INSERT INTO \"Audit\" (\"Hosp\", \"Changes\") VALUES ('$nhi', 'forged')" \
           'ALTER TABLE "Patient" DISABLE TRIGGER "PatientAudit"' \
           'DROP TABLE "Course"'; do
  if "$bin/psql" -X -q -v ON_ERROR_STOP=1 -d "$(uri ward1)" -c "$sql" 2>/dev/null; then fail "ward1 could: $sql"; fi
done

step "halcyra-tool check $(uri halcyra_owner)"
out=$("$tool" check "$(uri halcyra_owner)") || fail "check: $out"
[ "$out" = ok ] || fail "check: $out"
echo "the set-up works as written"
