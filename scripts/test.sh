#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, the
# window tests on a virtual X display, and the fuzz targets for
# ZARVEK_FUZZ_SECONDS (20) each; then the same for the Windows program
# under Wine (scripts/test-windows.sh; ZARVEK_SKIP_WINDOWS=1 leaves it out).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh all
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARVEK_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
# The fuzz targets, briefly: any finding fails the run.
bash scripts/fuzz.sh "${ZARVEK_FUZZ_SECONDS:-20}"
if [ -z "${ZARVEK_SKIP_WINDOWS:-}" ]; then
  bash scripts/test-windows.sh
fi
