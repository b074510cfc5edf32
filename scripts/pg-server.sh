#!/usr/bin/env bash
# A private PostgreSQL server for tests: its own temporary directory, port and
# socket directory, run as the `postgres` user (the server refuses root).
#
#   scripts/pg-server.sh start   # prints the URI; state kept in $QGEN_PG_STATE
#   scripts/pg-server.sh stop
set -euo pipefail
state="${QGEN_PG_STATE:-/tmp/qgen-pg-$(id -u).state}"
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bindir/initdb" ] || { echo "pg-server: PostgreSQL server binaries not found (install postgresql)" >&2; exit 1; }

as_pg() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "${1:-}" in
  start)
    if [ -f "$state" ]; then "$0" stop >/dev/null 2>&1 || true; fi
    dir=$(mktemp -d /tmp/qgen-pg-XXXXXX)
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    # A free port: ask the kernel for one.
    if command -v python3 >/dev/null; then
      port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    else
      port=$((20000 + RANDOM % 30000))  # no python3: a random high port
    fi
    as_pg "$bindir/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    as_pg "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=on -c max_connections=100" start >/dev/null ||
      { cat "$dir/server.log" >&2; exit 1; }
    as_pg "$bindir/psql" -h "$dir" -p "$port" -U postgres -q -c "CREATE DATABASE qgen_test" postgres >/dev/null
    printf '%s\n%s\n' "$dir" "$port" >"$state"
    echo "postgresql://postgres@127.0.0.1:$port/qgen_test"
    ;;
  stop)
    [ -f "$state" ] || exit 0
    dir=$(sed -n 1p "$state")
    as_pg "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$dir" "$state"
    ;;
  uri)
    [ -f "$state" ] || { echo "pg-server: not running" >&2; exit 1; }
    echo "postgresql://postgres@127.0.0.1:$(sed -n 2p "$state")/qgen_test"
    ;;
  *)
    echo "usage: $0 start|stop|uri" >&2
    exit 2
    ;;
esac
