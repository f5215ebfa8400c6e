#!/usr/bin/env bash
# The main job: build the plug-in, install it where Linux hosts look for VST 2 plug-ins (~/.vst),
# with its factory presets beside it, the LV2 bundle into ~/.lv2 and the CLAP plug-in into
# ~/.clap, then render a demo through it with quorvantel-host: a phrase the host synthesises itself
# (plucked notes, a chord, noise bursts), processed with each factory preset. Results go to
# out/demo/, one summary line per render.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh build -DCMAKE_BUILD_TYPE=Release
mkdir -p "$HOME/.vst"
install -m 0755 build/plugin/quorvantel.so "$HOME/.vst/quorvantel.so"
install -m 0644 presets/quorvantel-factory.fxb "$HOME/.vst/quorvantel-factory.fxb"
echo "Installed $HOME/.vst/quorvantel.so and its factory presets, $HOME/.vst/quorvantel-factory.fxb"
# The LV2 bundle (plug-in, UI, presets) where LV2 hosts look: ~/.lv2.
mkdir -p "$HOME/.lv2"
rm -rf "$HOME/.lv2/quorvantel.lv2"
cp -r build/lv2/quorvantel.lv2 "$HOME/.lv2/"
echo "Installed the LV2 bundle $HOME/.lv2/quorvantel.lv2"
# The CLAP plug-in where CLAP hosts look: ~/.clap.
mkdir -p "$HOME/.clap"
install -m 0755 build/plugin/quorvantel.clap "$HOME/.clap/quorvantel.clap"
echo "Installed $HOME/.clap/quorvantel.clap"

host=build/host/quorvantel-host
plugin="$HOME/.vst/quorvantel.so"
bank="$HOME/.vst/quorvantel-factory.fxb"
out=out/demo
mkdir -p "$out"

echo "What a host sees of it:"
"$host" info --plugin "$plugin" | sed -n '1,10p'
echo

"$host" generate "$out/input.wav" --seconds 8

# Every program of the factory bank, in its order; the first five are the README's recipes.
names=(shimmer reverse-cloud freeze-pad stutter tempo-texture slow-pad grain-pulse reverse-swell
  pitch-cloud frozen-drone)
for n in "${!names[@]}"; do
  tempo=120
  [ "${names[$n]}" = tempo-texture ] && tempo=100
  "$host" render "$out/input.wav" "$out/${names[$n]}.wav" --plugin "$plugin" --tail 3 \
    --tempo "$tempo" --preset "$bank" --program "$n"
done

echo "Demo renders are in $out/ (input.wav is the unprocessed phrase)."
