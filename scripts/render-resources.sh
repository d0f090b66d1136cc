#!/usr/bin/env bash
# Regenerates every picture under resources/ from the generator in
# resources/src: the window icon (with the hicolor theme sizes and the
# scalable SVG), the logo, and the report's set-up and reference drawings.
# Needs python3, rsvg-convert (librsvg2-bin), ImageMagick's convert and the
# DejaVu Sans fonts. The output is deterministic: running it twice gives
# byte-identical files.
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in python3 rsvg-convert convert; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 -B resources/src/generate.py "$tmp/svg"

# PNG files without time stamps or other ancillary chunks, so that a re-run
# does not change them.
strip_png() {  # strip_png <in.png> <format:out.png>
  convert "$1" -strip -define png:exclude-chunks=date,time \
    -define png:compression-level=9 "$2"
}

# Icon: 256 px for the window and the report watermark; the theme sizes
# (16 and 24 px from the bolder small-size variant) and the scalable SVG.
rsvg-convert -w 256 -h 256 "$tmp/svg/ICONO_QUENTARO.svg" -o "$tmp/icon.png"
strip_png "$tmp/icon.png" PNG32:resources/ICONO_QUENTARO.png
for n in 16 24 32 48 64 128 256; do
  src="$tmp/svg/ICONO_QUENTARO.svg"
  [ "$n" -le 24 ] && src="$tmp/svg/ICONO_QUENTARO_small.svg"
  dir="resources/icons/hicolor/${n}x${n}/apps"
  mkdir -p "$dir"
  rsvg-convert -w "$n" -h "$n" "$src" -o "$tmp/icon_$n.png"
  strip_png "$tmp/icon_$n.png" "PNG32:$dir/zarvek-certificacion.png"
done
# The Windows icon: the same sizes in one .ico (PNG-compressed 256 px).
convert $(for n in 16 24 32 48 64 128 256; do
  echo "resources/icons/hicolor/${n}x${n}/apps/zarvek-certificacion.png"
done) resources/icons/zarvek-certificacion.ico
mkdir -p resources/icons/hicolor/scalable/apps
cp "$tmp/svg/ICONO_QUENTARO.svg" \
  resources/icons/hicolor/scalable/apps/zarvek-certificacion.svg

# Logo, 666 x 200, transparent.
rsvg-convert "$tmp/svg/LOGO_QUENTARO.svg" -o "$tmp/logo.png"
strip_png "$tmp/logo.png" PNG32:resources/LOGO_QUENTARO.png

# The folder on the BUSCAR button: 16 px for 96 dpi, 32 px for 192 dpi.
for n in 16 32; do
  rsvg-convert -w "$n" -h "$n" "$tmp/svg/CARPETA.svg" -o "$tmp/folder.png"
  strip_png "$tmp/folder.png" "PNG32:resources/CARPETA_$n.png"
done

# Report drawings: rendered at 1.5 times their 400 x 700 (set-up) or
# 600 x 360 (reference) design size, then reduced to a 64-colour palette
# without dithering; line art on white stays clean at a fraction of the size.
count=0
for svg in "$tmp"/svg/*.svg; do
  name=$(basename "$svg" .svg)
  case "$name" in ICONO_QUENTARO* | LOGO_QUENTARO | CARPETA) continue ;; esac
  rsvg-convert -z 1.5 "$svg" -o "$tmp/drawing.png"
  convert "$tmp/drawing.png" +dither -colors 64 -strip \
    -define png:exclude-chunks=date,time -define png:compression-level=9 \
    "PNG8:resources/$name.png"
  count=$((count + 1))
done
echo "rendered icon, logo and $count report drawings into resources/"
