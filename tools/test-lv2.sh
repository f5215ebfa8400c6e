#!/usr/bin/env bash
# The LV2 bundle in real hosts, headless: its Turtle validated against the LV2 schemas, lilv's
# view of it, renders through lv2file equal to quorvantel-host's VST 2 renders, jalv on a JACK
# server of its own (controls and statistics), jalv.gtk3 showing the UI under an Xvfb display of
# its own (and in a window of its own), and Ardour's Lua session host adding it to a track,
# saving and reloading the session.
# Usage: tools/test-lv2.sh [BUILD_DIR]   (default: build; builds the targets it needs)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build}")

tools/install-packages.sh lv2-dev lilv-utils sordi lv2file jalv jackd2 xvfb xdotool \
  imagemagick x11-utils python3 ardour
cmake --build "$build" --target qv_lv2 quorvantel quorvantel-host >/dev/null

uri=https://halbrecken.example/lv2/quorvantel
bundle=$build/lv2/quorvantel.lv2
wav="python3 $root/tests/lv2/wav_tool.py"
host=$build/host/quorvantel-host
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The LV2 vocabularies (core, atom, ui ...) and our bundle only: no other installed plug-in takes part.
export LV2_PATH=$build/lv2:/usr/lib/lv2
failures=0
check() {  # check NAME COMMAND...: runs the command, reports, counts a failure
  local name=$1 start=$SECONDS
  shift
  if "$@" >"$work/check.log" 2>&1; then
    echo "ok   $name ($((SECONDS - start)) s)"
  else
    echo "FAIL $name"
    sed 's/^/     /' "$work/check.log" | tail -20
    failures=$((failures + 1))
  fi
}

# --- the bundle ---
validate() {
  lv2_validate "$bundle"/*.ttl 2>&1 | grep -v '^Skipping' | tee "$work/validate.log"
  grep -q "Found 0 errors" "$work/validate.log"
}
check "lv2_validate finds no error in the bundle's Turtle" validate

lv2info "$uri" >"$work/info.txt"
listing() {
  local controls atoms
  controls=$(grep -A2 "^	Port" "$work/info.txt" | grep -c "lv2core#ControlPort")
  echo "control ports: $controls"
  [ "$controls" -eq 91 ]  # 89 parameters, 2 statistics
  grep -q "Class: *Delay Plugin" "$work/info.txt"
  grep -q "Symbol: *transport" "$work/info.txt"
  grep -q "ui#X11UI" "$work/info.txt"
  grep -q "Symbol: *grains_per_second" "$work/info.txt"
  grep -q "Symbol: *density" "$work/info.txt"
  for preset in "- 1 -" "- 6 -" "Reverse Cloud" "Frozen Drone"; do
    grep -q "^	 *$preset\$" "$work/info.txt" || { echo "no preset $preset"; return 1; }
  done
  lv2ls | grep -qx "$uri"
}
check "lv2info lists 89 controls, the transport, the statistics, the UI and the presets" listing

# --- sound: lv2file against quorvantel-host's VST 2 render of the same settings ---
# lv2file's clipping check alters samples beyond full scale (--ignore-clipping leaves them), and
# it pads a last short block; the input is whole blocks long, since with Pitch above 0 the engine
# reads ahead within a block and a padded block would sound different at the end.
"$host" generate "$work/phrase.wav" --seconds 3 >/dev/null
$wav stereo "$work/phrase.wav" "$work/in.wav" 2
# Port index by symbol, from lilv's listing.
index_of() { awk -v s="$1" '/^\tPort /{p=$2} $1=="Symbol:" && $2==s {sub(":","",p); print p}' \
  "$work/info.txt"; }
scenes=(
  "default|"
  "dense with LFOs|length=40 onset=5 pitch=-6 pch_mod=0 pch_dpth=0.25 shape1=3 rate1=5.5 pan_mod=1 pan_dpth=1 shape2=3 rate2=1.4 ampl_mod=2 amp_dpth=1 ampl=0.55 shape3=2 rate3=3 dry=0.4 wet=0.5"
  "feedback|feedback=0.8 fb_apply=0.6 delay=120 length=120 onset=30 pitch=7 dry=0.5 wet=0.8"
  "preset-like freeze|freeze=0.3 buflen=2 source=0.5 envelope_1=2 envelope_4=3 env_skew_3=0.2 midside=1"
)
same_sound() {  # same_sound SETTINGS BLOCK
  local lv2args=() vstargs=() kv
  for kv in $1; do
    lv2args+=(-p "${kv%%=*}:${kv#*=}")
    vstargs+=(--set "$(index_of "${kv%%=*}")=${kv#*=}")
  done
  "$host" render "$work/in.wav" "$work/vst2.wav" --encoding float --quiet "${vstargs[@]}"
  lv2file --ignore-clipping -b "$2" -i "$work/in.wav" -o "$work/lv2.wav" "${lv2args[@]}" "$uri"
  $wav compare "$work/vst2.wav" "$work/lv2.wav"
  $wav stats "$work/lv2.wav" | grep -qv "peak 0.000000"
}
for scene in "${scenes[@]}"; do
  check "lv2file renders '${scene%%|*}' as the VST 2 build does" same_sound "${scene#*|}" 512
done
check "lv2file's other block size (100) changes nothing" same_sound "${scenes[1]#*|}" 100

# --- jalv on a JACK server of its own: controls reach the sound, the statistics come back ---
export JACK_DEFAULT_SERVER=qv-lv2-test-$$ JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do jack_wait -c >/dev/null 2>&1 && break; sleep 0.1; done
jack_metro -b 240 -n metro >/dev/null 2>&1 &
pids+=($!)
jalv_console() {
  # Onset 20 ms (the default) then 2 ms: the grain rate the plug-in reports follows.
  { sleep 3; echo monitors; echo "onset = 2"; sleep 2; echo monitors; sleep 0.5; } |
    timeout 20 jalv -n qv-jalv -x "$uri" >"$work/jalv.log" 2>&1 &
  local jalv=$!
  for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q "qv-jalv:in_2" && break; sleep 0.1; done
  jack_connect metro:240_bpm qv-jalv:in_1
  jack_connect metro:240_bpm qv-jalv:in_2
  wait $jalv
  local rates
  rates=($(grep -o "grains_per_second = [0-9.]*" "$work/jalv.log" | awk '{print int($3)}'))
  echo "grains per second: ${rates[*]}"
  [ ${#rates[@]} -eq 2 ] && [ "${rates[0]}" -ge 40 ] && [ "${rates[0]}" -le 60 ] &&
    [ "${rates[1]}" -ge 400 ]
}
check "jalv runs it on JACK; a control set from its console changes the grain rate" jalv_console

# --- the UI in jalv.gtk3 under Xvfb ---
display=:$((90 + $$ % 400))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
editor_colours() {  # the colours in the 800 x 600 at x 0, y $1 of the last screenshot
  convert "$work/ui.png" -crop "800x600+0+$1" -format "%k" info:
}
ui_in_jalv() {
  DISPLAY=$display timeout 40 jalv.gtk3 --print-controls --jack-name=qv-gtk -x "$uri" \
    >"$work/gtk.log" 2>&1 &
  local jalv=$! window="" geometry height
  for _ in $(seq 100); do
    window=$(DISPLAY=$display xdotool search --name "Quorvantel" 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no jalv window"; kill $jalv; return 1; }
  sleep 1.5
  # jalv's menu bar sits above the editor: the window is the editor's height and the menu's.
  height=$(DISPLAY=$display xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')
  local top=$((height - 600))
  echo "window height $height, editor at y $top"
  DISPLAY=$display import -window root "$work/ui.png"
  local colours
  colours=$(editor_colours "$top")
  echo "colours in the editor: $colours"
  # Onset's fader (20 ms) dragged to its left end (0.1 ms): many more grains.
  local y=$((top + 80))
  DISPLAY=$display xdotool mousemove 130 $y mousedown 1 mousemove 110 $y mousemove 90 $y \
    mousemove 72 $y mouseup 1
  sleep 2
  kill -INT $jalv
  local status=0
  wait $jalv || status=$?
  echo "jalv.gtk3 exit status $status"
  local rates
  rates=$(grep -o "grains_per_second = [0-9]*" "$work/gtk.log" | awk '{print $3}' | uniq | tr '\n' ' ')
  echo "grains per second jalv reported: $rates"
  ! grep -q "X Window System error" "$work/gtk.log"
  [ "$status" -eq 0 ] && [ "$colours" -gt 50 ]
  [ "$(echo "$rates" | awk '{print $NF}')" -gt 1000 ]
  # Nothing of the UI stays on the display.
  [ -z "$(DISPLAY=$display xlsclients 2>/dev/null)" ]
}
check "jalv.gtk3 embeds the X11 UI; a fader dragged changes the sound; it closes cleanly" ui_in_jalv
[ -n "${QV_LV2_SCREENSHOT:-}" ] && cp "$work/ui.png" "$QV_LV2_SCREENSHOT"

ui_shown_by_jalv() {
  # jalv's console shows a UI through ui:showInterface: the editor in a window of its own.
  DISPLAY=$display jalv -s -n qv-show -x "$uri" </dev/null >"$work/show.log" 2>&1 &
  local jalv=$! window=""
  pids+=($jalv)
  for _ in $(seq 200); do
    window=$(DISPLAY=$display xdotool search --name "^Quorvantel$" 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no window within 20 s; jalv said:"; cat "$work/show.log"; kill $jalv; return 1; }
  sleep 1.5
  DISPLAY=$display import -window root "$work/ui.png"
  local colours
  colours=$(editor_colours 0)
  echo "colours in the editor: $colours"
  # The first interrupt ends the UI's loop (hide: the window goes), the second jalv.
  kill -INT $jalv
  local hidden=no
  for _ in $(seq 50); do
    DISPLAY=$display xdotool search --name "^Quorvantel$" >/dev/null 2>&1 || { hidden=yes; break; }
    sleep 0.1
  done
  echo "window hidden: $hidden"
  kill -INT $jalv
  for _ in $(seq 50); do kill -0 $jalv 2>/dev/null || break; sleep 0.1; done
  kill -0 $jalv 2>/dev/null && { echo "jalv still runs"; return 1; }
  local status=0
  wait $jalv || status=$?
  echo "jalv exit status $status"
  [ "$status" -eq 0 ] && [ "$colours" -gt 50 ] && [ $hidden = yes ]
  [ -z "$(DISPLAY=$display xlsclients 2>/dev/null)" ]
}
check "jalv shows the UI in a window of its own (ui:showInterface)" ui_shown_by_jalv

# --- Ardour's Lua session host, dummy backend ---
ardour_session() {
  local session=$work/ardour-session step
  for step in create reload; do
    HOME=$work/ardour-home QV_STEP=$step QV_SESSION=$session timeout 120 \
      ardour7-lua "$root/tests/lv2/ardour_session.lua" >"$work/ardour-$step.log" 2>&1 ||
      { grep -v '^\[INFO\]' "$work/ardour-$step.log" | tail; return 1; }
  done
  grep -h "plug-in:\|after reload" "$work"/ardour-*.log
  grep -q "control inputs: 89" "$work/ardour-create.log"
  grep -q "after reload: pitch 7, envelope_2 2" "$work/ardour-reload.log"
  # The session keeps the plug-in's own state too: the chunk, with Pitch at 7.
  python3 - "$session"/plugins/*/state*/state.ttl <<'PY'
import base64, re, struct, sys
text = open(sys.argv[1]).read()
match = re.search(r'<https://halbrecken.example/lv2/quorvantel#state> """([^"]*)"""', text)
assert match, "no state chunk in " + sys.argv[1]
chunk = base64.b64decode(match.group(1))
pitch = struct.unpack_from("<d", chunk, 8 + 8 * 15)[0]
print(f"state chunk: {len(chunk)} bytes, pitch {pitch:.4f}")
assert len(chunk) == 8 + 8 * 89 and abs(pitch - 7) < 1e-4
PY
}
mkdir -p "$work/ardour-home"
check "Ardour adds it to a track, sets it, saves and reloads the session" ardour_session

echo "LV2 host tests: $failures failed"
[ "$failures" -eq 0 ]
