#!/usr/bin/env bash
# Installs the Debian packages that qgen needs; skips apt-get when they are all
# there already.
#   scripts/install-deps.sh         everything: building, testing, packaging
#   scripts/install-deps.sh tool    only what building the qgen tool needs
set -euo pipefail
# Building the library and the qgen tool.
tool=(cmake ninja-build g++ libsqlite3-dev libpq-dev libcli11-dev nlohmann-json3-dev)
# The design-time tools (Qt), the tests (GoogleTest, clang with its sanitizer
# runtimes, a PostgreSQL server, pkg-config for the consumer test), the
# benchmarks, formatting, the Debian packages (dpkg-shlibdeps, file) and the
# Python package (pybind11, pytest).
rest=(
  qt6-base-dev
  libgtest-dev libgmock-dev clang libclang-rt-14-dev sqlite3 postgresql pkg-config
  libbenchmark-dev clang-format dpkg-dev file
  python3-dev pybind11-dev python3-pytest python3-venv
)
case "${1:-all}" in
  tool) packages=("${tool[@]}") ;;
  all) packages=("${tool[@]}" "${rest[@]}") ;;
  *) echo "usage: $0 [tool|all]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
