; The Windows installer: the program's folder under Program Files, a
; Start-menu entry with the program's icon, and an uninstaller registered
; with Windows. Built by scripts/build-windows.sh, which defines VERSION,
; SOURCE (the folder made by "cmake --install") and OUTFILE.
; A 64-bit installer for the 64-bit program (and for Wine without 32-bit
; support, as on the build machine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define APPNAME "Zarvek Certificación"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zarvek-certificacion"

Name "${APPNAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zarvek Certificacion"
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
Icon "${SOURCE}\zarvek.ico"
UninstallIcon "${SOURCE}\zarvek.ico"
ShowInstDetails show

!include "MUI2.nsh"
!define MUI_ICON "${SOURCE}\zarvek.ico"
!define MUI_UNICON "${SOURCE}\zarvek.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Programa"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\zarvek.exe" "" \
    "$INSTDIR\zarvek.exe" 0
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "Zarvek"
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
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  Delete "$INSTDIR\zarvek.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\zarvek.ico"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir /r "$INSTDIR\lib"
  RMDir /r "$INSTDIR\resources"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
