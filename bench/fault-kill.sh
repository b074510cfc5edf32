#!/usr/bin/env bash
# 8 processes draw from one sequence while a killer sends SIGKILL to a random
# one at random moments (25 kills, each replaced by a new process), on an
# SQLite file and on a private PostgreSQL server. Every value the table
# committed is checked against what the processes printed. About a minute.
#
#   bench/fault-kill.sh [qgen_load kill options: --kills 25 --procs 8 --seed N]
set -euo pipefail
source "$(dirname "$0")/common.sh"
need_load
work=$(mktemp -d /var/tmp/qgen-kill-XXXXXX)
trap 'stop_pg; rm -rf "$work"' EXIT
start_pg
describe_machine
status=0
"$load" kill --db "$work/kill.db" --kills 25 "$@" || status=1
"$load" kill --db "$pg_uri" --kills 25 "$@" || status=1
exit $status
