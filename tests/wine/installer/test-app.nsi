; A small real installer for the tests: a program folder, an uninstall entry,
; a Run value and a settings key, all taken away again by its silent uninstaller.
; Built by ../make-installer.sh, which passes OUTFILE.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
SilentInstall silent
SilentUnInstall silent

!include FileFunc.nsh

!ifndef OUTFILE
  !error "OUTFILE is not defined: build with makensis -DOUTFILE=..."
!endif

!define APPNAME "Tolvex Test App"
!define APPKEY "TolvexTestApp"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APPKEY}"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${APPNAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APPNAME}"

Function .onInit
  SetRegView 64
  ; app.exe is a copy of this installer: started by the Run value (with /tray) it ends at once.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/tray" $1
  IfErrors +3
    SetErrorLevel 0
    Quit
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  CopyFiles /SILENT "$EXEPATH" "$INSTDIR\app.exe"
  FileOpen $0 "$INSTDIR\readme.txt" w
  FileWrite $0 "${APPNAME}$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninst.exe"

  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "Tolvex"
  WriteRegStr HKCU "${RUNKEY}" "${APPKEY}" '"$INSTDIR\app.exe" /tray'
  WriteRegStr HKCU "Software\${APPKEY}" "Setting" "1"
SectionEnd

Section "Uninstall"
  ; Started as "$INSTDIR\uninst.exe", the uninstaller runs from a copy in
  ; $TEMP\~nsuN.tmp ($EXEDIR), so the install folder can go at once.
  SetOutPath "$TEMP"
  Delete "$INSTDIR\app.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTKEY}"
  DeleteRegValue HKCU "${RUNKEY}" "${APPKEY}"
  DeleteRegKey HKCU "Software\${APPKEY}"

  ; The running copy cannot delete itself: a cmd started last removes its
  ; folder once it has ended, trying for about half a minute at most.
  StrLen $1 "$TEMP\~nsu"
  StrCpy $2 "$EXEDIR" $1
  StrCmp $2 "$TEMP\~nsu" 0 done
  Exec '"$SYSDIR\cmd.exe" /c for /l %i in (1,1,30) do (if exist "$EXEDIR\" (ping -n 2 127.0.0.1 >nul & rd /s /q "$EXEDIR"))'
  done:
SectionEnd
