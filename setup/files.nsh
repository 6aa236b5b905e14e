; Every file setup installs, named once. Each list takes an action macro
; that is applied to every file as ACTION SOURCE_FOLDER TARGET_FOLDER NAME:
; InstallFile (setup), RemoveFile (uninstaller) or CheckInUse (both, before
; they touch anything). SOURCE_FOLDER is a folder of the release files on
; the build machine (tools/package lays them out).

!macro VIEWER_FILES ACTION
  !insertmacro ${ACTION} "${RELEASE}\program" "$INSTDIR" "zelview.exe"
!macroend

; The four template bitmaps a data source reads beside itself.
!macro TEMPLATE_FILES ACTION FOLDER
  !insertmacro ${ACTION} "${RELEASE}\twain" "${FOLDER}" "XGA_FULL.bmp"
  !insertmacro ${ACTION} "${RELEASE}\twain" "${FOLDER}" "XGA_HALF.bmp"
  !insertmacro ${ACTION} "${RELEASE}\twain" "${FOLDER}" "SXGA_FULL.bmp"
  !insertmacro ${ACTION} "${RELEASE}\twain" "${FOLDER}" "SXGA_HALF.bmp"
!macroend

!macro TWAIN_FILES ACTION
  !insertmacro ${ACTION} "${RELEASE}\twain" "${TWAIN_DIR}" "TWZEL_32.ds"
  !insertmacro TEMPLATE_FILES ${ACTION} "${TWAIN_DIR}"
!macroend

; "Try without a camera": the demo viewer and the demo data source, each with
; the simulated camera inside. The demo data source has a folder of its own
; under twain_32 with its own copies of the templates, as a second source.
!macro DEMO_FILES ACTION
  !insertmacro ${ACTION} "${RELEASE}\program" "$INSTDIR" "zelview_demo.exe"
  !insertmacro ${ACTION} "${RELEASE}\twain" "${DEMO_TWAIN_DIR}" "TWZEL_32_demo.ds"
  !insertmacro TEMPLATE_FILES ${ACTION} "${DEMO_TWAIN_DIR}"
!macroend

; The driver package of one architecture (x86 or x64); its catalog when the
; release has one (it is made and signed on a Windows build host).
!macro DRIVER_FILES ACTION ARCH
  !insertmacro ${ACTION} "${RELEASE}\driver\${ARCH}" "${DRIVER_DIR}" "ZELB1.inf"
  !insertmacro ${ACTION} "${RELEASE}\driver\${ARCH}" "${DRIVER_DIR}" "ZELB1.sys"
  !if /FileExists "${RELEASE}\driver\${ARCH}\ZELB1.cat"
    !insertmacro ${ACTION} "${RELEASE}\driver\${ARCH}" "${DRIVER_DIR}" "ZELB1.cat"
  !endif
!macroend

!macro InstallFile SOURCE TARGET NAME
  SetOutPath "${TARGET}"
  File "${SOURCE}\${NAME}"
  !insertmacro Log "installed ${TARGET}\${NAME}"
!macroend

!macro RemoveFile SOURCE TARGET NAME
  Delete "${TARGET}\${NAME}"
!macroend

; A file is in use when it exists and cannot be opened for writing (a
; running program or a loaded data source holds it). The first such file
; goes to $InUseFile.
!macro CheckInUse SOURCE TARGET NAME
  ${If} $InUseFile == ""
  ${AndIf} ${FileExists} "${TARGET}\${NAME}"
    ClearErrors
    FileOpen $0 "${TARGET}\${NAME}" a
    ${If} ${Errors}
      StrCpy $InUseFile "${TARGET}\${NAME}"
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend
