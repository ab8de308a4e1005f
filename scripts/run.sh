#!/usr/bin/env bash
# run.sh [korvel|bramlow] - builds the Windows programs and starts one under Wine on the
# prepared stand-in system: a Windows XP prefix with the stand-in logon host in system32,
# Korvel installed in "C:\Program Files\Korvel" with the sample library in logons\, and the
# sample setup kit in "C:\kit". With DISPLAY set the program opens on your screen and the
# script waits for it; without one it runs on Xvfb, and a screenshot is written instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
what=${1:-korvel}
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64
build=$top/build/win64

if [ -n "${DISPLAY:-}" ]; then export KV_USE_USER_DISPLAY=1; user_display=$DISPLAY; fi
testing/wine-session.sh start "$build"
. testing/wine-env.sh "$build"
[ -n "${user_display:-}" ] && export DISPLAY=$user_display

drive_c=$WINEPREFIX/drive_c
app="$drive_c/Program Files/Korvel"
mkdir -p "$app/logons"
cp -f "$build/korvel/korvel.exe" "$app/"
[ -f "$build/resedit/reshacker.exe" ] && cp -f "$build/resedit/reshacker.exe" "$app/"
if [ -d "$build/samples/logons" ]; then cp -f "$build/samples/logons/"* "$app/logons/"; fi
if [ -d "$build/samples/kit" ]; then rm -rf "$drive_c/kit"; cp -r "$build/samples/kit" "$drive_c/kit"; fi

case "$what" in
  korvel)  exe='C:\Program Files\Korvel\korvel.exe'; workdir="$app" ;;
  bramlow) exe='C:\kit\bramlow.exe'; workdir="$drive_c/kit" ;;
  *) echo "usage: run.sh [korvel|bramlow]" >&2; exit 2 ;;
esac

if [ -n "${user_display:-}" ]; then
  (cd "$workdir" && "$WINE" "$exe")
else
  shots=$build/screenshots; mkdir -p "$shots"
  (cd "$workdir" && "$WINE" "$exe" </dev/null >/dev/null 2>&1 &)
  sleep 6
  testing/screenshot.sh "$build" "$shots/run-$what" || true
  "$WINESERVER" -k || true
  echo "no display: $what ran on Xvfb; screenshots in $shots"
  ls "$shots"/run-"$what"* 2>/dev/null || true
fi
