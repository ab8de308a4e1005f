#!/usr/bin/env bash
# check-stub-imports.sh STUB.exe - fails unless the one-file setup's stub imports only DLLs
# that Windows XP always loads from its system folder (its known-DLL list): a download
# folder may hold a DLL of any other name, and the loader looks beside the program first.
# Delayed imports count too.
set -uo pipefail
stub=${1:?stub program}
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows XP, and ntdll,
# which the system maps into every process before anything else.
known=' advapi32 comdlg32 gdi32 imagehlp kernel32 lz32 ole32 oleaut32 olecli32 olecnv32 olesvr32 olethk32 rpcrt4 shell32 url urlmon user32 version wininet wldap32 ntdll '
dump=$(i686-w64-mingw32-objdump -p "$stub") || { echo "$stub: not a program"; exit 1; }
status=0
count=0
while IFS= read -r dll; do
  count=$((count + 1))
  name=$(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]' | sed 's/\.dll$//')
  case "$known" in
    *" $name "*) ;;
    *) echo "$stub imports $dll, which Windows XP would look for beside the program first"; status=1 ;;
  esac
done < <(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p')
[ $count -gt 0 ] || { echo "$stub: no import table found"; exit 1; }
[ $status -eq 0 ] && echo "stub import check: passed ($count DLLs, all known to the system)"
exit $status
