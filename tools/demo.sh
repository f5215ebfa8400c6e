#!/usr/bin/env bash
# The main job: build the plug-in, install it where Linux hosts look for VST 2 plug-ins (~/.vst)
# and show what a host sees of it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh build -DCMAKE_BUILD_TYPE=Release
mkdir -p "$HOME/.vst"
install -m 0755 build/plugin/quorvantel.so "$HOME/.vst/quorvantel.so"
echo "Installed $HOME/.vst/quorvantel.so"
build/host/quorvantel-host info --plugin "$HOME/.vst/quorvantel.so"
