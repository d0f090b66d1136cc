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
grep -qa "zarvek.exe" "$link" || fail "the Start-menu entry does not point at zarvek.exe"

step "installed program, started from another folder"
start_and_shot 'C:\Program Files\Zarvek Certificacion\zarvek.exe' "$ART" windows-installed

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

step "the report written under Wine"
pdf=$ART/report.pdf
[ -s "$pdf" ] || fail "the end-to-end window test left no report in $ART"
qpdf --check "$pdf" >/dev/null || fail "qpdf --check $pdf"
pages=$(qpdf --show-npages "$pdf")
[ "$pages" = 3 ] || fail "$pages pages, expected 3"
encryption=$(qpdf --show-encryption "$pdf")
for line in "R = 4" "print high resolution: allowed" \
  "modify anything: not allowed" "extract for any purpose: not allowed" \
  "stream encryption method: AESv2" "string encryption method: AESv2"; do
  grep -qxF "$line" <<<"$encryption" || fail "encryption: no '$line' in: $encryption"
done
# Accented texts pass through the PDF's WinAnsi encoding.
text=$(pdftotext "$pdf" -)
for line in "PUNTO: 100" "PUNTO: 101" "PUNTO: 102" "TRÍPODE" "BÍPODE Y BASTÓN" \
  "BASTÓN"; do
  grep -qxF "$line" <<<"$text" || fail "the report has no line '$line'"
done

step "uninstaller"
wine "$installed/uninstall.exe" /S "_?=C:\\Program Files\\Zarvek Certificacion"
wineserver -w
[ ! -e "$installed/zarvek.exe" ] || fail "the uninstaller left zarvek.exe"
[ ! -e "$installed/lib" ] || fail "the uninstaller left lib"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
echo "Windows tests passed; screenshots in $ART"
