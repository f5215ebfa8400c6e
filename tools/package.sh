#!/usr/bin/env bash
# Builds the Debian package quorvantel_<version>_<arch>.deb from a clean configure, without
# tests: the plug-ins, quorvantel-host, the presets, the manual page and the README, with the
# dependencies dpkg-shlibdeps finds. Prints the package's path.
# Usage: tools/package.sh [BUILD_DIR]   (default build-package; emptied first)
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t packages < <(grep -v '^#' packaging/build-depends)
# dpkg-shlibdeps, and file, with which CPack finds the binaries to read.
tools/install-packages.sh "${packages[@]}" dpkg-dev file

build_dir=${1:-build-package}
rm -rf "$build_dir"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQV_BUILD_TESTS=OFF -DQV_HARDEN=ON >/dev/null
cmake --build "$build_dir" -j2
(cd "$build_dir" && cpack -G DEB >/dev/null)
ls "$(realpath "$build_dir")"/quorvantel_*.deb
