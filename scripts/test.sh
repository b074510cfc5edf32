#!/usr/bin/env bash
# Runs every test that CI runs: installs what is missing, builds with g++
# (warnings as errors) and runs the suite on SQLite files and on a private
# PostgreSQL server that this script starts and stops; then builds with clang
# under AddressSanitizer + UndefinedBehaviorSanitizer and runs the suite again;
# then runs the threads test under ThreadSanitizer; then checks formatting.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
"$top/scripts/install-deps.sh"

export QGEN_PG_STATE="${TMPDIR:-/tmp}/qgen-pg-test-$$.state"
uri=$("$top/scripts/pg-server.sh" start)
trap '"$top/scripts/pg-server.sh" stop' EXIT
export QGEN_TEST_PG_URI="$uri" QGEN_REQUIRE_PG=1

# Debian's Python, which has pytest: the Python package is built for it.
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)

echo "== g++ build, warnings as errors"
CXX=g++ "$top/scripts/build.sh" build -DQGEN_WERROR=ON -DQGEN_BUILD_FUZZ=OFF -DQGEN_BUILD_BENCH=ON \
  -DQGEN_BUILD_PYTHON=ON -DPython_EXECUTABLE="$python"
ctest --test-dir build --output-on-failure -j2

echo "== Python package: pytest on SQLite and PostgreSQL"
PYTHONPATH="$top/build/python" QGEN_TOOL="$top/build/apps/qgen/qgen" \
  "$python" -m pytest -q -p no:cacheprovider python/tests

echo "== load driver, short smoke run (the full runs are bench/*.sh)"
smoke=$(mktemp -d)
build/bench/qgen_load throughput --db "$smoke/smoke.db" --db "$QGEN_TEST_PG_URI" --procs 1,2 -n 20
build/bench/qgen_load kill --db "$smoke/kill.db" --procs 3 --kills 3 --min-ms 50 --max-ms 150
rm -rf "$smoke"

echo "== clang build with AddressSanitizer + UndefinedBehaviorSanitizer"
CXX=clang++ "$top/scripts/build.sh" build-asan -DQGEN_WERROR=ON -DQGEN_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2

echo "== ThreadSanitizer: generators and a plain-SQL program on 8 threads at once (only what that test needs)"
CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQGEN_WERROR=ON \
  -DQGEN_SANITIZE_THREAD=ON -DQGEN_BUILD_TOOLS=OFF >/dev/null
ninja -C build-tsan test_gensrc
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_gensrc --gtest_filter='*ThreadsWithAndWithoutTheQueue*:TimeStamp.*'

echo "== clang-format"
files=$(git ls-files '*.cpp' '*.h')
if [ -n "$files" ] && ! clang-format --dry-run --Werror $files; then
  echo "clang-format: run 'clang-format -i' on the files above" >&2
  exit 1
fi
