#!/usr/bin/env bash
# Regenerates the README's pictures on a virtual X display: the first tab
# with a code preview (docs/screenshot-tab1.png), the second tab with its
# rows filled (docs/screenshot-tab2.png), the first page of the report
# (docs/report-page.png) and the third tab with the project's photos
# (docs/screenshot-tab3.png). The program is driven as a person would, with the
# helpers the end-to-end test uses (scripts/lib-xdo.sh).
#
# Usage: bash scripts/screenshots.sh   (builds the program first if needed)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${ZARVEK_SHOTS_INNER:-}" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target zarvek >/dev/null
  exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    env ZARVEK_SHOTS_INNER=1 bash "$0"
fi

# shellcheck source=scripts/lib-xdo.sh
source scripts/lib-xdo.sh

build=$(pwd)/build
docs=$(pwd)/docs
mkdir -p "$docs"
work=$(mktemp -d)
# A fixed project path, so that the pictures change only when the program
# does.
demo=/tmp/zarvek-capturas
root="$demo/PROYECTO PG"
rm -rf "$demo"
mkdir -p "$demo"
cleanup() {
  zv_stop || true
  rm -rf "$work" "$demo"
}
trap cleanup EXIT
# The program remembers its last folders in the user's settings folder: one
# of its own here, so that the run neither reads nor changes the user's.
export XDG_CONFIG_HOME="$work/config"
# A runtime folder of its own too: a copy of the program already running on
# this desktop would otherwise be asked to show its window, and this one end.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

# No PDF viewer pops up: xdg-open is a stub.
mkdir "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

# The label of the third tab, and a cell of its matrix.
readonly XDO_TAB3_X=560 XDO_TAB3_Y=134 XDO_TAB3_CELL_X=327 XDO_TAB3_CELL_Y=361

# The main window, as it is drawn at +0+0.
window_shot() { import -window root -crop 950x700+0+0 +repage "$1"; }

zv_start "$build/zarvek" "$work"
zv_preview 6 2401
xdo_step "picture of tab 1"
# The pointer off the buttons, so that none is drawn hovered.
xdotool mousemove --sync 600 240
window_shot "$docs/screenshot-tab1.png"

zv_create_folders "$root"
zv_tab2
# Receivers by list position: R300 R350 R700 R750 "M200 PLUS" R100.
zv_fill_row 0 0 0 0 0 1.520   # R300      INCLINADA TRÍPODE         R1
zv_fill_row 1 1 0 0 1 1.485   # R350      INCLINADA TRÍPODE         R2
zv_fill_row 2 2 0 1 0 1.612   # R700      INCLINADA BÍPODE Y BASTÓN R1
zv_fill_row 3 3 1 0 - 2.000   # R750      VERTICAL  BÍPODE Y BASTÓN R3
zv_fill_row 4 4 0 1 - 1.450   # M200 PLUS INCLINADA BÍPODE Y BASTÓN R2
zv_fill_row 5 5 1 1 - 2       # R100      VERTICAL  BASTÓN          R3
# A chosen box keeps its text selected until another widget takes the
# selection: select the last height (triple click) and type it again.
xdotool click --repeat 3 --delay 80 1
xdo_type 2.000

# Observation files as a field session leaves them, with the antenna heights
# surveyors get wrong: the ARP height of the row (right), the slant reading
# itself, none at all, the phase-centre height; one point without files.
xdo_step "observation files in the points' RINEX folders"
datos="$root/2. DATOS GNSS"
csv="$datos/ALTURAS DE ANTENA.csv"
# Field $2 (7: ARP, 8: phase centre, 6: as measured) of point $1's line.
height_of() {
  LC_ALL=C awk -F';' -v p="$1" -v f="$2" '$1 == p { sub(/\r$/, ""); gsub(",", ".", $f); print $f }' \
    "$csv" 2>/dev/null
}
# The rows are saved as they are typed, on a thread of their own.
deadline=$((SECONDS + XDO_TIMEOUT))
until [ -n "$(height_of 2406 7)" ]; do
  [ $SECONDS -lt $deadline ] || xdo_fail "the rows never reached '$csv'"
  sleep 0.05
done
# Writes the observation file $2 (gzip when it ends in .gz) into point $1's
# RINEX folder, with DELTA H $3, from the RINEX 3.04 fixture.
rinex_file() {
  local dir out
  dir=$(find "$datos" -maxdepth 1 -name "*. $1")/RINEX
  out="$dir/${2%.gz}"
  LC_ALL=C awk -v h="$3" '/ANTENNA: DELTA H\/E\/N/ { $0 = sprintf("%14.4f", h) substr($0, 15) } { print }' \
    rinex/testdata/v304.obs >"$out"
  [ "$2" = "${2%.gz}" ] || gzip -n "$out"
}
rinex_file 2401 2401341a.26o "$(height_of 2401 7)"
rinex_file 2401 2401341b.26o "$(height_of 2401 7)"
rinex_file 2402 2402341a.26o "$(height_of 2402 6)"
rinex_file 2403 2403341a.26o.gz "$(height_of 2403 7)"
rinex_file 2404 2404341a.26o 0
rinex_file 2406 2406341a.26o "$(height_of 2406 8)"
# Coming back to the tab reads the folders again.
xdotool mousemove --sync 120 134 click 1
zv_tab2
xdo_step "picture of tab 2"
# The pointer on point 2402's RINEX cell: the status line gives the reason.
xdotool mousemove --sync 779 337
sleep 0.5
window_shot "$docs/screenshot-tab2.png"

zv_generate_report
xdo_step "picture of the report's first page"
pdf="$root/2. DATOS GNSS/CONVERSION DE ALTURA.pdf"
[ -s "$pdf" ] || xdo_fail "no report at '$pdf'"
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$pdf" "$docs/report-page"

# The dossier: a file in each shared folder, a photo in every stage folder
# but two, a HEIC photo and a video.
xdo_step "photos for tab 3"
for dir in "$root/1. FORMULARIOS" "$datos/1. DATOS DE LA ESTACION BASE/NATIVA" \
  "$datos/1. DATOS DE LA ESTACION BASE/RINEX" "$datos/2. EFEMERIDES" \
  "$datos/3. PROCESAMIENTO"; do
  echo x >"$dir/archivo.txt"
done
for dir in "$datos"/*/NATIVA; do echo x >"$dir/sesion.T02"; done
convert -size 64x48 xc:'#88aacc' "$work/foto.jpg"
for stage in "$root/3. FOTOGRAFIAS"/*/[1-7]* "$root/3. FOTOGRAFIAS"/*/08*; do
  cp "$work/foto.jpg" "$stage/IMG_0001.jpg"
done
rm "$root/3. FOTOGRAFIAS/2403/3. PROFUNDIDAD/IMG_0001.jpg"
rm "$root/3. FOTOGRAFIAS/2405/6. DISCO INSTALADO/IMG_0001.jpg"
printf '\0\0\0\030ftypheic\0\0\0\0mif1heic' \
  >"$root/3. FOTOGRAFIAS/2402/08. FOTOGRAFÍAS PANORÁMICAS/IMG_0002.HEIC"
echo x >"$root/3. FOTOGRAFIAS/2401/09. VIDEOS/VID_0001.mp4"
xdotool mousemove --sync "$XDO_TAB3_X" "$XDO_TAB3_Y" click 1
xdo_step "picture of tab 3"
# The pointer on point 2403's depth cell: the status line names its folder.
sleep 1
xdotool mousemove --sync "$XDO_TAB3_CELL_X" "$XDO_TAB3_CELL_Y"
sleep 0.5
window_shot "$docs/screenshot-tab3.png"
zv_stop
echo "wrote docs/screenshot-tab1.png docs/screenshot-tab2.png" \
  "docs/report-page.png docs/screenshot-tab3.png"
