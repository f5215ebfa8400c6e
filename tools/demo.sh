#!/usr/bin/env bash
# The main job: build the plug-ins and quorvantel-host and install them for the invoking user
# (under sudo, for $SUDO_USER, never root) where hosts look: the VST 2 plug-in into ~/.vst, the
# LV2 bundle into ~/.lv2, the CLAP plug-in into ~/.clap, quorvantel-host and the factory presets
# under ~/.local (tools/uninstall.sh removes them); then render a demo through it with the
# installed quorvantel-host: a phrase the host synthesises itself (plucked notes, a chord, noise
# bursts), processed with each factory preset. Results go to out/demo/, one summary line per render.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install.sh --user
. tools/install-places.sh --user
host=$prefix/bin/quorvantel-host
plugin=$qv_dir_vst2/quorvantel.so
bank=$prefix/share/quorvantel/presets/quorvantel-factory.fxb
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
