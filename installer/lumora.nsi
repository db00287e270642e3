; Lumora's installer, built by scripts/package.sh:
;   makensis -DVERSION=x.y.z [-DDIST=folder with Lumora.scr, LMRResource.dat and LumoraPlaces.dat] installer/lumora.nsi
; The saver goes into the 64-bit system folder: Windows lists every .scr found there in each
; user's screen-saver settings, so one per-machine install serves every account. The
; uninstaller lives in Program Files\Lumora, since a system folder is no place for it.
;
; Silent install (/S) switches:
;   /LANG=N        the saver's language: 0 English, 1 Russian, 2 German, 3 French, 4 Spanish,
;                  5 Italian, 6 Japanese. Without it, an earlier install's choice is kept,
;                  else English. Without /S it preselects the language page (and the
;                  installer's own language).
;   /SETCURRENT=1  make Lumora the screen saver of the user running the installer (0: leave
;                  the user's choice alone, the default in a silent install).
;   /D=FOLDER      where the uninstaller goes (default: Program Files\Lumora); last, unquoted.
; Any other value of /LANG or /SETCURRENT ends the installer with exit code 2, having changed
; nothing. Silent uninstall: "<Program Files>\Lumora\uninstall.exe" /S.
; This file is UTF-8: the installer's texts come in the saver's seven languages.

Unicode true
Target amd64-unicode

!ifndef VERSION
  !error "Pass the version: makensis -DVERSION=x.y.z (scripts/package.sh reads it from VERSION)"
!endif
!ifndef DIST
  !define DIST "../dist"
!endif

; scripts/package.sh passes SIGN (the signing command) when a certificate is given: the
; uninstaller is signed before it goes into the installer, the installer once it is written.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

!define PRODUCT "Lumora Screen Saver"
!define PUBLISHER "VELMORA"
; What the saver reads: its language number lives here.
!define SAVER_KEY "SOFTWARE\VELMORA\ScreenSaver\Lumora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"
!define DESKTOP_KEY "Control Panel\Desktop"
!define LANGUAGE_COUNT 7
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_BROADCAST 3

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "StrFunc.nsh"
!include "x64.nsh"
!include "nsDialogs.nsh"

${UnStrStr}

Name "${PRODUCT}"
OutFile "${DIST}/LumoraSetup.exe"
InstallDir "$PROGRAMFILES64\Lumora"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "Lumora ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

Var SaverLanguage   ; 0..6, what "CurLang" is set to
Var LanguageList    ; the language page's list box

;--------------------------------------------------------------------------------------------
; Pages

!define MUI_ICON "../assets/lumora.ico"
!define MUI_UNICON "../assets/lumora.ico"
!define MUI_ABORTWARNING
; The description goes below the list, which then has the width for the longer languages.
!define MUI_COMPONENTSPAGE_SMALLDESC

; Lumora's own pictures instead of NSIS's: the side picture of the welcome and finish pages
; and the header of the pages between (scripts/make-assets.sh makes both).
!define MUI_WELCOMEFINISHPAGE_BITMAP "../assets/installer/welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_BITMAP "../assets/installer/header.bmp"

!insertmacro MUI_PAGE_WELCOME
; The licence page also credits the place names' source (GeoNames, CC BY 4.0).
!insertmacro MUI_PAGE_LICENSE "LICENSE.txt"
Page custom LanguagePageCreate LanguagePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
; The finish page offers no "open the screen-saver settings": the installer runs with the
; administrator's token, and whatever it starts inherits it, so a settings dialog opened from
; here would save Lumora.scr.settings into the system folder as the administrator. NSIS has
; no plugin-free way to start a program as the user who ran the installer.
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The installer speaks the same seven languages as the saver, in the same order. The first is
; the fallback when Windows' own language is none of them.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Japanese"

; The same product details as Lumora.scr's own version resource.
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Lumora"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "© ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "OriginalFilename" "LumoraSetup.exe"

;--------------------------------------------------------------------------------------------
; Texts

LangString SaverSectionText ${LANG_ENGLISH} "Lumora screen saver"
LangString SaverSectionText ${LANG_RUSSIAN} "Заставка Lumora"
LangString SaverSectionText ${LANG_GERMAN} "Lumora-Bildschirmschoner"
LangString SaverSectionText ${LANG_FRENCH} "Écran de veille Lumora"
LangString SaverSectionText ${LANG_SPANISH} "Protector de pantalla Lumora"
LangString SaverSectionText ${LANG_ITALIAN} "Salvaschermo Lumora"
LangString SaverSectionText ${LANG_JAPANESE} "Lumora スクリーン セーバー"

LangString SaverSectionInfo ${LANG_ENGLISH} "The screen saver and its resources, in the Windows system folder, so that every user can choose it."
LangString SaverSectionInfo ${LANG_RUSSIAN} "Заставка и её ресурсы в системной папке Windows, чтобы её мог выбрать любой пользователь."
LangString SaverSectionInfo ${LANG_GERMAN} "Der Bildschirmschoner und seine Ressourcen im Windows-Systemordner, damit jeder Benutzer ihn auswählen kann."
LangString SaverSectionInfo ${LANG_FRENCH} "L'écran de veille et ses ressources, dans le dossier système de Windows, pour que chaque utilisateur puisse le choisir."
LangString SaverSectionInfo ${LANG_SPANISH} "El protector de pantalla y sus recursos, en la carpeta del sistema de Windows, para que cualquier usuario pueda elegirlo."
LangString SaverSectionInfo ${LANG_ITALIAN} "Il salvaschermo e le sue risorse, nella cartella di sistema di Windows, così che ogni utente possa sceglierlo."
LangString SaverSectionInfo ${LANG_JAPANESE} "スクリーン セーバーとそのリソースを Windows のシステム フォルダーに置き、すべてのユーザーが選択できるようにします。"

LangString CurrentSectionText ${LANG_ENGLISH} "Make Lumora my screen saver"
LangString CurrentSectionText ${LANG_RUSSIAN} "Сделать Lumora моей заставкой"
LangString CurrentSectionText ${LANG_GERMAN} "Lumora als meinen Bildschirmschoner festlegen"
LangString CurrentSectionText ${LANG_FRENCH} "Utiliser Lumora comme écran de veille"
LangString CurrentSectionText ${LANG_SPANISH} "Usar Lumora como mi protector de pantalla"
LangString CurrentSectionText ${LANG_ITALIAN} "Imposta Lumora come mio salvaschermo"
LangString CurrentSectionText ${LANG_JAPANESE} "Lumora をスクリーン セーバーに設定する"

LangString CurrentSectionInfo ${LANG_ENGLISH} "Choose Lumora as your screen saver right away."
LangString CurrentSectionInfo ${LANG_RUSSIAN} "Сразу выбрать Lumora в качестве заставки."
LangString CurrentSectionInfo ${LANG_GERMAN} "Lumora sofort als Bildschirmschoner auswählen."
LangString CurrentSectionInfo ${LANG_FRENCH} "Choisir Lumora comme écran de veille dès maintenant."
LangString CurrentSectionInfo ${LANG_SPANISH} "Elegir Lumora como protector de pantalla ahora mismo."
LangString CurrentSectionInfo ${LANG_ITALIAN} "Scegli subito Lumora come salvaschermo."
LangString CurrentSectionInfo ${LANG_JAPANESE} "今すぐ Lumora をスクリーン セーバーとして選択します。"

LangString LanguagePageTitle ${LANG_ENGLISH} "Screen saver language"
LangString LanguagePageTitle ${LANG_RUSSIAN} "Язык заставки"
LangString LanguagePageTitle ${LANG_GERMAN} "Sprache des Bildschirmschoners"
LangString LanguagePageTitle ${LANG_FRENCH} "Langue de l'écran de veille"
LangString LanguagePageTitle ${LANG_SPANISH} "Idioma del protector de pantalla"
LangString LanguagePageTitle ${LANG_ITALIAN} "Lingua del salvaschermo"
LangString LanguagePageTitle ${LANG_JAPANESE} "スクリーン セーバーの言語"

LangString LanguagePageSubtitle ${LANG_ENGLISH} "Choose the language of Lumora's settings and messages."
LangString LanguagePageSubtitle ${LANG_RUSSIAN} "Выберите язык настроек и сообщений Lumora."
LangString LanguagePageSubtitle ${LANG_GERMAN} "Wählen Sie die Sprache der Einstellungen und Meldungen von Lumora."
LangString LanguagePageSubtitle ${LANG_FRENCH} "Choisissez la langue des paramètres et des messages de Lumora."
LangString LanguagePageSubtitle ${LANG_SPANISH} "Elija el idioma de la configuración y los mensajes de Lumora."
LangString LanguagePageSubtitle ${LANG_ITALIAN} "Scegli la lingua delle impostazioni e dei messaggi di Lumora."
LangString LanguagePageSubtitle ${LANG_JAPANESE} "Lumora の設定とメッセージの言語を選択してください。"

LangString LanguagePageLabel ${LANG_ENGLISH} "Lumora will show its settings window and its messages in this language:"
LangString LanguagePageLabel ${LANG_RUSSIAN} "Lumora будет показывать окно настроек и сообщения на этом языке:"
LangString LanguagePageLabel ${LANG_GERMAN} "Lumora zeigt sein Einstellungsfenster und seine Meldungen in dieser Sprache:"
LangString LanguagePageLabel ${LANG_FRENCH} "Lumora affichera sa fenêtre de paramètres et ses messages dans cette langue :"
LangString LanguagePageLabel ${LANG_SPANISH} "Lumora mostrará su ventana de configuración y sus mensajes en este idioma:"
LangString LanguagePageLabel ${LANG_ITALIAN} "Lumora mostrerà la finestra delle impostazioni e i messaggi in questa lingua:"
LangString LanguagePageLabel ${LANG_JAPANESE} "Lumora の設定画面とメッセージは次の言語で表示されます:"


LangString BadOptionText ${LANG_ENGLISH} "Invalid command-line option:"
LangString BadOptionText ${LANG_RUSSIAN} "Недопустимый параметр командной строки:"
LangString BadOptionText ${LANG_GERMAN} "Ungültige Befehlszeilenoption:"
LangString BadOptionText ${LANG_FRENCH} "Option de ligne de commande non valide :"
LangString BadOptionText ${LANG_SPANISH} "Opción de línea de comandos no válida:"
LangString BadOptionText ${LANG_ITALIAN} "Opzione della riga di comando non valida:"
LangString BadOptionText ${LANG_JAPANESE} "無効なコマンド ライン オプション:"

;--------------------------------------------------------------------------------------------
; Installation

Section "!$(SaverSectionText)" SecSaver
  SectionIn RO
  ; A 64-bit installer is not redirected anyway; turned off all the same so that $SYSDIR is
  ; the 64-bit System32 whatever runs this section.
  ${DisableX64FSRedirection}
  SetRegView 64
  SetOutPath "$SYSDIR"
  SetOverwrite on
  File "${DIST}/Lumora.scr"
  File "${DIST}/LMRResource.dat"
  ; The captions' places (GeoNames, CC BY 4.0) lie open beside the saver, outside the
  ; password-protected archive: the licence allows no technical measure on its data.
  File "${DIST}/LumoraPlaces.dat"
  ; A Lumora.scr.settings left beside the saver by an earlier version stays: it holds the
  ; picture list someone chose.
  WriteRegDWORD HKLM "${SAVER_KEY}" "CurLang" $SaverLanguage

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\Lumora.scr,0"
  SectionGetSize ${SecSaver} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetOutPath "$SYSDIR"
SectionEnd

Section "$(CurrentSectionText)" SecCurrent
  ; The choice lives in the installing user's own settings, as the display settings keep it.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\Lumora.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; Windows caches whether a saver is active; through SystemParametersInfo the change takes
  ; effect now instead of at the next sign-in.
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_BROADCAST})'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSaver} "$(SaverSectionInfo)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCurrent} "$(CurrentSectionInfo)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Saver language number <-> installer language, both in the saver's order.
Function SaverLanguageOfInstaller  ; $LANGUAGE -> $0
  ${Switch} $LANGUAGE
    ${Case} ${LANG_RUSSIAN}
      StrCpy $0 1
      ${Break}
    ${Case} ${LANG_GERMAN}
      StrCpy $0 2
      ${Break}
    ${Case} ${LANG_FRENCH}
      StrCpy $0 3
      ${Break}
    ${Case} ${LANG_SPANISH}
      StrCpy $0 4
      ${Break}
    ${Case} ${LANG_ITALIAN}
      StrCpy $0 5
      ${Break}
    ${Case} ${LANG_JAPANESE}
      StrCpy $0 6
      ${Break}
    ${Default}
      StrCpy $0 0
  ${EndSwitch}
FunctionEnd

Function InstallerLanguageOfSaver  ; $SaverLanguage -> $LANGUAGE
  ${Switch} $SaverLanguage
    ${Case} 1
      StrCpy $LANGUAGE ${LANG_RUSSIAN}
      ${Break}
    ${Case} 2
      StrCpy $LANGUAGE ${LANG_GERMAN}
      ${Break}
    ${Case} 3
      StrCpy $LANGUAGE ${LANG_FRENCH}
      ${Break}
    ${Case} 4
      StrCpy $LANGUAGE ${LANG_SPANISH}
      ${Break}
    ${Case} 5
      StrCpy $LANGUAGE ${LANG_ITALIAN}
      ${Break}
    ${Case} 6
      StrCpy $LANGUAGE ${LANG_JAPANESE}
      ${Break}
    ${Default}
      StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndSwitch}
FunctionEnd

; $R1: the option with its "=", $R2: the largest value allowed. Out: $R3, the value, or ""
; when the option is not given. Anything but a plain number 0..$R2 ends the installer before
; it has changed anything: a deployment script with a typo should fail, not half-succeed.
Function ReadNumberOption
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 $R1 $R3
  ${If} ${Errors}
    StrCpy $R3 ""
    Return
  ${EndIf}
  IntOp $R4 $R3 + 0
  ${If} "$R4" != "$R3"
  ${OrIf} $R4 < 0
  ${OrIf} $R4 > $R2
    MessageBox MB_OK|MB_ICONSTOP "$(BadOptionText) $R1$R3" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64

  ; Language: the switch, else what an earlier install chose, else English in a silent
  ; install and the installer's own language on the page.
  StrCpy $R1 "/LANG="
  IntOp $R2 ${LANGUAGE_COUNT} - 1
  Call ReadNumberOption
  ${If} $R3 != ""
    StrCpy $SaverLanguage $R3
    ${IfNot} ${Silent}
      Call InstallerLanguageOfSaver
    ${EndIf}
  ${Else}
    ClearErrors
    ReadRegDWORD $SaverLanguage HKLM "${SAVER_KEY}" "CurLang"
    ${If} ${Errors}
    ${OrIf} $SaverLanguage >= ${LANGUAGE_COUNT}
      StrCpy $SaverLanguage 0
      ${IfNot} ${Silent}
        Call SaverLanguageOfInstaller
        StrCpy $SaverLanguage $0
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ; Making Lumora the current saver: ticked on the page, off in a silent install unless asked.
  StrCpy $R1 "/SETCURRENT="
  StrCpy $R2 1
  Call ReadNumberOption
  ${If} $R3 == "0"
    !insertmacro UnselectSection ${SecCurrent}
  ${ElseIf} $R3 == ""
  ${AndIf} ${Silent}
    !insertmacro UnselectSection ${SecCurrent}
  ${EndIf}
FunctionEnd

Function LanguagePageCreate
  !insertmacro MUI_HEADER_TEXT "$(LanguagePageTitle)" "$(LanguagePageSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 20u "$(LanguagePageLabel)"
  Pop $0
  ; Each language in its own words, in the order of the saver's numbers.
  ${NSD_CreateListBox} 0 24u 50% 84u ""
  Pop $LanguageList
  ${NSD_LB_AddString} $LanguageList "English"
  ${NSD_LB_AddString} $LanguageList "Русский"
  ${NSD_LB_AddString} $LanguageList "Deutsch"
  ${NSD_LB_AddString} $LanguageList "Français"
  ${NSD_LB_AddString} $LanguageList "Español"
  ${NSD_LB_AddString} $LanguageList "Italiano"
  ${NSD_LB_AddString} $LanguageList "日本語"
  SendMessage $LanguageList ${LB_SETCURSEL} $SaverLanguage 0
  ; Arrow keys pick a language at once; Enter still means Next.
  ${NSD_SetFocus} $LanguageList
  nsDialogs::Show
FunctionEnd

Function LanguagePageLeave
  SendMessage $LanguageList ${LB_GETCURSEL} 0 0 $0
  ${If} $0 >= 0
  ${AndIf} $0 < ${LANGUAGE_COUNT}
    StrCpy $SaverLanguage $0
  ${EndIf}
FunctionEnd

;--------------------------------------------------------------------------------------------
; Uninstallation

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  ${DisableX64FSRedirection}
  SetRegView 64

  ; Only the running user's choice can be seen from here. If it is this Lumora, no saver is
  ; left behind that Windows would try to start; another saver, or a Lumora copy elsewhere,
  ; stays chosen.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  GetFullPathName /SHORT $1 "$SYSDIR\Lumora.scr"
  ${If} $0 != ""
    ${If} $0 == "$SYSDIR\Lumora.scr"
    ${OrIf} $0 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_UPDATE_AND_BROADCAST})'
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
    ${EndIf}
  ${EndIf}

  ; A saver still running holds its files: they go at the next restart instead.
  Delete /REBOOTOK "$SYSDIR\Lumora.scr"
  Delete /REBOOTOK "$SYSDIR\LMRResource.dat"
  Delete /REBOOTOK "$SYSDIR\LumoraPlaces.dat"
  ; Settings beside the saver were written by an administrator for this copy and would
  ; otherwise lie orphaned in the system folder. Each user's own settings under
  ; %APPDATA%\Lumora are theirs and stay.
  Delete "$SYSDIR\Lumora.scr.settings"
  ; The saver logs beside itself when it may write there. The name is a common one, so the
  ; file goes only when its first line shows it is Lumora's.
  ${If} ${FileExists} "$SYSDIR\log_output.txt"
    ClearErrors
    FileOpen $2 "$SYSDIR\log_output.txt" r
    ${IfNot} ${Errors}
      FileRead $2 $3
      FileClose $2
      ${UnStrStr} $4 $3 "Lumora Screen Saver"
      ${If} $4 != ""
        Delete "$SYSDIR\log_output.txt"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKLM "${SAVER_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\VELMORA\ScreenSaver"
  DeleteRegKey /ifempty HKLM "SOFTWARE\VELMORA"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
