#!/usr/bin/env bash
# Pictures of the main window, the preferences sheet's five pages and the
# about box, taken in a headless Wine session by the app_screenshots test
# program, as PNG files for the README; the main window also at 192 DPI
# (the other pictures at 192 DPI stay in BUILD_DIR/screenshot-dialogs/192
# to be looked at):
#   tools/scripts/screenshot-dialogs.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR is a win64 build (default build/win64); OUT_DIR defaults to
# docs/images. The session and its prefix live in BUILD_DIR/screenshot-dialogs,
# so the build's test session is not touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
out=${2:-$root/docs/images}
work=$build/screenshot-dialogs
exe=$build/bin/app_screenshots.exe

[ -f "$exe" ] || { echo "no $exe: build the win64 preset first" >&2; exit 1; }
mkdir -p "$work" "$out"
shots=$work/shots
rm -rf "$shots"
mkdir -p "$shots"

eval "$("$root/tools/scripts/wine-session.sh" start "$work")"
trap '"$root/tools/scripts/wine-session.sh" stop "$work"' EXIT
# Wine sees the Linux root as drive Z:.
# Wine reads the DPI (LogPixels) when a program starts.
shoot() {
  /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    </dev/null >/dev/null 2>&1
  SKOVALT_SHOTS="Z:${shots//\//\\}" /usr/lib/wine/wine64 "$exe" --gtest_brief=1 </dev/null >"$work/run.log" 2>&1 ||
    { cat "$work/run.log" >&2; exit 1; }
}
shoot 192
shoot 96  # last: the session's prefix is left at 96 DPI
mkdir -p "$work/192"
for bmp in "$shots"/*.bmp; do
  name=$(basename "$bmp" .bmp)
  target=$out
  case $name in *-192) [ "$name" = main-192 ] || target=$work/192 ;; esac
  # Few colours keep the committed pictures small.
  convert "$bmp" -colors 64 "PNG8:$target/$name.png"
  echo "$target/$name.png"
done
