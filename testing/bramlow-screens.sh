#!/usr/bin/env bash
# bramlow-screens.sh BUILD OUTDIR - screenshots of the setup engine for review: the language
# dialog and the wizard's welcome, licence, folder, progress and finish pages. Runs a copy of
# the sample kit in the prefix (C:\kvshots-setup) that installs only files, into its own
# folder, with an extra tree of small files so the progress page stays up long enough.
set -u -o pipefail
build=$(cd "${1:?build dir}" && pwd)
out=${2:?output folder}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/wine-session.sh" start "$build" >/dev/null || exit 1
. "$here/wine-env.sh" "$build"
mkdir -p "$out"
driver=$build/testing/driver/kvdriver.exe
dir=$WINEPREFIX/drive_c/kvshots-setup
rm -rf "$dir"
mkdir -p "$dir"
cp -r "$build/samples/kit/." "$dir/"
sed -i -e 's/^DestFolder=.*/DestFolder=C:\\kvshots-setup\\dest/' \
       -e 's/^\(IniCount\|RegCount\|LnkCount\|ExeCount\|RegUninst\)=.*/\1=0/' "$dir/setup.qx1"
python3 - "$dir/app/bulk" <<'PY'
import os, sys
for d in range(60):
    folder = os.path.join(sys.argv[1], "part%02d" % d)
    os.makedirs(folder, exist_ok=True)
    for f in range(100):
        with open(os.path.join(folder, "item%03d.dat" % f), "wb") as out:
            out.write(os.urandom(4096))
PY
kv() { "$WINE" "$driver" "$@" 2>/dev/null </dev/null | tr -d '\r'; }
shot() { sleep 1; "$here/screenshot.sh" "$build" "$out/bramlow-$1" "$2" || status=1; }
status=0

"$WINE" "$driver" start 'C:\kvshots-setup\bramlow.exe' >"$dir/pid" 2>/dev/null </dev/null
pid=$(tr -d '\r\n' <"$dir/pid")
if kv wait-window --class TForm2 --pid "$pid" --timeout 15000 >/dev/null; then
  shot language 'Language'
  kv click --class TForm2 --pid "$pid" --button OK >/dev/null
else
  echo "bramlow-screens: the language dialog did not appear" >&2; status=1
fi
if kv wait-window --class TForm1 --pid "$pid" --timeout 15000 >/dev/null; then
  shot welcome 'Setup$'
  kv click --class TForm1 --pid "$pid" --button 'Next >' >/dev/null
  shot licence 'Setup$'
  kv click --class TForm1 --pid "$pid" --button 'I Agree' >/dev/null
  shot folder 'Setup$'
  kv click --class TForm1 --pid "$pid" --button 'Next >' >/dev/null
  sleep 0.5
  "$here/screenshot.sh" "$build" "$out/bramlow-progress" 'Setup$' || status=1
  for _ in $(seq 1 120); do
    kv controls --class TForm1 --pid "$pid" | grep -q $'^Button\t[0-9-]*\tvisible\tFinish$' && break
    sleep 0.5
  done
  shot finish 'Setup$'
  kv click --class TForm1 --pid "$pid" --button Finish >/dev/null
else
  echo "bramlow-screens: the wizard did not appear" >&2; status=1
fi
kv wait-process --pid "$pid" --timeout 15000 >/dev/null
rm -rf "$dir"
exit $status
