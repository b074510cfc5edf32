#!/usr/bin/env bash
# Sets everything up and runs the main job: builds qgen and issues numbers from
# the embedded SQLite default (qgen.db in the current directory).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" build >/dev/null
"$top/build/apps/qgen/qgen" mask 'INV-[AB]##' --start A01 --end B99 --set B98 --steps '+++-'
