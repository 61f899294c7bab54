#!/usr/bin/env bash
# Starts Skovalt under Wine on a headless display (Xvfb, one Wine virtual
# desktop) with a demo server list, and saves a screenshot:
#   tools/scripts/screenshot.sh [BUILD_DIR] [OUT.png]
# BUILD_DIR is a win64 build (default build/win64); OUT defaults to
# BUILD_DIR/skovalt.png. The program runs in BUILD_DIR/screenshot with a
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
python3 "$root/tools/scripts/demo-serverlist.py" "$app/Server.dat" 40

fresh=0
[ -f "$work/wineprefix/system.reg" ] || fresh=1
eval "$("$root/tools/scripts/wine-session.sh" start "$work")"
trap '"$root/tools/scripts/wine-session.sh" stop "$work"' EXIT
if [ $fresh -eq 1 ]; then
  # A new prefix gets its virtual desktop settings after Wine's own
  # processes started: start once more so the window has its desktop.
  "$root/tools/scripts/wine-session.sh" stop "$work"
  eval "$("$root/tools/scripts/wine-session.sh" start "$work")"
fi
key='HKCU\Software\Holmdrey\Skovalt\1.0'
$wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
$wine reg add "$key" /v Pos /d '40 30 900 620 [1]' /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v Split /d '380' /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v ServerTemplateWidth /d "$(printf '260\t60\t70\t200\t80\t')" /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v Grid /d Y /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v Grayout /d Y /f </dev/null >/dev/null 2>&1
$wine reg add "$key" /v PingThreshold /d 200 /f </dev/null >/dev/null 2>&1

(cd "$app" && exec $wine Skovalt.exe </dev/null >/dev/null 2>&1) &
pid=$!
# The window is up and has drawn its rows well within this time.
sleep 3
xwd -root -display "$DISPLAY" -silent | convert xwd:- "$out"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "$out"
