; Zelmar's Windows installer (makensis, as scripts/package-windows runs it). Puts zelmar.scr in
; the system folder, where the Screen Saver Settings list finds it, and the textures in the
; installation folder, which it records as Install_Dir in the machine's settings; the uninstaller
; takes all of it away again. Pages: welcome, licence, folder, progress, and a finish page whose
; "Use Zelmar as my screen saver" (ticked) makes it the installing user's saver.
;
; Silent: "zelmar-setup.exe /S" installs without asking; "/S /SETSAVER" also makes Zelmar the
; installing user's screen saver, as the finish page's box does. "uninstall.exe /S" uninstalls.
;
; Defines: SCR (the built zelmar.scr), MEDIA (the media tree: textures\, tabletextures\),
; LICENSE (the licence text), VERSION, OUTFILE.

!ifndef SCR | MEDIA | LICENSE | VERSION | OUTFILE
  !error "run through scripts/package-windows (SCR, MEDIA, LICENSE, VERSION and OUTFILE are needed)"
!endif

; A 32-bit installer, so that on 32-bit Windows it runs and says plainly that Zelmar needs
; 64-bit Windows (a 64-bit installer would only get the system's own "can't run on your PC").
; On 64-bit Windows it turns off the file-system redirection of 32-bit programs in every thread
; that touches $SYSDIR, and reads and writes the registry's 64-bit view, so that the 64-bit
; saver goes into the real System32 and its settings where it reads them.
Target x86-unicode
SetCompressor /SOLID lzma

; With SIGN (a program that signs the file it is given in place), the uninstaller is signed
; before it goes into the installer.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

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
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 The Zelmar developers"

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup will install Zelmar ${VERSION}, a 3D screen saver of the solar \
system, and list it in Windows' Screen Saver Settings.$\r$\n$\r$\nA copy of Zelmar that is \
running (the screen saver or its preview in the settings) is ended before it is replaced.$\r$\n$\r$\n\
$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The finish page's box runs its function when ticked; it is ticked unless the user clears it.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Use Zelmar as my screen saver"
!define MUI_FINISHPAGE_RUN_FUNCTION UseAsScreenSaverAndShow
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Zelmar will be removed. A copy of it that is running (the \
screen saver or its preview in the settings) is ended first; if it is still Windows' screen \
saver, Windows goes back to none."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

!macro RequireWindows64
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "Zelmar needs a 64-bit edition of Windows, and this Windows is \
32-bit. Nothing was changed." /SD IDOK
    Abort
  ${EndIf}
  ${DisableX64FSRedirection}
  SetRegView 64
!macroend

Function .onInit
  !insertmacro RequireWindows64
FunctionEnd

Function un.onInit
  !insertmacro RequireWindows64
FunctionEnd

; Running copies hold zelmar.scr open: end them (a preview is enough to block a replace).
!macro EndRunningSavers
  DetailPrint "Ending any running copy of Zelmar"
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM zelmar.scr'
  Pop $0
!macroend

; Zelmar as the saver of the user who installs: the value Windows' settings page writes, and
; the system told at once.
!macro UseAsScreenSaver
  WriteRegStr HKCU "Control Panel\Desktop" "SCRNSAVE.EXE" "$SYSDIR\zelmar.scr"
  WriteRegStr HKCU "Control Panel\Desktop" "ScreenSaveActive" "1"
  ; SPI_SETSCREENSAVEACTIVE, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE
  System::Call 'user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)'
!macroend

Function UseAsScreenSaverAndShow
  ; The finish page runs on the interface's thread, which has its own redirection.
  ${DisableX64FSRedirection}
  !insertmacro UseAsScreenSaver
  ; The settings page, opened on Zelmar, so the user sees what was chosen.
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $SYSDIR\zelmar.scr'
FunctionEnd

Section "Zelmar"
  ; Sections run on a thread of their own, with the redirection on again.
  ${DisableX64FSRedirection}
  SetOutPath "$INSTDIR"
  File /r "${MEDIA}\textures"
  File /r "${MEDIA}\tabletextures"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$SYSDIR"
  !insertmacro EndRunningSavers
  ; Beside the old one first; a copy that could not be ended keeps its file until Windows
  ; restarts, when the new one takes its place.
  File "/oname=zelmar.scr.new" "${SCR}"
  StrCpy $1 0
  ${Do}
    Delete "$SYSDIR\zelmar.scr"
    ${IfNot} ${FileExists} "$SYSDIR\zelmar.scr"
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    Sleep 250
  ${LoopUntil} $1 >= 20
  ${If} ${FileExists} "$SYSDIR\zelmar.scr"
    Rename /REBOOTOK "$SYSDIR\zelmar.scr.new" "$SYSDIR\zelmar.scr"
    DetailPrint "zelmar.scr is in use: it is replaced when Windows restarts"
  ${Else}
    Rename "$SYSDIR\zelmar.scr.new" "$SYSDIR\zelmar.scr"
  ${EndIf}

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
  ; In KB, as Apps & features shows it: the textures and the saver.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=zelmar.scr /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; A silent install takes /SETSAVER for the finish page's box.
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SETSAVER" $1
    ${IfNot} ${Errors}
      !insertmacro UseAsScreenSaver
    ${EndIf}
  ${EndIf}
SectionEnd

Section "Uninstall"
  ${DisableX64FSRedirection}
  !insertmacro EndRunningSavers
  StrCpy $1 0
  ${Do}
    Delete "$SYSDIR\zelmar.scr"
    ${IfNot} ${FileExists} "$SYSDIR\zelmar.scr"
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    Sleep 250
  ${LoopUntil} $1 >= 20
  ${If} ${FileExists} "$SYSDIR\zelmar.scr"
    Delete /REBOOTOK "$SYSDIR\zelmar.scr"
    DetailPrint "zelmar.scr is in use: it goes when Windows restarts"
  ${EndIf}
  ; Windows' saver no longer names a file that is gone (any spelling of the path to it).
  ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  ${GetFileName} $0 $1
  ${If} $1 == "zelmar.scr"
    DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  ${EndIf}
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
