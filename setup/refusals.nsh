; The two refusals of setup and the uninstaller: no administrator rights,
; and an installed copy in use. Each shows its message (not in silent mode)
; and ends the run with its exit code before anything is changed.

Var InUseFile

!macro DEFINE_REFUSALS PREFIX
; Setup writes for all users (Program Files, the Windows folder, the driver
; store, the machine's registry): it needs an administrator's token with
; the Administrators group enabled, not merely a member's filtered one.
Function ${PREFIX}refuseWithoutAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Setup needs administrator rights to install or remove the ${PRODUCT_NAME} software for all users.$\r$\nRun it again as an administrator." /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
FunctionEnd

; Files of the copy installed in $INSTDIR that a running viewer or a loaded
; data source holds cannot be replaced or removed: refuse before touching
; any of them.
Function ${PREFIX}refuseWhileInUse
  StrCpy $InUseFile ""
  !insertmacro VIEWER_FILES CheckInUse
  !insertmacro DEMO_FILES CheckInUse
  !insertmacro TWAIN_FILES CheckInUse
  ${If} $InUseFile != ""
    !if "${PREFIX}" == "un."
      !insertmacro AppendToLog "uninstall refused: in use: $InUseFile"
    !else
      !insertmacro AppendToLog "setup ${VERSION} refused: in use: $InUseFile"
    !endif
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT_NAME} software is in use:$\r$\n$InUseFile$\r$\nClose the viewer and every program that uses the TWAIN source, then try again." /SD IDOK
    SetErrorLevel ${EXIT_IN_USE}
    Quit
  ${EndIf}
FunctionEnd
!macroend
