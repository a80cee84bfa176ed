#!/usr/bin/env bash
# Runs a command beside a throwaway PostgreSQL 15 server: a new cluster in a temporary folder,
# reachable only through a Unix socket in that folder, stopped and removed when the command ends
# (also when it fails or is interrupted). The command gets the server through PGHOST, PGPORT,
# PGUSER and PGDATABASE, and as a connection string in TAPRELL_TEST_PG, which the server tests
# read (they skip without it).
#
#   scripts/with-test-server.sh ctest --test-dir build -R pg --output-on-failure
#
# The server refuses to run as root, so under root it runs as the unprivileged user "nobody".
set -euo pipefail

bindir=/usr/lib/postgresql/15/bin
if [ ! -x "$bindir/initdb" ]; then
    echo "with-test-server.sh: PostgreSQL 15 is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
[ $# -gt 0 ] || { echo "usage: scripts/with-test-server.sh COMMAND [ARGUMENTS...]" >&2; exit 2; }

# Under /tmp: a socket path must stay short, and the server's user must be able to reach it.
folder="$(mktemp -d /tmp/taprell-pg.XXXXXX)"
as_server=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody: "$folder"
    as_server=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups --)
fi

stop_server() {
    if [ -f "$folder/data/postmaster.pid" ]; then
        (cd "$folder" && "${as_server[@]}" "$bindir/pg_ctl" -D "$folder/data" -m immediate -s stop) >/dev/null 2>&1 || true
    fi
    rm -rf "$folder"
}
trap stop_server EXIT
trap 'exit 130' INT TERM

cd "$folder"
if ! "${as_server[@]}" "$bindir/initdb" -D "$folder/data" -U taprell -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
    >"$folder/initdb.log" 2>&1; then
    cat "$folder/initdb.log" >&2
    exit 1
fi
# Unix socket only, in the folder; durability is of no use to a throwaway server.
cat >>"$folder/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$folder'
port = 5432
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 40
CONF
if ! "${as_server[@]}" "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s start; then
    cat "$folder/server.log" >&2
    exit 1
fi
cd "$OLDPWD"

export PGHOST="$folder" PGPORT=5432 PGUSER=taprell PGDATABASE=postgres
export TAPRELL_TEST_PG="host=$folder port=5432 user=taprell dbname=postgres"
"$@"
