#!/usr/bin/env bash
# The Windows program under Wine, on a virtual X display of its own: builds
# it (scripts/build-windows.sh), runs the cross-built test programs, checks
# the report that the end-to-end window test wrote, installs the installer,
# starts the installed program and the unpacked zip from another folder,
# takes screenshots, and uninstalls.
# Screenshots and the report go to build-win/artifacts.
# Usage: scripts/test-windows.sh [BUILD_DIR]   (default: build-win)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "${1:-$ROOT/build-win}")
if [ -z "${ZARVEK_WIN_INNER:-}" ]; then
  bash "$ROOT/scripts/build-windows.sh" "$BUILD"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    env ZARVEK_WIN_INNER=1 bash "$0" "$BUILD"
fi

VERSION=$(sed -nE 's/^project\(zarvek_certificacion VERSION ([0-9.]+).*/\1/p' "$ROOT/CMakeLists.txt")
NAME=zarvek-certificacion-$VERSION-win64
# The start of the window title (a regular expression for xdotool).
TITLE_START="QUENTARO - GESTIÓN DE EXPEDIENTE Y CERTIFICACIÓN DE PG"
ART=$BUILD/artifacts
rm -rf "$ART"
mkdir -p "$ART"

# A Wine prefix of our own; no Mono or Gecko prompts, no desktop menus.
export WINEPREFIX=$BUILD/wine WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
step() { echo "== $*"; }
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
step "Wine prefix"
wineboot -i >/dev/null 2>&1
wineserver -w

step "test programs"
ctest --test-dir "$BUILD/app" --output-on-failure

# Starts a program under Wine, waits for the main window and screenshots it.
# start_and_shot <exe (Windows path)> <working folder> <shot name>
start_and_shot() {
  (cd "$2" && exec wine "$1") >/dev/null 2>&1 &
  local pid=$! window=""
  for _ in $(seq 120); do
    window=$(xdotool search --name "^$TITLE_START" 2>/dev/null | head -n1) || true
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "$1 ended before showing its window"
    sleep 0.5
  done
  [ -n "$window" ] || fail "no window from $1"
  # The window is mapped; let Tk paint its first frame.
  sleep 3
  import -window "$window" "$ART/$3.png"
  # The second tab, opened by a click on its label.
  xdotool mousemove --window "$window" 390 140 click 1
  sleep 2
  import -window "$window" "$ART/$3-tab2.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -w
}

# The checks of a report of the three rows below: qpdf's view of it (pages,
# permissions, AES) and its text (codes, accented field notes, the worked
# results of the first row: slant 1.5 m to R1 on the R300).
check_report() {
  local pdf=$1 encryption text line
  [ -s "$pdf" ] || fail "no report at $pdf"
  qpdf --check "$pdf" >/dev/null || fail "qpdf --check $pdf"
  [ "$(qpdf --show-npages "$pdf")" = 3 ] || fail "$pdf: not 3 pages"
  encryption=$(qpdf --show-encryption "$pdf")
  for line in "R = 4" "print high resolution: allowed" \
    "modify anything: not allowed" "extract for any purpose: not allowed" \
    "stream encryption method: AESv2" "string encryption method: AESv2"; do
    grep -qxF "$line" <<<"$encryption" || fail "$pdf: no '$line' in: $encryption"
  done
  # Accented texts pass through the PDF's WinAnsi encoding.
  text=$(pdftotext "$pdf" -)
  for line in "PUNTO: 100" "PUNTO: 101" "PUNTO: 102" "TRÍPODE" \
    "BÍPODE Y BASTÓN" "BASTÓN" "1.429 m" "1.510 m"; do
    grep -qxF "$line" <<<"$text" || fail "$pdf has no line '$line'"
  done
}

# Waits for a window whose title matches $1 and prints its id.
wait_window() {
  local id
  for _ in $(seq 80); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  fail "no window '$1'"
}

# The whole job as a person does it, with the mouse and the keyboard only,
# on the installed program: three codes from 100, the tree made under a
# folder with accents and spaces typed into Windows' folder chooser, one row
# of each kind of measurement, the report. Positions are those of the
# 950x700 window (the same layout as on Linux, scripts/lib-xdo.sh).
e2e_installed() {
  local project="$WINEPREFIX/drive_c/users/Public/Begoña/Obras Topografía/Red ávila"
  rm -rf "$WINEPREFIX/drive_c/users/Public/Begoña"
  mkdir -p "$project"
  (cd "$ART" && exec wine "$target") >/dev/null 2>&1 &
  local pid=$! w
  w=$(wait_window "^$TITLE_START")
  sleep 2
  click() { xdotool mousemove --window "$w" "$1" "$2" click 1; }
  click 248 221 && xdotool type --delay 60 3
  click 248 250 && xdotool type --delay 60 100
  click 835 287
  sleep 1
  click 475 656
  wait_window "^Select Folder" >/dev/null
  sleep 1
  xdotool type --delay 60 'C:\users\Public\Begoña\Obras Topografía\Red ávila'
  xdotool key Return
  wait_window "^ÉXITO" >/dev/null
  sleep 0.5
  xdotool key Return
  sleep 1
  click 390 140
  sleep 1
  # Entry $3 (0-based) of the read-only box of column $2 in row $1.
  choose() {
    local x y=$((310 + 22 * $1))
    case $2 in rec) x=223 ;; tipo) x=394 ;; acc) x=548 ;; ref) x=692 ;; esac
    click "$x" "$y"
    wait_window "^popdown" >/dev/null
    sleep 0.3
    xdotool key ctrl+Home
    for ((i = 0; i < $3; i++)); do xdotool key Down; done
    xdotool key Return
    sleep 0.5
  }
  fill() {
    choose "$1" rec "$2"
    choose "$1" tipo "$3"
    choose "$1" acc "$4"
    [ "$5" = - ] || choose "$1" ref "$5"
    click 790 $((310 + 22 * $1))
    xdotool type --delay 60 "$6"
  }
  fill 0 0 0 0 0 1.5 # R300 INCLINADA TRÍPODE R1 1.5
  fill 1 2 0 1 1 1.6 # R700 INCLINADA BÍPODE Y BASTÓN R2 1.6
  fill 2 5 1 1 - 2   # R100 VERTICAL BASTÓN R3 2
  import -window "$w" "$ART/windows-e2e-rows.png"
  click 475 656
  wait_window "^PDF GENERADO" >/dev/null
  sleep 0.5
  xdotool key Return
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -w

  local count
  count=$(find "$project" -mindepth 1 -type d | wc -l)
  [ "$count" -eq 47 ] || fail "$count folders under $project, expected 47"
  [ -d "$project/3. FOTOGRAFIAS/102/08. FOTOGRAFÍAS PANORÁMICAS" ] ||
    fail "no photo folder of point 102"
  cp "$project/2. DATOS GNSS/CONVERSION DE ALTURA.pdf" "$ART/report-installed.pdf"
  check_report "$ART/report-installed.pdf"
}

step "installer"
wine "$BUILD/$NAME-setup.exe" /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Zarvek Certificacion"
for f in zarvek.exe tcl86.dll tk86.dll lib/tcl8.6/init.tcl lib/tk8.6/tk.tcl \
  resources/LOGO_QUENTARO.png uninstall.exe; do
  [ -f "$installed/$f" ] || fail "installer left no $f"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
link="$menu/Zarvek Certificación.lnk"
[ -f "$link" ] || fail "no Start-menu entry at $link"
# The entry's target (the link keeps it as plain text too); the program is
# started through exactly that path below.
target=$(strings -n 8 "$link" | grep -m1 -x 'C:\\.*\\zarvek\.exe') ||
  fail "the Start-menu entry does not point at a zarvek.exe"
[ "$target" = 'C:\Program Files\Zarvek Certificacion\zarvek.exe' ] ||
  fail "the Start-menu entry points at $target"

step "installed program, started through its Start-menu entry's target from another folder"
start_and_shot "$target" "$ART" windows-installed

step "zip, unpacked under a folder with accents"
unpacked="$WINEPREFIX/drive_c/users/Public/Obras Topografía/Red ávila"
rm -rf "$unpacked"
mkdir -p "$unpacked"
unzip -q "$BUILD/$NAME.zip" -d "$unpacked"
start_and_shot "$(winepath -w "$unpacked/$NAME/zarvek.exe")" / windows-unpacked

# The whole job (three points, three rows, the report) through the window,
# by the window test program placed in the unpacked folder, so that it runs
# on the shipped Tcl/Tk, scripts and pictures; started from another folder.
step "end-to-end window test from the unpacked folder"
cp "$BUILD/app/zarvek_gui_tests.exe" "$unpacked/$NAME/"
(cd "$ART" && ZARVEK_E2E_OUT=$(winepath -w "$ART") wine \
  "$(winepath -w "$unpacked/$NAME/zarvek_gui_tests.exe")" \
  --gtest_filter='WindowsProgramTest.*') || fail "end-to-end window test"
rm "$unpacked/$NAME/zarvek_gui_tests.exe"

check_report "$ART/report.pdf"

step "end-to-end through the installed program's window"
e2e_installed

step "uninstaller"
wine "$installed/uninstall.exe" /S "_?=C:\\Program Files\\Zarvek Certificacion"
wineserver -w
[ ! -e "$installed/zarvek.exe" ] || fail "the uninstaller left zarvek.exe"
[ ! -e "$installed/lib" ] || fail "the uninstaller left lib"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
echo "Windows tests passed; screenshots in $ART"
