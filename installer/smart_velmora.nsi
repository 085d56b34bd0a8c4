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
; (a service could not be removed or registered, or a file could not be
; written); 3 installed, but a service did not start.
;
; The uninstaller keeps the watch's history (%ProgramData%\VELMORA\History,
; the users' data) unless it is given /PURGE.

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
!define MUI_FINISHPAGE_RUN "$INSTDIR\SMART_VELMORA.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
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

Section "Install"
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
  SetOverwrite on
  File "${BIN_DIR}/SMART_VELMORA.exe"
  File "${BIN_DIR}/SMART_VELMORA_SV.exe"
  File "${BIN_DIR}/SMART_VELMORA_CLI.exe"
  File "${BIN_DIR}/SMART_VELMORA_WATCH.exe"
  File "${BIN_DIR}/SMART_VELMORA_Messages.dll"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  SetOutPath "$INSTDIR\docs"
  File "${SOURCE_DIR}/docs/user-guide.md"
  File "${SOURCE_DIR}/docs/operations-guide.md"
  File "${SOURCE_DIR}/docs/pipe-protocol.md"
!if /FileExists "${SOURCE_DIR}/docs/images/main-window.png"
  SetOutPath "$INSTDIR\docs\images"
  File "${SOURCE_DIR}/docs/images/main-window.png"
!endif
  SetOutPath "$INSTDIR"

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
  Call un.Remove_${WATCH}
  ${If} $0 != 0
    DetailPrint "The service ${WATCH} could not be removed; it goes with the next system start."
  ${EndIf}
  Call un.Remove_${SERVICE}
  ${If} $0 != 0
    DetailPrint "The service ${SERVICE} could not be removed; it goes with the next system start."
  ${EndIf}

  Delete "$INSTDIR\SMART_VELMORA.exe"
  Delete "$INSTDIR\SMART_VELMORA_SV.exe"
  Delete "$INSTDIR\SMART_VELMORA_CLI.exe"
  Delete "$INSTDIR\SMART_VELMORA_WATCH.exe"
  Delete "$INSTDIR\SMART_VELMORA_Messages.dll"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\docs\user-guide.md"
  Delete "$INSTDIR\docs\operations-guide.md"
  Delete "$INSTDIR\docs\pipe-protocol.md"
  Delete "$INSTDIR\docs\images\main-window.png"
  RMDir "$INSTDIR\docs\images"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

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
SectionEnd
