# shellcheck shell=bash
# Drives the built program through the X server with xdotool, as a person
# would: clicks at the places where the widgets are drawn, typing, Tab, arrow
# keys and Return. Sourced by e2e-test.sh and screenshots.sh, which run it on
# their own Xvfb display (1280x1024x24, no window manager).
#
# Without a window manager the main window sits at +0+0 with its initial
# 950x700, and the fonts are fixed on this machine, so every widget is at a
# known place. Widgets are named below by their X window's rectangle,
# "WIDTHxHEIGHT+X+Y" on the screen; before a widget is clicked the script
# waits until a viewable X window with exactly that rectangle exists (the
# rectangles were read once from `xwininfo -root -tree`). If the
# layout changes, the run stops with the widget's name instead of clicking
# into the wrong place.
#
# Every wait has a deadline; a failure names the step, saves a screenshot
# and lists the visible windows.

XDO_STEP="start"
XDO_SHOTS=""    # folder for screenshots; empty: none
XDO_SHOT_N=0
XDO_TIMEOUT=${XDO_TIMEOUT:-30}   # seconds, per wait
XDO_APP_PID=""
XDO_MAIN=""     # X id of the main window

readonly XDO_MAIN_TITLE='^QUENTARO - GESTI'
readonly XDO_MAIN_NAME='QUENTARO - GESTIÓN DE EXPEDIENTE Y CERTIFICACIÓN DE PG V1.1 (FREE)'
readonly XDO_CHOOSER_TITLE='^Elegir directorio$'

# Tab 1.
readonly W_NUM_PUNTOS="66x20+216+211"
readonly W_PREVIEW="158x26+755+276"
readonly W_BOTTOM_BUTTON="906x48+22+630"   # CREAR CARPETAS
readonly W_PDF_BUTTON="724x48+22+630"      # tab 2's report button
readonly XDO_TAB2_X=371 XDO_TAB2_Y=134     # the label of the second tab
readonly XDO_TAB3_X=560 XDO_TAB3_Y=134     # the label of the third tab
# Tab 3. The project items' labels are made when the first reading of the
# dossier is shown: "1. FORMULARIOS:", the first of them, marks its end.
readonly W_FIRST_ITEM="93x18+32+165"
readonly W_PHOTO_REPORT="292x48+121+598"   # GENERAR REPORTAJE FOTOGRÁFICO, above the photo limits

# Rectangle of the code entry of preview row $1 (1-based).
w_code_entry() { echo "126x20+53+$((344 + 24 * ($1 - 1)))"; }

# Rectangle of a cell of table row $1 (0-based); $2 is the column:
# rec, tipo, acc, ref or h.
w_cell() {
  local y=$((305 + 22 * $1))
  case $2 in
    rec) echo "146x20+122+$y" ;;
    tipo) echo "104x20+286+$y" ;;
    acc) echo "122x20+407+$y" ;;
    ref) echo "80x20+547+$y" ;;
    h) echo "78x20+646+$y" ;;
    *) xdo_fail "unknown column $2" ;;
  esac
}

xdo_step() {
  XDO_STEP=$1
  echo "-- $1"
}

# Saves a screenshot of the whole screen as NN-$1.png.
xdo_shot() {
  [ -n "$XDO_SHOTS" ] || return 0
  XDO_SHOT_N=$((XDO_SHOT_N + 1))
  import -window root "$XDO_SHOTS/$(printf '%02d' "$XDO_SHOT_N")-$1.png"
}

xdo_fail() {
  echo "FAILED at step '$XDO_STEP': $*" >&2
  if [ -n "${DISPLAY:-}" ]; then
    echo "visible windows:" >&2
    local id
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      echo "  $id $(xdotool getwindowname "$id" 2>/dev/null)" >&2
    done
    if [ -n "$XDO_SHOTS" ]; then
      import -window root "$XDO_SHOTS/FAILED.png" 2>/dev/null &&
        echo "screenshot: $XDO_SHOTS/FAILED.png" >&2
    fi
  fi
  exit 1
}

# Prints the id of a viewable window whose title matches the regular
# expression $1 once it is there; with $2, its title must be exactly $2.
# Tk stores a title's UTF-8 bytes in the Latin-1 WM_NAME that xdotool's
# search reads, so an accented letter in $1 would not match: patterns keep
# to ASCII and the exact title is read from _NET_WM_NAME.
xdo_wait_window() {
  local ids id name
  ids=$(timeout "$XDO_TIMEOUT" xdotool search --sync --onlyvisible \
    --name "$1" 2>/dev/null) ||
    xdo_fail "no window '${2:-$1}' after ${XDO_TIMEOUT} s"
  id=${ids%%$'\n'*}
  if [ -n "${2:-}" ]; then
    name=$(xdotool getwindowname "$id")
    [ "$name" = "$2" ] || xdo_fail "window titled '$name', expected '$2'"
  fi
  echo "$id"
}

# Waits until no viewable window's title matches $1.
xdo_wait_window_gone() {
  local deadline=$((SECONDS + XDO_TIMEOUT))
  while [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; do
    [ $SECONDS -lt $deadline ] ||
      xdo_fail "window '$1' still open after ${XDO_TIMEOUT} s"
    sleep 0.05
  done
}

# Succeeds when a viewable X window has exactly the rectangle $1.
xdo_viewable() {
  local size=${1%%+*} pos="+${1#*+}" id
  for id in $(xwininfo -root -tree 2>/dev/null | awk -v s="$size+" -v p="$pos" \
    'NF >= 3 && index($(NF - 1), s) == 1 && $NF == p { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' &&
      return 0
  done
  return 1
}

# Waits until the widget $2 (a rectangle) is shown; $1 names it.
xdo_wait_widget() {
  local deadline=$((SECONDS + XDO_TIMEOUT))
  until xdo_viewable "$2"; do
    [ $SECONDS -lt $deadline ] ||
      xdo_fail "widget '$1' not shown at $2 after ${XDO_TIMEOUT} s"
    sleep 0.05
  done
}

# Clicks the middle of the widget $2 (a rectangle) once it is shown.
xdo_click_widget() {
  xdo_wait_widget "$1" "$2"
  local size=${2%%+*} pos=${2#*+}
  local w=${size%x*} h=${size#*x} x=${pos%+*} y=${pos#*+}
  xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# Gives the keyboard to window $1 (no window manager does it for us).
xdo_focus() {
  timeout "$XDO_TIMEOUT" xdotool windowfocus --sync "$1" ||
    xdo_fail "could not give the keyboard to window $1"
}

xdo_type() { xdotool type --delay 40 -- "$1"; }

# Waits until the file $1 exists and is not empty.
xdo_wait_file() {
  local deadline=$((SECONDS + XDO_TIMEOUT))
  until [ -s "$1" ]; do
    [ $SECONDS -lt $deadline ] ||
      xdo_fail "file '$1' did not appear within ${XDO_TIMEOUT} s"
    sleep 0.05
  done
}

# Starts the program $1 in the folder $2 and waits for its main window.
zv_start() {
  xdo_step "start the program"
  (cd "$2" && exec "$1") &
  XDO_APP_PID=$!
  XDO_MAIN=$(xdo_wait_window "$XDO_MAIN_TITLE" "$XDO_MAIN_NAME")
  local geometry
  geometry=$(xwininfo -id "$XDO_MAIN" | awk '/-geometry/ { print $2 }')
  [ "$geometry" = "950x700+0+0" ] ||
    xdo_fail "main window at $geometry, expected 950x700+0+0"
  xdo_wait_widget "CANTIDAD DE PUNTOS entry" "$W_NUM_PUNTOS"
  xdo_focus "$XDO_MAIN"
}

# Ends the program and makes sure that its process is gone.
zv_stop() {
  [ -n "$XDO_APP_PID" ] || return 0
  kill -TERM "$XDO_APP_PID" 2>/dev/null || true
  local deadline=$((SECONDS + 10))
  while kill -0 "$XDO_APP_PID" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ]; then
      kill -KILL "$XDO_APP_PID" 2>/dev/null || true
      wait "$XDO_APP_PID" 2>/dev/null || true
      XDO_APP_PID=""
      xdo_fail "the program did not end on SIGTERM"
    fi
    sleep 0.05
  done
  wait "$XDO_APP_PID" 2>/dev/null || true
  XDO_APP_PID=""
}

# Tab 1: types the number of points $1 and the first code $2 and previews.
zv_preview() {
  xdo_step "tab 1: preview $1 codes from $2"
  xdo_focus "$XDO_MAIN"
  xdo_click_widget "CANTIDAD DE PUNTOS entry" "$W_NUM_PUNTOS"
  xdo_type "$1"
  xdotool key Tab   # to PRIMER CÓDIGO
  xdo_type "$2"
  xdo_click_widget "PREVISUALIZAR CÓDIGOS" "$W_PREVIEW"
  xdo_wait_widget "code entry $1" "$(w_code_entry "$1")"
}

# Tab 1: replaces the text of preview entry $1 (1-based) with $2.
zv_edit_code() {
  xdo_step "tab 1: code $1 becomes $2"
  xdo_click_widget "code entry $1" "$(w_code_entry "$1")"
  xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace \
    BackSpace BackSpace
  xdo_type "$2"
}

# Tab 1: CREAR CARPETAS, picks the folder $1 in the directory chooser and
# dismisses the success box.
zv_create_folders() {
  xdo_step "tab 1: CREAR CARPETAS"
  xdo_click_widget "CREAR CARPETAS" "$W_BOTTOM_BUTTON"
  local chooser
  chooser=$(xdo_wait_window "$XDO_CHOOSER_TITLE")
  xdo_focus "$chooser"
  xdo_step "directory chooser: type the root folder"
  # The "Selección:" entry has the keyboard and its text is selected.
  xdo_type "$1"
  xdo_shot chooser
  # The root does not exist yet: the chooser takes Return twice for such a
  # folder (the first only remembers the text) and then returns it.
  xdotool key Return
  xdotool key Return
  xdo_wait_window_gone "$XDO_CHOOSER_TITLE"
  xdo_step "tab 1: success box"
  local box
  box=$(xdo_wait_window 'XITO$' 'ÉXITO')
  xdo_shot exito
  xdo_focus "$box"
  xdotool key Return
  xdo_wait_window_gone 'XITO$'
  xdo_focus "$XDO_MAIN"
}

# Shows the second tab.
zv_tab2() {
  xdo_step "tab 2: show it"
  xdotool mousemove --sync "$XDO_TAB2_X" "$XDO_TAB2_Y" click 1
  xdo_wait_widget "PDF button" "$W_PDF_BUTTON"
  xdo_wait_widget "row 1 type box" "$(w_cell 0 tipo)"
}

# Chooses entry $3 (0-based, in list order) in the read-only combobox of
# column $2 of row $1: a click opens the list, Down moves, Return chooses.
zv_choose() {
  xdo_click_widget "row $(($1 + 1)) $2 box" "$(w_cell "$1" "$2")"
  xdo_wait_window '^popdown$' >/dev/null
  xdotool key ctrl+Home
  local i
  for ((i = 0; i < $3; i++)); do xdotool key Down; done
  xdotool key Return
  xdo_wait_window_gone '^popdown$'
  xdo_focus "$XDO_MAIN"
}

# Fills table row $1 (0-based): receiver, type, accessory and reference by
# their position in each list (a reference of "-" is left as the row
# preselects it) and the height text $6.
zv_fill_row() {
  xdo_step "tab 2: fill row $(($1 + 1))"
  zv_choose "$1" rec "$2"
  zv_choose "$1" tipo "$3"
  zv_choose "$1" acc "$4"
  [ "$5" = "-" ] || zv_choose "$1" ref "$5"
  xdo_click_widget "row $(($1 + 1)) height entry" "$(w_cell "$1" h)"
  xdo_type "$6"
}

# Clicks the report button and dismisses "PDF GENERADO".
zv_generate_report() {
  xdo_step "tab 2: CALCULAR Y GENERAR REPORTE PDF"
  xdo_click_widget "PDF button" "$W_PDF_BUTTON"
  local box
  box=$(xdo_wait_window '^PDF GENERADO$')
  xdo_shot pdf-generado
  xdo_focus "$box"
  xdotool key Return
  xdo_wait_window_gone '^PDF GENERADO$'
}

# Shows the third tab for the first time and waits until the dossier it
# reads then is shown.
zv_tab3() {
  xdo_step "tab 3: show it and wait for the dossier"
  xdotool mousemove --sync "$XDO_TAB3_X" "$XDO_TAB3_Y" click 1
  xdo_wait_widget "GENERAR REPORTAJE FOTOGRÁFICO" "$W_PHOTO_REPORT"
  xdo_wait_widget "first project item" "$W_FIRST_ITEM"
}

# Clicks the photo report button and dismisses the box that says it is
# saved.
zv_generate_photo_report() {
  xdo_step "tab 3: GENERAR REPORTAJE FOTOGRÁFICO"
  xdo_click_widget "GENERAR REPORTAJE FOTOGRÁFICO" "$W_PHOTO_REPORT"
  local box
  box=$(xdo_wait_window '^REPORTAJE FOTOGR' 'REPORTAJE FOTOGRÁFICO')
  xdo_shot reportaje-guardado
  xdo_focus "$box"
  xdotool key Return
  xdo_wait_window_gone '^REPORTAJE FOTOGR'
}
