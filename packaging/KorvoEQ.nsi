; Korvo-EQ's Windows installer, one for each width, built by scripts/package.sh:
;   makensis -DVERSION=x.y.z -DWIDTH=x64|x86 -DSOURCE=<the unpacked zip> -DOUTFILE=<setup.exe> KorvoEQ.nsi
; The user picks the formats (VST3, CLAP, VST2) and the VST2 folder; the
; factory presets go with their format: the VST3 ones into the shared factory
; folder, %PROGRAMDATA%\VST3 Presets\Vardle\Korvo-EQ, the VST2 ones into
; KorvoEQ-presets beside the VST2 module. A 64-bit
; installer is itself a 64-bit program and writes into the 64-bit folders
; ($COMMONFILES64, the 64-bit registry view); a 32-bit one into the 32-bit
; folders. What went where is recorded under the uninstall key, so the
; uninstaller removes exactly that: the files, and the folders the installer
; created once they are empty.
; Silent: /S, with /VST3=0|1 /CLAP=0|1 /VST2=0|1 (each 1 unless given) and
; /VST2DIR=<folder>; the lines of the last page go to %TEMP%\KorvoEQ-setup.log.

Unicode true
!if "${WIDTH}" == "x64"
    Target amd64-unicode
    !define COMMON "$COMMONFILES64"
    !define PROGRAMS "$PROGRAMFILES64"
    !define VST3_ARCH x86_64-win
    !define WIDTH_NAME 64-bit
!else if "${WIDTH}" == "x86"
    Target x86-unicode
    !define COMMON "$COMMONFILES"
    !define PROGRAMS "$PROGRAMFILES"
    !define VST3_ARCH x86-win
    !define WIDTH_NAME 32-bit
!else
    !error "WIDTH must be x64 or x86"
!endif
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvoEQ"
!define LOG_NAME "KorvoEQ-setup.log"
; $APPDATA is ProgramData once SetShellVarContext all (both widths: it is not redirected).
!define VST3_PRESETS "$APPDATA\VST3 Presets\Vardle\Korvo-EQ"
!define VST3_PRESETS_SOURCE "VST3 Presets\Vardle\Korvo-EQ"
!define VST2_PRESETS "KorvoEQ-presets"

; Applies MACRO to the name of each file in FOLDER of the unpacked zip (none
; when it has no such folder), at compile time: the installer carries those
; files and the uninstaller removes exactly them.
!macro ForEachFile folder macro
    !tempfile FILE_LIST
    !system `cd "${SOURCE}/${folder}" 2>/dev/null && ls -1 | sed 's/.*/!insertmacro ${macro} "&"/' >"${FILE_LIST}" || : >"${FILE_LIST}"` = 0
    !include "${FILE_LIST}"
    !delfile "${FILE_LIST}"
    !undef FILE_LIST
!macroend
!macro InstallVst3Preset name
    File "${SOURCE}\${VST3_PRESETS_SOURCE}\${name}"
!macroend
!macro InstallVst2Preset name
    File "${SOURCE}\${VST2_PRESETS}\${name}"
!macroend
; In the uninstaller, with the folder in $0.
!macro DeletePreset name
    Delete "$0\${name}"
!macroend

Name "Korvo-EQ ${VERSION} (${WIDTH_NAME})"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS}\Vardle\Korvo-EQ"
RequestExecutionLevel admin
ManifestDPIAware true
BrandingText "Vardle Korvo-EQ ${VERSION}"
ShowInstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Korvo-EQ"
VIAddVersionKey CompanyName "Vardle"
VIAddVersionKey FileDescription "Korvo-EQ ${VERSION} setup (${WIDTH_NAME})"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (c) 2026 Vardle"

Var Vst2Dir
Var Summary
Var Log

!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE ComponentsLeave
!define MUI_COMPONENTSPAGE_TEXT_TOP "Choose the formats your hosts load. Each goes into the folder every host of its format scans for ${WIDTH_NAME} plug-ins; you choose the VST2 folder next."
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE Vst2PagePre
!define MUI_PAGE_HEADER_TEXT "VST2 folder"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder your host scans for VST2 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_TOP "KorvoEQ.dll, the VST2 module, goes into this folder, its presets into KorvoEQ-presets in it. VST2 has no standard folder: pick one your host scans (usual ones are ${PROGRAMS}\VSTPlugins, ${PROGRAMS}\Steinberg\VSTPlugins and ${COMMON}\VST2), or add this one to the host's VST2 paths and let it rescan."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST2 plug-in folder"
!define MUI_DIRECTORYPAGE_VARIABLE $Vst2Dir
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Korvo-EQ is installed"
!define MUI_FINISHPAGE_TEXT "$Summary$\r$\n$\r$\nLet your host rescan its plug-ins. Remove Korvo-EQ with Apps && features (Add or Remove Programs)."
!define MUI_FINISHPAGE_TEXT_LARGE
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

; One line of the summary: on the last page, in the details and in the log.
!macro Say text
    Push "${text}"
    Call Say
!macroend
Function Say
    Exch $0
    ${If} $Summary == ""
        StrCpy $Summary "$0"
    ${Else}
        StrCpy $Summary "$Summary$\r$\n$0"
    ${EndIf}
    DetailPrint "$0"
    ${If} $Log != ""
        FileWrite $Log "$0$\r$\n"
    ${EndIf}
    Pop $0
FunctionEnd

; Makes FOLDER (and the folders above it that are missing) and records the
; topmost one it made under the uninstall key as NAME, "" when none.
!macro MakeFolder folder name
    Push "${folder}"
    Push "${name}"
    Call MakeFolder
!macroend
Function MakeFolder
    Exch $1 ; name
    Exch
    Exch $0 ; folder
    Push $2
    Push $3
    StrCpy $2 ""
    StrCpy $3 $0
    ${DoWhile} $3 != ""
        ${If} ${FileExists} "$3\*.*"
            ${Break}
        ${EndIf}
        StrCpy $2 $3
        ${GetParent} $3 $3
    ${Loop}
    CreateDirectory $0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "$1" "$2"
    Pop $3
    Pop $2
    Pop $0
    Pop $1
FunctionEnd

; An earlier installation is removed first, by its own uninstaller, so that
; nothing it put elsewhere (another VST2 folder, say) is forgotten.
Section "-Previous"
    FileOpen $Log "$TEMP\${LOG_NAME}" w
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\Uninstall.exe"
        DetailPrint "Removing the installed Korvo-EQ first"
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "ProgramFolderMade"
        ExecWait '"$0\Uninstall.exe" /S _?=$0'
        Delete "$0\Uninstall.exe"
        Push $0
        Push $1
        Call RemoveFolders
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${EndIf}
    !insertmacro Say "Korvo-EQ ${VERSION} (${WIDTH_NAME}) installed:"
SectionEnd

Section "VST3" SecVst3
    !insertmacro MakeFolder "${COMMON}\VST3\KorvoEQ.vst3\Contents\${VST3_ARCH}" "VST3FolderMade"
    SetOutPath "${COMMON}\VST3\KorvoEQ.vst3\Contents\${VST3_ARCH}"
    File "${SOURCE}\KorvoEQ.vst3\Contents\${VST3_ARCH}\KorvoEQ.vst3"
    CreateDirectory "${COMMON}\VST3\KorvoEQ.vst3\Contents\Resources"
    SetOutPath "${COMMON}\VST3\KorvoEQ.vst3\Contents\Resources"
    File "${SOURCE}\KorvoEQ.vst3\Contents\Resources\moduleinfo.json"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "VST3" "${COMMON}\VST3\KorvoEQ.vst3"
    !insertmacro Say "VST3: ${COMMON}\VST3\KorvoEQ.vst3"
    !insertmacro MakeFolder "${VST3_PRESETS}" "VST3PresetsFolderMade"
    SetOutPath "${VST3_PRESETS}"
    !insertmacro ForEachFile "${VST3_PRESETS_SOURCE}" InstallVst3Preset
    WriteRegStr HKLM "${UNINSTALL_KEY}" "VST3Presets" "${VST3_PRESETS}"
    !insertmacro Say "VST3 presets: ${VST3_PRESETS}"
SectionEnd

Section "CLAP" SecClap
    !insertmacro MakeFolder "${COMMON}\CLAP" "CLAPFolderMade"
    SetOutPath "${COMMON}\CLAP"
    File "${SOURCE}\KorvoEQ.clap"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "CLAP" "${COMMON}\CLAP\KorvoEQ.clap"
    !insertmacro Say "CLAP: ${COMMON}\CLAP\KorvoEQ.clap"
SectionEnd

Section "VST2" SecVst2
    !insertmacro MakeFolder "$Vst2Dir" "VST2FolderMade"
    SetOutPath "$Vst2Dir"
    File "${SOURCE}\KorvoEQ.dll"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "VST2" "$Vst2Dir\KorvoEQ.dll"
    !insertmacro Say "VST2: $Vst2Dir\KorvoEQ.dll"
    !insertmacro MakeFolder "$Vst2Dir\${VST2_PRESETS}" "VST2PresetsFolderMade"
    SetOutPath "$Vst2Dir\${VST2_PRESETS}"
    !insertmacro ForEachFile "${VST2_PRESETS}" InstallVst2Preset
    !insertmacro Say "VST2 presets: $Vst2Dir\${VST2_PRESETS}"
SectionEnd

; The uninstaller and the entry in Add/Remove Programs.
Section "-Register"
    !insertmacro MakeFolder "$INSTDIR" "ProgramFolderMade"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    StrCpy $0 0
    ${If} ${SectionIsSelected} ${SecVst3}
        SectionGetSize ${SecVst3} $1
        IntOp $0 $0 + $1
    ${Else}
        !insertmacro Say "VST3: not installed"
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecClap}
        SectionGetSize ${SecClap} $1
        IntOp $0 $0 + $1
    ${Else}
        !insertmacro Say "CLAP: not installed"
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecVst2}
        SectionGetSize ${SecVst2} $1
        IntOp $0 $0 + $1
    ${Else}
        !insertmacro Say "VST2: not installed"
    ${EndIf}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvo-EQ"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vardle"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    !insertmacro Say "Uninstaller: $INSTDIR\Uninstall.exe"
    FileClose $Log
    StrCpy $Log ""
SectionEnd

; The options, read once the sections exist.
!macro Choose params option section
    ClearErrors
    ${GetOptions} "${params}" "/${option}=" $R1
    ${IfNot} ${Errors}
        ${If} $R1 == 0
            !insertmacro UnselectSection ${section}
        ${ElseIf} $R1 == 1
            !insertmacro SelectSection ${section}
        ${Else}
            MessageBox MB_ICONSTOP "/${option}= takes 0 or 1, not '$R1'." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${EndIf}
!macroend

; The command line without its quotes, so that an option quoted whole
; ("/VST2DIR=C:\VST Plugins") reads as one quoted after its = does.
Function StripQuotes
    Exch $0
    Push $1
    Push $2
    Push $3
    StrCpy $1 ""
    StrCpy $2 0
    ${Do}
        StrCpy $3 $0 1 $2
        ${If} $3 == ""
            ${Break}
        ${EndIf}
        ${If} $3 != '"'
            StrCpy $1 "$1$3"
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
    StrCpy $0 $1
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

Function .onInit
    SetShellVarContext all
    !if "${WIDTH}" == "x64"
        SetRegView 64
        ${DisableX64FSRedirection}
    !endif
    StrCpy $Vst2Dir "${COMMON}\VST2"
    ${GetParameters} $R0
    Push $R0
    Call StripQuotes
    Pop $R0
    !insertmacro Choose $R0 VST3 ${SecVst3}
    !insertmacro Choose $R0 CLAP ${SecClap}
    !insertmacro Choose $R0 VST2 ${SecVst2}
    ClearErrors
    ${GetOptions} $R0 "/VST2DIR=" $R1
    ${IfNot} ${Errors}
    ${AndIf} $R1 != ""
        StrCpy $Vst2Dir $R1
    ${EndIf}
    ${If} ${Silent}
        Call ComponentsLeave
    ${EndIf}
FunctionEnd

; At least one format: an installation of none would only register itself.
Function ComponentsLeave
    ${IfNot} ${SectionIsSelected} ${SecVst3}
    ${AndIfNot} ${SectionIsSelected} ${SecClap}
    ${AndIfNot} ${SectionIsSelected} ${SecVst2}
        MessageBox MB_ICONEXCLAMATION "Choose at least one format." /SD IDOK
        ${If} ${Silent}
            SetErrorLevel 2
            Quit
        ${EndIf}
        Abort
    ${EndIf}
FunctionEnd

Function Vst2PagePre
    ${IfNot} ${SectionIsSelected} ${SecVst2}
        Abort
    ${EndIf}
FunctionEnd

LangString DESC_VST3 ${LANG_ENGLISH} "The VST3 bundle, into ${COMMON}\VST3 (most hosts today load VST3), and its factory presets, into the VST3 Presets folder of ProgramData."
LangString DESC_CLAP ${LANG_ENGLISH} "The CLAP module, into ${COMMON}\CLAP."
LangString DESC_VST2 ${LANG_ENGLISH} "The VST2 module, into a folder you choose next, with its presets (.fxp) in KorvoEQ-presets beside it."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecVst3} $(DESC_VST3)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecClap} $(DESC_CLAP)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecVst2} $(DESC_VST2)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Removes FOLDER and the folders above it up to TOP (the topmost one the
; installer made; nothing when empty), each only while it is empty.
!macro RemoveFoldersFunction prefix
Function ${prefix}RemoveFolders
    Exch $1 ; top
    Exch
    Exch $0 ; folder
    ${If} $1 != ""
        ${Do}
            RMDir $0
            ${If} $0 == $1
            ${OrIf} $0 == ""
                ${Break}
            ${EndIf}
            ${GetParent} $0 $0
        ${Loop}
    ${EndIf}
    Pop $0
    Pop $1
FunctionEnd
!macroend
!insertmacro RemoveFoldersFunction ""
!insertmacro RemoveFoldersFunction "un."

Function un.onInit
    SetShellVarContext all
    !if "${WIDTH}" == "x64"
        SetRegView 64
        ${DisableX64FSRedirection}
    !endif
FunctionEnd

Section "Uninstall"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "VST3"
    ${If} $0 != ""
        Delete "$0\Contents\${VST3_ARCH}\KorvoEQ.vst3"
        Delete "$0\Contents\Resources\moduleinfo.json"
        RMDir "$0\Contents\Resources"
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "VST3FolderMade"
        ${If} $1 == ""
            StrCpy $1 $0
        ${EndIf}
        Push "$0\Contents\${VST3_ARCH}"
        Push $1
        Call un.RemoveFolders
    ${EndIf}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "VST3Presets"
    ${If} $0 != ""
        !insertmacro ForEachFile "${VST3_PRESETS_SOURCE}" DeletePreset
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "VST3PresetsFolderMade"
        Push $0
        Push $1
        Call un.RemoveFolders
    ${EndIf}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "CLAP"
    ${If} $0 != ""
        Delete $0
        ${GetParent} $0 $0
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "CLAPFolderMade"
        Push $0
        Push $1
        Call un.RemoveFolders
    ${EndIf}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "VST2"
    ${If} $0 != ""
        Delete $0
        ${GetParent} $0 $0
        Push $0
        StrCpy $0 "$0\${VST2_PRESETS}"
        !insertmacro ForEachFile "${VST2_PRESETS}" DeletePreset
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "VST2PresetsFolderMade"
        Push $0
        Push $1
        Call un.RemoveFolders
        Pop $0
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "VST2FolderMade"
        Push $0
        Push $1
        Call un.RemoveFolders
    ${EndIf}
    Delete "$INSTDIR\Uninstall.exe"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "ProgramFolderMade"
    Push $INSTDIR
    Push $1
    Call un.RemoveFolders
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
