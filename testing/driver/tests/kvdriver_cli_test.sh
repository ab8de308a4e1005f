#!/usr/bin/env bash
# kvdriver_cli_test.sh BUILD KVDRIVER.EXE KORVEL.EXE - drives korvel.exe with kvdriver.exe as a
# shell script would: start, find, read, refuse a second instance, answer, close, wait.
set -u -o pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$here/wine-env.sh" "${1:?build}"
driver=${2:?kvdriver.exe}
korvel="Z:$(printf '%s' "${3:?korvel.exe}" | tr / '\\')"
fail() { echo "FAIL: $*" >&2; [ -n "${first:-}" ] && "$WINE" "$driver" close --class TfrmMain --pid "$first" >/dev/null; exit 1; }
kv() { "$WINE" "$driver" "$@" 2>/dev/null | tr -d '\r'; }

# start: to a file, not a pipe; the started program must not hold the script's pipe open.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
start() { "$WINE" "$driver" start "$korvel" >"$out" 2>/dev/null </dev/null && tr -d '\r\n' <"$out"; }

first=$(start) || fail "start"
[ -n "$first" ] || fail "no process id"
kv wait-window --class TfrmMain --pid "$first" --timeout 15000 >/dev/null || fail "main window"
kv windows --class TfrmMain --pid "$first" | grep -q $'\tKorvel 2.0$' || fail "caption"
kv controls --class TfrmMsg --pid "$first" --all >/dev/null  # hidden window: may list nothing

second=$(start) || fail "second start"
box=$(kv answer --pid "$second" --button ok --timeout 15000) || fail "no warning box"
[ "$box" = $'korvel\tKorvel уже выполняется!' ] || fail "warning box said: $box"
code=$(kv wait-process --pid "$second" --timeout 10000)
# The process may be gone before wait-process opens it; then there is no code to read.
[ -z "$code" ] || [ "$code" = 0 ] || fail "second instance exit code $code"

kv close --class TfrmMain --pid "$first" || fail "close"
kv wait-gone --class TfrmMain --pid "$first" --timeout 10000 || fail "main window still there"
! kv wait-window --class TfrmMain --pid "$first" --timeout 200 >/dev/null || fail "main window came back"
echo "kvdriver CLI: passed"
