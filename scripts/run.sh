#!/usr/bin/env bash
# Sets up what the qgen tool needs and runs the main job: installs the Debian
# packages the tool builds with, builds the tool and the library it links
# (nothing else: no tests, no design-time tools, no Python package), and issues numbers from the
# embedded SQLite default (qgen.db in the current directory). scripts/test.sh
# installs and builds the rest.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh" tool
# A tree configured before (by this script or scripts/test.sh) is built as it is.
if [ ! -f "$top/build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQGEN_BUILD_TESTS=OFF -DQGEN_BUILD_GUI=OFF -DQGEN_BUILD_PYTHON=OFF >/dev/null
fi
ninja -C "$top/build" --quiet qgen_tool
"$top/build/apps/qgen/qgen" next --mask 'INV-####' --start 0001 -n 3
