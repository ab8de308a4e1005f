# Sourced: sets up the environment of this build tree's Wine prefix.
#   . testing/wine-env.sh BUILD_DIR
# Exports WINEPREFIX, WINEDEBUG, WINEARCH, WINE, WINESERVER, KV_WINE_DIR and, when the
# session started an Xvfb display, DISPLAY.
kv_build_dir=$(cd "${1:?build dir}" && pwd)
export KV_BUILD_DIR="$kv_build_dir"
export KV_WINE_DIR="$kv_build_dir/wine"
export WINEPREFIX="$KV_WINE_DIR/prefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer questions when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -x /usr/lib/wine/wine64 ]; then
  export WINE=/usr/lib/wine/wine64
else
  export WINE=$(command -v wine64 || command -v wine)
fi
if [ -x /usr/lib/wine/wineserver64 ]; then
  export WINESERVER=/usr/lib/wine/wineserver64
else
  export WINESERVER=$(command -v wineserver)
fi
# 32-bit programs under qemu-user start in a second instead of a minute, and keep each thread
# on its own data, with the build's preload (testing/emulator/); ld.so picks the i386 or the
# empty x86_64 one.
kv_preload="$KV_BUILD_DIR/testing/emulator/lib"
# LD_PRELOAD separates its entries by spaces and colons: a tree whose path has one goes without.
if [ -f "$kv_preload/i386-linux-gnu/kv-emulator-preload.so" ] &&
   [ -f "$kv_preload/x86_64-linux-gnu/kv-emulator-preload.so" ] &&
   [[ "$KV_BUILD_DIR" != *[[:space:]:]* ]]; then
  case " ${LD_PRELOAD:-} " in
  *kv-emulator-preload.so*) ;;
  *) export LD_PRELOAD="${LD_PRELOAD:+$LD_PRELOAD }$KV_BUILD_DIR/testing/emulator/\$LIB/kv-emulator-preload.so" ;;
  esac
fi
# Code pages 1251 and 866, as on a Russian system.
if locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
  export LC_ALL=ru_RU.UTF-8
fi
if [ -f "$KV_WINE_DIR/display" ]; then
  export DISPLAY=$(cat "$KV_WINE_DIR/display")
fi
