#!/usr/bin/env bash
# Starts or stops a headless Wine session for a Windows build (win64 or
# win32):
#   eval "$(tools/scripts/wine-session.sh start BUILD_DIR)"   # exports WINEPREFIX, DISPLAY, ...
#   tools/scripts/wine-session.sh stop BUILD_DIR
# The session is an Xvfb display, a persistent wineserver with one virtual
# desktop kept open by a hidden window (desktop-hold.c), and a prefix inside
# the build folder. The prefix is a 64-bit one; where 32-bit Wine is
# installed (tools/scripts/i686-setup.sh) it holds the 32-bit side too, which
# 32-bit programs (the win32 build) need. Everything Wine starts gets
# /dev/null for its standard streams, so nothing holds a caller's pipe open.
# A program that crashes ends at once instead of waiting in Wine's debugger.
set -euo pipefail

cmd=${1:?start or stop}
build=$(cd "${2:?build folder}" && pwd)
state=$build/wine-session
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win64
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

stop() {
  [ -f "$state/display" ] || return 0
  export DISPLAY=$(cat "$state/display")
  if [ -f "$state/hold.pid" ]; then
    kill "$(cat "$state/hold.pid")" 2>/dev/null || true
  fi
  $wineserver -k >/dev/null 2>&1 || true
  $wineserver -w >/dev/null 2>&1 || true
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$state"
}

case $cmd in
stop)
  stop
  exit 0
  ;;
start)
  stop
  mkdir -p "$state"
  # A free display number: no lock file and no socket.
  n=90
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$state/xvfb.pid"
  echo ":$n" >"$state/display"
  export DISPLAY=:$n
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done

  # A prefix made before 32-bit Wine was installed lacks the 32-bit side:
  # the win32 build's gets made again.
  if [ -f "$WINEPREFIX/system.reg" ] && [ -x /usr/lib/wine/wine ] &&
    grep -qs '^CMAKE_SYSTEM_PROCESSOR:[A-Z]*=i686$' "$build/CMakeCache.txt" &&
    [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    rm -rf "$WINEPREFIX"
  fi
  fresh=0
  [ -f "$WINEPREFIX/system.reg" ] || fresh=1
  mkdir -p "$WINEPREFIX"
  $wineserver -p </dev/null >/dev/null 2>&1
  $wine wineboot -i </dev/null >/dev/null 2>&1
  if [ $fresh -eq 1 ]; then
    # One virtual desktop for every process: hidden and destroyed top-level
    # windows cost seconds each without a window manager. No audio driver.
    $wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
    $wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
    $wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f </dev/null >/dev/null 2>&1
    # Wine's own TrueType fonts (fonts-wine) are not found where the package
    # puts them: without Marlett, caption buttons draw as the letters "0 1 r".
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # Wine's own processes started before these settings existed: start
    # the session again so that they take effect.
    $wineserver -k >/dev/null 2>&1 || true
    $wineserver -w >/dev/null 2>&1 || true
    $wineserver -p </dev/null >/dev/null 2>&1
    $wine wineboot </dev/null >/dev/null 2>&1
  fi
  x86_64-w64-mingw32-gcc-posix -O2 -o "$state/desktop-hold.exe" \
    "$(dirname "$0")/desktop-hold.c"
  $wine "$state/desktop-hold.exe" 'Z:'"$state/hold.ready" </dev/null >/dev/null 2>&1 &
  echo $! >"$state/hold.pid"
  for _ in $(seq 200); do [ -e "$state/hold.ready" ] && break; sleep 0.05; done
  [ -e "$state/hold.ready" ] || { echo "wine-session: the desktop hold did not start" >&2; exit 1; }
  cat <<EOT
export WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINEARCH=win64 DISPLAY=':$n'
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
EOT
  ;;
*)
  echo "usage: $0 start|stop BUILD_DIR" >&2
  exit 2
  ;;
esac
