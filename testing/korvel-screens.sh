#!/usr/bin/env bash
# korvel-screens.sh BUILD OUTDIR - screenshots of Korvel's main window (plain, and with a
# toolbar button lit as under the mouse), of the preview of a sample package and of its
# message window for review. Runs a copy of korvel.exe in the prefix (C:\kvshots) on the session's
# display; the removal question of "/2" is answered "Отмена", so nothing is removed.
set -u -o pipefail
build=$(cd "${1:?build dir}" && pwd)
out=${2:?output folder}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/wine-session.sh" start "$build" >/dev/null || exit 1
. "$here/wine-env.sh" "$build"
mkdir -p "$out"
driver=$build/testing/driver/kvdriver.exe
dir=$WINEPREFIX/drive_c/kvshots
mkdir -p "$dir"
cp -f "$build/korvel/korvel.exe" "$dir/"
# One sample package in the copy's library, for the preview.
rm -rf "$dir/logons"
mkdir -p "$dir/logons"
cp -f "$build/samples/logons/Закат над морем.kvl" "$dir/logons/"
kv() { "$WINE" "$driver" "$@" 2>/dev/null </dev/null | tr -d '\r'; }
start() { "$WINE" "$driver" start 'C:\kvshots\korvel.exe' "$@" >"$dir/pid" 2>/dev/null </dev/null; tr -d '\r\n' <"$dir/pid"; }
status=0

pid=$(start)
if kv wait-window --class TfrmMain --pid "$pid" --timeout 15000 >/dev/null; then
  sleep 1
  "$here/screenshot.sh" "$build" "$out/korvel-main" 'Korvel 2.0' || status=1
  # The toolbar's highlight, as the mouse over "Применить логон" shows it.
  if kv hot --class TfrmMain --pid "$pid" --button 1 >/dev/null; then
    sleep 0.5
    "$here/screenshot.sh" "$build" "$out/korvel-main-hot" 'Korvel 2.0' || status=1
  else
    echo "korvel-screens: no toolbar to light up" >&2; status=1
  fi
  # The preview of the library's one package: its row chosen from the keyboard, opened by Enter.
  kv key --class TfrmMain --pid "$pid" --key home >/dev/null
  sleep 0.5
  kv key --class TfrmMain --pid "$pid" --key enter >/dev/null
  if kv wait-window --class TfrmPreview --pid "$pid" --timeout 15000 >/dev/null; then
    sleep 1
    "$here/screenshot.sh" "$build" "$out/korvel-preview" 'Просмотр: Закат над морем.kvl' || status=1
    kv key --class TfrmPreview --pid "$pid" --key escape >/dev/null
    kv wait-gone --class TfrmPreview --timeout 10000 >/dev/null
  else
    echo "korvel-screens: the preview did not appear" >&2; status=1
  fi
  kv close --class TfrmMain --pid "$pid" >/dev/null
else
  echo "korvel-screens: the main window did not appear" >&2; status=1
fi

pid=$(start /2)
if kv wait-window --class TfrmMsg --pid "$pid" --timeout 15000 >/dev/null; then
  sleep 1
  "$here/screenshot.sh" "$build" "$out/korvel-msg" 'Korvel --- Uninstall' || status=1
  kv click --class TfrmMsg --pid "$pid" --button 'Отмена' >/dev/null
else
  echo "korvel-screens: the message window did not appear" >&2; status=1
fi
kv wait-process --pid "$pid" --timeout 10000 >/dev/null
exit $status
