#!/usr/bin/env bash
# Starts Skovalt from a win64 build under Wine: on the user's display when
# there is one, else headless with a screenshot (tools/scripts/screenshot.sh).
#   tools/scripts/run-skovalt.sh [BUILD_DIR] [SERVER_DAT]
# The program runs in BUILD_DIR/run, a folder of its own that keeps its
# Server.dat between runs (a demo list the first time). With SERVER_DAT it
# starts on that list and refreshes it at start-up; with SKOVALT_FIND set as
# well, that refresh is a player search for its words (start-up action "L",
# the last search "LastFindPlayer").
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
[ -f "$build/bin/Skovalt.exe" ] || { echo "no $build/bin/Skovalt.exe: build the win64 preset first" >&2; exit 1; }

# A local display ":N" has its socket; others are taken on trust.
display_ok() {
  [ -n "${DISPLAY:-}" ] || return 1
  case $DISPLAY in
  :*) n=${DISPLAY#:}; [ -S "/tmp/.X11-unix/X${n%%.*}" ] ;;
  *) return 0 ;;
  esac
}
list=${2:-}
if ! display_ok; then
  exec "$root/tools/scripts/screenshot.sh" "$build" "$build/skovalt.png" $list
fi

app=$build/run
mkdir -p "$app"
for f in Skovalt.exe Kv.dll Parlet.dll MapData.txt wait.wav ready.wav Bkgnd.jpg; do
  cp "$build/bin/$f" "$app/"
done
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The demo stays on this machine: no version check on the web.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Holmdrey\Skovalt\1.0' /v DontCheckNewVersion /d Y /f </dev/null >/dev/null 2>&1
if [ -n "$list" ]; then
  cp "$list" "$app/Server.dat"
  if [ -n "${SKOVALT_FIND:-}" ]; then
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Holmdrey\Skovalt\1.0' /v Startup /d L /f </dev/null >/dev/null 2>&1
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Holmdrey\Skovalt\1.0' /v LastFindPlayer /d "$SKOVALT_FIND" /f </dev/null >/dev/null 2>&1
  else
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Holmdrey\Skovalt\1.0' /v Startup /d S /f </dev/null >/dev/null 2>&1
  fi
fi
[ -f "$app/Server.dat" ] || python3 "$root/tools/scripts/demo-serverlist.py" "$app/Server.dat" 40
cd "$app"
exec /usr/lib/wine/wine64 Skovalt.exe
