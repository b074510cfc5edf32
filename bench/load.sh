#!/usr/bin/env bash
# Throughput: 1, 2, 4 and 8 processes drawing from one sequence through
# TGenerator, the hand-written counter row (the baseline) and, on PostgreSQL,
# nextval(); on an SQLite file on disk and on a private PostgreSQL server.
# Prints the table and the targets, writes throughput.csv and throughput.png.
#
#   bench/load.sh [--out DIR] [qgen_load throughput options: -n 300 --procs 1,2,4,8 --relaxed]
set -euo pipefail
source "$(dirname "$0")/common.sh"
need_load
out="$build/load-results"
if [ "${1:-}" = "--out" ]; then
  out="$2"
  shift 2
fi
mkdir -p "$out"
work=$(mktemp -d /var/tmp/qgen-load-XXXXXX)
trap 'stop_pg; rm -rf "$work"' EXIT
start_pg
describe_machine
status=0
"$load" throughput --db "$work/load.db" --db "$pg_uri" --csv "$out/throughput.csv" \
  -n 300 "$@" || status=$?
describe_machine
if command -v gnuplot >/dev/null; then
  gnuplot -e "csv='$out/throughput.csv'; png='$out/throughput.png'" "$top/bench/plot.gp"
  echo "plot: $out/throughput.png"
else
  echo "no gnuplot: no plot (apt-get install gnuplot-nox)" >&2
fi
echo "figures: $out/throughput.csv"
exit $status
