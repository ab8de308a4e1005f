#!/usr/bin/env bash
# bench-install.sh [BUILD] - times bramlow.exe installing a generated tree of 5,000 small and
# 50 large files under Wine, beside a plain recursive copy of the same tree with the same file
# API, in one run. BUILD defaults to build/win64 (configured and built if needed).
# KV_BENCH_UNINST=0 installs without the uninstall list, to see what writing it costs;
# KV_BENCH_RUNS=N repeats install and copy N times (default 3) and compares the medians.
# KV_BENCH_AGAINST="FOLDER..." also installs with the bramlow.exe and setup.dat in each FOLDER
# (another build, say the one before a change) in the same rounds, taking turns with this one.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cd "$top"
if [ ! -f "$build/CMakeCache.txt" ]; then cmake --preset win64 -B "$build" >/dev/null; fi
cmake --build "$build" -j2 --target bramlow uninstall sample_kit bench_install >/dev/null

testing/wine-session.sh start "$build" >/dev/null
trap 'testing/wine-session.sh stop "$build" >/dev/null 2>&1 || true' EXIT
. testing/wine-env.sh "$build"
# The prefix's Wine server works for the programs: its processor time counts with theirs. It
# runs in a folder named after the prefix's device and inode.
server_dir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
for proc in /proc/[0-9]*; do
  case "$(readlink "$proc/cwd" 2>/dev/null)" in
  */"$server_dir") export KV_BENCH_SERVER_PID=${proc#/proc/}; break ;;
  esac
done

# The tree and both copies live in memory by default (KV_BENCH_DISK=1: on the build's disk):
# write-back of hundreds of megabytes from earlier rounds otherwise slows whichever copy
# happens to run next, by more than the difference being measured.
drive_c=$WINEPREFIX/drive_c
kit=$drive_c/kv-bench/kit
rm -rf "$drive_c/kv-bench"
if [ "${KV_BENCH_DISK:-0}" != 1 ] && [ -d /dev/shm ]; then
  scratch=$(mktemp -d /dev/shm/kv-bench.XXXXXX)
  trap 'rm -rf "$scratch"; testing/wine-session.sh stop "$build" >/dev/null 2>&1 || true' EXIT
  ln -s "$scratch" "$drive_c/kv-bench"
  echo "tree and copies in memory ($scratch)"
fi
mkdir -p "$kit"
cp "$build/samples/kit/bramlow.exe" "$build/samples/kit/setup.dat" "$build/samples/kit/English.qxl" \
   "$build/samples/kit/setup.rtf" "$build/samples/kit/setup.bmp" "$kit/"
# The programs as they ship: without debugging information (the 64-bit build keeps it, and
# Uninstall.exe, copied by every installation, would weigh 8 MiB instead of about one).
x86_64-w64-mingw32-strip "$kit/bramlow.exe" "$kit/setup.dat"

# 5,000 small files (0.5-4 KiB) in 50 folders of 100, and 50 large ones (2-6 MiB) in one folder.
python3 scripts/bench/make_bench_tree.py "$kit/tree"

printf '%s\r\n' '[setup1]' 'AppName=Bench' 'WindowName=Bench Setup' 'DestFolder=C:\kv-bench\dest' \
  'SourceFolder=%Installer%tree' "CreateUninst=${KV_BENCH_UNINST:-1}" 'Overwrite=1' > "$kit/setup.qx1"

echo "tree: $(find "$kit/tree" -type f | wc -l) files, $(du -sm "$kit/tree" | cut -f1) MiB"
others=()
n=1
for against in ${KV_BENCH_AGAINST:-}; do
  # The same tree and script beside another engine: only the programs differ.
  n=$((n + 1))
  other=$drive_c/kv-bench/kit$n
  mkdir -p "$other"
  cp "$kit/English.qxl" "$kit/setup.rtf" "$kit/setup.bmp" "$kit/setup.qx1" "$other/"
  cp "$against/bramlow.exe" "$against/setup.dat" "$other/"
  x86_64-w64-mingw32-strip "$other/bramlow.exe" "$other/setup.dat"
  ln -s ../kit/tree "$other/tree"
  others+=("C:\\kv-bench\\kit$n")
  echo "install $n: $against"
done
if [ $n -gt 1 ]; then echo "install 1: $build"; fi
# By its full host path, under which the program finds its own process to count its time.
"$WINE" "$(cd "$build/scripts/bench" && pwd)/bench_install.exe" 'C:\kv-bench\kit' 'C:\kv-bench\dest' 'C:\kv-bench\copy' "${KV_BENCH_RUNS:-3}" \
  "${others[@]}" 2>/dev/null | tr -d '\r'
rm -rf "$drive_c/kv-bench"
