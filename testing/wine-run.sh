#!/usr/bin/env bash
# wine-run.sh PROGRAM.exe [ARGS...] - the emulator CTest puts before every Windows test:
# runs the program in the Wine prefix of the build tree that holds it.
set -u
prog=${1:?program}
dir=${KV_BUILD_DIR:-}
if [ -z "$dir" ]; then
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh" "$dir"
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  "$here/wine-session.sh" start "$dir" || exit 1
fi
exec "$WINE" "$@"
