# Shared by the bench scripts: where the programs are, the machine's
# description, and a private PostgreSQL server with stop and start commands.
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QGEN_BENCH_BUILD:-$top/build-bench}"
load="$build/bench/qgen_load"

need_load() {
  [ -x "$load" ] || {
    echo "no $load: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQGEN_BUILD_BENCH=ON && ninja -C build-bench qgen_load qgen_tool" >&2
    exit 2
  }
}

describe_machine() {
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'),"\
    "load average $(cut -d' ' -f1-3 /proc/loadavg), $(uname -sr)"
}

# Starts a private server (state in $work/pg.state); sets pg_uri, pg_stop and
# pg_start (shell commands that stop the server and start it again as it was).
start_pg() {
  export QGEN_PG_STATE="$work/pg.state"
  pg_uri=$("$top/scripts/pg-server.sh" start)
  local dir port bindir as
  dir=$(sed -n 1p "$QGEN_PG_STATE")
  port=$(sed -n 2p "$QGEN_PG_STATE")
  bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
  as=""
  [ "$(id -u)" -eq 0 ] && as="runuser -u postgres --"
  pg_stop="$as $bindir/pg_ctl -D $dir/data -m fast -w stop"
  pg_start="$as $bindir/pg_ctl -D $dir/data -l $dir/server.log -w -t 60 -o '-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=on -c max_connections=100' start"
}

stop_pg() {
  [ -n "${QGEN_PG_STATE:-}" ] && "$top/scripts/pg-server.sh" stop || true
}
