; Setup program of VELMORA SSD Toolbox: a per-machine, 64-bit installation of
; the data service, the health watch service, the toolbox and the console
; program.
;
; Defines given by the build (makensis -D...):
;   BIN_DIR       folder of the built programs and the message file
;   SOURCE_DIR    the source tree (documentation)
;   LICENSE_FILE  the licence text shown on the licence page and installed
;   VERSION       product version, such as 1.01
;   OUT_FILE      path of the setup program to write
;
; Exit status (also with /S): 0 installed and both services running; 2 aborted
; (a service could not be removed or registered, a program still ran, or a
; file could not be written: the setup never reports success over old files);
; 3 installed, but a service did not start.
;
; A toolbox or console program still running from the folder is asked to be
; closed; with /S it is ended.
;
; The uninstaller keeps the watch's history (%ProgramData%\VELMORA\History,
; the users' data) unless it is given /PURGE. Files still in use go at the
; next restart; it then says so, or with /S exits with 3010 (a restart is
; needed to finish).

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh

!define PRODUCT "VELMORA SSD Toolbox"
!define PUBLISHER "VELMORA"
!define SERVICE "SMART_VELMORA"
!define WATCH "SMART_VELMORA_WATCH"
!define SERVICES_KEY "SYSTEM\CurrentControlSet\Services"
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\SMART VELMORA.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${SERVICE}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; How long to wait for the Service Control Manager to forget a deleted service.
!define SERVICE_GONE_POLLS 80   ; x 250 ms = 20 s
; How long to wait for an ended program to let go of its file.
!define PROGRAM_GONE_POLLS 40   ; x 250 ms = 10 s
; The uninstaller's exit status when files go at the next restart.
!define EXIT_RESTART_NEEDED 3010

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An installed copy is repaired or upgraded where it lies.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
; The setup runs elevated; the toolbox is meant for the signed-in user.
!define MUI_FINISHPAGE_RUN_FUNCTION StartToolboxAsUser
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Stops a service and removes its registration with "sc delete", whichever
; folder the registered program lies in (an older copy may live elsewhere).
; Then waits until the Service Control Manager has forgotten the service, so
; that it can be registered again. Leaves $0 = 0 when no service is left.
; The watch depends on the data service and goes first: Windows would refuse
; to stop the data service under it.
!macro DEFINE_REMOVE_SERVICE PREFIX NAME
Function ${PREFIX}Remove_${NAME}
  Push $1
  Push $2
  ClearErrors
  ReadRegStr $1 HKLM "${SERVICES_KEY}\${NAME}" "ImagePath"
  ${If} ${Errors}
    StrCpy $0 0
    Goto done
  ${EndIf}
  DetailPrint "Stopping the service ${NAME} ($1)"
  nsExec::ExecToLog '"$SYSDIR\net.exe" stop ${NAME}'
  Pop $0
  DetailPrint "Removing the service ${NAME}"
  nsExec::ExecToLog '"$SYSDIR\sc.exe" delete ${NAME}'
  Pop $0
  StrCpy $2 0
  ${Do}
    ClearErrors
    ReadRegStr $1 HKLM "${SERVICES_KEY}\${NAME}" "ImagePath"
    ${If} ${Errors}
      StrCpy $0 0
      ${ExitDo}
    ${EndIf}
    ${If} $2 >= ${SERVICE_GONE_POLLS}
      StrCpy $0 1
      ${ExitDo}
    ${EndIf}
    Sleep 250
    IntOp $2 $2 + 1
  ${Loop}
done:
  Pop $2
  Pop $1
FunctionEnd
!macroend
!insertmacro DEFINE_REMOVE_SERVICE "" ${WATCH}
!insertmacro DEFINE_REMOVE_SERVICE "" ${SERVICE}
!insertmacro DEFINE_REMOVE_SERVICE "un." ${WATCH}
!insertmacro DEFINE_REMOVE_SERVICE "un." ${SERVICE}

; Whether a program file of the folder is in use: a running program's file
; cannot be opened for writing. Adds 1 to $R0 when it is.
!macro COUNT_IN_USE FILE
  ${If} ${FileExists} "$INSTDIR\${FILE}"
    ClearErrors
    FileOpen $R1 "$INSTDIR\${FILE}" a
    ${If} ${Errors}
      IntOp $R0 $R0 + 1
    ${Else}
      FileClose $R1
    ${EndIf}
  ${EndIf}
!macroend

; The toolbox and the console program must not run while their files are
; replaced or removed: the user is asked to close them; with /S they are
; ended. Leaves $0 = 0 when none runs any more.
!macro DEFINE_CLOSE_PROGRAMS PREFIX
Function ${PREFIX}CloseRunningPrograms
  Push $R0
  Push $R1
  Push $R2
  StrCpy $R2 0
  ${Do}
    StrCpy $R0 0
    !insertmacro COUNT_IN_USE SMART_VELMORA.exe
    !insertmacro COUNT_IN_USE SMART_VELMORA_CLI.exe
    ${If} $R0 = 0
      ${ExitDo}
    ${EndIf}
    ${If} ${Silent}
      ${If} $R2 = 0
        DetailPrint "Ending the running ${PRODUCT} and console programs"
        nsExec::ExecToLog '"$SYSDIR\taskkill.exe" /F /IM SMART_VELMORA.exe'
        Pop $R1
        nsExec::ExecToLog '"$SYSDIR\taskkill.exe" /F /IM SMART_VELMORA_CLI.exe'
        Pop $R1
      ${ElseIf} $R2 >= ${PROGRAM_GONE_POLLS}
        ${ExitDo}
      ${EndIf}
      Sleep 250
      IntOp $R2 $R2 + 1
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} or its console program is running.$\nClose them, then choose Retry." IDRETRY retry
      ${ExitDo}
    ${EndIf}
  retry:
  ${Loop}
  StrCpy $0 $R0
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_PROGRAMS ""
!insertmacro DEFINE_CLOSE_PROGRAMS "un."

; Writes one file of the setup; a file that could not be written is counted
; in $R9 instead of stopping the copy, so that the setup can fail as a whole.
!macro INSTALL_FILE SOURCE
  ClearErrors
  File "${SOURCE}"
  ${If} ${Errors}
    DetailPrint "Could not write ${SOURCE}"
    IntOp $R9 $R9 + 1
  ${EndIf}
!macroend

; Registers a service with its program's own /INSTALL /SILENT (the watch's
; also makes its history folder); aborts the setup with exit status 2 when
; that fails.
!macro REGISTER_SERVICE NAME PROGRAM
  DetailPrint "Registering the service ${NAME}"
  ClearErrors
  ExecWait '"$INSTDIR\${PROGRAM}" /INSTALL /SILENT' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "The service ${NAME} could not be registered (error $0)." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

; Starts a service; exit status 3 when it does not start.
!macro START_SERVICE NAME
  DetailPrint "Starting the service ${NAME}"
  nsExec::ExecToLog '"$SYSDIR\net.exe" start ${NAME}'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "The service ${NAME} is installed but did not start ($0).$\nIt starts with the next system start." /SD IDOK
    SetErrorLevel 3
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function StartToolboxAsUser
  ; Explorer runs as the signed-in user and starts the program unelevated.
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\SMART_VELMORA.exe"'
FunctionEnd

Section "Install"
  ; Asked first, so that a user who cancels keeps the installed services.
  Call CloseRunningPrograms
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} or its console program is still running.$\nClose them and run the setup again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  Call Remove_${WATCH}
  ${If} $0 = 0
    Call Remove_${SERVICE}
  ${EndIf}
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "An installed service could not be removed.$\nClose every program that shows services and run the setup again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  SetOutPath "$INSTDIR"
  ; A file that cannot be replaced is skipped and counted, never kept
  ; silently: the setup then fails.
  SetOverwrite try
  StrCpy $R9 0
  !insertmacro INSTALL_FILE "${BIN_DIR}/SMART_VELMORA.exe"
  !insertmacro INSTALL_FILE "${BIN_DIR}/SMART_VELMORA_SV.exe"
  !insertmacro INSTALL_FILE "${BIN_DIR}/SMART_VELMORA_CLI.exe"
  !insertmacro INSTALL_FILE "${BIN_DIR}/SMART_VELMORA_WATCH.exe"
  !insertmacro INSTALL_FILE "${BIN_DIR}/SMART_VELMORA_Messages.dll"
  ClearErrors
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  ${If} ${Errors}
    IntOp $R9 $R9 + 1
  ${EndIf}
  SetOutPath "$INSTDIR\docs"
  !insertmacro INSTALL_FILE "${SOURCE_DIR}/docs/user-guide.md"
  !insertmacro INSTALL_FILE "${SOURCE_DIR}/docs/operations-guide.md"
  !insertmacro INSTALL_FILE "${SOURCE_DIR}/docs/pipe-protocol.md"
!if /FileExists "${SOURCE_DIR}/docs/images/main-window.png"
  SetOutPath "$INSTDIR\docs\images"
  !insertmacro INSTALL_FILE "${SOURCE_DIR}/docs/images/main-window.png"
!endif
  SetOutPath "$INSTDIR"
  ${If} $R9 != 0
    MessageBox MB_OK|MB_ICONSTOP "$R9 file(s) in $INSTDIR could not be replaced; they may be in use.$\nClose every program of ${PRODUCT} and run the setup again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\SMART_VELMORA.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; Event source of every program: error reports through message 0, "%1";
  ; the watch's events through their own numbers.
  WriteRegExpandStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\SMART_VELMORA_Messages.dll"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7

  CreateShortcut "${SHORTCUT}" "$INSTDIR\SMART_VELMORA.exe" "" "$INSTDIR\SMART_VELMORA.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"

  !insertmacro REGISTER_SERVICE ${SERVICE} SMART_VELMORA_SV.exe
  !insertmacro REGISTER_SERVICE ${WATCH} SMART_VELMORA_WATCH.exe
  ; The watch samples at start, through the data service: that one first.
  !insertmacro START_SERVICE ${SERVICE}
  !insertmacro START_SERVICE ${WATCH}
SectionEnd

Section "Uninstall"
  Call un.CloseRunningPrograms
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} or its console program is still running.$\nClose them and run the uninstaller again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Call un.Remove_${WATCH}
  ${If} $0 != 0
    DetailPrint "The service ${WATCH} could not be removed; it goes with the next system start."
  ${EndIf}
  Call un.Remove_${SERVICE}
  ${If} $0 != 0
    DetailPrint "The service ${SERVICE} could not be removed; it goes with the next system start."
  ${EndIf}

  ; A file still in use (a program started meanwhile, a viewer holding a
  ; document) goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\SMART_VELMORA.exe"
  Delete /REBOOTOK "$INSTDIR\SMART_VELMORA_SV.exe"
  Delete /REBOOTOK "$INSTDIR\SMART_VELMORA_CLI.exe"
  Delete /REBOOTOK "$INSTDIR\SMART_VELMORA_WATCH.exe"
  Delete /REBOOTOK "$INSTDIR\SMART_VELMORA_Messages.dll"
  Delete /REBOOTOK "$INSTDIR\LICENSE.txt"
  Delete /REBOOTOK "$INSTDIR\docs\user-guide.md"
  Delete /REBOOTOK "$INSTDIR\docs\operations-guide.md"
  Delete /REBOOTOK "$INSTDIR\docs\pipe-protocol.md"
  Delete /REBOOTOK "$INSTDIR\docs\images\main-window.png"
  RMDir /REBOOTOK "$INSTDIR\docs\images"
  RMDir /REBOOTOK "$INSTDIR\docs"
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"

  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Each user's settings under HKCU\SOFTWARE\VELMORA\Corvexa stay, and so
  ; does the watch's history unless /PURGE asks for it to go.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/PURGE" $2
  ${IfNot} ${Errors}
    DetailPrint "Removing the history $APPDATA\VELMORA\History"
    RMDir /r "$APPDATA\VELMORA\History"
    RMDir "$APPDATA\VELMORA"
  ${EndIf}

  IfRebootFlag 0 removed
    DetailPrint "Some files could not be removed now; they are removed at the next restart of Windows."
    MessageBox MB_OK|MB_ICONINFORMATION "Some files of ${PRODUCT} could not be removed now, for example because they were in use.$\nThey are removed at the next restart of Windows." /SD IDOK
    SetErrorLevel ${EXIT_RESTART_NEEDED}
removed:
SectionEnd
