#!/usr/bin/env bash
# 8 processes draw from one sequence while a killer sends SIGKILL to a random
# one at random moments (25 kills, each replaced by a new process), on an
# SQLite file and on a private PostgreSQL server, each printing its values at
# once and then with a pause before printing. Every value the table committed
# is checked against what the processes printed. About a minute.
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
for db in "$work/kill.db" "$pg_uri"; do
  # Printing at once, then with 20 ms of "application work" between getting a
  # value and printing it, so that kills also land in between: those values
  # must show up as gaps that the killed process committed last.
  "$load" kill --db "$db" --kills 25 "$@" || status=1
  "$load" kill --db "$db" --kills 25 --print-delay-us 20000 "$@" || status=1
done
exit $status
