#!/usr/bin/env bash
# bench-zip.sh [BUILD_DIR] - ZIP engine benchmark: kvzip side by side with Info-ZIP unzip,
# 7-Zip, bsdtar and plain zlib raw inflate in memory (the limit), on the generated corpus
# of shared/bench-corpus, testing (t) and extracting (x) to tmpfs. Rounds are interleaved;
# the median of the rounds counts (the best is shown beside it), as a multiple of the
# limit's median and as MB/s of member data. Packing (a) is timed too, from the corpus folder
# to an archive on tmpfs, beside bsdtar's (it is not held against the inflate limit: its
# "x limit" only places it). The load average is printed before and after.
#   ROUNDS=N (default 5)   SETS="logon small big"   TOOLS="kvzip-t bsdtar-t ..." (a subset)
#   CALLGRIND=0 skips the instruction counts (per byte and per member, kvzip t and x)
#   KVZIP_BEFORE=path: another kvzip (an earlier build) timed in the same rounds, as before-t/x/a
# Needs: a native build with kvzip (default build/native), zip, unzip, 7z, bsdtar, cc, zlib.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/native}" && pwd)
kvzip=$build/ziparchive/tools/kvzip
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

sets=${SETS:-logon small big}
all_tools="limit kvzip-t bsdtar-t 7z-t unzip-t kvzip-x bsdtar-x unzip-x kvzip-t64 7z-t64 kvzip-a bsdtar-a"
before=${KVZIP_BEFORE:-}
[ -n "$before" ] && all_tools="$all_tools before-t before-x before-a"
tools=${TOOLS:-$all_tools}
[[ " $tools " == *" limit "* ]] || tools="limit $tools"
for s in $sets; do
  [ -f "$work/$s.zip" ] || (cd "$work/corpus/$s" && zip -qr -6 "$work/$s.zip" .)
  [ -f "$work/$s-d64.zip" ] || (cd "$work/corpus/$s" && 7z a -tzip -mm=Deflate64 -mx=5 "$work/$s-d64.zip" . >/dev/null)
done
tmpfs=/dev/shm/kvbench.$$
mkdir -p "$tmpfs"
trap 'rm -rf "$tmpfs"' EXIT

# One run of a tool on a set; extraction goes to an empty folder on tmpfs.
run_tool() {
  local tool=$1 s=$2 z=$work/$2.zip
  case $tool in
    limit) "$work/zlib-limit" "$z" ;;
    kvzip-t) "$kvzip" t "$z" ;;
    bsdtar-t) bsdtar -xOf "$z" ;;
    7z-t) 7z t "$z" ;;
    unzip-t) unzip -tqq "$z" ;;
    kvzip-x) "$kvzip" x "$z" "$tmpfs/out" ;;
    bsdtar-x) bsdtar -xf "$z" -C "$tmpfs/out" ;;
    unzip-x) unzip -oqq "$z" -d "$tmpfs/out" ;;
    kvzip-t64) "$kvzip" t "$work/$s-d64.zip" ;;
    before-t) "$before" t "$z" ;;
    before-x) "$before" x "$z" "$tmpfs/out" ;;
    7z-t64) 7z t "$work/$s-d64.zip" ;;
    kvzip-a) "$kvzip" a "$tmpfs/out/a.zip" "$work/corpus/$s" ;;
    bsdtar-a) bsdtar --format zip -cf "$tmpfs/out/a.zip" -C "$work/corpus/$s" . ;;
    before-a) "$before" a "$tmpfs/out/a.zip" "$work/corpus/$s" ;;
  esac
}

# times[tool set] holds the seconds of every round, space-separated.
declare -A times
time_run() {
  local tool=$1 s=$2 t0 t1
  rm -rf "$tmpfs/out"
  mkdir -p "$tmpfs/out"
  t0=$EPOCHREALTIME
  run_tool "$tool" "$s" >/dev/null 2>&1 || echo "  ($tool $s exited non-zero)" >&2
  t1=$EPOCHREALTIME
  times[$tool $s]+="$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }') "
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { tr ' ' '\n' <<<"$1" | grep . | sort -g | head -1; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores), $rounds rounds"
for ((r = 1; r <= rounds; r++)); do
  for s in $sets; do
    for tool in $tools; do time_run "$tool" "$s"; done
  done
done
rm -rf "$tmpfs/out"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

mb() { awk -v b="$1" -v t="$2" 'BEGIN { printf "%.1f", b / t / 1000000 }'; }
printf '%-7s %-10s %9s %9s %9s %9s\n' set tool median best MB/s "x limit"
for s in $sets; do
  bytes=$(cd "$work/corpus/$s" && xargs -d '\n' cat < "../$s.list" | wc -c)
  lim=$(median "${times[limit $s]}")
  for tool in $tools; do
    t=$(median "${times[$tool $s]}")
    printf '%-7s %-10s %9.4f %9.4f %9s %9.2f\n' "$s" "$tool" "$t" "$(best "${times[$tool $s]}")" "$(mb "$bytes" "$t")" \
      "$(awk -v a="$t" -v b="$lim" 'BEGIN { print a / b }')"
  done
done

# Peak memory: the 200 MiB file against a 1 MiB one, and extracting the many small files.
head -c 1048576 "$work/corpus/big/big.bin" > "$tmpfs/one.bin"
(cd "$tmpfs" && zip -q one.zip one.bin)
peak() { /usr/bin/time -o "$tmpfs/peak" -f %M "$@" >/dev/null 2>&1; cat "$tmpfs/peak"; }
m_small=$(peak "$kvzip" t "$tmpfs/one.zip")
m_big=$(peak "$kvzip" t "$work/big.zip")
echo "peak memory kvzip t: 1 MiB file ${m_small} KiB, 200 MiB file ${m_big} KiB"
if [ -f "$work/small.zip" ]; then
  rm -rf "$tmpfs/out"
  m_x=$(peak "$kvzip" x "$work/small.zip" "$tmpfs/out")
  rm -rf "$tmpfs/out"
  m_bx=$(peak "$kvzip" x "$work/big.zip" "$tmpfs/out")
  rm -rf "$tmpfs/out"
  echo "peak memory kvzip x: 5,000 small files ${m_x} KiB, 200 MiB file ${m_bx} KiB"
fi

if [ "${CALLGRIND:-1}" != 0 ] && command -v valgrind >/dev/null; then
  instructions() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 | sed -n 's/.*Collected : *\([0-9]*\).*/\1/p'; }
  # "over limit": instructions beyond the in-memory limit's, per member (the per-member cost).
  printf '%-20s %14s %10s %12s %12s\n' callgrind instructions "per byte" "per member" "over limit"
  for s in $sets; do
    bytes=$(cd "$work/corpus/$s" && xargs -d '\n' cat < "../$s.list" | wc -c)
    members=$(wc -l < "$work/corpus/$s.list")
    ir_limit=0
    for what in limit kvzip-t kvzip-x kvzip-t64; do
      rm -rf "$tmpfs/out"
      case $what in
        limit) ir=$(instructions "$work/zlib-limit" "$work/$s.zip") ;;
        kvzip-t) ir=$(instructions "$kvzip" t "$work/$s.zip") ;;
        kvzip-x) ir=$(instructions "$kvzip" x "$work/$s.zip" "$tmpfs/out") ;;
        kvzip-t64) ir=$(instructions "$kvzip" t "$work/$s-d64.zip") ;;
      esac
      [ $what = limit ] && ir_limit=$ir
      printf '%-20s %14s %10.2f %12.0f %12.0f\n' "$what $s" "$ir" "$(awk -v a="$ir" -v b="$bytes" 'BEGIN { print a / b }')" \
        "$(awk -v a="$ir" -v b="$members" 'BEGIN { print a / b }')" \
        "$(awk -v a="$ir" -v l="$ir_limit" -v b="$members" 'BEGIN { print (a - l) / b }')"
    done
  done
  rm -rf "$tmpfs/out"
fi
