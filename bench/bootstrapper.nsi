; bootstrapper.nsi - what a kit author would build with NSIS in place of the launcher, for
; the benchmark: the same version gate, the same registry key, the same folder and start.
; makensis -XTarget x86-unicode|amd64-unicode -DOUTFILE=PATH bootstrapper.nsi
Unicode true
Name "Driver kit"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SilentInstall silent
AutoCloseWindow true
XPStyle off

Section
  GetWinVer $0 Major
  StrCmp $0 6 version_ok
    SetErrorLevel 1
    Quit
  version_ok:
  ClearErrors
  EnumRegKey $1 HKLM "SOFTWARE\Wow6432Node" 0
  StrCpy $2 "$EXEDIR\Vista64\USB"
  IfErrors 0 folder_chosen
    StrCpy $2 "$EXEDIR\Vista\USB"
  folder_chosen:
  SetOutPath $2
  Exec '"$2\DPInst.exe" /sa'
SectionEnd
