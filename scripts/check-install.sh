#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the bundle is
# complete: the launcher link, the executable with its resources beside it,
# the desktop entry and the icons.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
fail=0
check() { if [ ! -e "$prefix/usr/$1" ]; then echo "missing: $1"; fail=1; fi; }
check bin/zarvek-certificacion
check lib/zarvek-certificacion/zarvek
check lib/zarvek-certificacion/resources/LOGO_QUENTARO.png
check lib/zarvek-certificacion/resources/ICONO_QUENTARO.png
check "lib/zarvek-certificacion/resources/M200 PLUS_BIPODE Y BASTON_AI_R2.png"
check lib/zarvek-certificacion/resources/LOGO_QUENTARO.png.pdfimg
check share/applications/zarvek-certificacion.desktop
for s in 16 24 32 48 64 128 256; do
  check share/icons/hicolor/${s}x${s}/apps/zarvek-certificacion.png
done
check share/doc/zarvek-certificacion/copyright
# The launcher resolves to the bundle from any working directory.
target=$(cd / && readlink -f "$prefix/usr/bin/zarvek-certificacion")
[ "$target" = "$(readlink -f "$prefix/usr/lib/zarvek-certificacion/zarvek")" ] || { echo "launcher points to $target"; fail=1; }
grep -q '^Exec=zarvek-certificacion$' "$prefix/usr/share/applications/zarvek-certificacion.desktop" || fail=1
if [ $fail -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
