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

; One line added to the log of the copy installed in $INSTDIR, when it has
; one: how a refusal of a silent run is found afterwards, as the exit code
; of the uninstaller's temporary copy reaches nobody.
!macro AppendToLog TEXT
  ${If} ${FileExists} "$INSTDIR\${SETUP_LOG}"
    ClearErrors
    FileOpen $R9 "$INSTDIR\${SETUP_LOG}" a
    ${IfNot} ${Errors}
      FileSeek $R9 0 END
      FileWrite $R9 "${TEXT}$\r$\n"
      FileClose $R9
    ${EndIf}
  ${EndIf}
!macroend
