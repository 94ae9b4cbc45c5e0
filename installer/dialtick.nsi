; Dialtick's setup and uninstaller (NSIS 3).
;
; Built by scripts/package.sh:
;   makensis -DARCH=x64|x86 -DVERSION=1.2.3 -DVERSION_MAJOR=1 -DVERSION_MINOR=2
;            -DVERSION_BUILD=3 -DPUBLISHER=... -DICON=<.ico> -DPAYLOAD=<folder>
;            -DOUTFILE=<setup.exe> dialtick.nsi
; PAYLOAD holds the files to install and payload.nsh, the list of them that both the setup and
; the uninstaller use, so that the uninstaller removes exactly what the setup put there.
;
; Setup command line: /S (silent), /D=<folder> (last, unquoted), /AllUsers (needs an elevated
; setup), /CurrentUser, /NoAutostart.  Uninstaller: /S, /RemoveSettings.
;
; Installs for the current user without administrator rights (into the user's programs folder,
; uninstall entry under HKCU); an elevated setup can install for all users instead (Program Files,
; uninstall entry under HKLM). Either way the Start menu shortcut, the log-on Run value and the
; settings folder are the installing user's: the program keeps its settings in the current folder
; unless /ini: names a file, so both shortcut and Run value name Dialtick.ini in a Dialtick
; folder under the user's application data.

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "${NAME} is not defined (see the command line above)"
  !endif
!macroend
!insertmacro REQUIRE ARCH
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE VERSION_MAJOR
!insertmacro REQUIRE VERSION_MINOR
!insertmacro REQUIRE VERSION_BUILD
!insertmacro REQUIRE PUBLISHER
!insertmacro REQUIRE PAYLOAD
!insertmacro REQUIRE OUTFILE
!insertmacro REQUIRE ICON

!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  ; The ANSI stub still runs on Windows 95 and NT 4, like the 32-bit program.
  Target x86-ansi
!else
  !error "ARCH must be x64 or x86"
!endif

!define PRODUCT "Dialtick"
!define EXE "dialtick.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The running program holds this mutex for its whole life.
!define MUTEX "2C30EC4A-9A2C-46ba-AC6F-FEDC484BC117"
!define SETTINGS_DIR "$APPDATA\${PRODUCT}"
!define SETTINGS_FILE "${SETTINGS_DIR}\${PRODUCT}.ini"
!define COMMAND_LINE '"$INSTDIR\${EXE}" /ini:"${SETTINGS_FILE}"'

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_BUILD}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include Sections.nsh
!include x64.nsh

!include "${PAYLOAD}\payload.nsh"

Var Mode          ; "user" or "all"
Var IsAdmin       ; 1 when this process may write to HKLM and Program Files
Var PreviousDir   ; folder of an earlier installation, if any
Var ModeFixed     ; the mode came from the command line or an earlier installation
Var DirGiven      ; the folder came from /D=
Var ModeUser      ; radio buttons of the mode page
Var ModeAll

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install ${PRODUCT} ${VERSION}, the timer for your dial-up connections.$\r$\n$\r$\nNo administrator rights are needed. Your settings, if you have used ${PRODUCT} before, are kept.$\r$\n$\r$\nClick Next to continue."
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Guide.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the user guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings file stays unless you tick it here."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

LangString RunningText ${LANG_ENGLISH} "${PRODUCT} is running.$\r$\n$\r$\nPlease close it: right-click its icon in the notification area (or its timer window) and choose Close ${PRODUCT}. Then choose Retry."
LangString StillRunning ${LANG_ENGLISH} "${PRODUCT} is still running; nothing was changed."
LangString AllUsersNeedsAdmin ${LANG_ENGLISH} "Installing ${PRODUCT} for all users needs administrator rights.$\r$\n$\r$\nStart the setup with Run as administrator, or install ${PRODUCT} just for yourself."
LangString InstalledForAll ${LANG_ENGLISH} "${PRODUCT} is installed for all users of this computer.$\r$\n$\r$\nTo change that installation, run this program as an administrator."
LangString NeedsX64 ${LANG_ENGLISH} "This setup is for 64-bit Windows. Please use the x86 setup of ${PRODUCT} on this computer."
LangString LockedExe ${LANG_ENGLISH} "$INSTDIR\${EXE} cannot be removed; it may still be in use. Nothing was removed."

; ---- shared by the setup and the uninstaller ------------------------------------------------

; Asks the user to close the running program until it is closed (error flag clear) or the user
; gives up (error flag set). Silent runs give up at once.
!macro WAIT_UNTIL_CLOSED PREFIX
Function ${PREFIX}WaitUntilClosed
  Push $0
  retry:
    ClearErrors
    System::Call 'kernel32::OpenMutex(i 0x00100000, i 0, t "${MUTEX}") p .r0'
    StrCmp $0 0 closed
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(RunningText)" /SD IDCANCEL IDRETRY retry
    Pop $0
    SetErrors
    Return
  closed:
  Pop $0
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

; Sets $IsAdmin and the registry view; the context stays with the current user throughout,
; whose Start menu, Run key and application data are the ones used.
!macro PREPARE
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
  SetShellVarContext current
  StrCpy $IsAdmin 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
!macroend

; Points SHCTX at the uninstall entry's hive of the mode; the folders stay the current user's.
!macro ENTRY_HIVE
  ${If} $Mode == "all"
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend
!macro USER_FOLDERS
  SetShellVarContext current
!macroend

; ---- setup -----------------------------------------------------------------------------------

Function DefaultFolder
  ${If} $Mode == "all"
    !if "${ARCH}" == "x64"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    !else
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    !endif
    Return
  ${EndIf}
  ClearErrors
  GetKnownFolderPath $0 {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; the user's programs folder
  ${If} ${Errors}
  ${OrIf} $0 == ""
    StrCpy $0 "$LOCALAPPDATA\Programs"
    ${If} $LOCALAPPDATA == ""
      ; Systems without per-user folders (Windows 95, NT 4).
      StrCpy $0 "$PROGRAMFILES"
    ${EndIf}
  ${EndIf}
  StrCpy $INSTDIR "$0\${PRODUCT}"
FunctionEnd


; The choice of mode, offered only to an elevated setup without an earlier installation.
Function ModePageShow
  ${If} $IsAdmin != 1
  ${OrIf} $ModeFixed == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install ${PRODUCT}."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Each user keeps their own settings file; the Start menu shortcut and starting at log-on are set up for you."
  Pop $0
  ${NSD_CreateRadioButton} 10u 34u 90% 12u "Just for &me (no administrator rights needed)"
  Pop $ModeUser
  ${NSD_CreateRadioButton} 10u 50u 90% 12u "For &all users of this computer (into Program Files)"
  Pop $ModeAll
  ${If} $Mode == "all"
    ${NSD_Check} $ModeAll
  ${Else}
    ${NSD_Check} $ModeUser
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAll $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode "all"
  ${Else}
    StrCpy $Mode "user"
  ${EndIf}
  ${If} $DirGiven == 0
    Call DefaultFolder
  ${EndIf}
FunctionEnd

Function StartProgram
  SetOutPath "${SETTINGS_DIR}"
  Exec '${COMMAND_LINE}'
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  ; The user may have started it while the wizard was open.
  Call WaitUntilClosed
  ${If} ${Errors}
    Abort "$(StillRunning)"
  ${EndIf}

  SetOutPath "$INSTDIR"
  ; The guide's pictures folder is the setup's own: pictures of an older guide go, so that the
  ; uninstaller's list is the whole of it.
  Delete "$INSTDIR\guide\*.png"
  !insertmacro DT_INSTALL_FILES
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The settings folder is created here but the file is left to the program: an upgrade never
  ; touches an existing settings file.
  !insertmacro USER_FOLDERS
  CreateDirectory "${SETTINGS_DIR}"
  SetOutPath "${SETTINGS_DIR}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}" '/ini:"${SETTINGS_FILE}"' \
    "$INSTDIR\${EXE}" 0 SW_SHOWNORMAL "" "Times dial-up connections"
  SetOutPath "$INSTDIR"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  !insertmacro ENTRY_HIVE
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD SHCTX "${UNINST_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  !insertmacro USER_FOLDERS
SectionEnd

Section "Start ${PRODUCT} when I log on" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '${COMMAND_LINE}'
SectionEnd

; An upgrade with the option cleared takes the earlier Run value away.
Section "-ForgetAutostart"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    Call RemoveOurRunValue
  ${EndIf}
SectionEnd

Function .onInit
  !if "${ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsX64)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  !endif
  !insertmacro PREPARE

  ; An earlier installation decides the mode and the folder.
  StrCpy $Mode "user"
  StrCpy $ModeFixed 0
  ReadRegStr $PreviousDir HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $PreviousDir != ""
    StrCpy $ModeFixed 1
  ${Else}
    ReadRegStr $PreviousDir HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $PreviousDir != ""
      StrCpy $Mode "all"
      StrCpy $ModeFixed 1
    ${EndIf}
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "all"
    StrCpy $ModeFixed 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "user"
    StrCpy $ModeFixed 1
  ${EndIf}

  ${If} $Mode == "all"
  ${AndIf} $IsAdmin != 1
    ${If} $PreviousDir != ""
      MessageBox MB_OK|MB_ICONSTOP "$(InstalledForAll)" /SD IDOK
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "$(AllUsersNeedsAdmin)" /SD IDOK
    ${EndIf}
    SetErrorLevel 5
    Quit
  ${EndIf}

  ; /D= sets the folder before this runs; otherwise the earlier one, else the mode's default.
  StrCpy $DirGiven 1
  ${If} $INSTDIR == ""
    StrCpy $DirGiven 0
    ${If} $PreviousDir != ""
      StrCpy $INSTDIR $PreviousDir
    ${Else}
      Call DefaultFolder
    ${EndIf}
  ${EndIf}

  ; Starting at log-on is on by default, but an upgrade keeps the user's earlier choice.
  ClearErrors
  ${GetOptions} $R0 "/NoAutostart" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAutostart}
  ${ElseIf} $PreviousDir != ""
    ReadRegStr $R1 HKCU "${RUN_KEY}" "${PRODUCT}"
    ${If} $R1 == ""
      !insertmacro UnselectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}

  Call WaitUntilClosed
  ${If} ${Errors}
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; ---- uninstaller ----------------------------------------------------------------------------

!macro REMOVE_OUR_RUN_VALUE PREFIX
; Deletes the Run value only when it still starts the program of this folder.
Function ${PREFIX}RemoveOurRunValue
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  StrLen $1 '"$INSTDIR\${EXE}"'
  StrCpy $2 $0 $1
  ${If} $2 == '"$INSTDIR\${EXE}"'
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REMOVE_OUR_RUN_VALUE ""
!insertmacro REMOVE_OUR_RUN_VALUE "un."


Section "un.${PRODUCT}" un.SecProgram
  SectionIn RO
  Call un.WaitUntilClosed
  ${If} ${Errors}
    Abort "$(StillRunning)"
  ${EndIf}
  ; The program goes first: when something still holds it, the rest is left complete.
  ClearErrors
  Delete "$INSTDIR\${EXE}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(LockedExe)" /SD IDOK
    SetErrorLevel 2
    Abort "$(LockedExe)"
  ${EndIf}
  !insertmacro DT_REMOVE_FILES
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  !insertmacro USER_FOLDERS
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Call un.RemoveOurRunValue
  !insertmacro ENTRY_HIVE
  DeleteRegKey SHCTX "${UNINST_KEY}"
  !insertmacro USER_FOLDERS
  ; Only when empty: the settings file and anything the user put there stay.
  RMDir "${SETTINGS_DIR}"
SectionEnd

Section /o "un.My settings (${PRODUCT}.ini)" un.SecSettings
  !insertmacro USER_FOLDERS
  Delete "${SETTINGS_FILE}"
  RMDir "${SETTINGS_DIR}"
SectionEnd

Function un.onInit
  !insertmacro PREPARE
  ; All users when the machine-wide entry is the one that names this folder.
  StrCpy $Mode "user"
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != $INSTDIR
    ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
      StrCpy $Mode "all"
    ${EndIf}
  ${EndIf}
  ${If} $Mode == "all"
  ${AndIf} $IsAdmin != 1
    MessageBox MB_OK|MB_ICONSTOP "$(InstalledForAll)" /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/RemoveSettings" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${un.SecSettings}
  ${EndIf}

  Call un.WaitUntilClosed
  ${If} ${Errors}
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
