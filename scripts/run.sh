#!/usr/bin/env bash
# Sets everything up and runs the main job: builds qgen and issues numbers from
# the embedded SQLite default (qgen.db in the current directory).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" build >/dev/null
"$top/build/apps/qgen/qgen" next --mask 'INV-####' --start 0001 -n 3
