; The Windows installer of Tavik6: puts Tavik6.exe, the updater Velmora4.exe
; and the service tool AppToService.exe into the program folder, adds a
; Start-menu entry, the autostart (a scheduled task) and the uninstaller.
;
; Built by the Windows CMake tree (target "installer"), which passes:
;   ARCH             x64 or x86
;   VERSION          the program's version text, e.g. 6.10
;   BIN_DIR          the folder holding the three signed programs
;   OUTFILE          the installer to write
;   SIGN_UNINSTALLER a command that signs the file %1 in place (optional)
;
; Settings under HKLM\Software\Kovrin\Tavik6 are the user's: the uninstaller
; keeps them unless the user ticks the component that removes them.

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!if "${ARCH}" == "x64"
  Target amd64-unicode
  ; A 64-bit installer sees the 64-bit Program Files and registry, as the
  ; 64-bit program does.
  InstallDir "$PROGRAMFILES64\Kovrin\Tavik6"
!else
  Target x86-unicode
  ; The 32-bit installer and program both land in the 32-bit Program Files
  ; and, on 64-bit Windows, under WOW6432Node in the registry.
  InstallDir "$PROGRAMFILES32\Kovrin\Tavik6"
!endif

!define PRODUCT "Tavik6"
!define UNINSTALLER "Deinstallieren.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavik6"
; Where installers before the scheduled task put the autostart entry.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The scheduled task that starts the program at logon.
!define TASK_NAME "Tavik6"
!define SETTINGS_KEY "Software\Kovrin\Tavik6"
; The class of the program's message-only event-loop window; WM_CLOSE there
; runs its ordinary exit sequence (offline notice, hosts line removed).
!define LOOP_WINDOW_CLASS "Tavik6EventLoop"
; How long one running program may take for its exit sequence: the offline
; notice waits for the server up to a minute.
!define EXIT_WAIT_MS 90000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

!ifdef SIGN_UNINSTALLER
  !uninstfinalize '${SIGN_UNINSTALLER}'
!endif

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1031 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1031 "CompanyName" "Kovrin"
VIAddVersionKey /LANG=1031 "FileDescription" "Installation von ${PRODUCT}"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "Kovrin"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WordFunc.nsh"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

LangString TEXT_CLOSING ${LANG_GERMAN} "Tavik6 wird beendet: "
LangString TEXT_NOT_ENDED ${LANG_GERMAN} "Tavik6 ($R8) hat sich nicht beendet.$\r$\nBitte beenden Sie das Programm über »Programm beenden« im Menü seines Symbols und wählen Sie dann »Wiederholen«."
LangString TEXT_ABORTED ${LANG_GERMAN} "Abgebrochen: Tavik6 läuft noch."
LangString TEXT_SERVICE ${LANG_GERMAN} "Der Dienst Tavik6 wird ausgetragen."
LangString TEXT_SERVICE_FAILED ${LANG_GERMAN} "Der Dienst Tavik6 konnte nicht ausgetragen werden (Rückgabewert $0). Bitte prüfen Sie ihn unter Verwaltung > Dienste."
LangString TEXT_REBOOT ${LANG_GERMAN} "Einige Dateien sind noch in Gebrauch und werden beim nächsten Neustart entfernt."
LangString TEXT_SETTINGS_KEPT ${LANG_GERMAN} "Die Einstellungen unter HKLM\${SETTINGS_KEY} bleiben erhalten."
LangString TEXT_AUTOSTART ${LANG_GERMAN} "Tavik6 wird bei jeder Anmeldung gestartet (geplante Aufgabe »${TASK_NAME}«)."
LangString TEXT_AUTOSTART_FAILED ${LANG_GERMAN} "Die geplante Aufgabe »${TASK_NAME}«, die Tavik6 bei der Anmeldung startet, konnte nicht angelegt werden (Rückgabewert $0). Tavik6 ist installiert, startet aber nicht von selbst; bitte starten Sie es über das Startmenü oder legen Sie die Aufgabe in der Aufgabenplanung an."
LangString TEXT_AUTOSTART_REMOVE ${LANG_GERMAN} "Die geplante Aufgabe »${TASK_NAME}« wird entfernt."
LangString TEXT_AUTOSTART_REMOVE_FAILED ${LANG_GERMAN} "Die geplante Aufgabe »${TASK_NAME}« konnte nicht entfernt werden (Rückgabewert $0). Bitte löschen Sie sie in der Aufgabenplanung."
LangString TEXT_LINK_PROGRAM ${LANG_GERMAN} "Tavik6"
LangString TEXT_LINK_UNINSTALL ${LANG_GERMAN} "Tavik6 deinstallieren"

; Ends every Tavik6.exe that runs from the program folder through its own
; exit sequence, so that its hosts line goes and its files can be replaced
; or removed. Programs of the same name in other folders are left alone.
; Sets $R9 to "1" when one did not end in time, $R8 to its path.
!macro CLOSE_RUNNING_CLIENTS un
Function ${un}CloseRunningClients
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $R9 "0"
  StrCpy $0 0
  ${Do}
    ; The next event-loop window after $0 among the message-only windows.
    System::Call 'user32::FindWindowExW(p -3, p r0, w "${LOOP_WINDOW_CLASS}", p 0) p .r0'
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    StrCpy $1 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r1) p .r2'
    ${If} $2 == 0
      ${Continue}
    ${EndIf}
    StrCpy $3 ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN}) i .r4'
    ${If} $3 == "$INSTDIR\Tavik6.exe"   ; StrCmp ignores case, as Windows file names do
      DetailPrint "$(TEXT_CLOSING)$3"
      System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${EXIT_WAIT_MS}) i .r4'
      ${If} $4 != 0
        StrCpy $R9 "1"
        StrCpy $R8 $3
      ${Else}
        ; The window is gone: search again from the start.
        StrCpy $0 0
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${Loop}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Closes them, and while one does not end asks the user to end it and try
; again; cancelled (and in silent mode) the installation stops.
Function ${un}EndRunningClients
  ${Do}
    Call ${un}CloseRunningClients
    ${If} $R9 == "0"
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(TEXT_NOT_ENDED)" /SD IDCANCEL IDRETRY again
    DetailPrint "$(TEXT_ABORTED)"
    SetErrorLevel 2
    Abort "$(TEXT_ABORTED)"
    again:
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_CLIENTS ""
!insertmacro CLOSE_RUNNING_CLIENTS "un."

; The autostart. The program's manifest demands administrator rights (it
; changes the hosts file and keeps its settings under HKLM), and Windows
; starts no such program from a Run entry at logon: it skips it without a
; word. A scheduled task may start it with the highest rights instead. The
; task is given as XML rather than through schtasks' options, because only
; the XML can say: at the logon of any user (the group Users), no time limit
; (a task otherwise ends after three days) and running on battery too.
; Sets $0 to schtasks' exit code.
Function CreateAutostartTask
  Push $1
  Push $2
  ; "&" may stand in a folder name and has to be escaped in XML; "<" and ">"
  ; cannot.
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $1
  InitPluginsDir
  FileOpen $2 "$PLUGINSDIR\autostart.xml" w
  FileWriteUTF16LE /BOM $2 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $2 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $2 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $2 '    <Author>Kovrin</Author>$\r$\n'
  FileWriteUTF16LE $2 '    <Description>Startet Tavik6 bei der Anmeldung.</Description>$\r$\n'
  FileWriteUTF16LE $2 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $2 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $2 '    <LogonTrigger>$\r$\n'
  FileWriteUTF16LE $2 '      <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $2 '    </LogonTrigger>$\r$\n'
  FileWriteUTF16LE $2 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $2 '  <Principals>$\r$\n'
  FileWriteUTF16LE $2 '    <Principal id="Users">$\r$\n'
  FileWriteUTF16LE $2 '      <GroupId>S-1-5-32-545</GroupId>$\r$\n'
  FileWriteUTF16LE $2 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
  FileWriteUTF16LE $2 '    </Principal>$\r$\n'
  FileWriteUTF16LE $2 '  </Principals>$\r$\n'
  FileWriteUTF16LE $2 '  <Settings>$\r$\n'
  ; The program itself keeps to one copy per profile.
  FileWriteUTF16LE $2 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $2 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $2 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $2 '    <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $2 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  ; Normal priority, as the Run entry started it (a task's default is lower).
  FileWriteUTF16LE $2 '    <Priority>5</Priority>$\r$\n'
  FileWriteUTF16LE $2 '  </Settings>$\r$\n'
  FileWriteUTF16LE $2 '  <Actions Context="Users">$\r$\n'
  FileWriteUTF16LE $2 '    <Exec>$\r$\n'
  FileWriteUTF16LE $2 '      <Command>"$1\Tavik6.exe"</Command>$\r$\n'
  FileWriteUTF16LE $2 '      <WorkingDirectory>$1</WorkingDirectory>$\r$\n'
  FileWriteUTF16LE $2 '    </Exec>$\r$\n'
  FileWriteUTF16LE $2 '  </Actions>$\r$\n'
  FileWriteUTF16LE $2 '</Task>$\r$\n'
  FileClose $2
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_NAME}" /XML "$PLUGINSDIR\autostart.xml" /F'
  Pop $0
  Delete "$PLUGINSDIR\autostart.xml"
  Pop $2
  Pop $1
FunctionEnd

Section "Tavik6" SecProgram
  SectionIn RO
  ; Start-menu entry for every user: the program serves the whole machine.
  SetShellVarContext all
  ; An update over an installed version: the running program ends first.
  Call EndRunningClients

  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Tavik6.exe"
  File "${BIN_DIR}/Velmora4.exe"
  File "${BIN_DIR}/AppToService.exe"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(TEXT_LINK_PROGRAM).lnk" "$INSTDIR\Tavik6.exe" "" "$INSTDIR\Tavik6.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(TEXT_LINK_UNINSTALL).lnk" "$INSTDIR\${UNINSTALLER}"

  ; Autostart for every user, not only the one who installed it: the program
  ; keeps the hosts file of the whole machine current and keeps its settings
  ; under HKLM. A scheduled task, not a Run entry (see CreateAutostartTask);
  ; the Run entry an earlier installer wrote goes, Windows would skip it.
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  Call CreateAutostartTask
  ${If} $0 == 0
    DetailPrint "$(TEXT_AUTOSTART)"
  ${Else}
    DetailPrint "$(TEXT_AUTOSTART_FAILED)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(TEXT_AUTOSTART_FAILED)" /SD IDOK
    ; A silent installation reports it through its exit code.
    SetErrorLevel 3
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kovrin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Tavik6.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "un.Tavik6" UnSecProgram
  SectionIn RO
  SetShellVarContext all

  ; A registered service would start the program again: it is removed
  ; first, with the command the settings window uses. The service tool
  ; stops the service, which lets the program run its exit sequence.
  ${If} ${FileExists} "$INSTDIR\AppToService.exe"
    DetailPrint "$(TEXT_SERVICE)"
    nsExec::ExecToLog '"$INSTDIR\AppToService.exe" /Remove "Tavik6"'
    Pop $0
    ${If} $0 != 0
      DetailPrint "$(TEXT_SERVICE_FAILED)"
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(TEXT_SERVICE_FAILED)" /SD IDOK
    ${EndIf}
  ${EndIf}

  Call un.EndRunningClients

  Delete /REBOOTOK "$INSTDIR\Tavik6.exe"
  Delete /REBOOTOK "$INSTDIR\Velmora4.exe"
  Delete /REBOOTOK "$INSTDIR\AppToService.exe"
  ; What the program made beside itself: the copy the updater keeps, the
  ; update folder and the log. Anything else in the folder stays, and with
  ; it the folder.
  Delete /REBOOTOK "$INSTDIR\Tavik6.bak"
  RMDir /r /REBOOTOK "$INSTDIR\Updates"
  Delete /REBOOTOK "$INSTDIR\logTavik.TXT"
  Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
  RMDir /REBOOTOK "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\$(TEXT_LINK_PROGRAM).lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\$(TEXT_LINK_UNINSTALL).lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  ; The autostart task, and the Run entry of an installation made by an
  ; earlier installer. schtasks /Query ends with 1 when there is no such task
  ; (an older installation): then there is nothing to delete and no alarm.
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Query /TN "${TASK_NAME}"'
  Pop $0
  ${If} $0 != 1
    DetailPrint "$(TEXT_AUTOSTART_REMOVE)"
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
    ${If} $0 != 0
      DetailPrint "$(TEXT_AUTOSTART_REMOVE_FAILED)"
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(TEXT_AUTOSTART_REMOVE_FAILED)" /SD IDOK
    ${EndIf}
  ${EndIf}
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ${If} ${RebootFlag}
    DetailPrint "$(TEXT_REBOOT)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(TEXT_REBOOT)" /SD IDOK
  ${EndIf}
SectionEnd

; Not ticked unless the user chooses it: customer number, password and the
; profiles stay for a later installation.
Section /o "un.Einstellungen und Profile löschen" UnSecSettings
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Kovrin"
SectionEnd

Section "-un.Ende"
  ${IfNot} ${SectionIsSelected} ${UnSecSettings}
    DetailPrint "$(TEXT_SETTINGS_KEPT)"
  ${EndIf}
SectionEnd
