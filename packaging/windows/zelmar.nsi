; Zelmar's Windows installer (makensis, as scripts/package-windows runs it). Puts zelmar.scr in
; the system folder, where the Screen Saver Settings list finds it, and the textures in the
; installation folder, which it records as Install_Dir in the machine's settings; the uninstaller
; takes all of it away again. /S installs (and uninstalls) without asking.
;
; Defines: SCR (the built zelmar.scr), MEDIA (the media tree: textures\, tabletextures\),
; VERSION, OUTFILE.

!ifndef SCR | MEDIA | VERSION | OUTFILE
  !error "run through scripts/package-windows (SCR, MEDIA, VERSION and OUTFILE are needed)"
!endif

; A 64-bit installer for a 64-bit program: $SYSDIR is then the real System32 and the registry
; the 64-bit view that zelmar.scr reads, with no redirection to undo.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelmar"
!define SETTINGS_KEY "SOFTWARE\Zelmar"

Name "Zelmar"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zelmar"
; A reinstall goes where the last one went.
InstallDirRegKey HKLM "${SETTINGS_KEY}" "Install_Dir"
RequestExecutionLevel admin
ShowInstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Zelmar"
VIAddVersionKey "FileDescription" "Zelmar screen saver setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Zelmar team"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Zelmar"
  SetOutPath "$INSTDIR"
  File /r "${MEDIA}\textures"
  File /r "${MEDIA}\tabletextures"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$SYSDIR"
  File "/oname=zelmar.scr" "${SCR}"

  ; The one value the program does not write itself; the rest take their defaults until a user
  ; saves the dialog (into that user's own key).
  WriteRegStr HKLM "${SETTINGS_KEY}" "Install_Dir" "$INSTDIR"

  ; Apps & features / Add or Remove Programs.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zelmar screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Zelmar team"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\zelmar.scr"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SYSDIR\zelmar.scr"
  ; Only what the installer put there: a folder the user chose may hold other files.
  RMDir /r "$INSTDIR\textures"
  RMDir /r "$INSTDIR\tabletextures"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  ; The settings of the user who uninstalls; other users' keys are out of an uninstaller's reach
  ; while they are not logged on.
  DeleteRegKey HKCU "Software\Zelmar"
SectionEnd
