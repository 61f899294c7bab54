#!/usr/bin/env bash
# Starts Skovalt under Wine on a headless display (Xvfb, one Wine virtual
# desktop) with a demo server list, and saves a screenshot:
#   tools/scripts/screenshot.sh [BUILD_DIR] [OUT.png] [SERVER_DAT]
# BUILD_DIR is a win64 build (default build/win64); OUT defaults to
# BUILD_DIR/skovalt.png. With SERVER_DAT the program starts on that list
# instead, refreshes it at start-up, and the shot is taken once the
# refresh has had time to end; with SKOVALT_FIND set as well, that start-up
# refresh is a player search for its words (start-up action "L", the last
# search "LastFindPlayer"). The program runs in BUILD_DIR/screenshot with a
# Wine prefix of its own, so the build's test session is not touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
out=${2:-$build/skovalt.png}
work=$build/screenshot
app=$work/app
wine=/usr/lib/wine/wine64

[ -f "$build/bin/Skovalt.exe" ] || { echo "no $build/bin/Skovalt.exe: build the win64 preset first" >&2; exit 1; }
rm -rf "$app"
mkdir -p "$app" "$work/wineprefix"
for f in Skovalt.exe Kv.dll Parlet.dll MapData.txt wait.wav ready.wav Bkgnd.jpg; do
  cp "$build/bin/$f" "$app/"
done
list=${3:-}
if [ -n "$list" ]; then
  cp "$list" "$app/Server.dat"
else
  python3 "$root/tools/scripts/demo-serverlist.py" "$app/Server.dat" 40
fi

eval "$("$root/tools/scripts/wine-session.sh" start "$work")"
trap '"$root/tools/scripts/wine-session.sh" stop "$work"' EXIT
key='HKCU\Software\Holmdrey\Skovalt\1.0'
$wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
$wine reg add "$key" /v Pos /d '40 30 900 620 [1]' /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v Split /d '380' /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v ServerTemplateWidth /d "$(printf '260\t60\t70\t200\t80\t')" /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v Grid /d Y /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v Grayout /d Y /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v PingThreshold /d 200 /f </dev/null >/dev/null 2>&1
# The demo stays on this machine: no version check on the web.
$wine reg add "$key" /v DontCheckNewVersion /d Y /f </dev/null >/dev/null 2>&1
wait_seconds=3
if [ -n "$list" ]; then
  if [ -n "${SKOVALT_FIND:-}" ]; then
    $wine reg add "$key" /v Startup /d L /f </dev/null >/dev/null 2>&1
    $wine reg add "$key" /v LastFindPlayer /d "$SKOVALT_FIND" /f </dev/null >/dev/null 2>&1
  else
    $wine reg add "$key" /v Startup /d S /f </dev/null >/dev/null 2>&1
  fi
  $wine reg add "$key" /v Timeout /d 2 /f </dev/null >/dev/null 2>&1
  wait_seconds=6
fi

(cd "$app" && exec $wine Skovalt.exe </dev/null >/dev/null 2>&1) &
pid=$!
# The window is up, has drawn its rows and ended its refresh well within
# this time.
sleep $wait_seconds
xwd -root -display "$DISPLAY" -silent | convert xwd:- "$out"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "$out"
