; The Windows installer: a welcome page, the folder page and a finish page
; that starts the program and offers a desktop shortcut; the program's folder
; under Program Files, a Start-menu entry with the program's icon, and an
; uninstaller registered with Windows. Neither the installer nor the
; uninstaller touches the folder while the program runs from it. Built by scripts/build-windows.sh, which defines VERSION,
; SOURCE (the folder made by "cmake --install") and OUTFILE.
; A 64-bit installer for the 64-bit program (and for Wine without 32-bit
; support, as on the build machine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

; What a user sees is the product, QUENTARO, as the window calls itself;
; Zarvek, its maker, is the publisher. The folder under Program Files and
; the uninstall key keep the names of earlier versions, so that an update
; goes where the program already is and replaces its entry in the Apps list
; rather than adding a second one.
!define APPNAME "QUENTARO"
!define MAKER "Zarvek"
; The shortcuts of earlier versions, named after the maker.
!define OLDLINK "Zarvek Certificación.lnk"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zarvek-certificacion"

; The pages name the program; the window's title and the welcome text also
; give its version.
Name "${APPNAME}"
Caption "Instalación de ${APPNAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zarvek Certificacion"
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
Icon "${SOURCE}\zarvek.ico"
UninstallIcon "${SOURCE}\zarvek.ico"
ShowInstDetails show
; The pages' bottom line names nothing but the program (NSIS puts its own
; name and version there otherwise).
BrandingText " "

!include "MUI2.nsh"
!define MUI_ICON "${SOURCE}\zarvek.ico"
!define MUI_UNICON "${SOURCE}\zarvek.ico"
!define MUI_WELCOMEPAGE_TEXT "Este asistente instalará ${APPNAME} ${VERSION} en su equipo.$\r$\n$\r$\nPulse Siguiente para continuar."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; "Ejecutar" is checked. The desktop shortcut is offered unchecked: the
; Start-menu entry is always made, and the desktop is left to the user's
; own choice unless asked.
!define MUI_FINISHPAGE_RUN "$INSTDIR\zarvek.exe"
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Crear un acceso directo en el escritorio"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION CreateDesktopShortcut
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

; The installer's own version information, from the same VERSION.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SPANISH} "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=${LANG_SPANISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SPANISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SPANISH} "FileDescription" "Instalación de ${APPNAME}"
VIAddVersionKey /LANG=${LANG_SPANISH} "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=${LANG_SPANISH} "LegalCopyright" "${MAKER}"

; A running program: Windows refuses to open a running executable for
; writing, so a zarvek.exe in the folder that cannot be opened so is a copy
; started from there. Files in use would stay behind (the uninstaller) or
; not be replaced (the installer) while the box reported success, so both
; ask until the program is closed; Cancel (the silent answer) stops them
; before anything is changed, with exit code 2.
!macro WAIT_FOR_CLOSED_PROGRAM un what
Function ${un}WaitForClosedProgram
  IfFileExists "$INSTDIR\zarvek.exe" 0 closed
  try:
    ClearErrors
    FileOpen $0 "$INSTDIR\zarvek.exe" a
    IfErrors running
    FileClose $0
    Goto closed
  running:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${APPNAME} ESTÁ ABIERTO. CIÉRRELO Y PULSE REINTENTAR, O PULSE CANCELAR PARA NO ${what}." \
      /SD IDCANCEL IDRETRY try
    SetErrorLevel 2
    Abort "${APPNAME} ESTÁ ABIERTO: NO SE CAMBIÓ NADA."
  closed:
FunctionEnd
!macroend
!insertmacro WAIT_FOR_CLOSED_PROGRAM "" "INSTALAR"
!insertmacro WAIT_FOR_CLOSED_PROGRAM "un." "DESINSTALAR"

Function CreateDesktopShortcut
  CreateShortcut "$DESKTOP\${APPNAME}.lnk" "$INSTDIR\zarvek.exe" "" \
    "$INSTDIR\zarvek.exe" 0
FunctionEnd

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Programa"
  Call WaitForClosedProgram
  ; Over an earlier installation (its uninstaller is there), Tcl/Tk's
  ; library is replaced whole, so that exactly the new version's files stay.
  IfFileExists "$INSTDIR\uninstall.exe" 0 +2
    RMDir /r "$INSTDIR\lib"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; An earlier version's shortcuts under the maker's name give way to the
  ; product's; a desktop shortcut the user had is kept, renamed.
  Delete "$SMPROGRAMS\${OLDLINK}"
  IfFileExists "$DESKTOP\${OLDLINK}" 0 +3
    Delete "$DESKTOP\${OLDLINK}"
    Call CreateDesktopShortcut
  CreateShortcut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\zarvek.exe" "" \
    "$INSTDIR\zarvek.exe" 0
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\zarvek.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there is removed: a user's projects never
; live in the program's folder, but nothing else is deleted blindly either.
Section "Uninstall"
  Call un.WaitForClosedProgram
  ; The program first: should it have been started since, nothing else
  ; is removed and the uninstaller can be run again.
  Delete "$INSTDIR\zarvek.exe"
  IfFileExists "$INSTDIR\zarvek.exe" 0 +3
    SetErrorLevel 2
    Abort "${APPNAME} ESTÁ ABIERTO: NO SE CAMBIÓ NADA."
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  Delete "$DESKTOP\${APPNAME}.lnk"
  Delete "$SMPROGRAMS\${OLDLINK}"
  Delete "$DESKTOP\${OLDLINK}"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\zarvek.ico"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir /r "$INSTDIR\lib"
  RMDir /r "$INSTDIR\resources"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
