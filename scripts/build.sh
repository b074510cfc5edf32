#!/usr/bin/env bash
# Configures and builds one build tree: the library, the tool, the design-time
# tools (where Qt 6 is installed) and the tests, or what the options choose.
#   scripts/build.sh [DIR] [cmake options...]    (default DIR: build)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQGEN_WERROR=$werror \
  -DQGEN_BUILD_TESTS=ON -DQGEN_BUILD_GUI=ON "$@" >/dev/null
ninja -C "$dir"
