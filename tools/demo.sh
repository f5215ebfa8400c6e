#!/usr/bin/env bash
# The main job: build the plug-in, install it where Linux hosts look for VST 2 plug-ins (~/.vst),
# then render a demo through it with quorvantel-host: a phrase the host synthesises itself
# (plucked notes, a chord, noise bursts), processed with a few settings that show what the
# effect does. Results go to out/demo/, one summary line per render.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh build -DCMAKE_BUILD_TYPE=Release
mkdir -p "$HOME/.vst"
install -m 0755 build/plugin/quorvantel.so "$HOME/.vst/quorvantel.so"
echo "Installed $HOME/.vst/quorvantel.so"

host=build/host/quorvantel-host
plugin="$HOME/.vst/quorvantel.so"
out=out/demo
mkdir -p "$out"

echo "What a host sees of it:"
"$host" info --plugin "$plugin" | sed -n '1,11p' | grep -v '^product: *$'
echo

"$host" generate "$out/input.wav" --seconds 8

render() {
  local name=$1
  shift
  "$host" render "$out/input.wav" "$out/$name.wav" --plugin "$plugin" --tail 3 "$@"
}

# An octave above, fed back into the buffer: a shimmer behind the dry phrase.
render shimmer --set Pitch=12 --set Length=80 --set Onset=15 --set Delay=60 \
  --set Feedback=0.35 --set Dry=0.8 --set Wet=0.7
# Long grains played backwards from further back: a reversed cloud.
render reverse-cloud --set Dir=-1 --set Length=140 --set Onset=8 --set Delay=120 \
  --set Feedback=0.5 --set Dry=0.6 --set Wet=0.45
# Pitch jumping by sample-and-hold and pan sweeping with two LFOs: a scattered texture.
render lfo-texture --set Length=40 --set Onset=5 --set "Pch Mod=LFO 1" --set "Pch Dpth=0.6" \
  --set Shape1=SampleHold --set Rate1=4 --set "Pan Mod=LFO 2" --set "Pan Dpth=1" \
  --set Shape2=Sine --set Rate2=0.5 --set Dry=0.5 --set Wet=0.3
# Short hard-edged grains an octave down, repeating: a stutter.
render stutter --set Pitch=-12 --set Length=25 --set Onset=25 --set 46=Rectangle \
  --set Feedback=0.6 --set Dry=0.7

echo "Demo renders are in $out/ (input.wav is the unprocessed phrase)."
