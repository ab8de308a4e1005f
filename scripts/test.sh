#!/usr/bin/env bash
# Runs the whole test suite on a fresh Debian machine: installs what is missing, builds the
# four presets, runs the native tests, every Windows test under Wine in the 64-bit build and
# again in the 32-bit shipping build, the import checks of the shipping build and each fuzz
# target for a bounded time.
#   KV_FUZZ_SECONDS=N  seconds per fuzz target (default 60; 0 skips fuzzing)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-deps.sh || exit 1
logs=$(mktemp -d)
passed=0
failed=0

# Adds a ctest run's counts ("NN% tests passed, F tests failed out of T") to the totals.
count_ctest() {
  local line t f
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  t=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
}
stage() {  # stage NAME COMMAND... : a check that counts as one test
  if "${@:2}"; then passed=$((passed + 1)); else echo "stage failed: $1"; failed=$((failed + 1)); fi
}
build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

if build native; then
  ctest --preset native 2>&1 | tee "$logs/native.log"; count_ctest "$logs/native.log"
else echo "native build FAILED"; failed=$((failed + 1)); fi

if build win64; then
  ctest --preset win64 2>&1 | tee "$logs/win64.log"; count_ctest "$logs/win64.log"
else echo "win64 build FAILED"; failed=$((failed + 1)); fi

# The shipping build: its programs and its tests are 32-bit and run under Wine's WoW64 (through
# qemu-user where the kernel cannot run 32-bit programs) in the tree's own prefix. Its session
# fails every test of the tree, with the reason, when 32-bit programs cannot start.
if build win32; then
  stage xp-imports scripts/check-xp-imports.sh build/win32
  stage stub-imports scripts/check-stub-imports.sh build/win32/bramlow/stub/bramlow-stub.exe
  started=$SECONDS
  ctest --preset win32 2>&1 | tee "$logs/win32.log"; count_ctest "$logs/win32.log"
  echo "shipping build (32-bit) tests: $((SECONDS - started)) s"
else echo "win32 build FAILED"; failed=$((failed + 1)); fi

# The release archives, built, packed and checked as scripts/release.sh makes them for users.
stage release scripts/release.sh

if [ "${KV_FUZZ_SECONDS:-60}" != 0 ]; then
  if build fuzz; then
    stage fuzzing scripts/run-fuzzers.sh build/fuzz "${KV_FUZZ_SECONDS:-60}"
  else echo "fuzz build FAILED"; failed=$((failed + 1)); fi
fi

rm -rf "$logs"
echo
echo "total: $passed passed, $failed failed"
[ $failed -eq 0 ]
