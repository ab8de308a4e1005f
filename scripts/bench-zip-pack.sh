#!/usr/bin/env bash
# bench-zip-pack.sh [ROUNDS] - packing speed of the engine (kvzip a) beside Info-ZIP zip -6,
# 7-Zip and bsdtar, on each set of the benchmark corpus, in interleaved rounds of one run.
# The limit is zlib raw deflate level 6 + CRC-32 over the corpus held in memory. Prints the
# best time of each tool as MB/s and as a multiple of the limit's time, then checks that
# every deflated member kvzip wrote is byte-identical to zlib's raw deflate at level 6.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
build=${KV_BENCH_BUILD:-$top/build/bench-native}
corpus=${KV_BENCH_CORPUS:-$top/build/bench-corpus}
out=${KV_BENCH_OUT:-/dev/shm/kv-bench-pack}

cmake --preset native -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target kvzip >/dev/null
kvzip=$build/ziparchive/tools/kvzip
cc -O2 -o "$build/deflate_limit" "$top/scripts/bench/deflate_limit.c" -lz
[ -f "$corpus/MANIFEST.sha256" ] || "$top/../shared/bench-corpus/make-corpus.sh" "$corpus" >/dev/null

rm -rf "$out"; mkdir -p "$out"
trap 'rm -rf "$out"' EXIT
sets="logon small big"
tools="limit kvzip zip7 infozip bsdtar"
declare -A best bytes

pack() {  # tool set -> seconds
  local tool=$1 set=$2 dst="$out/$2.$1.zip" t0 t1
  rm -f "$dst"
  if [ "$tool" = limit ]; then
    "$build/deflate_limit" "$corpus/$set.list" "$corpus/$set" | cut -d' ' -f1
    return
  fi
  t0=$EPOCHREALTIME
  case $tool in
    kvzip)   "$kvzip" a "$dst" "$corpus/$set" ;;
    infozip) (cd "$corpus/$set" && zip -6 -q -r -X "$dst" .) ;;
    zip7)    (cd "$corpus/$set" && 7z a -tzip -mx=5 -mmt=1 "$dst" . >/dev/null) ;;
    bsdtar)  bsdtar --format zip -cf "$dst" -C "$corpus/$set" . ;;
  esac
  t1=$EPOCHREALTIME
  echo "$t1 - $t0" | bc -l
}

for s in $sets; do bytes[$s]=$(cd "$corpus/$s" && xargs -d '\n' cat < "../$s.list" | wc -c); done
for r in $(seq 1 "$rounds"); do
  for s in $sets; do
    for t in $tools; do
      sec=$(pack "$t" "$s")
      if [ -z "${best[$t.$s]:-}" ] || [ "$(echo "$sec < ${best[$t.$s]}" | bc -l)" = 1 ]; then best[$t.$s]=$sec; fi
    done
  done
  echo "round $r done" >&2
done

printf '%-8s' tool; for s in $sets; do printf '%22s' "$s"; done; echo
for t in $tools; do
  printf '%-8s' "$t"
  for s in $sets; do
    mbs=$(echo "${bytes[$s]} / ${best[$t.$s]} / 1000000" | bc -l)
    ratio=$(echo "${best[$t.$s]} / ${best[limit.$s]}" | bc -l)
    printf '%12.1f MB/s %5.2fx' "$mbs" "$ratio"
  done
  echo
done

# Every deflated member of kvzip's archives must be zlib's raw deflate at level 6, memory level 8.
for s in $sets; do
  python3 - "$out/$s.kvzip.zip" <<'PY'
import sys, zipfile, zlib
path = sys.argv[1]
z = zipfile.ZipFile(path)
bad = deflated = 0
with open(path, 'rb') as f:
    for info in z.infolist():
        if info.compress_type != zipfile.ZIP_DEFLATED:
            continue
        deflated += 1
        data = z.read(info)
        c = zlib.compressobj(6, zlib.DEFLATED, -15, 8)
        f.seek(info.header_offset + 26)
        n = int.from_bytes(f.read(2), 'little'); m = int.from_bytes(f.read(2), 'little')
        f.seek(info.header_offset + 30 + n + m)
        if f.read(info.compress_size) != c.compress(data) + c.flush():
            bad += 1
print(f"{path.rsplit('/', 1)[1]}: {deflated} deflated members, {bad} differ from zlib level 6")
sys.exit(1 if bad else 0)
PY
done
