#!/usr/bin/env bash
# bench-onefile.sh [BUILD] - times the one-file setup of the installation benchmark's tree
# (5,000 small and 50 large files, scripts/bench/make_bench_tree.py) against the same kit run
# from its folder, both unattended (/S) under Wine, in alternating rounds: until each has
# installed (for the one-file setup: the payload's check, the test of every file, unpacking and
# the installation) and until each program has ended (the one-file setup's folder removed). BUILD defaults to build/win64 (its bramlow.exe, setup.dat
# and bramlow-stub.exe); the native bramlow-kit builds the setup.
# KV_BENCH_RUNS=N rounds (default 3); KV_BENCH_DISK=1 puts the files on the disk.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cd "$top"
if [ ! -f "$build/CMakeCache.txt" ]; then cmake --preset win64 -B "$build" >/dev/null; fi
cmake --build "$build" -j2 --target bramlow uninstall sample_kit bramlow-stub >/dev/null
if [ ! -f build/native/CMakeCache.txt ]; then cmake --preset native >/dev/null; fi
cmake --build build/native -j2 --target bramlow-kit >/dev/null

testing/wine-session.sh start "$build" >/dev/null
trap 'testing/wine-session.sh stop "$build" >/dev/null 2>&1 || true' EXIT
. testing/wine-env.sh "$build"

# Everything in memory by default, the unpacked folder too (the setups get their own %TEMP%),
# as in scripts/bench-install.sh.
drive_c=$WINEPREFIX/drive_c
bench=$drive_c/kv-bench
rm -rf "$bench"
if [ "${KV_BENCH_DISK:-0}" != 1 ] && [ -d /dev/shm ]; then
  scratch=$(mktemp -d /dev/shm/kv-bench.XXXXXX)
  trap 'rm -rf "$scratch"; testing/wine-session.sh stop "$build" >/dev/null 2>&1 || true' EXIT
  ln -s "$scratch" "$bench"
  echo "tree, copies and unpacked folders in memory ($scratch)"
fi
kit=$bench/kit
mkdir -p "$kit" "$bench/temp"
cp "$build/samples/kit/bramlow.exe" "$build/samples/kit/setup.dat" "$build/samples/kit/English.qxl" \
   "$build/samples/kit/setup.rtf" "$build/samples/kit/setup.bmp" "$kit/"
python3 scripts/bench/make_bench_tree.py "$kit/tree"
printf '%s\r\n' '[setup1]' 'AppName=Bench' 'WindowName=Bench Setup' 'DestFolder=C:\kv-bench\dest' \
  'SourceFolder=%Installer%tree' 'CreateUninst=1' 'Overwrite=1' > "$kit/setup.qx1"
echo "tree: $(find "$kit/tree" -type f | wc -l) files, $(du -sm "$kit/tree" | cut -f1) MiB"
started=$EPOCHREALTIME
build/native/bramlow/kit/bramlow-kit build "$kit" -o "$bench/setup.exe" --stub "$build/bramlow/stub/bramlow-stub.exe" |
  tail -n 1
awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "built in %.1f s\n", b - a }'

# One unattended installation, through the command processor so that both get the same
# %TEMP%. Prints two times in seconds: until the installation was complete (the last line of
# bramlow's log written) and until the program ended (for the one-file setup: its folder gone).
install() {  # install PROGRAM DEST
  rm -rf "$drive_c/kv-bench/$2" "$bench/$2.log"
  local a=$EPOCHREALTIME code=0
  "$WINE" cmd /c "set TEMP=C:\\kv-bench\\temp&& set TMP=C:\\kv-bench\\temp&& start /wait \"\" $1 /S /LOG=C:\\kv-bench\\$2.log /D=C:\\kv-bench\\$2" \
    </dev/null >/dev/null 2>&1 || code=$?
  local b=$EPOCHREALTIME
  [ "$code" -eq 0 ] || { echo "bench-onefile: $1 ended with $code" >&2; exit 1; }
  [ -z "$(ls -A "$bench/temp")" ] || { echo "bench-onefile: $1 left $(ls "$bench/temp")" >&2; exit 1; }
  tail -n 1 "$bench/$2.log" | grep -q 'result: installed' || { echo "bench-onefile: $1 did not install" >&2; exit 1; }
  awk -v a="$a" -v l="$(stat -c %.6Y "$bench/$2.log" | tr , .)" -v b="$b" 'BEGIN { printf "%.2f %.2f\n", l - a, b - a }'
}

folder_installed=() folder_ended=() onefile_installed=() onefile_ended=()
for round in $(seq 1 "${KV_BENCH_RUNS:-3}"); do
  # Alternating order, so that neither always runs on a warmer system.
  if [ $((round % 2)) -eq 1 ]; then
    f=$(install 'C:\kv-bench\kit\bramlow.exe' folder); o=$(install 'C:\kv-bench\setup.exe' onefile)
  else
    o=$(install 'C:\kv-bench\setup.exe' onefile); f=$(install 'C:\kv-bench\kit\bramlow.exe' folder)
  fi
  [ "$(find "$bench/onefile" -type f | wc -l)" -eq "$(find "$bench/folder" -type f | wc -l)" ] ||
    { echo "bench-onefile: the two installations differ" >&2; exit 1; }
  read -r fi fe <<<"$f"; read -r oi oe <<<"$o"
  echo "round $round: from the folder installed in $fi s (ended $fe s), one file installed in $oi s (ended $oe s)"
  folder_installed+=("$fi") folder_ended+=("$fe") onefile_installed+=("$oi") onefile_ended+=("$oe")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
awk -v f="$(median "${folder_installed[@]}")" -v o="$(median "${onefile_installed[@]}")" \
    -v g="$(median "${folder_ended[@]}")" -v p="$(median "${onefile_ended[@]}")" 'BEGIN {
  printf "median until installed: from the folder %.2f s, one file %.2f s: %.2fx\n", f, o, o / f
  printf "median until the program ended: from the folder %.2f s, one file %.2f s: %.2fx\n", g, p, p / g }'
rm -rf "$drive_c/kv-bench"
