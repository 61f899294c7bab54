#!/usr/bin/env bash
# Runs one Windows test program under Wine: ctest's emulator on the win64
# and win32 builds (inside the session tools/scripts/wine-session.sh starts).
#   wine-test.sh PROGRAM.exe [ARGS...]          64-bit Wine
#   wine-test.sh --i686 PROGRAM.exe [ARGS...]   32-bit Wine (through qemu-i386,
#                                               tools/scripts/i686-setup.sh)
# Exits with the program's status; its output passes straight through.
#
# Wine's loader can, rarely, end a process with a failure before the program
# is loaded at all (seen once in CI: a test "failed" in 0.00 s). No test
# program gets through Wine's start-up in under 30 ms (the quickest, with
# nothing to run, take 70 ms; Wine refusing a missing file takes 6 ms), so a
# failure that quick is a start that never happened: it is tried once more,
# and said so on standard error.
set -uo pipefail
wine=/usr/lib/wine/wine64
if [ "${1:-}" = --i686 ]; then
  wine=/usr/lib/wine/wine
  shift
fi
quickest_real_ms=30

pid=
# ctest ends a program that runs past its time; the Wine process goes too.
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; exit 143' TERM INT

for attempt in 1 2; do
  started=$(date +%s%N)
  "$wine" "$@" &
  pid=$!
  wait "$pid"
  rc=$?
  pid=
  elapsed_ms=$((($(date +%s%N) - started) / 1000000))
  if [ "$attempt" -eq 1 ] && [ "$rc" -ne 0 ] && [ "$elapsed_ms" -lt "$quickest_real_ms" ]; then
    echo "wine-test: Wine ended $1 after $elapsed_ms ms with status $rc, before it" \
      "could have started; starting it once more" >&2
    continue
  fi
  break
done
exit "$rc"
