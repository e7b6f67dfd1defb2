; The Windows installer, Morvane-VERSION-setup.exe, built by Debian's
; makensis (scripts/package):
;   makensis -DVERSION=1.0 -DSCR=Morvane.scr -DLICENSE=LICENSE.txt
;            -DICON=morvane.ico -DOUTFILE=Morvane-1.0-setup.exe Morvane.nsi
;
; For all users (an administrator, the default when the account is one)
; Morvane.scr goes into System32, where Screen Saver Settings lists the
; system's own screensavers for every user, and the uninstaller into
; Program Files\Morvane. For one user (a standard account, or /CurrentUser)
; both go into %LOCALAPPDATA%\Programs\Morvane. Either way the installing
; user's screensaver becomes Morvane, by the full path in SCRNSAVE.EXE, as
; right-click -> Install sets it; an interactive run then opens Screen Saver
; Settings the way that verb does (rundll32 desk.cpl,InstallScreenSaver).
; /S installs silently. Installing over an earlier version replaces it under
; the same uninstall entry.
;
; The uninstaller removes the file, itself and the entry, and takes the
; choice of screensaver back to none only where it still names our file.

; 64-bit: Wine without wine32 runs nothing else, and $SYSDIR is then the
; real System32, never SysWOW64.
Target amd64-unicode
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvane"
!define DESKTOP_KEY "Control Panel\Desktop"
!define PUBLISHER "The Morvane developers"
!define USER_DIR "$LOCALAPPDATA\Programs\Morvane"
; Four numbers for the installer's own version resource.
!searchparse "${VERSION}.0.0.0" "" V1 "." V2 "." V3 "." V4 "."

Name "Morvane"
OutFile "${OUTFILE}"
RequestExecutionLevel highest
ManifestDPIAware true
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Morvane ${VERSION}"
VIProductVersion "${V1}.${V2}.${V3}.${V4}"
VIAddVersionKey "ProductName" "Morvane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Morvane flip-clock screensaver setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var scr  ; the installed Morvane.scr

; Installs for one user ("current") or for all ("all"): the folders, and the
; registry root of the uninstall entry (SHCTX: HKCU or HKLM).
!macro UseMode un
Function ${un}UseMode
  Pop $0
  ${If} $0 == "current"
    SetShellVarContext current
    StrCpy $INSTDIR "${USER_DIR}"
    StrCpy $scr "$INSTDIR\Morvane.scr"
  ${Else}
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\Morvane"
    StrCpy $scr "$SYSDIR\Morvane.scr"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro UseMode ""
!insertmacro UseMode "un."

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CurrentUser" $1
  ${IfNot} ${Errors}
    Push current
  ${Else}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 == "Admin"
      Push all
    ${Else}
      Push current
    ${EndIf}
  ${EndIf}
  Call UseMode
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "/oname=$scr" "${SCR}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$scr"

  FileOpen $0 "$scr" r
  FileSeek $0 0 END $1
  FileClose $0
  FileOpen $0 "$INSTDIR\Uninstall.exe" r
  FileSeek $0 0 END $2
  FileClose $0
  IntOp $1 $1 + $2
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Morvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$scr,0"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function .onInstSuccess
  ${IfNot} ${Silent}
    Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $scr'
  ${EndIf}
FunctionEnd

Function un.onInit
  ; The uninstaller lies in the user's folder only for a one-user install.
  SetShellVarContext current
  ${If} $INSTDIR == "${USER_DIR}"
    Push current
  ${Else}
    Push all
  ${EndIf}
  Call un.UseMode
FunctionEnd

Section Uninstall
  ; The choice may hold the long path or its short (8.3) form.
  GetFullPathName /SHORT $1 "$scr"
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    ${If} $0 == $scr
    ${OrIf} $0 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  Delete "$scr"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
