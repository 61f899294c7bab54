#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native preset (tests
# under AddressSanitizer and UBSan) and the win64 preset, and runs both test
# sets, the Windows one under a headless Wine session.
#   SKOVALT_WERROR=ON  treat warnings as errors (CI does)
set -euo pipefail
cd "$(dirname "$0")/../.."
tools/scripts/install-deps.sh
# The program's folders include each other only downwards.
tools/scripts/check-layers.py

jobs=${SKOVALT_JOBS:-2}
werror=-DSKOVALT_WERROR=${SKOVALT_WERROR:-OFF}

cmake --preset native "$werror" >/dev/null
cmake --build --preset native -j"$jobs"
cmake --preset win64 "$werror" >/dev/null
cmake --build --preset win64 -j"$jobs"

native_rc=0
ctest --preset native -j2 --output-on-failure || native_rc=$?

trap 'tools/scripts/wine-session.sh stop build/win64' EXIT
eval "$(tools/scripts/wine-session.sh start build/win64)"
win_rc=0
ctest --preset win64 --output-on-failure || win_rc=$?

[ $native_rc -eq 0 ] && [ $win_rc -eq 0 ]
