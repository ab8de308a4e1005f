#!/usr/bin/env bash
# run-fuzzers.sh BUILD_DIR SECONDS - runs every fuzz target of the fuzz build for SECONDS,
# each from its committed seed corpus (with the dictionary <seeds>.dict beside it, when there
# is one), in a scratch working folder. An input that takes longer than FUZZ_TIMEOUT seconds
# (default 3) counts as a hang.
set -uo pipefail
dir=$(cd "${1:?build dir}" && pwd)
secs=${2:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
status=0
count=0
for target in $(find "$dir" -type f -name 'fuzz_*' -perm -u+x | sort); do
  name=$(basename "$target")
  seeds=$(find "$top" -type d -path "*/fuzz/seeds/${name#fuzz_}" -not -path "$top/build/*" | head -n 1)
  work=$(mktemp -d)
  corpus="$work/corpus"; mkdir -p "$corpus"
  [ -n "$seeds" ] && cp -r "$seeds"/. "$corpus"/ 2>/dev/null
  dict=()
  [ -n "$seeds" ] && [ -f "$seeds.dict" ] && dict=(-dict="$seeds.dict")
  echo "fuzzing $name for ${secs}s"
  if (cd "$work" && "$target" -max_total_time="$secs" -timeout="${FUZZ_TIMEOUT:-3}" -rss_limit_mb=2048 -print_final_stats=0 \
        "${dict[@]}" "$corpus" >"$work/log" 2>&1); then
    echo "  $name: clean ($(grep -Eo '#[0-9]+' "$work/log" | tail -n 1 | tr -d '#') runs)"
  else
    echo "  $name: FAILED"; tail -n 40 "$work/log"; status=1
    mkdir -p "$dir/fuzz-failures"; cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$dir/fuzz-failures/" 2>/dev/null
  fi
  rm -rf "$work"
  count=$((count + 1))
done
echo "fuzz targets run: $count"
exit $status
