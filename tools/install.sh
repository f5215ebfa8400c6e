#!/usr/bin/env bash
# Builds the plug-ins and quorvantel-host without tests and installs them, keeping a list of
# every file and folder it adds, which tools/uninstall.sh removes. Missing build packages are
# installed first, and only for that is root asked for (sudo).
# Usage: tools/install.sh [--user | --system]
#   --user    (default) for the invoking user, or $SUDO_USER under sudo: plug-ins in ~/.vst,
#             ~/.lv2 and ~/.clap, quorvantel-host in ~/.local/bin, presets, manual page and
#             README under ~/.local/share
#   --system  for everyone, under /usr/local (as root): /usr/local/lib/vst, lib/lv2, lib/clap,
#             bin, share
# The build goes to build-install/ (QV_INSTALL_BUILD_DIR chooses another).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/install-places.sh

mapfile -t packages < <(grep -v '^#' packaging/build-depends)
if [ "$(id -u)" -eq 0 ]; then
  tools/install-packages.sh "${packages[@]}"
elif ! tools/install-packages.sh "${packages[@]}" >/dev/null 2>&1; then
  echo "Some build packages are missing; installing them needs root:"
  sudo tools/install-packages.sh "${packages[@]}"
fi

build_dir=${QV_INSTALL_BUILD_DIR:-build-install}
# Every install folder is given each time: the build folder may have served the other mode.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF \
  -DQV_HARDEN=ON -DCMAKE_INSTALL_PREFIX="$prefix" -DQV_INSTALL_VST2DIR="$qv_dir_vst2" \
  -DQV_INSTALL_LV2DIR="$qv_dir_lv2" -DQV_INSTALL_CLAPDIR="$qv_dir_clap" >/dev/null
cmake --build "$build_dir" -j "${QV_JOBS:-$(nproc)}"

# Installed into a scratch folder first, then copied file by file, so the list holds exactly
# what was added, and the folders that did not exist before.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build_dir" --strip >/dev/null
qv_remove_installed >/dev/null  # a previous install: files it had and this one has not go too
added=()
add_folders() {  # the missing folders above $1, outermost first
  local dir=${1%/*}
  [ -z "$dir" ] || [ -d "$dir" ] && return 0
  add_folders "$dir"
  mkdir -- "$dir"
  added+=("$dir/")
}
add_folders "$manifest"
files=0
while IFS= read -r -d '' staged; do
  target=${staged#"$stage"}
  add_folders "$target"
  cp -P --preserve=mode -- "$staged" "$target"
  added+=("$target")
  files=$((files + 1))
done < <(find "$stage" \( -type f -o -type l \) -print0 | sort -z)
printf '%s\n' "${added[@]}" >"$manifest"
if [ -n "$owner" ] && [ "$(id -u)" -eq 0 ] && [ "$owner" != root ]; then
  chown -h "$owner:" "${added[@]%/}" "$manifest"
fi

echo "Installed Quorvantel $(sed -n 's/^project(Quorvantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt) \
for ${owner:-everyone}: $files files, listed in $manifest"
grep -E '/\.vst/|/quorvantel\.(clap|lv2/)$|/quorvantel-host$|/vst/quorvantel' "$manifest" | sed 's/^/  /' || true
if [ "$mode" = user ] && [[ ":$PATH:" != *":$prefix/bin:"* ]]; then
  echo "Add $prefix/bin to your PATH to run quorvantel-host by its name."
fi
echo "Rescan plug-ins in your host; tools/uninstall.sh --$mode removes it again."
