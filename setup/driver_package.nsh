; The camera driver. Setup copies the package of the system's architecture
; into the installation folder, then hands it to the system's own tool,
; pnputil.exe, which adds it to the driver store and installs it on a
; connected camera (a camera plugged in later gets it from the store). The
; uninstaller deletes that package from the store again, uninstalling it
; from the cameras that use it.
;
; Setup is a 32-bit program: on 64-bit Windows, System32 would be redirected
; to the 32-bit tools, which cannot install a 64-bit driver; the redirection
; is turned off around every use of the tool. Windows 10 and later take
; pnputil's current syntax, Vista to 8.1 its older one; where there is no
; pnputil (Windows XP, Wine) the log says so and setup goes on.
;
; The INF names its signed catalog, ZELB1.cat, which is made on a Windows
; build host. A release built without it keeps the package in the
; installation folder only: Windows refuses such a package, or on 32-bit
; systems stops to ask about an unsigned driver, which a silent install
; must never do.

!define DRIVER_MARKER "; ZELB1.inf"   ; first line of our INF, kept in the store's copy

Var DriverPackage   ; the package's name in the driver store (oemNN.inf), "" when none
Var DriverFailed    ; 1 when the system refused the package

; The first "oem<digits>.inf" in $R0 (pnputil's output, whatever its
; language), into $R1; "" when there is none.
Function findPackageName
  Push $R2  ; length of the output
  Push $R3  ; where "oem" starts
  Push $R4  ; first character after the digits
  Push $R5
  StrCpy $R1 ""
  StrLen $R2 $R0
  ${For} $R3 0 $R2
    StrCpy $R5 $R0 3 $R3
    ${If} $R5 == "oem"
      IntOp $R4 $R3 + 3
      ${Do}
        StrCpy $R5 $R0 1 $R4
        ${If} $R5 == ""
        ${OrIf} $R5 S< "0"
        ${OrIf} $R5 S> "9"
          ${ExitDo}
        ${EndIf}
        IntOp $R4 $R4 + 1
      ${Loop}
      StrCpy $R5 $R0 4 $R4
      IntOp $R4 $R4 - $R3   ; "oem" and the digits
      ${If} $R5 == ".inf"
      ${AndIf} $R4 > 3
        IntOp $R4 $R4 + 4
        StrCpy $R1 $R0 $R4 $R3
        ${ExitFor}
      ${EndIf}
    ${EndIf}
  ${Next}
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
FunctionEnd

; Adds the package in DRIVER_DIR to the driver store and installs it on a
; connected camera. Sets $DriverPackage, or $DriverFailed when the system
; refuses the package.
Function addDriverPackage
  StrCpy $DriverPackage ""
  StrCpy $DriverFailed 0
  ${DisableX64FSRedirection}
  ${If} ${FileExists} "$SYSDIR\pnputil.exe"
  ${AndIfNot} ${FileExists} "${DRIVER_DIR}\ZELB1.cat"
    !insertmacro Log "driver: this release has no signed catalog (ZELB1.cat); the package is left in ${DRIVER_DIR} and not added to the driver store"
  ${ElseIf} ${FileExists} "$SYSDIR\pnputil.exe"
    ${If} ${AtLeastWin10}
      StrCpy $0 '"$SYSDIR\pnputil.exe" /add-driver "${DRIVER_DIR}\ZELB1.inf" /install'
    ${Else}
      StrCpy $0 '"$SYSDIR\pnputil.exe" -i -a "${DRIVER_DIR}\ZELB1.inf"'
    ${EndIf}
    !insertmacro Log "driver: $0"
    nsExec::ExecToStack $0
    Pop $1
    Pop $R0
    Call findPackageName
    StrCpy $DriverPackage $R1
    ${If} $1 == 0
      !insertmacro Log "driver: added to the driver store as $DriverPackage and installed on the connected camera"
    ${ElseIf} $1 == 259
      !insertmacro Log "driver: added to the driver store as $DriverPackage; no camera is connected, Windows installs it when one is plugged in"
    ${ElseIf} $1 == 3010
      !insertmacro Log "driver: added to the driver store as $DriverPackage; Windows must restart to finish installing it"
      SetRebootFlag true
    ${Else}
      !insertmacro Log "driver: pnputil refused the package (exit code $1):$\r$\n$R0"
      StrCpy $DriverFailed 1
      MessageBox MB_OK|MB_ICONEXCLAMATION "Windows did not accept the camera driver (pnputil exit code $1).$\r$\nThe viewer and the TWAIN source are installed; the details are in $INSTDIR\${SETUP_LOG}." /SD IDOK
    ${EndIf}
  ${Else}
    !insertmacro Log "driver: this system has no pnputil.exe; the package is left in ${DRIVER_DIR} and not added to the driver store"
  ${EndIf}
  ${EnableX64FSRedirection}
FunctionEnd

; Deletes the package named in the installed-programs entry from the driver
; store, uninstalling it from the cameras that use it; only when the store's
; copy under that name is still our INF (names are reused once freed).
Function un.removeDriverPackage
  StrCpy $DriverFailed 0
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "${DRIVER_PACKAGE_VALUE}"
  ${If} $R0 == ""
    DetailPrint "driver: setup added no package to the driver store"
    Return
  ${EndIf}
  ClearErrors
  FileOpen $0 "$WINDIR\INF\$R0" r
  FileRead $0 $1
  FileClose $0
  StrLen $2 "${DRIVER_MARKER}"
  StrCpy $1 $1 $2
  ${If} ${Errors}
  ${OrIf} $1 != "${DRIVER_MARKER}"
    DetailPrint "driver: $R0 is no longer our package in the driver store; left alone"
    Return
  ${EndIf}
  ${DisableX64FSRedirection}
  ${If} ${FileExists} "$SYSDIR\pnputil.exe"
    ${If} ${AtLeastWin10}
      StrCpy $0 '"$SYSDIR\pnputil.exe" /delete-driver $R0 /uninstall /force'
    ${Else}
      StrCpy $0 '"$SYSDIR\pnputil.exe" -f -d $R0'
    ${EndIf}
    DetailPrint "driver: $0"
    nsExec::ExecToStack $0
    Pop $1
    Pop $2
    ${If} $1 == 0
      DetailPrint "driver: $R0 deleted from the driver store"
    ${Else}
      DetailPrint "driver: pnputil could not delete $R0 (exit code $1): $2"
      StrCpy $DriverFailed 1
    ${EndIf}
  ${Else}
    DetailPrint "driver: this system has no pnputil.exe; $R0 stays in the driver store"
    StrCpy $DriverFailed 1
  ${EndIf}
  ${EnableX64FSRedirection}
FunctionEnd
