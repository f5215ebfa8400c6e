#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, then configures and builds one tree.
# Usage: tools/setup.sh BUILD_DIR [extra cmake arguments...]
# QV_TARGETS="a b" builds only those targets (and what they need).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config
  libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev fonts-liberation2
  libsndfile1-dev
  # the LV2 headers the LV2 plug-in and its UI build against
  lv2-dev
  libxcb1-dev libxcb-shm0-dev xvfb xdotool
  # the manual page check formats it
  groff-base
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # Debian's own VST 2 plug-ins: other plug-ins for the quorvantel-host tests
  dpf-plugins-vst
  # Ardour's VST 2 scanner (and its Lua session host): how a DAW sees the plug-in
  ardour
  # live on JACK: the library, a server and PipeWire's JACK for the tests
  libjack-jackd2-dev jackd2 pipewire pipewire-bin pipewire-jack
  # Qtractor's plug-in scanner: how a DAW sees the CLAP build
  qtractor
  # the fuzz targets: clang with its sanitizer and libFuzzer runtimes
  clang libclang-rt-14-dev
)
tools/install-packages.sh "${packages[@]}"

build_dir=${1:?usage: tools/setup.sh BUILD_DIR [cmake args]}
shift
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
cmake --build "$build_dir" ${QV_TARGETS:+--target $QV_TARGETS}
