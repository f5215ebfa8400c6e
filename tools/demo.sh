#!/usr/bin/env bash
# The main job: build the plug-in, install it where Linux hosts look for VST 2 plug-ins (~/.vst),
# then render a demo through it with quorvantel-host: a phrase the host synthesises itself
# (plucked notes, a chord, noise bursts), processed with the README's recipes, each audible from
# its start. Results go to out/demo/, one summary line per render.
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
"$host" info --plugin "$plugin" | sed -n '1,10p'
echo

"$host" generate "$out/input.wav" --seconds 8

render() {
  local name=$1
  shift
  "$host" render "$out/input.wav" "$out/$name.wav" --plugin "$plugin" --tail 3 "$@"
}

# The five recipes of the README, with the same settings.
render shimmer --set Pitch=12 --set Length=80 --set Onset=15 --set Delay=60 --set BufLen=0.06 \
  --set Feedback=0.5 --set "FB Apply=1" --set Dry=0.8 --set Wet=0.6
render reverse-cloud --set Dir=-1 --set Length=140 --set Onset=8 --set Feedback=0.4 \
  --set "Pan Mod=LFO 1" --set "Pan Dpth=0.8" --set "Pch Mod=LFO 2" --set "Pch Dpth=0.03" \
  --set Dry=0.6 --set Wet=0.4
render freeze-pad --set Length=150 --set Onset=10 --set ScanRate=0.25 --set Freeze=0.5 \
  --set "Frz Mod=LFO 3" --set "Frz Dpth=1" --set Shape3=Triangle --set Rate3=0.06 \
  --set "Pan Mod=LFO 1" --set "Pan Dpth=0.6" --set Dry=0.5 --set Wet=0.6
render stutter --set Length=30 --set Onset=15 --set BufLen=0.05 --set Freeze=0.5 \
  --set "Frz Mod=LFO 4" --set "Frz Dpth=1" --set Shape4=Triangle --set Skew4=1 --set Sync4=on \
  --set Rate4=2.2 --set Dry=0 --set Wet=1.6
render tempo-texture --tempo 100 --set Length=40 --set Onset=5 --set Pitch=-6 \
  --set "Pch Mod=LFO 1" --set "Pch Dpth=0.25" --set Shape1=SampleHold --set Skew1=0 \
  --set Sync1=on --set Rate1=8.5 --set "Pan Mod=LFO 2" --set "Pan Dpth=1" --set Shape2=Sine \
  --set Sync2=on --set Rate2=1.4 --set "Ampl Mod=LFO 3" --set "Amp Dpth=1" --set Ampl=0.55 \
  --set Shape3=Square --set Sync3=on --set Rate3=5.9 --set Dry=0.4 --set Wet=0.5

echo "Demo renders are in $out/ (input.wav is the unprocessed phrase)."
