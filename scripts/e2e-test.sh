#!/usr/bin/env bash
# End-to-end test: drives the built program only through the X server, as a
# person would, on its own Xvfb display. Tab 1 previews three codes from
# 100, edits the third to "0105" and creates the folder tree under a root
# whose path holds a space, an accent and a "$", picked in the real
# directory chooser; tab 2 fills one row of each measurement mode and writes
# the report, which is then checked with qpdf, pdfinfo and pdftotext. The
# program's xdg-open is a stub that records its argument.
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

encryption=$(qpdf --show-encryption "$pdf")
for line in "R = 4" "User password = " "print low resolution: allowed" \
  "print high resolution: allowed" "extract for any purpose: not allowed" \
  "modify annotations: not allowed" "modify other: not allowed" \
  "modify anything: not allowed" "stream encryption method: AESv2" \
  "string encryption method: AESv2"; do
  grep -qxF "$line" <<<"$encryption" ||
    xdo_fail "encryption: no line '$line' in: $encryption"
done

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

xdo_step "close the program"
zv_stop
[ -z "$(jobs -pr)" ] || xdo_fail "processes left running: $(jobs -pr)"
echo "end-to-end run: $((SECONDS - started)) s"
echo "1 passed, 0 failed"
