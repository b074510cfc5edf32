#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh [DIR] [cmake options...]    (default DIR: build)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQGEN_WERROR=$werror "$@" >/dev/null
ninja -C "$dir"
