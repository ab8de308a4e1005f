#!/usr/bin/env bash
# release.sh - builds the shipping programs (preset win32) and our own kvzip (preset native)
# and writes what a Windows user downloads to dist/:
#   korvel-<version>-win32.zip   korvel.exe, reshacker.exe, the sample packages in logons\,
#                                readme.txt (Russian and English)
#   bramlow-<version>-win32.zip  bramlow.exe, setup.dat, the sample kit in kit\, ready to run,
#                                kit-reference.html (the README's kit-author section), and the
#                                kit author's tools: bramlow-kit.exe (Windows), bramlow-kit
#                                (Linux, x86-64) and the one-file setup's bramlow-stub.exe
#   bramlow-<version>-sample-setup.exe  the sample kit built into one setup program
#   SHA256SUMS
# <version> is the project's version (project() in the top CMakeLists.txt). kvzip packs the
# archives; kvzip t, unzip -t and 7z t must each pass them, and what kvzip extracts must be
# what was packed. The native bramlow-kit builds the sample setup from the staged kit with the
# staged stub, whose imports are checked against the system's known DLLs first. Two runs on
# one commit give the same bytes: members in name order (kvzip -s), every file time the
# commit's (SOURCE_DATE_EPOCH, when set, instead), programs without symbols and with that
# time in their headers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
started=$EPOCHREALTIME
scripts/install-deps.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release: $*" >&2; exit 1; }
quietly() {  # quietly COMMAND... : its output only when it fails
  "$@" >"$work/step.log" 2>&1 || { cat "$work/step.log" >&2; fail "failed: $*"; }
}

# Only what ships: the preset may hold tests too.
quietly cmake --preset win32
quietly cmake --build --preset win32 --target korvel reshacker bramlow uninstall sample_kit sample_logons \
  bramlow-kit bramlow-stub
quietly cmake --preset native
quietly cmake --build --preset native --target kvzip bramlow-kit
build=$top/build/win32
kvzip=$top/build/native/ziparchive/tools/kvzip
kittool=$top/build/native/bramlow/kit/bramlow-kit

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || fail "not a git checkout: set SOURCE_DATE_EPOCH"
  if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "release: uncommitted changes: the archives match no commit" >&2
  fi
fi

# ---- The two trees, as they will unpack.
korvel=$work/stage/korvel-$version-win32
bramlow=$work/stage/bramlow-$version-win32
mkdir -p "$korvel/logons" "$bramlow/kit"
cp "$build/korvel/korvel.exe" "$build/resedit/reshacker.exe" "$korvel/"
shopt -s nullglob
packages=("$build/samples/logons/"*.kvl)
[ ${#packages[@]} -gt 0 ] || fail "no sample packages in $build/samples/logons"
# The writer stores names in the OEM code page, turned from the ANSI one as on a Russian
# Windows: so the staged names are the packages' names in code page 1251.
for f in "${packages[@]}"; do
  name=$(basename "$f" | iconv -f UTF-8 -t CP1251) || fail "$f: a name Windows 1251 cannot hold"
  cp "$f" "$korvel/logons/$name"
done
python3 scripts/release/release_texts.py readme scripts/release/readme.txt "$version" "$korvel/readme.txt"

cp "$build/bramlow/bramlow.exe" "$build/uninstall/setup.dat" "$build/bramlow/kit/bramlow-kit.exe" \
   "$build/bramlow/stub/bramlow-stub.exe" "$bramlow/"
cp "$kittool" "$bramlow/bramlow-kit"
strip "$bramlow/bramlow-kit"
# The kit as the build assembled it, without what an older kit-src left behind there.
(cd "$build/samples/kit" && find . -type f) | sort | while IFS= read -r f; do
  case $f in
    ./bramlow.exe | ./setup.dat | ./setup.bmp) ;;
    *) [ -f "samples/kit-src/$f" ] || { echo "release: left out $f (not in samples/kit-src)" >&2; continue; } ;;
  esac
  mkdir -p "$bramlow/kit/$(dirname "$f")"
  cp "$build/samples/kit/$f" "$bramlow/kit/$f"
done
[ -f "$bramlow/kit/setup.qx1" ] || fail "no sample kit in $build/samples/kit"
python3 scripts/release/release_texts.py reference README.md "$version" "$bramlow/kit-reference.html"

# strip writes a new time stamp into a program's header: binutils takes SOURCE_DATE_EPOCH.
export SOURCE_DATE_EPOCH
while IFS= read -r -d '' program; do
  i686-w64-mingw32-strip "$program"
done < <(find "$work/stage" \( -name '*.exe' -o -name setup.dat \) -print0)
quietly scripts/check-xp-imports.sh "$work/stage"
quietly scripts/check-stub-imports.sh "$bramlow/bramlow-stub.exe"
find "$work/stage" -type f -exec chmod 644 {} +
chmod 755 "$bramlow/bramlow-kit"
find "$work/stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# ---- Pack and check.
rm -rf dist
mkdir dist
for tree in "$korvel" "$bramlow"; do
  zip=dist/$(basename "$tree").zip
  # Member times are the files' local times: UTC, so the time zone of the machine is no input.
  TZ=UTC "$kvzip" -s a "$zip" "$tree" || fail "kvzip could not pack $zip"
  "$kvzip" t "$zip" || fail "kvzip t: $zip"
  unzip -tq "$zip" >"$work/unzip.log" 2>&1 && grep -q '^No errors detected' "$work/unzip.log" ||
    { cat "$work/unzip.log" >&2; fail "unzip -t: $zip"; }
  7z t "$zip" >"$work/7z.log" 2>&1 && grep -q '^Everything is Ok' "$work/7z.log" && ! grep -qi warning "$work/7z.log" ||
    { cat "$work/7z.log" >&2; fail "7z t: $zip"; }
  "$kvzip" x "$zip" "$work/check/$(basename "$tree")" || fail "kvzip x: $zip"
  diff -r "$tree" "$work/check/$(basename "$tree")" >&2 || fail "$zip does not unpack to what was packed"
  members=$(unzip -Z1 "$zip" | wc -l)
  [ "$members" -eq "$(find "$tree" -type f | wc -l)" ] || fail "$zip holds $members members"
done
# The sample kit as one setup program, built from the staged kit (its file times are the
# commit's) with the staged stub; bramlow-kit checks the kit and tests what it wrote.
sample=dist/bramlow-$version-sample-setup.exe
TZ=UTC "$kittool" build "$bramlow/kit" -o "$sample" --stub "$bramlow/bramlow-stub.exe" >"$work/kit.log" 2>&1 ||
  { cat "$work/kit.log" >&2; fail "bramlow-kit could not build $sample"; }
grep -q ': 0 errors, 0 warnings$' "$work/kit.log" || { cat "$work/kit.log" >&2; fail "the sample kit has findings"; }
"$kvzip" t "$sample" || fail "kvzip t: $sample"
touch -d "@$SOURCE_DATE_EPOCH" "$sample"
(cd dist && sha256sum "$(basename "$korvel").zip" "$(basename "$bramlow").zip" "$(basename "$sample")" > SHA256SUMS)

echo "release $version (file times $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')) in dist/:"
(cd dist && for f in *.zip; do printf '  %-28s %8d bytes, %3d members\n' "$f" "$(stat -c %s "$f")" "$(unzip -Z1 "$f" | wc -l)"; done)
printf '  %-28s %8d bytes\n' "$(basename "$sample")" "$(stat -c %s "$sample")"
sed 's/^/  /' dist/SHA256SUMS
awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "took %.0f s\n", b - a }'
