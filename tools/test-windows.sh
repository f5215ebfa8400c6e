#!/usr/bin/env bash
# Cross-builds the Windows binaries and runs their tests under Wine, on a virtual X server for
# the editor's window.
# Usage: tools/test-windows.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-windows}
tools/build-windows.sh "$build_dir" -DQV_WERROR=ON

# A Wine configuration of its own inside the build, quiet, without the Mono and Gecko prompts.
export WINEPREFIX="$PWD/$build_dir/wine" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine configuration in $WINEPREFIX =="
  wine-stable wineboot -i >/dev/null 2>&1 </dev/null
  wineserver-stable -w  # the server that made it ends before the run's own one starts
fi

xvfb_pid=
cleanup() {
  wineserver-stable -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
# A display number nobody uses, so parallel runs and a developer's own X server are left alone.
display=$((100 + RANDOM % 800))
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
# One Wine server for the whole run instead of one per test program, with Wine's own services
# started now: started by a test, they would inherit its output pipes and keep the test
# runner waiting for them to close.
wineserver-stable -p
wine-stable wineboot >/dev/null 2>&1 </dev/null

echo "== Windows tests under Wine =="
ctest --test-dir "$build_dir" --output-on-failure -j2

# The same render through the Linux module (when it is built beside) and the Windows module.
if [ -x build/tests/compare/render_dump ] && [ -f build/plugin/quorvantel.so ]; then
  echo "== Linux .so and Windows .dll render the same input =="
  out="$build_dir/render-compare"
  mkdir -p "$out"
  rm -f "$out/input.f32"  # the Windows run makes it, the Linux run reads the same samples
  wine-stable "$build_dir/tests/compare/render_dump.exe" "$build_dir/plugin/quorvantel.dll" \
    "$out/input.f32" "$out/windows.f32"
  build/tests/compare/render_dump build/plugin/quorvantel.so "$out/input.f32" "$out/linux.f32" \
    "$out/windows.f32"
  if [ -f build/plugin/quorvantel.clap ]; then
    echo "== Linux and Windows quorvantel.clap render the same input =="
    wine-stable "$build_dir/tests/compare/render_dump.exe" "$build_dir/plugin/quorvantel.clap" \
      "$out/input.f32" "$out/windows-clap.f32"
    build/tests/compare/render_dump build/plugin/quorvantel.clap "$out/input.f32" \
      "$out/linux-clap.f32" "$out/windows-clap.f32"
  fi
fi

echo "== the Windows zip: its files, and the host in it finds the plug-in and presets beside it =="
version=$(sed -n 's/^project(Quorvantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="$build_dir/quorvantel-$version-windows-x64.zip"
unpacked="$build_dir/zip-check"
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$PWD/../$(basename "$zip")")
top="$unpacked/quorvantel-$version-windows-x64"
for f in quorvantel.dll quorvantel-host.exe presets/quorvantel-factory.fxb README.txt README.md; do
  [ -f "$top/$f" ] || { echo "FAIL: $f is not in $zip" >&2; exit 1; }
done
grep -q "Quorvantel $version for Windows" "$top/README.txt" || { echo "FAIL: README.txt" >&2; exit 1; }
(
  cd "$top"
  shown=$(wine-stable quorvantel-host.exe --version </dev/null | tr -d '\r')
  echo "$shown"
  [[ $shown == "quorvantel-host $version"$'\n'"plug-in Quorvantel $version "* ]] ||
    { echo "FAIL: the zip's host does not show version $version for both" >&2; exit 1; }
  bank=$(wine-stable quorvantel-host.exe preset show quorvantel-factory.fxb </dev/null | tr -d '\r')
  [[ $bank == "bank for 'qZvx' version "*", 10 programs"* ]] ||
    { echo "FAIL: the zip's host does not find its presets" >&2; exit 1; }
)
rm -rf "$unpacked"
