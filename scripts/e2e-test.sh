#!/usr/bin/env bash
# End-to-end test: drives the built program only through the X server, as a
# person would, on its own Xvfb display. Tab 1 previews three codes from
# 100, edits the third to "0105" and creates the folder tree under a root
# whose path holds a space, an accent and a "$", picked in the real
# directory chooser; tab 2 fills one row of each measurement mode and writes
# the report, which is then checked with qpdf, pdfinfo and pdftotext; with
# photos put in two points' stage folders, tab 3 writes the photo report,
# checked with qpdf, pdfimages and pdftotext (its first page prints the
# tab's matrix). The program's xdg-open is a stub that records its argument.
#
# Usage: scripts/e2e-test.sh [build-folder]   (default: build)
# Screenshots of every step: <build>/artifacts/e2e/NN-step.png
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
if [ -z "${ZARVEK_E2E_INNER:-}" ]; then
  # A display of our own: no other test can take the keyboard or the
  # pointer, and the screen size is known.
  exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    env ZARVEK_E2E_INNER=1 bash "$0" "$build"
fi

# shellcheck source=scripts/lib-xdo.sh
source "$(dirname "$0")/lib-xdo.sh"

program="$build/zarvek"
[ -x "$program" ] || xdo_fail "no program at $program (build it first)"
XDO_SHOTS="$build/artifacts/e2e"
rm -rf "$XDO_SHOTS"
mkdir -p "$XDO_SHOTS"

work=$(mktemp -d)
parent=$(mktemp -d "/tmp/e2e raíz \$x.XXXXXX")
root="$parent/proyecto"
cleanup() {
  zv_stop || true
  rm -rf "$work" "$parent"
}
trap cleanup EXIT
# The program remembers its last folders in the user's settings folder: one
# of its own here, so that the run neither reads nor changes the user's.
export XDG_CONFIG_HOME="$work/config"
# A runtime folder of its own too: a copy of the program already running on
# this desktop would otherwise be asked to show its window, and this one end.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

# The stub viewer: the program finds xdg-open on PATH.
mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<'EOF'
#!/bin/sh
printf '%s\n' "$1" >>"$ZARVEK_E2E_OPENED"
EOF
chmod +x "$work/bin/xdg-open"
export ZARVEK_E2E_OPENED="$work/opened.txt"
export PATH="$work/bin:$PATH"

started=$SECONDS
zv_start "$program" "$work"
xdo_shot start

# --- Tab 1 ---------------------------------------------------------------
zv_preview 3 100
xdo_shot preview
zv_edit_code 3 0105
xdo_shot code-edited
zv_create_folders "$root"
xdo_shot folders-created

xdo_step "check the folder tree on disk"
# The folders the program must have made, and nothing else.
{
  gnss="2. DATOS GNSS"
  base="$gnss/1. DATOS DE LA ESTACION BASE"
  printf '%s\n' "1. FORMULARIOS" "$gnss" "$base" "$base/NATIVA" "$base/RINEX" \
    "$gnss/2. EFEMERIDES" "$gnss/3. PROCESAMIENTO" "3. FOTOGRAFIAS"
  n=4
  for code in 100 101 0105; do
    printf '%s\n' "$gnss/$n. $code" "$gnss/$n. $code/NATIVA" \
      "$gnss/$n. $code/RINEX" "3. FOTOGRAFIAS/$code"
    for photos in "1. EQUIPO GNSS" "2. PROCESO DE MONUMENTACIÓN" \
      "3. PROFUNDIDAD" "4. ANCLAJE DE DISCO DE BRONCE" \
      "5. INCRUSTACIÓN DEL DISCO DE BRONCE" "6. DISCO INSTALADO" \
      "7. MEDICIÓN DE ALTURA DE ANTENA" "08. FOTOGRAFÍAS PANORÁMICAS" \
      "09. VIDEOS"; do
      echo "3. FOTOGRAFIAS/$code/$photos"
    done
    n=$((n + 1))
  done
} | LC_ALL=C sort >"$work/tree-expected.txt"
[ -d "$root" ] || xdo_fail "no project folder '$root'"
(cd "$root" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort) \
  >"$work/tree-actual.txt"
count=$(wc -l <"$work/tree-actual.txt")
[ "$count" -eq 47 ] || xdo_fail "$count folders under '$root', expected 47"
diff "$work/tree-expected.txt" "$work/tree-actual.txt" >"$work/tree-diff.txt" ||
  xdo_fail "folder tree differs (- expected, + made): $(cat "$work/tree-diff.txt")"

# --- Tab 2 ---------------------------------------------------------------
# Creating the folders pointed tab 2 at the project: rows 100, 101, 0105.
zv_tab2
xdo_shot tab2
# Lists: receivers R300 R350 R700 R750 "M200 PLUS" R100; types INCLINADA
# VERTICAL; accessories TRÍPODE / BÍPODE Y BASTÓN after INCLINADA and
# BÍPODE Y BASTÓN / BASTÓN after VERTICAL; references R1 R2, or R3 alone
# (preselected) after VERTICAL.
zv_fill_row 0 0 0 0 0 1.5   # R300  INCLINADA TRÍPODE         R1 1.5
zv_fill_row 1 2 0 1 1 1.6   # R700  INCLINADA BÍPODE Y BASTÓN R2 1.6
zv_fill_row 2 5 1 1 - 2     # R100  VERTICAL  BASTÓN          R3 2
xdo_shot rows-filled
zv_generate_report
xdo_shot report-done

# --- The report ----------------------------------------------------------
pdf="$root/2. DATOS GNSS/CONVERSION DE ALTURA.pdf"
xdo_step "check the report"
[ -s "$pdf" ] || xdo_fail "no report at '$pdf'"
cp "$pdf" "$XDO_SHOTS/report.pdf"
qpdf --check "$pdf" >"$work/check.txt" 2>&1 ||
  xdo_fail "qpdf --check: $(cat "$work/check.txt")"
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
[ "$pages" = 3 ] || xdo_fail "$pages pages, expected 3"

# Opens without a password, prints, cannot be changed or copied.
check_encryption() { # pdf
  local encryption line
  encryption=$(qpdf --show-encryption "$1")
  for line in "R = 4" "User password = " "print low resolution: allowed" \
    "print high resolution: allowed" "extract for any purpose: not allowed" \
    "modify annotations: not allowed" "modify other: not allowed" \
    "modify anything: not allowed" "stream encryption method: AESv2" \
    "string encryption method: AESv2"; do
    grep -qxF "$line" <<<"$encryption" ||
      xdo_fail "encryption of '$1': no line '$line' in: $encryption"
  done
}
check_encryption "$pdf"

# Expected heights, worked out here from the receiver constants (metres):
# ARP = sqrt(Hm² − r²) − HR1 (R1), sqrt(Hm² − Placa²) (R2), Hm (R3); phase
# centre = ARP + (L1 + L2) / 2; both rounded to 4 decimals and shown so.
heights() { # mode Hm r HR1 Placa L1 L2
  awk -v m="$1" -v hm="$2" -v r="$3" -v hr1="$4" -v placa="$5" \
    -v l1="$6" -v l2="$7" 'BEGIN {
      if (m == "R1") arp = sqrt(hm * hm - r * r) - hr1
      else if (m == "R2") arp = sqrt(hm * hm - placa * placa)
      else arp = hm
      pc = arp + (l1 + l2) / 2
      printf "%.4f m %.4f m\n", arp, pc
    }'
}
# Each page shows its row: code, receiver, field notes and both results,
# each on a line of its own.
check_page() { # page code receiver tipo accessory reference Hm ARP PC
  local text want
  text=$(pdftotext -f "$1" -l "$1" "$pdf" - 2>/dev/null)
  grep -qF "RECEPTOR GNSS: $3 |" <<<"$text" ||
    xdo_fail "page $1: no receiver '$3' in: $text"
  for want in "PUNTO: $2" "$4" "$5" "ALTURA MEDIDA ($6):" "$7" "$8" "$9"; do
    grep -qxF "$want" <<<"$text" ||
      xdo_fail "page $1 (code $2): no line '$want' in: $text"
  done
}
read -r arp1 _ pc1 _ <<<"$(heights R1 1.5 0.067 0.07 0.12 0.084 0.08)"
read -r arp2 _ pc2 _ <<<"$(heights R2 1.6 0.0667 0.0665 0.13 0.087 0.087)"
read -r arp3 _ pc3 _ <<<"$(heights R3 2 0.025 0.0 0.12 0.262 0.264)"
# The worked example for R300, slant to R1 at 1.5: ARP 1.4285, centre 1.5105.
[ "$arp1 $pc1" = "1.4285 1.5105" ] || xdo_fail "expected values: $arp1 $pc1"
check_page 1 100 "QUENTARO R300" INCLINADA TRÍPODE R1 "1.5000 m" "$arp1 m" "$pc1 m"
check_page 2 101 "QUENTARO R700" INCLINADA "BÍPODE Y BASTÓN" R2 "1.6000 m" \
  "$arp2 m" "$pc2 m"
check_page 3 0105 "QUENTARO R100" VERTICAL BASTÓN R3 "2.0000 m" "$arp3 m" \
  "$pc3 m"

xdo_step "check the viewer was asked to open the report"
xdo_wait_file "$ZARVEK_E2E_OPENED"
opened=$(cat "$ZARVEK_E2E_OPENED")
[ "$opened" = "$pdf" ] ||
  xdo_fail "xdg-open was given '$opened', expected '$pdf'"

# --- Tab 3 and the photo report -----------------------------------------
xdo_step "photos in the stage folders of points 100 and 101"
fotos="$root/3. FOTOGRAFIAS"
# Small distinct photos: the report must hold each of them once.
photo() { # file colour colour
  convert -size 800x600 "gradient:$2-$3" -quality 85 "$1" ||
    xdo_fail "convert could not make '$1'"
}
p100="$fotos/100" p101="$fotos/101"
photo "$p100/1. EQUIPO GNSS/IMG_1001.jpg" red blue
photo "$p100/1. EQUIPO GNSS/IMG_1002.jpg" green yellow
photo "$p100/3. PROFUNDIDAD/IMG_1003.png" navy orange
photo "$p100/7. MEDICIÓN DE ALTURA DE ANTENA/IMG_1004.jpg" purple white
photo "$p101/2. PROCESO DE MONUMENTACIÓN/IMG_2001.jpg" black cyan
photo "$p101/5. INCRUSTACIÓN DEL DISCO DE BRONCE/IMG_2002.jpg" brown pink
photo "$p101/08. FOTOGRAFÍAS PANORÁMICAS/IMG_2003.jpg" olive teal
photo "$p101/08. FOTOGRAFÍAS PANORÁMICAS/PANO_2004.jpg" gold gray
photos_in=8
# IMG_1001 was taken turned a quarter (Orientation 6: shown upright, it is
# 600 wide and 800 high) and carries its date and position; IMG_2001 its
# date only; the others have none, so their captions give the file's date.
exiftool -q -overwrite_original -DateTimeOriginal='2025:03:14 09:26:53' \
  -Orientation#=6 -GPSLatitude=40.416775 -GPSLatitudeRef=N \
  -GPSLongitude=3.70379 -GPSLongitudeRef=W \
  "$p100/1. EQUIPO GNSS/IMG_1001.jpg" || xdo_fail "exiftool on IMG_1001"
exiftool -q -overwrite_original -DateTimeOriginal='2025:03:15 16:05:00' \
  "$p101/2. PROCESO DE MONUMENTACIÓN/IMG_2001.jpg" ||
  xdo_fail "exiftool on IMG_2001"
# A video, and a text file named like a photo, which is none.
head -c 1300000 /dev/zero >"$p100/09. VIDEOS/VID_1005.mp4"
echo "no es una foto" >"$p101/6. DISCO INSTALADO/NOTA.jpg"

zv_tab3
xdo_shot tab3

zv_generate_photo_report
xdo_shot photo-report-done
photo_pdf="$fotos/REPORTAJE FOTOGRÁFICO.pdf"
xdo_step "check the viewer was asked to open the photo report"
# The stub's second line: the height report was the first.
deadline=$((SECONDS + XDO_TIMEOUT))
until [ "$(wc -l <"$ZARVEK_E2E_OPENED")" -ge 2 ]; do
  [ $SECONDS -lt $deadline ] ||
    xdo_fail "xdg-open was not called for the photo report: $(cat "$ZARVEK_E2E_OPENED")"
  sleep 0.05
done
opened=$(sed -n 2p "$ZARVEK_E2E_OPENED")
[ "$opened" = "$photo_pdf" ] ||
  xdo_fail "xdg-open was given '$opened', expected '$photo_pdf'"

xdo_step "check the photo report"
[ -s "$photo_pdf" ] || xdo_fail "no photo report at '$photo_pdf'"
cp "$photo_pdf" "$XDO_SHOTS/photo-report.pdf"
qpdf --check "$photo_pdf" >"$work/check.txt" 2>&1 ||
  xdo_fail "qpdf --check: $(cat "$work/check.txt")"
check_encryption "$photo_pdf"

# One image per photo; the first, IMG_1001, turned upright (portrait), the
# others landscape as they were taken.
pdfimages -list "$photo_pdf" | tail -n +3 >"$work/images.txt"
images=$(wc -l <"$work/images.txt")
[ "$images" -eq "$photos_in" ] ||
  xdo_fail "$images images, expected $photos_in: $(cat "$work/images.txt")"
awk 'NR == 1 && $4 >= $5 || NR > 1 && $4 <= $5 { bad = 1 } END { exit bad }' \
  "$work/images.txt" ||
  xdo_fail "only the first image should be portrait: $(cat "$work/images.txt")"

# The first page prints the tab's matrix: a row per point with its photo
# counts per stage (videos, then warnings, last; none here), ALTURA from
# tab 2's rows. Above it the tab's count: 24 lacks in the points (no NATIVA
# or RINEX files anywhere; 5, 5 and 8 empty stages: the text file NOTA.jpg
# is no photo) and 6 among the project items, this report still missing;
# under it each of them on a line of its own.
pdftotext -layout -f 1 -l 1 "$photo_pdf" - | tr -s ' ' | sed 's/^ //; s/ $//' \
  >"$work/photo-page1.txt"
for want in "PUNTO NATIVA RINEX SESIÓN ALTURA 1 2 3 4 5 6 7 08 09 AVISOS" \
  "100 0 — — $arp1 2 0 1 0 0 0 1 0 1" "101 0 — — $arp2 0 1 0 0 1 0 0 2 0" \
  "0105 0 — — $arp3 0 0 0 0 0 0 0 0 0"; do
  grep -qxF "$want" "$work/photo-page1.txt" ||
    xdo_fail "photo report page 1: no row '$want' in: $(cat "$work/photo-page1.txt")"
done
for want in "FALTAN 30 ELEMENTOS EN 3 PUNTOS:" "ELEMENTOS QUE FALTAN (30):" \
  "PUNTO 100: SIN ARCHIVOS EN NATIVA"; do
  grep -qxF "$want" "$work/photo-page1.txt" ||
    xdo_fail "photo report page 1: no line '$want' in: $(cat "$work/photo-page1.txt")"
done

# Each photo's caption: its name, its stage and when it was taken, on
# lines of their own; a photo without a date of its own gives its file's.
pdftotext "$photo_pdf" "$work/photo-report.txt"
caption() { # file stage when...
  local name=${1##*/} stage=$2
  shift 2
  awk -v name="$name" -v stage="$stage" -v when="$*" '
    $0 == name { getline a; getline b; if (a == stage && b == when) ok = 1 }
    END { exit !ok }' "$work/photo-report.txt" ||
    xdo_fail "photo report: no caption '$name / $stage / $*'"
}
file_date() { date -d "@$(stat -c %Y "$1")" '+%d/%m/%Y %H:%M:%S'; }
mark="(FECHA DEL ARCHIVO)"
for f in "$p100/1. EQUIPO GNSS/IMG_1002.jpg" "$p100/3. PROFUNDIDAD/IMG_1003.png" \
  "$p100/7. MEDICIÓN DE ALTURA DE ANTENA/IMG_1004.jpg" \
  "$p101/5. INCRUSTACIÓN DEL DISCO DE BRONCE/IMG_2002.jpg" \
  "$p101/08. FOTOGRAFÍAS PANORÁMICAS/IMG_2003.jpg" \
  "$p101/08. FOTOGRAFÍAS PANORÁMICAS/PANO_2004.jpg"; do
  stage=${f%/*}
  caption "$f" "${stage##*/}" "$(file_date "$f") $mark"
done
caption IMG_1001.jpg "1. EQUIPO GNSS" "14/03/2025 09:26:53"
caption IMG_2001.jpg "2. PROCESO DE MONUMENTACIÓN" "15/03/2025 16:05:00"
for want in "GPS: 40.416775° N, 3.703790° O" "VÍDEO: VID_1005.mp4 — 1.3 MB"; do
  grep -qxF "$want" "$work/photo-report.txt" ||
    xdo_fail "photo report: no line '$want'"
done
# Every stage without photos says so: 5 of point 100 (its videos' stage
# holds a video), 5 of 101 and 8 of 0105; the empty videos' stages of 101
# and 0105 say they have none.
empty=$(grep -cxF "SIN FOTOGRAFÍAS" "$work/photo-report.txt" || true)
[ "$empty" -eq 18 ] ||
  xdo_fail "$empty stages say SIN FOTOGRAFÍAS, expected 18"
empty=$(grep -cxF "SIN VÍDEOS" "$work/photo-report.txt" || true)
[ "$empty" -eq 2 ] || xdo_fail "$empty stages say SIN VÍDEOS, expected 2"
! grep -qF "NOTA.jpg" "$work/photo-report.txt" ||
  xdo_fail "photo report: the text file NOTA.jpg is shown as a photo"

xdo_step "close the program"
zv_stop
[ -z "$(jobs -pr)" ] || xdo_fail "processes left running: $(jobs -pr)"
echo "end-to-end run: $((SECONDS - started)) s"
echo "1 passed, 0 failed"
