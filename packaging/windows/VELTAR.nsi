; The Windows installer of VELTAR: puts the VST 3 bundle where Windows hosts look for plug-ins,
; C:\Program Files\Common Files\VST3\VELTAR.vst3, with an uninstaller that Windows lists under
; its installed programs. Built by makensis with:
;   -DVERSION=1.1.0 -DBUNDLE=<the VELTAR.vst3 folder> -DOUTFILE=<setup.exe>
; Runs silently with /S.
Unicode true
; A 64-bit installer for a 64-bit plug-in: its folders and registry are the 64-bit ones.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define PRODUCT "VELTAR"
!define VENDOR "QuillstoneAudio"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${VENDOR} ${PRODUCT}"
!define VENDOR_FOLDER "$PROGRAMFILES64\${VENDOR}\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
; The folder hosts search; the directory page lets a user pick another VST 3 folder.
InstallDir "$COMMONFILES64\VST3"
BrandingText "${VENDOR} ${PRODUCT} ${VERSION}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "VELTAR"
  ; A bundle of an earlier version goes first, so no file of it is left behind.
  RMDir /r "$INSTDIR\${PRODUCT}.vst3"
  SetOutPath "$INSTDIR\${PRODUCT}.vst3"
  File /r "${BUNDLE}\*"
  ; The uninstaller stays out of the bundle, which hosts read as the plug-in.
  CreateDirectory "${VENDOR_FOLDER}"
  WriteUninstaller "${VENDOR_FOLDER}\Uninstall ${PRODUCT}.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (VST 3)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\${PRODUCT}.vst3"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${VENDOR_FOLDER}\Uninstall ${PRODUCT}.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${VENDOR_FOLDER}\Uninstall ${PRODUCT}.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" +2
  RMDir /r "$0"
  Delete "${VENDOR_FOLDER}\Uninstall ${PRODUCT}.exe"
  RMDir "${VENDOR_FOLDER}"
  RMDir "$PROGRAMFILES64\${VENDOR}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
