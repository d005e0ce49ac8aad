; The per-user installer of the Windows build: no administrator needed. It installs into the
; user's own programs folder, adds a Start-menu entry, opens .zcf files in the tool (under
; HKCU) and registers an uninstaller that removes all of that again. The user's settings and
; logs are not the installer's and stay.
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder of the programs> -DOUTFILE=<installer.exe>
;            -DUNINSTALL_LIST=<file of Delete and RMDir lines for what STAGE holds> durvex-config.nsi
Unicode true
Target amd64-unicode ; a 64-bit installer for a 64-bit program
!define NAME "DURVEX Panel Configuration"
!define KEY "durvex-config"
!define PROGID "DurvexConfig.zcf"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${KEY}"

Name "${NAME}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${KEY}"
SetCompressor /SOLID lzma
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\durvex-config-window.exe"

    WriteRegStr HKCU "Software\Classes\.zcf" "" "${PROGID}"
    WriteRegStr HKCU "Software\Classes\${PROGID}" "" "DURVEX panel configuration"
    WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\durvex-config-window.exe,0"
    WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\durvex-config-window.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)' ; file types changed

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "DURVEX configuration tool developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\durvex-config-window.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${NAME}.lnk"
    ; The file type only while it is still ours.
    ReadRegStr $0 HKCU "Software\Classes\.zcf" ""
    StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKCU "Software\Classes\.zcf"
    DeleteRegKey HKCU "Software\Classes\${PROGID}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; What the installer put there, file by file: a folder chosen for it may hold more.
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
