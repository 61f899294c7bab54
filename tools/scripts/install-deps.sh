#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Skovalt
# needs, and sets up the 32-bit lane (tools/scripts/i686-setup.sh: 32-bit
# Wine through qemu-i386). Quick when everything is there already. Where the
# 32-bit lane cannot be set up it says so loudly and carries on.
#   SKOVALT_I686=OFF  leave the 32-bit lane alone
set -euo pipefail
here=$(dirname "$0")

packages=(
  cmake ninja-build g++ python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine64 xvfb x11-apps imagemagick fonts-wine
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qstat
  nsis zip unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi

# 32-bit Wine (wine32:i386) only once 32-bit programs can run at all.
if [ "${SKOVALT_I686:-ON}" != OFF ]; then
  "$here/i686-setup.sh" install || true
fi
