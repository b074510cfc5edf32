#!/usr/bin/env bash
# 8 processes draw from one sequence on a private PostgreSQL server; after 3 s
# the server is stopped, stays down 6 s and is started again; the run goes on
# 12 s more. Checks that the failure is reported, that no value is issued
# twice, that every gap is explained and that every process issues values
# again once the server is back. About 25 s.
#
#   QGEN_DOWN=6 bench/fault-pg-restart.sh   (seconds the server stays down)
set -euo pipefail
source "$(dirname "$0")/common.sh"
need_load
work=$(mktemp -d /var/tmp/qgen-outage-XXXXXX)
trap 'stop_pg; rm -rf "$work"' EXIT
start_pg
describe_machine
"$load" outage --db "$pg_uri" --before 3 --down "${QGEN_DOWN:-6}" --after 12 \
  --stop-cmd "$pg_stop" --start-cmd "$pg_start" "$@"
