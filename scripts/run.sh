#!/usr/bin/env bash
# Installs what building and running the program needs, builds it and
# starts it. The tests are left out of the build unless their libraries are
# there already (a machine that ran scripts/test.sh), so that the shared
# build folder keeps them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh program
tests=OFF
if dpkg-query -W -f='${Status}\n' libgtest-dev libgmock-dev libbenchmark-dev 2>/dev/null |
  grep -c 'install ok installed' | grep -qx 3; then
  tests=ON
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARVEK_TESTS=$tests >/dev/null
cmake --build build -j"$(nproc)" --target zarvek
exec build/zarvek "$@"
