#!/usr/bin/env bash
# Makes the release artefacts into build/release/: the NSIS installers of
# the 32-bit and the 64-bit build and a portable zip of each.
#   skovalt-setup.exe             32-bit installer (runs on every Windows):
#                                 the name the version check's setup
#                                 download URL points at
#   skovalt-setup-x64.exe         64-bit installer
#   skovalt-VERSION-win32.zip     portable, folder Skovalt/ with "Read me.txt"
#   skovalt-VERSION-win64.zip
# The version is the project's version in the top CMakeLists.txt. Builds
# the program's targets of the win32 and win64 presets first (quick when
# they are built). Needs makensis (nsis) and zip.
#   tools/scripts/release.sh [PRESET...]   win32 and/or win64 (default both)
#   SKOVALT_RELEASE_DIR   where the artefacts go (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
out=${SKOVALT_RELEASE_DIR:-$root/build/release}
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(win32 win64)
jobs=${SKOVALT_JOBS:-2}

version=$(sed -n 's/^project(Skovalt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
# The setup file's name is the last part of the setup download URL.
setup_url=$(sed -n 's/^#define DEFAULT_SETUP_URL "\(.*\)"/\1/p' app/net/endpoints.h)
setup=${setup_url##*/}
[ -n "$setup" ] || { echo "release: no DEFAULT_SETUP_URL in app/net/endpoints.h" >&2; exit 1; }

# The files of an install, as skovalt.nsi lists them.
files=(Skovalt.exe Kv.dll Parlet.dll kvquery.exe MapData.txt wait.wav ready.wav mireva.wav Bkgnd.jpg)

for tool in makensis zip; do
  command -v $tool >/dev/null || { echo "release: $tool is missing (tools/scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# release PRESET ARCH BITS STRIP SETUP_NAME ZIP_NAME
release() {
  local preset=$1 arch=$2 bits=$3 strip=$4 setup_name=$5 zip_name=$6
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs" --target Skovalt Kv Parlet kvquery
  local stage=$work/$preset/Skovalt
  mkdir -p "$stage"
  for f in "${files[@]}"; do cp "build/$preset/bin/$f" "$stage/"; done
  # The debug information stays in the build; users get lean binaries.
  $strip --strip-all "$stage"/*.exe "$stage"/*.dll
  sed -e "s/@VERSION@/$version/" -e "s/@BITS@/$bits/" tools/release/portable-readme.txt.in |
    sed 's/$/\r/' >"$stage/Read me.txt"

  makensis -V2 -DVERSION="$version" -DARCH="$arch" -DBIN="$stage" -DOUTFILE="$out/$setup_name" \
    tools/release/skovalt.nsi
  rm -f "$out/$zip_name"
  (cd "$work/$preset" && zip -q -X -r "$out/$zip_name" Skovalt)
  echo "release: $out/$setup_name, $out/$zip_name"
}

for preset in "${presets[@]}"; do
  case $preset in
  win32) release win32 x86 32-bit i686-w64-mingw32-strip "$setup" "skovalt-$version-win32.zip" ;;
  win64) release win64 x64 64-bit x86_64-w64-mingw32-strip "${setup%.exe}-x64.exe" "skovalt-$version-win64.zip" ;;
  *) echo "release: no preset $preset (win32 or win64)" >&2; exit 2 ;;
  esac
done
