#!/usr/bin/env bash
# SQLite fault runs with the qgen tool: the database held by another writer
# past the busy timeout, a read-only database file, a missing directory. Each
# case must end in a clear error and leave nothing half written; the sequence
# goes on afterwards without a lost or repeated value. Bounded: about 30 s.
#
#   bench/fault-sqlite.sh [path/to/qgen]     (default build-bench/apps/qgen/qgen)
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
qgen="$(realpath "${1:-$top/build-bench/apps/qgen/qgen}")"
[ -x "$qgen" ] || { echo "fault-sqlite: no qgen program at $qgen (build qgen_tool)" >&2; exit 2; }
command -v sqlite3 >/dev/null || { echo "fault-sqlite: the sqlite3 shell is needed" >&2; exit 2; }
work=$(mktemp -d /var/tmp/qgen-fault-sqlite-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

pass() { echo "  PASSED: $*"; }
fail() { echo "  FAILED: $*"; failures=$((failures + 1)); }
# Runs qgen, keeping its status, output and error text.
run() { out=$("$@" 2>"$work/err"); status=$?; err=$(cat "$work/err"); }
row() { sqlite3 "$1" "SELECT Suffix || ' State=' || CAST(State AS INTEGER) FROM GENTBL"; }

echo "== 1. another writer holds the database past the busy timeout"
db="$work/held.db"
run "$qgen" next --db "$db" --mask 'H-####' --start 0001 -n 3
[ "$status" -eq 0 ] || fail "setting up: $err"
cat >"$work/held.form.json" <<JSON
{
  "class": "TDataModule", "name": "Held",
  "components": [
    {"class": "TDatabase", "name": "Db", "properties": {"URI": "$db", "BusyTimeout": 300}},
    {"class": "TTable", "name": "Gentbl", "properties": {"Database": "Db", "TableName": "GENTBL"}},
    {"class": "TDataSource", "name": "Source", "properties": {"DataSet": "Gentbl"}},
    {"class": "TGenerator", "name": "Numbers",
     "properties": {"Mask": "H-####", "DataSource": "Source", "StartValue": "0001"}}
  ]
}
JSON
# The other writer: an open write transaction for 14 s.
{ echo "BEGIN IMMEDIATE;"; sleep 14; echo "COMMIT;"; } | sqlite3 "$db" &
holder=$!
sleep 1
start=$SECONDS
run "$qgen" next --form "$work/held.form.json" -n 1
echo "  qgen next exited $status after $((SECONDS - start)) s; stdout: '${out}'; stderr:"
echo "$err" | sed 's/^/    | /'
if [ "$status" -ne 0 ] && [ -z "$out" ] && grep -q "Gentbl is busy. Try again!" <<<"$err"; then
  pass "the generator gave up with the busy notice and issued nothing"
else
  fail "expected the busy error and no value"
fi
wait "$holder"
[ "$(row "$db")" = "0003 State=0" ] && pass "the row is as it was: $(row "$db")" ||
  fail "the row changed: $(row "$db")"
run "$qgen" next --db "$db" --mask 'H-####' --start 0001 -n 1
[ "$out" = "H-0004" ] && pass "once the writer is gone the sequence goes on: $out" ||
  fail "after the writer: '$out' $err"

echo "== 1b. the first use of a database that another writer holds"
fresh="$work/fresh.db"
{ echo "PRAGMA journal_mode=WAL; BEGIN IMMEDIATE; CREATE TABLE other (x);"; sleep 8; echo "COMMIT;"; } |
  sqlite3 "$fresh" >/dev/null &
holder=$!
sleep 1
run "$qgen" next --db "$fresh" --mask 'F-####' --start 0001 -n 1
echo "  qgen next exited $status; stderr:"
echo "$err" | sed 's/^/    | /'
if [ "$status" -ne 0 ] && [ -z "$out" ] && grep -qi "write lock" <<<"$err"; then
  pass "a clear error names the other writer's lock"
else
  fail "expected an error about the write lock"
fi
wait "$holder"
tables=$(sqlite3 "$fresh" "SELECT group_concat(name) FROM sqlite_master WHERE type = 'table'")
[ "$tables" = "other" ] && pass "no generator table was half made (tables: $tables)" ||
  fail "tables after the failure: $tables"

echo "== 2. a read-only database file"
ro="$work/ro/numbers.db"
mkdir -p "$work/ro"
run "$qgen" next --db "$ro" --mask 'R-####' --start 0001 -n 2
sqlite3 "$ro" "PRAGMA wal_checkpoint(TRUNCATE);" >/dev/null
rm -f "$ro-wal" "$ro-shm"
chmod 0444 "$ro"
chmod 0555 "$work/ro"
before=$(sha256sum "$ro" | cut -d' ' -f1)
if [ "$(id -u)" -eq 0 ]; then
  # Root may write any file: run the tool as a user who may not.
  chmod 0755 "$work"
  run runuser -u nobody -- "$qgen" next --db "$ro" --mask 'R-####' --start 0001 -n 1
else
  run "$qgen" next --db "$ro" --mask 'R-####' --start 0001 -n 1
fi
echo "  qgen next exited $status; stderr:"
echo "$err" | sed 's/^/    | /'
if [ "$status" -ne 0 ] && [ -z "$out" ] && grep -qi "read-only\|readonly\|writable" <<<"$err"; then
  pass "a clear error says the file cannot be written"
else
  fail "expected a read-only error"
fi
after=$(sha256sum "$ro" | cut -d' ' -f1)
[ "$before" = "$after" ] && pass "the file is unchanged" || fail "the file changed"
chmod 0755 "$work/ro"
chmod 0644 "$ro"

echo "== 3. a directory that does not exist"
missing="$work/no-such-dir/numbers.db"
run "$qgen" next --db "$missing" --mask 'M-####' --start 0001 -n 1
echo "  qgen next exited $status; stderr:"
echo "$err" | sed 's/^/    | /'
if [ "$status" -ne 0 ] && [ -z "$out" ] && grep -qi "directory" <<<"$err"; then
  pass "a clear error names the directory"
else
  fail "expected an error about the directory"
fi
[ ! -e "$work/no-such-dir" ] && pass "nothing was created" || fail "something was created"

if [ "$failures" -eq 0 ]; then echo "fault-sqlite: PASSED"; else echo "fault-sqlite: FAILED ($failures)"; fi
[ "$failures" -eq 0 ]
