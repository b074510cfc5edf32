#!/usr/bin/env bash
# Builds the Debian packages into dist/ and lists each one's dependencies and
# files:
#   qgen           the qgen tool
#   libqgen-dev    headers, static libraries, CMake package files, qgen.pc
#   qgen-designer  the designer, its package libqgenpkg.so and the shared
#                  runtime it loads, and the mask edit dialog of `qgen edit-mask`
#   python3-qgen   the Python package, for Debian's python3
#
#   scripts/package.sh [DIR]    (build tree, default build-package)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$top/build-package}"
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DQGEN_BUILD_TESTS=OFF -DQGEN_BUILD_GUI=ON -DQGEN_BUILD_BENCH=OFF \
  -DQGEN_BUILD_PYTHON=ON -DPython_EXECUTABLE=/usr/bin/python3 >/dev/null
ninja -C "$dir" --quiet
mkdir -p "$top/dist"
rm -f "$top"/dist/*.deb
(cd "$dir" && cpack -G DEB -B "$top/dist" >/dev/null)
rm -rf "$top/dist/_CPack_Packages"
for deb in "$top"/dist/*.deb; do
  echo "== $(basename "$deb")"
  dpkg-deb -f "$deb" Package Version Depends Suggests
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print "  " $6}'
done
