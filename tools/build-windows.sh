#!/usr/bin/env bash
# Cross-builds the Windows plug-in (build-windows/plugin/quorvantel.dll), quorvantel-host.exe and
# the test programs with Debian's mingw-w64, installing the toolchain and Wine first when missing,
# and packs what a user needs into build-windows/quorvantel-<version>-windows-x64.zip.
# Usage: tools/build-windows.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev googletest
  wine wine64 xvfb xauth xdotool imagemagick
)
tools/install-packages.sh "${packages[@]}"

build_dir=build-windows
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then build_dir=$1; shift; fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake "$@" >/dev/null
cmake --build "$build_dir"
# The zip: the plug-ins, quorvantel-host.exe, the presets and a README on where they go.
(cd "$build_dir" && cpack -G ZIP >/dev/null && rm -rf _CPack_Packages)
ls "$(realpath "$build_dir")"/quorvantel-*-windows-x64.zip
