#!/usr/bin/env bash
# Runs every test, in three lanes and in this order:
#   native  Linux, under AddressSanitizer and UBSan
#   win64   the 64-bit Windows build, under Wine; then its installer
#           (tools/scripts/release.sh win64) in a fresh Wine prefix
#           (tools/scripts/installer-test.sh)
#   win32   the 32-bit Windows release build, under 32-bit Wine (through
#           qemu-i386: tools/scripts/i686-setup.sh)
# Installs what is missing and builds the three presets first; each Windows
# lane runs in its own headless Wine session. Where 32-bit programs cannot
# run on this machine the win32 lane is skipped, loudly.
#   tools/scripts/test.sh [LANE...]   only these lanes (default: all three)
#   SKOVALT_WERROR=ON        treat warnings as errors (CI does)
#   SKOVALT_REQUIRE_I686=ON  a skipped win32 lane fails the run
set -euo pipefail
cd "$(dirname "$0")/../.."
tools/scripts/install-deps.sh
# The program's folders include each other only downwards.
tools/scripts/check-layers.py

lanes=("$@")
[ ${#lanes[@]} -eq 0 ] && lanes=(native win64 win32)
for lane in "${lanes[@]}"; do
  case $lane in native | win64 | win32) ;; *) echo "test.sh: no lane $lane" >&2; exit 2 ;; esac
done

jobs=${SKOVALT_JOBS:-2}
werror=-DSKOVALT_WERROR=${SKOVALT_WERROR:-OFF}

for lane in "${lanes[@]}"; do
  cmake --preset "$lane" "$werror" >/dev/null
  cmake --build --preset "$lane" -j"$jobs"
done

sessions=()
trap 'for s in "${sessions[@]}"; do tools/scripts/wine-session.sh stop "$s"; done' EXIT

# Runs one Windows lane's tests inside its own Wine session.
wine_lane() {
  local preset=$1 rc=0
  sessions+=("build/$preset")
  (
    session=$(tools/scripts/wine-session.sh start "build/$preset") || exit 1
    eval "$session"
    ctest --preset "$preset" --output-on-failure
  ) || rc=$?
  tools/scripts/wine-session.sh stop "build/$preset"
  return $rc
}

summary=()
status=0
for lane in "${lanes[@]}"; do
  started=$(date +%s)
  rc=0
  case $lane in
  native) ctest --preset native -j2 --output-on-failure || rc=$? ;;
  win64)
    wine_lane win64 || rc=$?
    { tools/scripts/release.sh win64 && tools/scripts/installer-test.sh; } || rc=$?
    ;;
  win32)
    if ! tools/scripts/i686-setup.sh check; then
      summary+=("win32   SKIPPED: 32-bit programs cannot run on this machine (see above)")
      [ "${SKOVALT_REQUIRE_I686:-OFF}" = ON ] && status=1
      continue
    fi
    wine_lane win32 || rc=$?
    ;;
  esac
  result=passed
  [ $rc -ne 0 ] && { result=FAILED; status=1; }
  summary+=("$(printf '%-7s %s in %d s' "$lane" "$result" $(($(date +%s) - started)))")
done

echo "== test lanes"
printf '   %s\n' "${summary[@]}"
exit $status
