#!/usr/bin/env bash
# Builds the Windows program on this Debian machine: the cross-built
# libraries (scripts/build-windows-deps.sh, cached), zarvek.exe and its test
# programs, then the installer and the zip, both holding the same folder:
#   BUILD/zarvek-certificacion-<version>-win64-setup.exe
#   BUILD/zarvek-certificacion-<version>-win64.zip
# Usage: build-windows.sh [BUILD_DIR]   (default: build-win)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "${1:-$ROOT/build-win}")
JOBS=${ZARVEK_JOBS:-$(nproc)}
cd "$ROOT"

VERSION=$(sed -nE 's/^project\(zarvek_certificacion VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$VERSION" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
NAME=zarvek-certificacion-$VERSION-win64

PREFIX=$(bash scripts/build-windows-deps.sh "$BUILD")

cmake -S . -B "$BUILD/app" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DZARVEK_WIN_PREFIX="$PREFIX" >/dev/null
cmake --build "$BUILD/app" -j"$JOBS"

# The program's folder, as installed.
rm -rf "${BUILD:?}/$NAME"
cmake --install "$BUILD/app" --strip --prefix "$BUILD/$NAME" >/dev/null

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DSOURCE="$BUILD/$NAME" \
  -DOUTFILE="$BUILD/$NAME-setup.exe" packaging/windows/installer.nsi
rm -f "$BUILD/$NAME.zip"
(cd "$BUILD" && zip -qr -X "$NAME.zip" "$NAME")
echo "built $BUILD/$NAME-setup.exe and $BUILD/$NAME.zip"
