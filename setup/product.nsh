; The facts about the product that setup and the uninstaller share: names,
; places, the installed-programs entry and the exit codes.

!define PRODUCT_NAME "ZEL Bx-Q Series"
!define PUBLISHER "Veltrum Quorlen Co. Ltd"

; The installed-programs entry (32-bit view of the registry, where Windows
; lists the programs of a 32-bit setup).
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZELBxQSeries"
; Name of the driver package in the driver store (oemNN.inf), kept in the
; entry so that the uninstaller removes exactly the package setup added.
!define DRIVER_PACKAGE_VALUE "DriverPackage"

; Where things go. TWAIN source managers look for sources in the folders
; under twain_32; each of our two sources has a folder of its own there, so
; that a manager that takes one source from a folder lists both, each finds
; its templates beside itself, and either can be removed alone.
!define DEFAULT_INSTALL_DIR "$PROGRAMFILES\${PRODUCT_NAME}"
!define TWAIN_DIR "$WINDIR\twain_32\${PRODUCT_NAME}"
!define DEMO_TWAIN_DIR "$WINDIR\twain_32\${PRODUCT_NAME} Demo"
!define DRIVER_DIR "$INSTDIR\Driver"
!define START_MENU_DIR "$SMPROGRAMS\${PRODUCT_NAME}"
!define VIEWER_SHORTCUT "${START_MENU_DIR}\ZEL Viewer.lnk"
!define DEMO_SHORTCUT "${START_MENU_DIR}\ZEL Viewer - Try without a camera.lnk"
!define UNINSTALLER "uninstall.exe"
!define SETUP_LOG "zelsetup.log"

; Exit codes (0: done; NSIS itself uses 1 for a run the user cancelled and
; 2 for one ended by the script).
!define EXIT_NOT_ADMIN 3        ; refused: no administrator rights
!define EXIT_IN_USE 4           ; refused: an installed copy is in use
!define EXIT_DRIVER_FAILED 5    ; installed, but the system refused the driver package
!define EXIT_PREVIOUS_FAILED 6  ; the installed copy could not be removed first
