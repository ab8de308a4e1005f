#!/usr/bin/env bash
# Runs the whole test suite on a fresh Debian machine: installs what is missing, builds the
# four presets, runs the native tests, every Windows test under Wine, the import check of the
# shipping build and each fuzz target for a bounded time.
#   KV_FUZZ_SECONDS=N  seconds per fuzz target (default 60; 0 skips fuzzing)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-deps.sh
status=0

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native || status=1

cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64 || status=1

cmake --preset win32 >/dev/null
cmake --build --preset win32
scripts/check-xp-imports.sh build/win32 || status=1

if [ "${KV_FUZZ_SECONDS:-60}" != 0 ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  scripts/run-fuzzers.sh build/fuzz "${KV_FUZZ_SECONDS:-60}" || status=1
fi

if [ $status -eq 0 ]; then echo "all test stages passed"; else echo "some test stage FAILED"; fi
exit $status
