; Setup's log: every line goes to the details list of the install page and
; to zelsetup.log in the installation folder (kept there for support, taken
; away by the uninstaller). A silent install leaves its account in the file.

Var LogFile

!macro OpenLog
  SetOutPath "$INSTDIR"
  FileOpen $LogFile "$INSTDIR\${SETUP_LOG}" w
!macroend

!macro CloseLog
  ${If} $LogFile != ""
    FileClose $LogFile
    StrCpy $LogFile ""
  ${EndIf}
!macroend

!macro Log TEXT
  DetailPrint "${TEXT}"
  ${If} $LogFile != ""
    FileWrite $LogFile "${TEXT}$\r$\n"
  ${EndIf}
!macroend
