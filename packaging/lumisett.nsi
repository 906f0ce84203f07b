; The Windows installer, made by scripts/package-windows from the package's
; folder: makensis -DVERSION=1.1.0 -DSOURCE=<folder> -DOUTFILE=<setup.exe>.
; It installs into C:\Lumisett by default, not below Program Files: the
; program keeps its parameter file, slide show list and error log in its own
; folder, which the clerk's account must be able to write. The Start menu
; shortcut starts the program in that folder. The uninstaller removes what
; the installer put there and leaves the shop's own files.
Target amd64-unicode  ; a 64-bit installer for the 64-bit program
SetCompressor /SOLID lzma
Name "Lumisett ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "C:\Lumisett"
RequestExecutionLevel user
Icon "${SOURCE}\lumisett.ico"
UninstallIcon "${SOURCE}\lumisett.ico"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumisett"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Lumisett"
    CreateShortcut "$SMPROGRAMS\Lumisett\Lumisett.lnk" "$INSTDIR\lumisett.exe" "" "$INSTDIR\lumisett.exe" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lumisett ${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lumisett.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\lumisett.exe"
    Delete "$INSTDIR\lumisett-tool.exe"
    Delete "$INSTDIR\lumisett.ico"
    Delete "$INSTDIR\*.dll"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\imageformats"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"  ; only when the shop left nothing of its own there
    Delete "$SMPROGRAMS\Lumisett\Lumisett.lnk"
    RMDir "$SMPROGRAMS\Lumisett"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
