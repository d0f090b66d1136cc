#!/usr/bin/env bash
# Builds the Debian package (build/zarvek-certificacion_*.deb) and checks it
# with lintian. Install it with: sudo apt-get install ./build/zarvek-certificacion_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
(cd build && rm -f zarvek-certificacion_*.deb && cpack >/dev/null)
deb=$(ls build/zarvek-certificacion_*.deb)
echo "$deb"
lintian --fail-on error "$deb"
