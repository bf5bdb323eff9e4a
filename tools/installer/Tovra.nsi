; Tovra's installer. Built on Linux with makensis:
;   makensis -DVERSION=1.00 -DWIN32DIR=... -DWIN64DIR=... -DOUTFILE=... Tovra.nsi
; Installs the 64-bit program on 64-bit Windows and the 32-bit one elsewhere,
; with the six cell bitmaps beside it, into the system folder the Screen Saver
; Settings page lists. Runs silently with /S.

Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!ifndef VERSION
  !error "VERSION is not defined"
!endif

!define PRODUCT "Tovra"
!define PUBLISHER "The Tovra developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovra"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Tovra"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ARTDIR}\Tovra.ico"
!define MUI_UNICON "${ARTDIR}\Tovra.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The files that go into the system folder.
!macro TovraFiles DO
  ${DO} "Tovra.scr"
  ${DO} "cell.bmp"
  ${DO} "cellyellow.bmp"
  ${DO} "cellgreen.bmp"
  ${DO} "cellblue.bmp"
  ${DO} "cellpurple.bmp"
  ${DO} "deadcell.bmp"
!macroend

Var SystemFolder

; The Screen Saver Settings page lists the savers in the native system folder.
!macro FindSystemFolder
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetRegView 64
  ${EndIf}
  StrCpy $SystemFolder "$WINDIR\System32"
!macroend

Var Foreign
!macro CheckNotForeign NAME
  ${If} ${FileExists} "$SystemFolder\${NAME}"
    StrCpy $Foreign "$Foreign$\r$\n    $SystemFolder\${NAME}"
  ${EndIf}
!macroend

Function .onInit
  !insertmacro FindSystemFolder
  ; Files of ours from an earlier install may be replaced; any other file of
  ; the same name belongs to someone else and stays untouched.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "SystemFolder"
  ${If} $0 != ""
    Return
  ${EndIf}
  StrCpy $Foreign ""
  !insertmacro TovraFiles "!insertmacro CheckNotForeign"
  ${If} $Foreign != ""
    MessageBox MB_OK|MB_ICONSTOP "Tovra cannot be installed: these files already exist and were not installed by Tovra's setup:$\r$\n$Foreign$\r$\n$\r$\nRemove or rename them, then run the setup again." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
FunctionEnd

Section "Tovra screen saver" SecProgram
  SectionIn RO
  SetOverwrite on
  SetOutPath "$SystemFolder"
  ${If} ${RunningX64}
    File "${WIN64DIR}\Tovra.scr"
    File "${WIN64DIR}\cell.bmp"
    File "${WIN64DIR}\cellyellow.bmp"
    File "${WIN64DIR}\cellgreen.bmp"
    File "${WIN64DIR}\cellblue.bmp"
    File "${WIN64DIR}\cellpurple.bmp"
    File "${WIN64DIR}\deadcell.bmp"
  ${Else}
    File "${WIN32DIR}\Tovra.scr"
    File "${WIN32DIR}\cell.bmp"
    File "${WIN32DIR}\cellyellow.bmp"
    File "${WIN32DIR}\cellgreen.bmp"
    File "${WIN32DIR}\cellblue.bmp"
    File "${WIN32DIR}\cellpurple.bmp"
    File "${WIN32DIR}\deadcell.bmp"
  ${EndIf}

  ; The uninstaller and the read-me in a folder of their own.
  SetOutPath "$INSTDIR"
  File "/oname=README.txt" "${READMEFILE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SystemFolder\Tovra.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "SystemFolder" "$SystemFolder"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$SystemFolder" "/M=Tovra.scr /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  IntOp $0 $0 + 3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Make Tovra the current screen saver" SecCurrent
  ; The screen saver of the user who runs the setup.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SystemFolder\Tovra.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Tovra.scr and its six cell pictures, in the Windows system folder."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCurrent} "Choose Tovra as your screen saver now. You can change it later on the Screen Saver Settings page."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetRegView 64
  ${EndIf}
FunctionEnd

!macro RemoveSystemFile NAME
  Delete "$SystemFolder\${NAME}"
!macroend

Section "Uninstall"
  ReadRegStr $SystemFolder HKLM "${UNINSTALL_KEY}" "SystemFolder"
  ${If} $SystemFolder != ""
    !insertmacro TovraFiles "!insertmacro RemoveSystemFile"
    ; Stop pointing the user's screen saver at a file that is gone.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} $0 == "$SystemFolder\Tovra.scr"
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
