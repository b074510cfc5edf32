#!/usr/bin/env bash
# Line coverage of the runtime library and the qgen tool by the test suite:
# builds TREE with clang and QGEN_COVERAGE=ON in TREE/build-cov (without the
# Qt parts, so the figures count the library's and the tool's own tests),
# runs ctest with a private PostgreSQL server (QGEN_REQUIRE_PG=1), merges the
# profiles and writes, into OUT:
#   summary.txt            lines, covered lines and % per folder
#   <folder>.lcov          per-line data (llvm-cov export -format=lcov)
#   ctest.log              the test run
# Slow; not part of CI.
#
#   scripts/coverage.sh [-C TREE] [-o OUT] [-r]  (default: this checkout, /tmp/qgen-coverage;
#                                                -r: report again from the last run's profiles)
#   scripts/coverage.sh -d OLD NEW             # lines covered in OLD that NEW no longer covers
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
tree="$here"
out="/tmp/qgen-coverage"
folders=(framework dataaccess gensrc unikey apps)

if [ "${1:-}" = "-d" ]; then
  # Compares two OUT folders line by line: "file:line" covered before, not after.
  old="$2" new="$3"
  for f in "${folders[@]}"; do
    join -t' ' -v1 \
      <(awk -F'[:,]' '/^SF:/{file=$2} /^DA:/{if ($3 > 0) print file":"$2}' "$old/$f.lcov" | sed "s|^.*/\($f/\)|\1|" | sort -u) \
      <(awk -F'[:,]' '/^SF:/{file=$2} /^DA:/{if ($3 > 0) print file":"$2}' "$new/$f.lcov" | sed "s|^.*/\($f/\)|\1|" | sort -u) || true
  done
  exit 0
fi

report_only=0
while getopts "C:o:r" opt; do
  case "$opt" in
    r) report_only=1 ;;
    C) tree="$(cd "$OPTARG" && pwd)" ;;
    o) out="$OPTARG" ;;
    *) sed -n '2,16p' "$0"; exit 2 ;;
  esac
done
mkdir -p "$out"
out="$(cd "$out" && pwd)"
build="$tree/build-cov"
if [ "$report_only" = 0 ]; then

# A tree from before QGEN_COVERAGE gets the same flags directly.
coverage=(-DQGEN_COVERAGE=ON)
if ! grep -q QGEN_COVERAGE "$tree/CMakeLists.txt"; then
  coverage=("-DCMAKE_CXX_FLAGS=-fprofile-instr-generate -fcoverage-mapping"
    -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate)
fi
CXX=clang++ CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}" \
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${coverage[@]}" \
  -DQGEN_BUILD_FUZZ=OFF -DQGEN_BUILD_BENCH=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON >/dev/null
ninja -C "$build"

started_pg=0
if [ -z "${QGEN_TEST_PG_URI:-}" ]; then
  export QGEN_PG_STATE="/tmp/qgen-pg-coverage-$$.state"
  QGEN_TEST_PG_URI="$("$tree/scripts/pg-server.sh" start)"
  export QGEN_TEST_PG_URI
  started_pg=1
  trap '"$tree/scripts/pg-server.sh" stop' EXIT
fi
export QGEN_REQUIRE_PG=1

rm -rf "$build/profiles"
mkdir -p "$build/profiles"
# %p: one profile per process (the tests start the tool and each other).
LLVM_PROFILE_FILE="$build/profiles/%p-%m.profraw" \
  ctest --test-dir "$build" -j2 --timeout 900 -E '^consumer_' >"$out/ctest.log" 2>&1 ||
  { tail -30 "$out/ctest.log"; echo "coverage: some tests failed (see $out/ctest.log)" >&2; }
llvm-profdata-14 merge -sparse -o "$build/merged.profdata" "$build"/profiles/*.profraw
fi

# Every program and library that holds instrumented code of ours.
objects=()
for exe in "$build"/tests/test_* "$build"/apps/qgen/qgen; do
  [ -x "$exe" ] && objects+=(-object "$exe")
done
llvm-cov-14 export -format=lcov -instr-profile="$build/merged.profdata" "${objects[@]:1}" \
  >"$out/all.lcov" 2>/dev/null
{
  printf '%-12s %8s %8s %7s\n' folder lines covered '%'
  for f in "${folders[@]}"; do
    # Source paths come as the compiler saw them (build-cov/../gensrc/...):
    # fold "dir/../" away, keep the folder's own records, paths relative to the tree.
    awk -v tree="$tree/" -v f="$f/" '
      /^SF:/ { p = substr($0, 4); while (sub(/\/[^\/]+\/\.\.\//, "/", p)) {}
               if (index(p, tree) == 1) p = substr(p, length(tree) + 1)
               keep = index(p, f) == 1; if (keep) print "SF:" p; next }
      keep' "$out/all.lcov" >"$out/$f.lcov"
    awk -F'[:,]' -v f="$f" '/^DA:/{n++; if ($3 > 0) c++} END {printf "%-12s %8d %8d %6.1f%%\n", f, n, c, n ? 100*c/n : 0}' "$out/$f.lcov"
  done
} | tee "$out/summary.txt"
