# The Windows program is one folder: zarvek.exe, Tcl/Tk's DLLs beside it,
# their library scripts under lib\, and the pictures under resources\. The
# installer (scripts/build-windows.sh, packaging/windows/installer.nsi) and
# the zip hold exactly what "cmake --install" puts into that folder.
install(TARGETS zarvek RUNTIME DESTINATION .)
install(FILES ${ZARVEK_WIN_DLLS} DESTINATION .)
install(DIRECTORY ${ZARVEK_WIN_PREFIX}/lib/tcl8 ${ZARVEK_WIN_PREFIX}/lib/tcl8.6
                  ${ZARVEK_WIN_PREFIX}/lib/tk8.6
        DESTINATION lib PATTERN demos EXCLUDE)
install(FILES ${RESOURCE_PNGS} DESTINATION resources)
install(FILES ${ZARVEK_ICON} DESTINATION . RENAME zarvek.ico)
install(FILES packaging/copyright DESTINATION . RENAME LICENSE.txt)
