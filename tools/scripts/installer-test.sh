#!/usr/bin/env bash
# Tests the 64-bit installer under Wine, in a fresh Wine prefix of its own
# (a temporary folder, so the other tests' prefix stays untouched):
#   1. a silent install (/S) puts the program's files into
#      %LOCALAPPDATA%\Programs\Skovalt, the Start-menu entry and the
#      uninstaller's entry under HKCU;
#   2. the installed Skovalt.exe starts, shows its window with the list
#      placed beside it, and ends on WM_CLOSE;
#   3. a second install over it (an upgrade) keeps that Server.dat and
#      Delta.dat and the settings;
#   4. the silent uninstaller removes the program and its entries, and keeps
#      the user's list and settings (what /S does unless given /REMOVELIST);
#      with /REMOVELIST after a new install it removes them too.
#   tools/scripts/installer-test.sh [SETUP_EXE]
#       (default build/release/skovalt-setup-x64.exe: tools/scripts/release.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$(realpath "${1:-$root/build/release/skovalt-setup-x64.exe}")
[ -f "$setup" ] || { echo "installer-test: $setup is missing (tools/scripts/release.sh)" >&2; exit 2; }

work=$(mktemp -d)
trap '"$root/tools/scripts/wine-session.sh" stop "$work"; rm -rf "$work"' EXIT
eval "$("$root/tools/scripts/wine-session.sh" start "$work")"
wine=/usr/lib/wine/wine64
started=$(date +%s)

failures=0
check() { # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok    $what"; else echo "FAIL  $what"; failures=$((failures + 1)); fi
}
reg_has() { $wine reg query "$1" "${@:2}" </dev/null >/dev/null 2>&1; }
# Waits up to 30 s for a condition (the uninstaller works on in a copy of
# itself after the process we started has ended).
wait_for() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
  return 1
}
gone() { [ ! -e "$1" ]; }

x86_64-w64-mingw32-gcc-posix -O2 -I"$root/app/resources" -o "$work/show-window.exe" \
  "$root/tools/scripts/show-window.c" -lcomctl32

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Skovalt'
settings_key='HKCU\Software\Holmdrey\Skovalt\1.0'
appdata=$($wine cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')
dir=$($wine winepath -u "$appdata\\Programs\\Skovalt" </dev/null 2>/dev/null)
windir="$appdata\\Programs\\Skovalt"
startmenu=$($wine winepath -u "$($wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Skovalt.lnk" </dev/null 2>/dev/null)

echo "== install into $windir"
$wine "$setup" /S </dev/null >/dev/null 2>&1
for f in Skovalt.exe Kv.dll Parlet.dll kvquery.exe MapData.txt wait.wav ready.wav mireva.wav Bkgnd.jpg Uninstall.exe; do
  check "installed $f" test -f "$dir/$f"
done
check "Start-menu entry" test -f "$startmenu"
check "uninstaller registered under HKCU" reg_has "$uninstall_key" /v UninstallString
check "no list is installed" gone "$dir/Server.dat"

echo "== start the installed program"
# Its settings keep it off the web; a list of two servers beside it.
for name in VersionURL MasterListURL SetupURL HomepageURL; do
  $wine reg add "$settings_key" /v $name /d 'http://127.0.0.1:9/' /f </dev/null >/dev/null 2>&1
done
python3 - "$dir" <<'PY'
import struct, sys
def record(ip, port, name):
    return bytes(ip) + struct.pack('<HHB', port, 0xFFFF, 0) + bytes(19) + b'\0' + name + b'\0\0'
with open(sys.argv[1] + '/Server.dat', 'wb') as f:
    f.write(b'kv\0' + record([10, 0, 0, 1], 27910, b'One') + record([10, 0, 0, 2], 27911, b'Two'))
with open(sys.argv[1] + '/Delta.dat', 'wb') as f:
    f.write(b'kv\0' + b'+\0\0\0' + bytes([10, 0, 0, 2]) + struct.pack('<H', 27911) + b'\0\0')
PY
cp "$dir/Server.dat" "$work/Server.dat.before"
check "Skovalt.exe shows its window with the list and ends on WM_CLOSE" \
  $wine "$work/show-window.exe" "$windir\\Skovalt.exe" 2
cp "$dir/Server.dat" "$work/Server.dat.saved"

echo "== upgrade over it"
$wine "$setup" /S </dev/null >/dev/null 2>&1
check "the upgrade keeps Server.dat" cmp -s "$dir/Server.dat" "$work/Server.dat.saved"
check "the upgrade keeps Delta.dat" test -s "$dir/Delta.dat"
check "the upgrade keeps the settings" reg_has "$settings_key" /v VersionURL
check "Skovalt.exe starts after the upgrade" $wine "$work/show-window.exe" "$windir\\Skovalt.exe" 2

echo "== uninstall silently"
$wine "$dir/Uninstall.exe" /S </dev/null >/dev/null 2>&1
check "the uninstaller removes Skovalt.exe" wait_for gone "$dir/Skovalt.exe"
check "the uninstaller removes itself" wait_for gone "$dir/Uninstall.exe"
check "the uninstaller removes the Start-menu entry" wait_for gone "$startmenu"
check "the uninstaller removes its HKCU entry" wait_for eval '! reg_has "$uninstall_key"'
check "the user's Server.dat stays" cmp -s "$dir/Server.dat" "$work/Server.dat.saved"
check "the user's Delta.dat stays" test -s "$dir/Delta.dat"
check "the settings stay" reg_has "$settings_key" /v VersionURL

echo "== install again, uninstall with /REMOVELIST"
$wine "$setup" /S </dev/null >/dev/null 2>&1
$wine "$dir/Uninstall.exe" /S /REMOVELIST </dev/null >/dev/null 2>&1
check "/REMOVELIST removes the list and the folder" wait_for gone "$dir"
check "/REMOVELIST removes the settings" wait_for eval '! reg_has "$settings_key"'

echo "== installer test: $failures failures in $(($(date +%s) - started)) s"
[ $failures -eq 0 ]
