; zelsetup.exe: the setup program of the ZEL Bx-Q Series software. It puts
; the viewer, the TWAIN data source and the camera driver in place for all
; users, optionally the demo programs with the simulated camera ("Try
; without a camera"), registers the uninstaller in the installed-programs
; list, and takes everything away again on uninstall. Interactive, or
; silent with /S (then /NODEMO leaves the demo programs out).
;
; Built by tools/package, which passes:
;   /DVERSION=x.y.z     the product version
;   /DRELEASE=folder    the release files (program\, twain\, driver\x86\, driver\x64\)
;   /DOUTFILE=file      where zelsetup.exe goes
;   /DSIGN=command      optional: signs the file named by its last argument
;                       in place (the uninstaller and setup itself)

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "Sections.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"
!include "x64.nsh"
!include "MUI2.nsh"

!include "product.nsh"
!include "setup_log.nsh"
!include "files.nsh"
!include "refusals.nsh"
!include "driver_package.nsh"

!ifndef VERSION
  !error "tools/package passes VERSION, RELEASE and OUTFILE"
!endif
!ifndef RELEASE
  !error "tools/package passes VERSION, RELEASE and OUTFILE"
!endif
!ifndef OUTFILE
  !error "tools/package passes VERSION, RELEASE and OUTFILE"
!endif
!ifdef SIGN
  !finalize '${SIGN} "%1"'
  !uninstfinalize '${SIGN} "%1"'
!endif

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
InstallDir "${DEFAULT_INSTALL_DIR}"
BrandingText "${PRODUCT_NAME} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!insertmacro DEFINE_REFUSALS ""
!insertmacro DEFINE_REFUSALS "un."

Var PreviousDir   ; folder of the copy installed before, "" when none

; A copy installed before (this version or another) is removed first by its
; own uninstaller, so that one copy, one driver package and one entry are
; left whatever changed between the versions.
Section "-Previous copy" SectionPrevious
  ${If} $PreviousDir != ""
  ${AndIf} ${FileExists} "$PreviousDir\${UNINSTALLER}"
    DetailPrint "removing the copy installed in $PreviousDir"
    ExecWait '"$PreviousDir\${UNINSTALLER}" /S _?=$PreviousDir' $0
    ${If} $0 != 0
      MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT_NAME} software installed in $PreviousDir could not be removed (exit code $0)." /SD IDOK
      SetErrorLevel ${EXIT_PREVIOUS_FAILED}
      Quit
    ${EndIf}
    ; Run in place, the uninstaller cannot delete itself.
    Delete "$PreviousDir\${UNINSTALLER}"
    RMDir "$PreviousDir"
  ${EndIf}
  !insertmacro OpenLog
  !insertmacro Log "${PRODUCT_NAME} ${VERSION} setup"
  ${If} $PreviousDir != ""
    !insertmacro Log "removed the copy installed before in $PreviousDir"
  ${EndIf}
SectionEnd

Section "Viewer" SectionViewer
  SectionIn RO
  !insertmacro VIEWER_FILES InstallFile
  SetOutPath "$INSTDIR"
  CreateDirectory "${START_MENU_DIR}"
  CreateShortCut "${VIEWER_SHORTCUT}" "$INSTDIR\zelview.exe"
  !insertmacro Log "shortcut ${VIEWER_SHORTCUT}"
SectionEnd

Section "TWAIN data source" SectionTwain
  SectionIn RO
  !insertmacro TWAIN_FILES InstallFile
SectionEnd

Section "Camera driver" SectionDriver
  SectionIn RO
  ${If} ${IsNativeARM64}
    !insertmacro Log "driver: there is no driver for ARM64 systems; the camera cannot be used on this one"
  ${ElseIf} ${RunningX64}
    !insertmacro DRIVER_FILES InstallFile x64
    Call addDriverPackage
  ${Else}
    !insertmacro DRIVER_FILES InstallFile x86
    Call addDriverPackage
  ${EndIf}
SectionEnd

Section "Try without a camera" SectionDemo
  !insertmacro DEMO_FILES InstallFile
  CreateDirectory "${START_MENU_DIR}"
  ; The demo viewer writes its traffic trace into its working folder: the
  ; user's temporary folder (the shell expands the variable), not the
  ; installation folder, which users cannot write and setup must leave clean.
  StrCpy $OUTDIR "%TEMP%"
  CreateShortCut "${DEMO_SHORTCUT}" "$INSTDIR\zelview_demo.exe"
  !insertmacro Log "shortcut ${DEMO_SHORTCUT}"
SectionEnd

; The uninstaller and the installed-programs entry, last, with the size of
; what was installed.
Section "-Registration" SectionRegistration
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zelview.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} $DriverPackage != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "${DRIVER_PACKAGE_VALUE}" "$DriverPackage"
  ${EndIf}
  !insertmacro CloseLog
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "${TWAIN_DIR}" "/S=0K" $3 $1 $2
  IntOp $0 $0 + $3
  ${If} ${FileExists} "${DEMO_TWAIN_DIR}\*.*"
    ${GetSize} "${DEMO_TWAIN_DIR}" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  ${If} $DriverFailed == 1
    SetErrorLevel ${EXIT_DRIVER_FAILED}
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext all
  Call refuseWithoutAdmin
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $PreviousDir != ""
    StrCpy $INSTDIR $PreviousDir
    Call refuseWhileInUse
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NODEMO" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionDemo}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  Call un.refuseWithoutAdmin
  Call un.refuseWhileInUse
FunctionEnd

; Removes exactly what setup added: the driver package it put in the
; store, each file by name, then the folders if nothing else is left in
; them, the shortcuts and the entry.
Section "Uninstall"
  Call un.removeDriverPackage
  !insertmacro VIEWER_FILES RemoveFile
  !insertmacro DEMO_FILES RemoveFile
  !insertmacro TWAIN_FILES RemoveFile
  !insertmacro DRIVER_FILES RemoveFile x86
  !insertmacro DRIVER_FILES RemoveFile x64
  Delete "$INSTDIR\${SETUP_LOG}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "${DRIVER_DIR}"
  RMDir "$INSTDIR"
  RMDir "${TWAIN_DIR}"
  RMDir "${DEMO_TWAIN_DIR}"
  Delete "${VIEWER_SHORTCUT}"
  Delete "${DEMO_SHORTCUT}"
  RMDir "${START_MENU_DIR}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} $DriverFailed == 1
    SetErrorLevel ${EXIT_DRIVER_FAILED}
  ${EndIf}
SectionEnd
