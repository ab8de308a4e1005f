#!/usr/bin/env bash
# bench-zip.sh [BUILD_DIR] - ZIP engine benchmark: kvzip side by side with Info-ZIP unzip,
# 7-Zip, bsdtar and plain zlib raw inflate in memory (the limit), on the generated corpus
# of shared/bench-corpus. Rounds are interleaved; the fastest run of each counts.
#   ROUNDS=N (default 5)   CALLGRIND=0 skips the instruction counts
# Needs: a native build with kvzip (default build/native), zip, unzip, 7z, bsdtar, cc, zlib.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/native}" && pwd)
kvzip=$build/ziparchive/kvzip
[ -x "$kvzip" ] || { echo "no kvzip in $build (build the native preset first)"; exit 1; }
rounds=${ROUNDS:-5}
work=$build/bench-zip
corpus_src=${KV_BENCH_CORPUS:-$top/../shared/bench-corpus}
[ -d "$corpus_src" ] || corpus_src=/work/shared/bench-corpus
mkdir -p "$work"

if [ ! -f "$work/corpus/MANIFEST.sha256" ]; then
  bash "$corpus_src/make-corpus.sh" "$work/corpus" >/dev/null
fi

# The limit: every member inflated with zlib in 32 KiB chunks plus CRC-32, all in memory.
if [ ! -x "$work/zlib-limit" ]; then
  cat > "$work/zlib-limit.c" <<'C'
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>
static unsigned r16(const unsigned char *p) { return p[0] | p[1] << 8; }
static unsigned long r32(const unsigned char *p) { return r16(p) | (unsigned long)r16(p + 2) << 16; }
int main(int argc, char **argv) {
  FILE *f = fopen(argv[1], "rb");
  if (!f) return 2;
  fseek(f, 0, SEEK_END);
  long n = ftell(f);
  fseek(f, 0, SEEK_SET);
  unsigned char *a = malloc(n), out[32768];
  if (fread(a, 1, n, f) != (size_t)n) return 2;
  long e = n - 22;
  while (e > 0 && r32(a + e) != 0x06054b50) e--;
  unsigned long cd = r32(a + e + 16), count = r16(a + e + 10), bad = 0;
  for (unsigned long i = 0; i < count; i++) {
    const unsigned char *c = a + cd;
    unsigned method = r16(c + 10);
    unsigned long crc = r32(c + 16), csize = r32(c + 20), off = r32(c + 42);
    const unsigned char *l = a + off, *data = l + 30 + r16(l + 26) + r16(l + 28);
    uLong got = crc32(0, 0, 0);
    if (method == 8) {
      z_stream z; memset(&z, 0, sizeof z);
      inflateInit2(&z, -15);
      z.next_in = (Bytef *)data; z.avail_in = csize;
      int rc;
      do {
        z.next_out = out; z.avail_out = sizeof out;
        rc = inflate(&z, Z_NO_FLUSH);
        got = crc32(got, out, sizeof out - z.avail_out);
      } while (rc == Z_OK);
      inflateEnd(&z);
    } else {
      got = crc32(got, data, csize);
    }
    if (got != crc) bad++;
    cd += 46 + r16(c + 28) + r16(c + 30) + r16(c + 32);
  }
  return bad ? 1 : 0;
}
C
  cc -O2 -o "$work/zlib-limit" "$work/zlib-limit.c" -lz
fi

sets="logon small big"
for s in $sets; do
  [ -f "$work/$s.zip" ] || (cd "$work/corpus/$s" && zip -qr -6 "$work/$s.zip" .)
  [ -f "$work/$s-d64.zip" ] || (cd "$work/corpus/$s" && 7z a -tzip -mm=Deflate64 -mx=5 "$work/$s-d64.zip" . >/dev/null)
done
tmpfs=/dev/shm/kvbench.$$
mkdir -p "$tmpfs"
trap 'rm -rf "$tmpfs"' EXIT

# time_run NAME COMMAND... : seconds of one run, recorded as the best of NAME.
declare -A best
time_run() {
  local name=$1; shift
  local t0 t1 dt
  t0=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || echo "  ($name exited non-zero)" >&2
  t1=$(date +%s.%N)
  dt=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
  if [ -z "${best[$name]:-}" ] || awk -v x="$dt" -v y="${best[$name]}" 'BEGIN { exit !(x < y) }'; then
    best[$name]=$dt
  fi
}

for ((r = 1; r <= rounds; r++)); do
  for s in $sets; do
    z=$work/$s.zip
    time_run "limit $s" "$work/zlib-limit" "$z"
    time_run "kvzip-t $s" "$kvzip" t "$z"
    time_run "unzip-t $s" unzip -tqq "$z"
    time_run "7z-t $s" 7z t "$z"
    time_run "bsdtar $s" bsdtar -xOf "$z"
    rm -rf "$tmpfs/k" "$tmpfs/u"
    time_run "kvzip-x $s" "$kvzip" x "$z" "$tmpfs/k"
    time_run "unzip-x $s" unzip -oqq "$z" -d "$tmpfs/u"
    rm -rf "$tmpfs/k" "$tmpfs/u"
    time_run "kvzip-t64 $s" "$kvzip" t "$work/$s-d64.zip"
    time_run "7z-t64 $s" 7z t "$work/$s-d64.zip"
  done
done

mb() { awk -v b="$1" -v t="$2" 'BEGIN { printf "%.1f", b / t / 1000000 }'; }
printf '%-7s %-10s %9s %9s\n' set tool MB/s "x limit"
for s in $sets; do
  bytes=$(cd "$work/corpus/$s" && xargs -d '\n' cat < "../$s.list" | wc -c)
  lim=${best[limit $s]}
  for tool in limit kvzip-t unzip-t 7z-t bsdtar kvzip-x unzip-x kvzip-t64 7z-t64; do
    t=${best[$tool $s]}
    printf '%-7s %-10s %9s %9.2f\n' "$s" "$tool" "$(mb "$bytes" "$t")" "$(awk -v a="$t" -v b="$lim" 'BEGIN { print a / b }')"
  done
done

# Peak memory: the 200 MiB file against a 1 MiB one.
head -c 1048576 "$work/corpus/big/big.bin" > "$tmpfs/one.bin"
(cd "$tmpfs" && zip -q one.zip one.bin)
m_small=$( { /usr/bin/time -f %M "$kvzip" t "$tmpfs/one.zip"; } 2>&1 | tail -1)
m_big=$( { /usr/bin/time -f %M "$kvzip" t "$work/big.zip"; } 2>&1 | tail -1)
echo "peak memory kvzip t: 1 MiB file ${m_small} KiB, 200 MiB file ${m_big} KiB"

if [ "${CALLGRIND:-1}" != 0 ] && command -v valgrind >/dev/null; then
  for arc in logon.zip logon-d64.zip; do
    bytes=$(cd "$work/corpus/logon" && xargs -d '\n' cat < "../logon.list" | wc -c)
    for prog in kvzip limit; do
      [ $prog = limit ] && [ $arc = logon-d64.zip ] && continue
      if [ $prog = kvzip ]; then cmd=("$kvzip" t "$work/$arc"); else cmd=("$work/zlib-limit" "$work/$arc"); fi
      ir=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "${cmd[@]}" 2>&1 | sed -n 's/.*Collected : *\([0-9]*\).*/\1/p')
      printf 'callgrind %-6s %-14s %s instructions/byte\n' "$prog" "$arc" "$(awk -v a="$ir" -v b="$bytes" 'BEGIN { printf "%.2f", a / b }')"
    done
  done
fi
