#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Skovalt
# needs. Quick when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine64 xvfb x11-apps imagemagick fonts-wine
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qstat
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
# wine32 is never wanted: these machines run no 32-bit Linux code.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
