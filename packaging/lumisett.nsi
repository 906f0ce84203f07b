; The Windows installer, made by scripts/package-windows from the package's
; folder: makensis -DVERSION=1.1.0 -DSOURCE=<folder> -DOUTFILE=<setup.exe>.
; It installs into C:\Lumisett by default, not below Program Files: the
; program keeps its parameter file, slide show list and error log in its own
; folder, which the clerk's account must be able to write. The Start menu
; shortcut starts the program in that folder. The uninstaller removes what
; the installer put there and leaves the shop's own files.
;
; For a till that nobody should have to touch again, the installer also asks
; for the profile (PROFILE.ini and PROFILE.dbf in the program folder; empty:
; the computer's name) and whether the display starts with Windows: a
; shortcut in the user's Startup folder that starts lumisett.exe PROFILE in
; the program folder. Rolled out silently to many tills:
;     lumisett-windows-VERSION-setup.exe /S /PROFILE=TILL1 /AUTOSTART=1 /D=C:\Lumisett
; (/D last, without quotes). The choices are kept under HKCU\Software\Lumisett
; and are the defaults of the next run, so running a newer (or the same)
; installer over an installation keeps them and the folder; an option given
; on its command line changes them. The installer copies only the program's
; files, so the shop's own (*.ini, the lists *.dbf, logo.bmp, helptext.txt,
; the error logs) stay as they are. A profile the display could not take as
; a file name is refused: in a silent run with exit code 2 and nothing done.
Target amd64-unicode  ; a 64-bit installer for the 64-bit program
SetCompressor /SOLID lzma
Name "Lumisett ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "C:\Lumisett"
InstallDirRegKey HKCU "Software\Lumisett" "InstallDir"
RequestExecutionLevel user
Icon "${SOURCE}\lumisett.ico"
UninstallIcon "${SOURCE}\lumisett.ico"

!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumisett"
!define SETTINGS_KEY "Software\Lumisett"
!define START_ENTRY "$SMSTARTUP\Lumisett.lnk"
; What a profile may not hold: the display drops these from the name it is
; given, so PROFILE.ini would not be the file the installer was told of.
!define NOT_IN_PROFILE '\/.:*?"<>|'

Var TillProfile    ; "" for the computer's name
Var Autostart      ; "1" or "0"
Var ProfileField
Var AutostartBox

Page custom tillPage tillPageLeave
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Sets $R9 to the first character of $TillProfile that no profile may hold, or
; to "" when there is none.
Function findBadProfileChar
    Push $R0
    Push $R1
    Push $R2
    Push $R3
    StrCpy $R9 ""
    StrCpy $R0 0
    ${Do}
        StrCpy $R1 $TillProfile 1 $R0
        ${If} $R1 == ""
            ${ExitDo}
        ${EndIf}
        StrCpy $R2 0
        ${Do}
            StrCpy $R3 `${NOT_IN_PROFILE}` 1 $R2
            ${If} $R3 == ""
                ${ExitDo}
            ${EndIf}
            ${If} $R1 == $R3
                StrCpy $R9 $R1
                ${ExitDo}
            ${EndIf}
            IntOp $R2 $R2 + 1
        ${Loop}
        ${If} $R9 != ""
            ${ExitDo}
        ${EndIf}
        IntOp $R0 $R0 + 1
    ${Loop}
    Pop $R3
    Pop $R2
    Pop $R1
    Pop $R0
FunctionEnd

Function .onInit
    ; The choices of the last run, then what the command line says.
    ReadRegStr $TillProfile HKCU "${SETTINGS_KEY}" "Profile"
    ReadRegStr $Autostart HKCU "${SETTINGS_KEY}" "Autostart"
    ${If} $Autostart != "1"
        StrCpy $Autostart "0"
    ${EndIf}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/PROFILE=" $R1
    ${IfNot} ${Errors}
        StrCpy $TillProfile $R1
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/AUTOSTART=" $R1
    ${IfNot} ${Errors}
        ${If} $R1 != "0"
        ${AndIf} $R1 != "1"
            MessageBox MB_ICONSTOP "/AUTOSTART= takes 1 (start with Windows) or 0, not $\"$R1$\"." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
        StrCpy $Autostart $R1
    ${EndIf}
    Call findBadProfileChar
    ${If} $R9 != ""
        MessageBox MB_ICONSTOP "The profile $\"$TillProfile$\" holds $\"$R9$\", which a profile may not hold." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

Function tillPage
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 30u "Profile of this till: it names the parameter file PROFILE.ini and the slide show list PROFILE.dbf in the program folder. Leave it empty to use the computer's name."
    Pop $0
    ${NSD_CreateText} 0 32u 50% 12u "$TillProfile"
    Pop $ProfileField
    ${NSD_CreateCheckbox} 0 56u 100% 12u "&Start the display with Windows (when this user logs on)"
    Pop $AutostartBox
    ${If} $Autostart == "1"
        ${NSD_Check} $AutostartBox
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function tillPageLeave
    ${NSD_GetText} $ProfileField $TillProfile
    ${NSD_GetState} $AutostartBox $0
    ${If} $0 == ${BST_CHECKED}
        StrCpy $Autostart "1"
    ${Else}
        StrCpy $Autostart "0"
    ${EndIf}
    Call findBadProfileChar
    ${If} $R9 != ""
        MessageBox MB_ICONEXCLAMATION "A profile may not hold $\"$R9$\"."
        Abort  ; stays on the page
    ${EndIf}
FunctionEnd

Section
    SetOutPath "$INSTDIR"  ; also the shortcuts' working folder
    File /r "${SOURCE}\*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${If} $TillProfile == ""
        StrCpy $0 ""
    ${Else}
        StrCpy $0 '"$TillProfile"'
    ${EndIf}
    CreateDirectory "$SMPROGRAMS\Lumisett"
    CreateShortcut "$SMPROGRAMS\Lumisett\Lumisett.lnk" "$INSTDIR\lumisett.exe" $0 "$INSTDIR\lumisett.exe" 0
    Delete "${START_ENTRY}"
    ${If} $Autostart == "1"
        CreateShortcut "${START_ENTRY}" "$INSTDIR\lumisett.exe" $0 "$INSTDIR\lumisett.exe" 0
    ${EndIf}
    WriteRegStr HKCU "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${SETTINGS_KEY}" "Profile" "$TillProfile"
    WriteRegStr HKCU "${SETTINGS_KEY}" "Autostart" "$Autostart"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lumisett ${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lumisett.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
SectionEnd

Section "Uninstall"
    Delete "${START_ENTRY}"
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
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
