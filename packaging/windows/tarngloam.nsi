; The TARNGLOAM installer for 64-bit Windows, built with NSIS by packaging/windows/make-packages.sh,
; which defines VERSION, STAGE (the folder to install from), OUTFILE, and writes the two lists of
; files included below.
; A 64-bit installer: Windows on 32-bit machines refuses to start it, and it sees the 64-bit
; Program Files and registry as they are.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "TARNGLOAM ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vorla\TARNGLOAM"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TARNGLOAM"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "TARNGLOAM"
    !include "${STAGE}/install-files.nsh"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TARNGLOAM ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vorla"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${STAGE}/uninstall-files.nsh"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\Vorla"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
