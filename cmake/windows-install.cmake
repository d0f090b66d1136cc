# The Windows program is one folder: zarvek.exe, Tcl/Tk's DLLs beside it,
# their library scripts under lib\, and the pictures under resources\. The
# installer (scripts/build-windows.sh, packaging/windows/installer.nsi) and
# the zip hold exactly what "cmake --install" puts into that folder.
install(TARGETS zarvek RUNTIME DESTINATION .)
install(FILES ${ZARVEK_WIN_DLLS} DESTINATION .)
install(FILES ${RESOURCE_PNGS} DESTINATION resources)
install(FILES ${ZARVEK_ICON} DESTINATION . RENAME zarvek.ico)
install(FILES packaging/copyright DESTINATION . RENAME LICENSE.txt)

# Of Tcl/Tk's library (about 920 files), only what the program loads: what
# Tcl and Tk source when they start, what the program's widgets and dialogs
# load on use, and what a user's keys load. Measured by running the whole
# job on the installed program under Wine with a trace of every file opened
# (WINEDEBUG=+file); scripts/test-windows.sh runs that job on exactly this
# set and fails on any script error. Time zones, clock formats, the other
# encodings and languages, Tk's own dialogs and file boxes (Windows shows
# native ones), the demos and the packages the program never requires stay
# out. A file added here needs a reason.
set(ZARVEK_WIN_TCL_LIB ${ZARVEK_WIN_PREFIX}/lib)
install(FILES
  # Tcl_Init: the start-up script and the procedures it loads on demand
  # (tclIndex): auto_load and tcl_findLibrary, which finds Tk's scripts.
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/init.tcl
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/tclIndex
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/auto.tcl
  # "package require": modules (msgcat) through tm.tcl; a package that is
  # not a module through package.tcl's search, which msgcat starts on
  # Windows when it asks for the registry package (absent: it falls back).
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/tm.tcl
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/package.tcl
  # Word moves and double-click selection in entries.
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/word.tcl
  DESTINATION lib/tcl8.6)
# Tcl starts in the system's ANSI code page (the program then switches to
# UTF-8; every file name goes to Windows as UTF-16). cp1252 is the one of
# Spanish and Latin American Windows; the other single-byte ANSI code pages
# (about 1 KB each) keep the start the same on any European Windows. The
# double-byte ones (Asian Windows, over 100 KB each) stay out: there Tcl
# starts in its default encoding until the switch, which reads the ASCII
# library scripts the same.
install(FILES
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1250.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1251.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1252.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1253.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1254.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1255.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1256.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1257.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp1258.enc
  ${ZARVEK_WIN_TCL_LIB}/tcl8.6/encoding/cp874.enc
  DESTINATION lib/tcl8.6/encoding)
# msgcat, which the program requires for Tk's texts in Spanish.
file(GLOB ZARVEK_WIN_MSGCAT ${ZARVEK_WIN_TCL_LIB}/tcl8/8.5/msgcat-*.tm)
install(FILES ${ZARVEK_WIN_MSGCAT} DESTINATION lib/tcl8/8.5)
install(FILES
  # Tk_Init: tk.tcl and the class bindings it sources at start.
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/tk.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/icons.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/button.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/entry.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/listbox.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/menu.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/panedwindow.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/scale.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/scrlbar.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/spinbox.tcl
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/text.tcl
  # Tk's procedures loaded on demand: Tab and Shift+Tab between fields.
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/tclIndex
  ${ZARVEK_WIN_TCL_LIB}/tk8.6/focus.tcl
  DESTINATION lib/tk8.6)
# Tk's texts in the program's language (msgcat locale "es").
install(FILES ${ZARVEK_WIN_TCL_LIB}/tk8.6/msgs/es.msg DESTINATION lib/tk8.6/msgs)
# ttk: ttk.tcl sources every widget's bindings (the notebook and combobox
# among them) and the themes of Windows and the portable ones (the program
# draws with clam); only the macOS theme is never loaded.
install(DIRECTORY ${ZARVEK_WIN_TCL_LIB}/tk8.6/ttk DESTINATION lib/tk8.6
        PATTERN aquaTheme.tcl EXCLUDE)
