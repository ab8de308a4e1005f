#!/usr/bin/env bash
# check-xp-imports.sh BUILD_DIR - fails when a shipped program imports a function that
# Windows XP lacks, or declares a subsystem version above 5.01.
set -uo pipefail
dir=${1:?build dir}
# Functions that arrived after XP and that runtimes or careless code pull in. Extend as found.
banned='GetTickCount64|AcquireSRWLock|ReleaseSRWLock|InitializeSRWLock|TryAcquireSRWLock|SleepConditionVariable|WakeConditionVariable|WakeAllConditionVariable|InitializeConditionVariable|InitOnce|FlsAlloc|FlsFree|FlsGetValue|FlsSetValue|CompareStringEx|GetLocaleInfoEx|LCIDToLocaleName|LocaleNameToLCID|InitializeCriticalSectionEx|CreateEventEx|CreateMutexEx|CreateSemaphoreEx|GetFileInformationByHandleEx|SetFileInformationByHandle|GetFinalPathNameByHandle|CreateSymbolicLink|RegGetValue|RegDeleteTree|SHGetKnownFolderPath|TaskDialog|GetSystemTimePreciseAsFileTime|GetCurrentProcessorNumber|GetLogicalProcessorInformation|K32'
status=0
found=0
while IFS= read -r exe; do
  found=1
  dump=$(i686-w64-mingw32-objdump -p "$exe")
  bad=$(printf '%s\n' "$dump" | grep -E '^\s+[0-9a-f]+\s+[0-9]+\s+\S' | awk '{print $3}' | grep -E "^($banned)" || true)
  dlls=$(printf '%s\n' "$dump" | grep -iE 'DLL Name: (api-ms-win-|ucrtbase)' || true)
  subsys=$(printf '%s\n' "$dump" | awk '/MajorSubsystemVersion/{ma=$2} /MinorSubsystemVersion/{mi=$2} END{print ma"."mi}')
  if [ -n "$bad$dlls" ]; then
    echo "$exe imports what Windows XP lacks:"; printf '  %s\n' $bad $dlls; status=1
  fi
  if [ "$subsys" != "5.1" ]; then
    echo "$exe: subsystem version $subsys, expected 5.1"; status=1
  fi
# Not Wine's own programs in the tree's prefix (wine/), nor the test programs.
done < <(find "$dir" \( -name '*.exe' -o -name 'setup.dat' \) -not -path "$dir/wine/*" -not -path '*/CMakeFiles/*' -not -path '*/testing/*' -not -path '*/googletest/*' -not -name '*_test.exe')
[ $found -eq 1 ] || { echo "no programs under $dir"; exit 1; }
[ $status -eq 0 ] && echo "XP import check: passed"
exit $status
