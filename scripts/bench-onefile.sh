#!/usr/bin/env bash
# bench-onefile.sh [BUILD] - times the one-file setup of the installation benchmark's tree
# (5,000 small and 50 large files, scripts/bench/make_bench_tree.py) against the same kit run
# from its folder, both unattended (/S) under Wine, taking turns round by round: until each
# has installed (for the one-file setup: the payload's check, unpacking and the installation)
# and until each program has ended (the one-file setup's folder removed). BUILD defaults to
# build/win64 (its bramlow.exe, setup.dat and bramlow-stub.exe); the native bramlow-kit builds
# the setup.
# KV_BENCH_RUNS=N rounds (default 3); KV_BENCH_DISK=1 puts the files on the disk;
# KV_BENCH_STUBS="STUB.exe..." also builds the kit with each of these stubs (another build's,
# say the one before a change) and times those setups in the same rounds.
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
# The programs as they ship, without debugging information: unstripped, the 64-bit build's
# would add 20 MiB to every payload.
x86_64-w64-mingw32-strip "$kit/bramlow.exe" "$kit/setup.dat"
python3 scripts/bench/make_bench_tree.py "$kit/tree"
printf '%s\r\n' '[setup1]' 'AppName=Bench' 'WindowName=Bench Setup' 'DestFolder=C:\kv-bench\dest' \
  'SourceFolder=%Installer%tree' 'CreateUninst=1' 'Overwrite=1' > "$kit/setup.qx1"
echo "tree: $(find "$kit/tree" -type f | wc -l) files, $(du -sm "$kit/tree" | cut -f1) MiB; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
stubs=("$build/bramlow/stub/bramlow-stub.exe")
for stub in ${KV_BENCH_STUBS:-}; do stubs+=("$stub"); done
programs=('C:\kv-bench\kit\bramlow.exe') names=(folder)
for i in "${!stubs[@]}"; do
  started=$EPOCHREALTIME
  build/native/bramlow/kit/bramlow-kit build "$kit" -o "$bench/setup$i.exe" --stub "${stubs[$i]}" |
    tail -n 1
  awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "built in %.1f s\n", b - a }'
  programs+=("C:\\kv-bench\\setup$i.exe") names+=("onefile$i")
  echo "onefile$i: ${stubs[$i]}"
done

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

declare -A installed ended
count=${#programs[@]}
for round in $(seq 1 "${KV_BENCH_RUNS:-3}"); do
  # Each round starts with the next program, so that none always runs on a warmer system.
  line="round $round:"
  for k in $(seq 0 $((count - 1))); do
    i=$(((round - 1 + k) % count))
    times=$(install "${programs[$i]}" "${names[$i]}")
    read -r a b <<<"$times"
    installed[$i]+="$a " ended[$i]+="$b "
    line+=" ${names[$i]} $a s ($b s)"
  done
  for i in $(seq 1 $((count - 1))); do
    [ "$(find "$bench/${names[$i]}" -type f | wc -l)" -eq "$(find "$bench/folder" -type f | wc -l)" ] ||
      { echo "bench-onefile: ${names[$i]} and folder installed differently" >&2; exit 1; }
  done
  echo "$line"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# shellcheck disable=SC2086
f=$(median ${installed[0]}) g=$(median ${ended[0]})
echo "median until installed (until the program ended), against the folder's:"
for i in $(seq 0 $((count - 1))); do
  # shellcheck disable=SC2086
  awk -v n="${names[$i]}" -v o="$(median ${installed[$i]})" -v p="$(median ${ended[$i]})" -v f="$f" -v g="$g" \
    'BEGIN { printf "  %-9s %.2f s %.2fx (%.2f s %.2fx)\n", n, o, o / f, p, p / g }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$drive_c/kv-bench"
