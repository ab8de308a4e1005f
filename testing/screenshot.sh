#!/usr/bin/env bash
# screenshot.sh BUILD OUTPREFIX [NAME-REGEX]
# Writes every mapped top-level window on the build's Wine display (the session's Xvfb, or
# DISPLAY when set) to OUTPREFIX-<window name>.png. NAME-REGEX (extended, default: any)
# picks windows by their name or their program's X class ("korvel.exe").
set -u
build=${1:?build dir}
out=${2:?output prefix}
regex=${3:-.}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
saved_display=${DISPLAY:-}
. "$here/wine-env.sh" "$build"
[ -z "${DISPLAY:-}" ] && export DISPLAY=$saved_display
if [ -z "${DISPLAY:-}" ]; then
  echo "screenshot: no display (start the Wine session first)" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"

# id, name, class, width, height for each top-level window, separated by \x1f (tabs would
# collapse around an empty name).
list=$(xwininfo -root -tree | python3 -c '
import re, sys
pat = re.compile(r"^\s+(0x[0-9a-f]+) (?:\"(.*)\"|\(has no name\)): \((.*)\)\s+(\d+)x(\d+)[+-]")
for line in sys.stdin:
    m = pat.match(line)
    if m:
        ident, name, cls, w, h = m.groups()
        cls = " ".join(re.findall(r"\"([^\"]*)\"", cls))
        print("\x1f".join((ident, name or "", cls, w, h)))
')

written=0
while IFS=$'\x1f' read -r id name cls w h; do
  [ -z "$id" ] && continue
  [ "$w" -lt 16 ] || [ "$h" -lt 16 ] && continue
  xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
  printf '%s\n%s\n' "$name" "$cls" | grep -Eq -- "$regex" || continue
  label=$(printf '%s' "${name:-window-$id}" | tr -c 'A-Za-z0-9._\n-' '_' | sed 's/__*/_/g; s/^_//; s/_$//')
  [ -z "$label" ] && label="window-$id"
  file="$out-$label.png"
  [ -e "$file" ] && [ "$written" -gt 0 ] && file="$out-$label-$id.png"
  if import -window "$id" "$file" 2>/dev/null; then
    echo "$file"
    written=$((written + 1))
  fi
done <<< "$list"

if [ "$written" -eq 0 ]; then
  echo "screenshot: no mapped window matched '$regex'" >&2
  exit 1
fi
