#!/usr/bin/env bash
# Every measurement in one command: throughput at 1, 8, 16 and 32 processes
# drawing from one sequence through TGenerator, the hand-written counter row
# (the baseline) and, on PostgreSQL, nextval(), on an SQLite file on disk and a
# private PostgreSQL server, with the targets judged; then the fault runs
# (processes killed, the PostgreSQL server restarted, SQLite faults). Writes
# each run's output, throughput.csv and throughput.png into DIR. Durable
# defaults unless --relaxed is given. The machine's load average is printed
# with every run. About 15 minutes on a quiet 2-core machine.
#
#   bench/load.sh [--out DIR] [--no-faults] [qgen_load throughput options: -n 300 --procs 1,8,16,32 --relaxed]
#
# QGEN_BENCH_BUILD names the build to measure (default build-bench), e.g. a
# build of an older commit with this driver copied in, for before/after figures.
set -euo pipefail
source "$(dirname "$0")/common.sh"
need_load
out="$build/load-results"
faults=1
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out="$2"; shift 2 ;;
    --no-faults) faults=0; shift ;;
    *) break ;;
  esac
done
# The SQLite fault run needs the qgen program: say so now, not after the
# throughput runs.
if [ "$faults" = 1 ] && [ ! -x "$build/apps/qgen/qgen" ]; then
  echo "no $build/apps/qgen/qgen for the fault runs: ninja -C $build qgen_tool (or give --no-faults)" >&2
  exit 2
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"
work=$(mktemp -d /var/tmp/qgen-load-XXXXXX)
trap 'stop_pg; rm -rf "$work"' EXIT
start_pg
{
  describe_machine
  "$load" throughput --db "$work/load.db" --db "$pg_uri" --csv "$out/throughput.csv" \
    -n 300 --procs 1,8,16,32 "$@"
  echo "throughput status $?"
  describe_machine
} 2>&1 | tee "$out/throughput.txt"
status=0
grep -q "^throughput status 0$" "$out/throughput.txt" || status=1  # a value repeated or lost
if command -v gnuplot >/dev/null; then
  gnuplot -e "csv='$out/throughput.csv'; png='$out/throughput.png'" "$top/bench/plot.gp"
else
  echo "no gnuplot: no plot (apt-get install gnuplot-nox)" >&2
fi
stop_pg
if [ "$faults" = 1 ]; then
  "$top/bench/fault-kill.sh" 2>&1 | tee "$out/fault-kill.txt" || status=1
  "$top/bench/fault-pg-restart.sh" 2>&1 | tee "$out/fault-pg-restart.txt" || status=1
  "$top/bench/fault-sqlite.sh" "$build/apps/qgen/qgen" 2>&1 | tee "$out/fault-sqlite.txt" || status=1
fi
echo "results: $out"
exit $status
