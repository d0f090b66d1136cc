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
# A program that crashes prints its backtrace and ends with an error,
# instead of waiting on a crash dialog that nobody will close.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
  /d 0 /f >/dev/null 2>&1
wineserver -w

step "test programs"
ctest --test-dir "$BUILD/app" --output-on-failure

# The 192-dpi window tests need a screen that holds their 1900x1400 window,
# which this one (1280x1024, the size the screenshots below are taken on)
# does not: they run on a display of their own, and Wine's processes are
# ended with it.
step "192-dpi window tests"
wineserver -w
(cd "$BUILD/app" &&
  xvfb-run -a -s "-screen 0 2560x1600x24" wine zarvek_gui_tests.exe \
    --gtest_filter='HighDensityTest.*:DossierHighDensityTest.*') ||
  fail "192-dpi window tests"
wineserver -k 2>/dev/null || true
wineserver -w

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
  # The document names the program that made it.
  pdfinfo "$pdf" | grep -qxE 'Creator: +QUENTARO V1\.1' ||
    fail "$pdf: Creator is not QUENTARO V1.1: $(pdfinfo "$pdf" | grep Creator)"
  # Accented texts pass through the PDF's WinAnsi encoding.
  text=$(pdftotext "$pdf" -)
  for line in "PUNTO: 100" "PUNTO: 101" "PUNTO: 102" "TRÍPODE" \
    "BÍPODE Y BASTÓN" "BASTÓN" "1.4285 m" "1.5105 m"; do
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
  # Errors in Tcl scripts (a library script missing from the install) go to
  # the program's standard error as "Error interno".
  (cd "$ART" && exec wine "$target") >/dev/null 2>"$ART/installed-stderr.txt" &
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
  # Observation files from a receiver's day, before the table is read:
  # point 100's with DELTA H 0 (gzip), point 101's with 1.5 (Unix
  # compress), none for point 102.
  local gnss="$project/2. DATOS GNSS" fixtures="$ROOT/rinex/testdata"
  cp "$fixtures/v304_zero.obs.gz" "$gnss/4. 100/RINEX/1000341a.26o.gz"
  cp "$fixtures/v211.26o.Z" "$gnss/5. 101/RINEX/1010341a.26o.Z"
  click 390 140
  sleep 1
  # Entry $3 (0-based) of the read-only box of column $2 in row $1.
  choose() {
    local x y=$((310 + 22 * $1))
    case $2 in rec) x=195 ;; tipo) x=338 ;; acc) x=468 ;; ref) x=587 ;; esac
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
    # A double click selects the (empty) entry's word, as a user replacing
    # a height does.
    xdotool mousemove --window "$w" 685 $((310 + 22 * $1)) click --repeat 2 1
    xdotool type --delay 60 "$6"
  }
  fill 0 0 0 0 0 1.5 # R300 INCLINADA TRÍPODE R1 1.5
  fill 1 2 0 1 1 1.6 # R700 INCLINADA BÍPODE Y BASTÓN R2 1.6
  fill 2 5 1 1 - 2   # R100 VERTICAL BASTÓN R3 2
  # Tab moves on from the last height.
  xdotool key Tab
  sleep 0.5
  import -window "$w" "$ART/windows-e2e-rows.png"
  click 384 656
  wait_window "^PDF GENERADO" >/dev/null
  sleep 0.5
  xdotool key Return
  sleep 1
  # The corrected copies, confirmed in the yes/no box: its focus starts on
  # "No", the default; shift+Tab takes it to "Yes" and space presses it.
  # The box that follows says how many copies were written.
  click 842 656
  local box
  box=$(wait_window "^CORREGIR RINEX")
  sleep 0.5
  xdotool key shift+Tab space
  for _ in $(seq 40); do
    xdotool search --onlyvisible --name "^CORREGIR RINEX" 2>/dev/null | grep -qvx "$box" && break
    sleep 0.25
  done
  sleep 0.5
  xdotool key Return
  for _ in $(seq 40); do
    xdotool search --onlyvisible --name "^CORREGIR RINEX" >/dev/null 2>&1 || break
    sleep 0.25
  done
  sleep 1
  import -window "$w" "$ART/windows-e2e-rinex.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -w
  ! grep -F "Error interno" "$ART/installed-stderr.txt" ||
    fail "the installed program reported errors (above)"

  local count
  count=$(find "$project" -mindepth 1 -type d | wc -l)
  # The tree's 47 and the two points' RINEX/CORREGIDO.
  [ "$count" -eq 49 ] || fail "$count folders under $project, expected 49"
  [ -d "$project/3. FOTOGRAFIAS/102/08. FOTOGRAFÍAS PANORÁMICAS" ] ||
    fail "no photo folder of point 102"
  cp "$project/2. DATOS GNSS/CONVERSION DE ALTURA.pdf" "$ART/report-installed.pdf"
  check_report "$ART/report-installed.pdf"
  check_rinex_copy "$gnss/4. 100/RINEX" 1000341a.26o.gz "$fixtures/v304_zero.obs.gz" \
    1000341a.26o.gz "gzip -dc" "$(report_arp "$ART/report-installed.pdf" 100)"
  check_rinex_copy "$gnss/5. 101/RINEX" 1010341a.26o.Z "$fixtures/v211.26o.Z" \
    1010341a.26o cat "$(report_arp "$ART/report-installed.pdf" 101)"
}

# The ARP height of point $2 in the report $1, to 4 decimals, from its line
# "ARP + Offset Promedio   1.4285 + 0.0820".
report_arp() {
  pdftotext -layout "$1" - |
    awk -v p="PUNTO: $2" 'index($0, p) { f = 1 } f && /ARP \+ Offset/ { print $(NF - 2); exit }'
}

# The original kept and its corrected copy equal to it but for DELTA H
# (columns 1-14 of its ANTENNA: DELTA H/E/N line), which holds the row's ARP
# height as F14.4.
# check_rinex_copy <RINEX folder> <original> <fixture> <copy> <copy reader> <ARP>
check_rinex_copy() {
  local dir=$1 original=$2 fixture=$3 copy=$4 read=$5 arp=$6
  cmp -s "$dir/$original" "$fixture" || fail "$dir/$original was changed"
  [ -f "$dir/CORREGIDO/$copy" ] || fail "no corrected copy $dir/CORREGIDO/$copy"
  local label='ANTENNA: DELTA H/E/N' a b field
  a=$(gzip -dc <"$fixture") # gzip reads Unix compress too
  b=$($read <"$dir/CORREGIDO/$copy")
  [ "$(grep -v "$label" <<<"$a")" = "$(grep -v "$label" <<<"$b")" ] ||
    fail "$copy differs from its original beyond the DELTA H line"
  [ "$(grep "$label" <<<"$a" | cut -c15-)" = "$(grep "$label" <<<"$b" | cut -c15-)" ] ||
    fail "$copy differs from its original beyond DELTA H"
  [[ $arp =~ ^[0-9]+\.[0-9]{4}$ ]] || fail "no ARP height to 4 decimals in the report: '$arp'"
  field=$(grep "$label" <<<"$b" | cut -c1-14)
  [ "$field" = "$(printf '%14s' "$arp")" ] ||
    fail "$copy: DELTA H field '$field', expected the report's ARP height $arp as F14.4"
}

# The version resource's texts (UTF-16) of a program: the line after $2.
version_text() { strings -el "$1" | grep -A1 -xF "$2" | sed -n 2p; }
step "versions of the program and of the installer: $VERSION"
for key in FileVersion ProductVersion; do
  for exe in "$BUILD/$NAME/zarvek.exe" "$BUILD/$NAME-setup.exe"; do
    [ "$(version_text "$exe" "$key")" = "$VERSION" ] ||
      fail "$exe: $key '$(version_text "$exe" "$key")', expected $VERSION"
  done
done
# What Windows shows of the program (Task Manager, Explorer's details) is
# the product's name; the maker is the company.
for exe in "$BUILD/$NAME/zarvek.exe" "$BUILD/$NAME-setup.exe"; do
  [ "$(version_text "$exe" ProductName)" = QUENTARO ] ||
    fail "$exe: ProductName '$(version_text "$exe" ProductName)', expected QUENTARO"
  [ "$(version_text "$exe" CompanyName)" = Zarvek ] ||
    fail "$exe: CompanyName '$(version_text "$exe" CompanyName)', expected Zarvek"
done
identity=$(strings -n 6 "$BUILD/$NAME/zarvek.exe" | tr -d '\n' |
  grep -o '<assemblyIdentity type="win32" name="Zarvek.Certificacion"[^>]*>') ||
  fail "zarvek.exe has no manifest of its own"
grep -qF "version=\"$VERSION.0\"" <<<"$identity" ||
  fail "zarvek.exe's manifest: $identity, expected version $VERSION.0"

step "installer"
wine "$BUILD/$NAME-setup.exe" /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Zarvek Certificacion"
for f in zarvek.exe tcl86.dll tk86.dll lib/tcl8.6/init.tcl lib/tk8.6/tk.tcl \
  resources/LOGO_QUENTARO.png uninstall.exe; do
  [ -f "$installed/$f" ] || fail "installer left no $f"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
link="$menu/QUENTARO.lnk"
[ -f "$link" ] || fail "no Start-menu entry at $link"
# The entry's target (the link keeps it as plain text too); the program is
# started through exactly that path below.
target=$(strings -n 8 "$link" | grep -m1 -x 'C:\\.*\\zarvek\.exe') ||
  fail "the Start-menu entry does not point at a zarvek.exe"
[ "$target" = 'C:\Program Files\Zarvek Certificacion\zarvek.exe' ] ||
  fail "the Start-menu entry points at $target"
# The Apps list names the product, and its maker as the publisher.
apps=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\zarvek-certificacion' 2>/dev/null | tr -d '\r')
grep -qE '^\s+DisplayName\s+REG_SZ\s+QUENTARO$' <<<"$apps" ||
  fail "Apps list: no DisplayName QUENTARO in: $apps"
grep -qE '^\s+Publisher\s+REG_SZ\s+Zarvek$' <<<"$apps" ||
  fail "Apps list: no Publisher Zarvek in: $apps"

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
# The photo report of the same run: protected like the other, the two
# photos in it (the 12-megapixel one at 150 dpi in its box, the small one
# as it is), captioned, and the empty stages named.
photos=$ART/photos.pdf
qpdf --check "$photos" >/dev/null || fail "qpdf --check $photos"
# Read whole first: under pipefail, "qpdf | grep -q" fails whenever grep
# stops reading before qpdf has written its last line.
encryption=$(qpdf --show-encryption "$photos")
grep -q "extract for any purpose: not allowed" <<<"$encryption" ||
  fail "$photos: not protected"
images=$(pdfimages -list "$photos" | awk 'NR > 2 { print $4 "x" $5 }' | sort | tr '\n' ' ')
[ "$images" = "320x240 417x313 " ] || fail "$photos: images $images"
text=$(pdftotext -enc UTF-8 "$photos" -)
for line in IMG_0001.jpg "foto pequeña.jpg" "SIN FOTOGRAFÍAS"; do
  grep -qF "$line" <<<"$text" || fail "$photos: no \"$line\""
done

step "end-to-end through the installed program's window"
e2e_installed

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\zarvek-certificacion'
# The silent uninstaller runs from a copy of itself in the temporary
# folder; the one started returns at once. Waits for the copy to end.
uninstall() {
  wine "$installed/uninstall.exe" /S "_?=C:\\Program Files\\Zarvek Certificacion"
  for _ in $(seq 120); do
    pgrep -f '\\~nsu[^\\]*\.tmp\\' >/dev/null || return 0
    sleep 0.5
  done
  fail "the uninstaller did not end"
}
# Everything installed is still there and registered.
check_installed() {
  local f
  for f in zarvek.exe tcl86.dll tk86.dll lib/tcl8.6/init.tcl lib/tk8.6/tk.tcl \
    resources/LOGO_QUENTARO.png uninstall.exe; do
    [ -f "$installed/$f" ] || fail "$1: no $f"
  done
  [ -f "$link" ] || fail "$1: no Start-menu entry"
  wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "$1: no uninstall entry"
}

# While the program runs from its folder, neither the installer nor the
# uninstaller changes anything: asked to close it, the silent answer is
# Cancel, and both end with exit code 2.
step "installer and uninstaller while the installed program runs"
(cd "$ART" && exec wine "$target") >/dev/null 2>&1 &
running=$!
wait_window "^$TITLE_START" >/dev/null
echo "# changed after installing" >>"$installed/LICENSE.txt"
status=0
wine "$BUILD/$NAME-setup.exe" /S || status=$?
[ "$status" = 2 ] || fail "the installer over the running program ended with $status"
grep -qx "# changed after installing" "$installed/LICENSE.txt" ||
  fail "the installer overwrote files of the running program"
uninstall
check_installed "the uninstaller with the program running"
kill "$running" 2>/dev/null || true
wait "$running" 2>/dev/null || true
wineserver -w

# Closed, it is updated in place: the files are the new ones and a library
# file of an earlier version is gone.
# The earlier version's shortcuts were named after the maker: the one in
# the Start menu goes, the desktop one the user had is renamed.
step "installer over the closed program"
touch "$installed/lib/tcl8.6/earlier.tcl"
public_desktop="$WINEPREFIX/drive_c/users/Public/Desktop"
mkdir -p "$public_desktop"
cp "$link" "$menu/Zarvek Certificación.lnk"
cp "$link" "$public_desktop/Zarvek Certificación.lnk"
wine "$BUILD/$NAME-setup.exe" /S || fail "the installer over the closed program failed"
wineserver -w
[ ! -e "$menu/Zarvek Certificación.lnk" ] ||
  fail "the installer left the earlier Start-menu entry"
[ ! -e "$public_desktop/Zarvek Certificación.lnk" ] &&
  [ -f "$public_desktop/QUENTARO.lnk" ] ||
  fail "the installer did not rename the earlier desktop shortcut"
! grep -qx "# changed after installing" "$installed/LICENSE.txt" ||
  fail "the installer left an old LICENSE.txt"
[ ! -e "$installed/lib/tcl8.6/earlier.tcl" ] || fail "the installer left an old library file"
check_installed "the installer over the closed program"

step "uninstaller"
uninstall
wineserver -w
[ ! -e "$installed" ] || fail "the uninstaller left $(find "$installed" | head -n5)"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left its entry"

# The installer's pages, with the keyboard as a person goes through them:
# welcome, folder (Enter installs in the folder proposed), finish with
# "Ejecutar" checked (Enter starts the program) and the desktop shortcut
# unchecked. Screenshots of the pages go to the artifacts.
step "installer's pages"
wine "$BUILD/$NAME-setup.exe" >/dev/null 2>&1 &
setup=$!
page=$(wait_window "^Instalación de QUENTARO")
sleep 1
import -window "$page" "$ART/windows-setup-welcome.png"
xdotool key Return
sleep 1
import -window "$page" "$ART/windows-setup-folder.png"
xdotool key Return
for _ in $(seq 120); do
  [ -f "$installed/uninstall.exe" ] && break
  sleep 0.5
done
sleep 2
import -window "$page" "$ART/windows-setup-finish.png"
xdotool key Return
wait "$setup" || fail "the installer ended with $?"
wait_window "^$TITLE_START" >/dev/null
check_installed "the installer's pages"
desktop="$WINEPREFIX/drive_c/users/Public/Desktop"
[ ! -e "$desktop/QUENTARO.lnk" ] ||
  fail "a desktop shortcut was made though not asked for"
wineserver -k
uninstall
wineserver -w
[ ! -e "$installed" ] || fail "the second uninstall left $installed"
echo "Windows tests passed; screenshots in $ART"
