; The Skovalt installer. It installs for the current user, without
; administrator rights, into %LOCALAPPDATA%\Programs\Skovalt: the program
; keeps Server.dat, Delta.dat and Server.txt beside its executable, which a
; folder under Program Files would not let it write. An install over an
; older one replaces the program's files only, so the user's list and the
; settings (HKCU\Software\Holmdrey\Skovalt) stay. The uninstaller asks
; before it removes the list and the settings; silently (/S) it keeps them
; unless given /REMOVELIST.
;
; Made by tools/scripts/release.sh:
;   makensis -DVERSION=4.7.2.0 -DARCH=x64|x86 -DBIN=DIR -DOUTFILE=FILE skovalt.nsi

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma

!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Skovalt"
!define SETTINGS_KEY "Software\Holmdrey\Skovalt"

Name "Skovalt ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Skovalt"
; An upgrade goes where the last install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Skovalt"
VIAddVersionKey "FileDescription" "Skovalt setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "Holmdrey"
VIAddVersionKey "LegalCopyright" "Holmdrey"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The program's own files: what an upgrade replaces and the uninstaller
; always removes.
!macro ProgramFiles action
  !insertmacro ${action} "Skovalt.exe"
  !insertmacro ${action} "Kv.dll"
  !insertmacro ${action} "Parlet.dll"
  !insertmacro ${action} "kvquery.exe"
  !insertmacro ${action} "MapData.txt"
  !insertmacro ${action} "wait.wav"
  !insertmacro ${action} "ready.wav"
  !insertmacro ${action} "mireva.wav"
  !insertmacro ${action} "Bkgnd.jpg"
!macroend
!macro Install name
  File "${BIN}/${name}"
!macroend
!macro Remove name
  Delete "$INSTDIR\${name}"
!macroend

Section "Skovalt"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !insertmacro ProgramFiles Install
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Skovalt.lnk" "$INSTDIR\Skovalt.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Skovalt"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Holmdrey"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Skovalt.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro ProgramFiles Remove
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\Skovalt.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVELIST" $1
  IfErrors 0 removeList
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Remove your server list (Server.dat, Delta.dat, Server.txt) and Skovalt's settings as well?$\n$\nAnswer No to keep them for a later install." \
    /SD IDNO IDYES removeList
  Goto done
removeList:
  Delete "$INSTDIR\Server.dat"
  Delete "$INSTDIR\Delta.dat"
  Delete "$INSTDIR\Server.txt"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Holmdrey"
done:
  ; Only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
