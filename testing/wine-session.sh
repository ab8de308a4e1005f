#!/usr/bin/env bash
# wine-session.sh start|stop BUILD_DIR
# start: makes the build tree's Wine prefix once (Windows XP, stand-in system files), starts
#        Xvfb when no display is set and a persistent wineserver, so test programs start fast.
# stop:  ends the wineserver and the Xvfb it started.
set -u
cmd=${1:?start or stop}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh" "${2:?build dir}"
mkdir -p "$KV_WINE_DIR"

make_prefix() {
  [ -f "$WINEPREFIX/.kv-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&-
  "$WINE" reg add 'HKCU\Software\Wine' /v Version /d winxp /f </dev/null >/dev/null 2>&1 9>&-
  "$WINESERVER" -w
  touch "$WINEPREFIX/.kv-ready"
}

# On Xvfb windows are unmanaged: there is no window manager, and Wine waits two seconds for
# one on every show and hide of a managed window (unmanaged, Wine draws the captions itself).
# On the user's display the window manager manages them as usual.
configure_x11() {
  local want=$1
  [ "$(cat "$WINEPREFIX/.kv-x11" 2>/dev/null)" = "$want" ] && return 0
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$want" /f </dev/null >/dev/null 2>&1 9>&- &&
    echo "$want" > "$WINEPREFIX/.kv-x11"
  # Let the server the change started end, so the session's own starts with the display. A
  # persistent server of an earlier session never ends: hence the bound.
  timeout 30 "$WINESERVER" -w
}

# What XP has and Wine lacks: the system's logon host.
install_standins() {
  local sys="$WINEPREFIX/drive_c/windows/system32"
  # Wine's own fonts (the caption buttons' Marlett glyphs, MS Sans Serif), also for prefixes
  # made before the fonts package was installed.
  if [ -d /usr/share/wine/fonts ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  fi
  # A 32-bit program looking in system32 is shown syswow64: the stand-in goes into both.
  if [ -f "$KV_BUILD_DIR/testing/logonui.exe" ]; then
    cp -f "$KV_BUILD_DIR/testing/logonui.exe" "$sys/logonui.exe"
    if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
      cp -f "$KV_BUILD_DIR/testing/logonui.exe" "$WINEPREFIX/drive_c/windows/syswow64/logonui.exe"
    fi
  fi
}

# The shipping tree's programs are 32-bit: they run only where the kernel or qemu-user starts
# Wine's 32-bit loader, and take a minute each to start without the emulator preload. Either
# fault would make every test of the tree fail slowly, one by one: say it once, here.
check_32bit_start() {
  [ "$(cat "$KV_BUILD_DIR/testing/pointer-size" 2>/dev/null)" = 4 ] || return 0
  local started=$SECONDS code took
  timeout 60 "$WINE" 'C:\windows\syswow64\cmd.exe' /c exit 7 </dev/null >/dev/null 2>&1 9>&-
  code=$? took=$((SECONDS - started))
  if [ $code -ne 7 ] && [ $code -ne 124 ]; then
    echo "wine-session: 32-bit programs cannot start (exit code $code): Wine's 32-bit half" \
         "(wine32:i386) or the qemu-i386 registration with binfmt_misc is missing;" \
         "scripts/install-deps.sh sets both up" >&2
    return 1
  fi
  if [ $code -eq 124 ] || [ $took -gt 30 ]; then
    echo "wine-session: a 32-bit program took ${took} s or more to start: the emulator preload" \
         "(testing/emulator) is not in effect" >&2
    return 1
  fi
  echo "wine session: a 32-bit program starts in ${took} s"
}

start_display() {
  if [ -f "$KV_WINE_DIR/xvfb.pid" ] && kill -0 "$(cat "$KV_WINE_DIR/xvfb.pid")" 2>/dev/null; then
    return 0
  fi
  rm -f "$KV_WINE_DIR/display" "$KV_WINE_DIR/xvfb.pid"
  local n
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    local pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 $pid 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 $pid 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      echo $pid > "$KV_WINE_DIR/xvfb.pid"
      echo ":$n" > "$KV_WINE_DIR/display"
      return 0
    fi
  done
  echo "wine-session: no free X display for Xvfb" >&2
  return 1
}

case "$cmd" in
start)
  exec 9>"$KV_WINE_DIR/.lock"
  flock 9
  # The display comes first: every Wine process started from here on, the desktop's own
  # among them, must see it, or no program of the session can create a window.
  if [ -z "${KV_USE_USER_DISPLAY:-}" ]; then
    start_display || exit 1
    export DISPLAY=$(cat "$KV_WINE_DIR/display")
  fi
  make_prefix || { echo "wine-session: could not make the prefix" >&2; exit 1; }
  install_standins
  if [ -n "${KV_USE_USER_DISPLAY:-}" ]; then configure_x11 Y; else configure_x11 N; fi
  # Detached: a Wine service inheriting CTest's pipes would keep CTest waiting forever, and one
  # inheriting the lock (fd 9) would keep every later start of this tree waiting.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&-
  "$WINE" wineboot </dev/null >/dev/null 2>&1 9>&-
  check_32bit_start || exit 1
  echo "wine session: prefix $WINEPREFIX display ${DISPLAY:-none}"
  ;;
stop)
  "$WINESERVER" -k </dev/null >/dev/null 2>&1
  if [ -f "$KV_WINE_DIR/xvfb.pid" ]; then
    kill "$(cat "$KV_WINE_DIR/xvfb.pid")" 2>/dev/null
    rm -f "$KV_WINE_DIR/xvfb.pid" "$KV_WINE_DIR/display"
  fi
  ;;
*) echo "usage: wine-session.sh start|stop BUILD_DIR" >&2; exit 2 ;;
esac
