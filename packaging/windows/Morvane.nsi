; The Windows installer, Morvane-VERSION-setup.exe, built by Debian's
; makensis (scripts/package):
;   makensis -DVERSION=1.0 -DSCR=Morvane.scr -DLICENSE=LICENSE.txt
;            -DICON=morvane.ico -DOUTFILE=Morvane-1.0-setup.exe Morvane.nsi
;
; For all users (an administrator, the default when the account is one)
; Morvane.scr goes into System32, where Screen Saver Settings lists the
; system's own screensavers for every user, and the uninstaller into
; Program Files\Morvane. For one user (a standard account, or /CurrentUser)
; both go into %LOCALAPPDATA%\Programs\Morvane. The uninstall entry records
; which (InstallMode "all" or "current"). Morvane becomes the screensaver, by
; the full path in SCRNSAVE.EXE as right-click -> Install sets it, of the
; signed-in user who started the installer (of a one-user install's own
; account), also when another account's administrator elevated it; an
; interactive run by that user then opens Screen Saver Settings the way that
; verb does (rundll32 desk.cpl,InstallScreenSaver). /S installs silently.
; Installing over an earlier version replaces it under the same entry.
;
; The uninstaller reads its mode from the entry that names its own folder,
; removes the file, itself and that entry (a file in use at the next
; restart), and takes the choice of screensaver back to none only where it
; still names our file.
;
; DLLs: the NSIS 3.08 stub imports KnownDLLs only (and comctl32, taken from
; WinSxS through its manifest), limits its own search to System32
; (SetDefaultDllDirectories; before Windows 8 it loads the DLLs it needs
; from System32 by full path first), and loads its plug-ins by full path
; from a new folder of its own under %TEMP%.

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
Var mode  ; "all" or "current"

; Installs for one user ("current") or for all ("all"): the folders, and the
; registry root of the uninstall entry (SHCTX: HKCU or HKLM).
!macro UseMode un
Function ${un}UseMode
  Pop $mode
  ${If} $mode == "current"
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

; The SID of the user of process $1 (a handle with query rights), or "" where
; it cannot be read; in $0.
!macro ProcessUser un
Function ${un}ProcessUser
  StrCpy $0 ""
  System::Call 'advapi32::OpenProcessToken(p r1, i 8, *p .r2) i .r3'  ; TOKEN_QUERY
  ${If} $3 <> 0
    System::Alloc 256
    Pop $4
    System::Call 'advapi32::GetTokenInformation(p r2, i 1, p r4, i 256, *i) i .r3'  ; TokenUser
    System::Call 'kernel32::CloseHandle(p r2)'
    ${If} $3 <> 0
      System::Call '*$4(p .r2)'
      System::Call 'advapi32::ConvertSidToStringSidW(p r2, *p .r3) i .r2'
      ${If} $2 <> 0
        System::Call 'kernel32::lstrcpynW(w .r0, p r3, i ${NSIS_MAX_STRLEN})'
        System::Call 'kernel32::LocalFree(p r3)'
      ${EndIf}
    ${EndIf}
    System::Free $4
  ${EndIf}
FunctionEnd

; The SID of the signed-in user, whose desktop shell runs, or "" where there
; is none; in $0.
Function ${un}ShellUser
  StrCpy $0 ""
  System::Call 'user32::GetShellWindow() p .r1'
  System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r2) p .r1'  ; query limited information
  ${If} $1 P<> 0
    Call ${un}ProcessUser
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
FunctionEnd
!macroend
!insertmacro ProcessUser ""
!insertmacro ProcessUser "un."

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

  Call ShellUser
  ${If} $mode == "all"
  ${AndIf} $0 != ""
    WriteRegStr HKU "$0\${DESKTOP_KEY}" "SCRNSAVE.EXE" "$scr"
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$scr"
  ${EndIf}

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
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$mode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The dialog sets the choice of the account it runs as: not opened for an
; administrator of another account who elevated the installer.
Function .onInstSuccess
  ${IfNot} ${Silent}
    Call ShellUser
    StrCpy $5 $0
    System::Call 'kernel32::GetCurrentProcess() p .r1'
    Call ProcessUser
    ${If} $5 == ""
    ${OrIf} $5 == $0
      Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $scr'
    ${EndIf}
  ${EndIf}
FunctionEnd

; The entry, the user's then the machine's, whose InstallLocation is the
; uninstaller's own folder (compared in their short 8.3 forms) says which
; install this is. An uninstaller that no entry of this account names (a
; copy, or one run as another account) removes nothing.
!macro OwnEntry root want
  ${If} $2 == ""
    ReadRegStr $0 ${root} "${UNINSTALL_KEY}" "InstallLocation"
    ClearErrors
    GetFullPathName /SHORT $0 "$0"
    ${IfNot} ${Errors}
    ${AndIf} $0 == $1
      ReadRegStr $0 ${root} "${UNINSTALL_KEY}" "InstallMode"
      ${If} $0 == "${want}"
        StrCpy $2 $0
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

Function un.onInit
  GetFullPathName /SHORT $1 "$INSTDIR"
  StrCpy $2 ""
  !insertmacro OwnEntry HKCU current
  !insertmacro OwnEntry HKLM all
  ${If} $2 == ""
    MessageBox MB_OK|MB_ICONSTOP \
        "This Morvane was not installed by this account: nothing was removed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Push $2
  Call un.UseMode
FunctionEnd

; Takes the choice of screensaver in hive ROOT\KEY back to none where it
; still names our file, as the long path or its short (8.3) form ($1).
!macro ClearChoice root key
  ReadRegStr $3 ${root} "${key}" "SCRNSAVE.EXE"  ; the key may name $0
  ${If} $3 != ""
    ${If} $3 == $scr
    ${OrIf} $3 == $1
      DeleteRegValue ${root} "${key}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
!macroend

Section Uninstall
  GetFullPathName /SHORT $1 "$scr"
  !insertmacro ClearChoice HKCU "${DESKTOP_KEY}"
  ; An all-users install chose it for the signed-in user.
  Push $1
  Call un.ShellUser
  Pop $1
  ${If} $mode == "all"
  ${AndIf} $0 != ""
    !insertmacro ClearChoice HKU "$0\${DESKTOP_KEY}"
  ${EndIf}
  ; A file in use (the settings' preview) goes at the next restart.
  Delete /REBOOTOK "$scr"
  Delete /REBOOTOK "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION \
        "Morvane.scr is in use: Windows removes it when it next restarts." /SD IDOK
  ${EndIf}
FunctionEnd
