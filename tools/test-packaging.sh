#!/usr/bin/env bash
# The product as users install it, on this machine (as root):
# - the Debian package from a clean configure: lintian finds no error, its dependencies come from
#   dpkg-shlibdeps; dpkg -i puts the plug-ins where hosts look (Ardour's scanner loads the VST 2
#   module from /usr/lib/vst, lv2ls lists an LV2 bundle when the package has one) and dpkg -r
#   takes every file away again, leaving no trace of the package;
# - tools/install.sh --user run by a user of its own (created here, removed after) installs into
#   that user's home and nowhere else, as does a run under sudo for $SUDO_USER; tools/uninstall.sh
#   leaves the home as empty as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh lintian lilv-utils passwd util-linux

fail() { echo "FAIL: $*" >&2; exit 1; }
if dpkg-query -W -f='${db:Status-Status}' quorvantel 2>/dev/null | grep -qv not-installed; then
  fail "a quorvantel package is installed already; this test would replace it"
fi
user=qv-install-test
if id "$user" >/dev/null 2>&1; then fail "the user $user exists already"; fi

work=$(mktemp -d)
chmod 755 "$work"
installed_package=
created_user=
system_install=
cleanup() {
  [ -z "$system_install" ] || tools/uninstall.sh --system >/dev/null 2>&1 || true
  [ -z "$installed_package" ] || dpkg -r quorvantel >/dev/null 2>&1 || true
  [ -z "$created_user" ] || userdel "$user" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== the Debian package =="
build=$work/build
deb=$(tools/package.sh "$build" | tail -1)
version=$(sed -n 's/^project(Quorvantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(basename "$deb")" = "quorvantel_${version}_amd64.deb" ] || fail "package named $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
for lib in libc6 libstdc++6 libsndfile1 libxcb1 libfreetype6; do
  grep -qx "$lib" <<<"$depends" || fail "Depends has no $lib"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents"
for f in /usr/lib/vst/quorvantel.so /usr/bin/quorvantel-host /usr/share/man/man1/quorvantel-host.1.gz \
  /usr/share/quorvantel/presets/quorvantel-factory.fxb /usr/share/doc/quorvantel/README.md \
  /usr/share/doc/quorvantel/copyright /usr/share/doc/quorvantel/changelog.gz; do
  grep -qx "$f" "$work/contents" || fail "$f is not in the package"
done
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian" ||
  fail "lintian finds errors"
echo "lintian: $(grep -c '^E:' "$work/lintian" || true) errors, \
$(grep -c '^W:' "$work/lintian" || true) warnings"

dpkg -i "$deb" >/dev/null
installed_package=yes
HOME=$work LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst-scanner -f -v \
  /usr/lib/vst/quorvantel.so >"$work/scan.log" 2>&1 || true
grep -q "Found Plugin: .* Quorvantel" "$work/scan.log" ||
  { cat "$work/scan.log"; fail "Ardour's scanner does not find /usr/lib/vst/quorvantel.so"; }
if grep -q '^/usr/lib/lv2/quorvantel\.lv2/' "$work/contents"; then
  lv2ls | grep -i quorvantel || fail "lv2ls does not list the installed LV2 bundle"
fi
shown=$(cd / && HOME=$work quorvantel-host --version)
[[ $shown == "quorvantel-host $version"$'\n'"plug-in Quorvantel $version "*", /usr/lib/vst/quorvantel.so" ]] ||
  fail "the installed host shows: $shown"
dpkg -r quorvantel >/dev/null
installed_package=
[ "$(dpkg-query -W -f='${db:Status-Status}' quorvantel 2>/dev/null || echo not-installed)" = \
  not-installed ] || fail "dpkg -r leaves the package listed"
while read -r f; do
  [ -d "$f" ] || [ ! -e "$f" ] || fail "dpkg -r leaves $f"
done <"$work/contents"
echo "installed, found by Ardour's scanner and removed without a trace"

echo "== tools/install.sh --user and tools/uninstall.sh for a user of their own =="
home=$work/home
mkdir "$home"
useradd --no-create-home --home-dir "$home" --shell /bin/bash "$user"
created_user=yes
chown "$user:" "$home"
chown -R "$user:" "$build"
as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin QV_INSTALL_BUILD_DIR="$build" "$@"
}
# Everything the user owns outside the build, where a user can write: only the home.
owned_elsewhere() {
  find /tmp /var/tmp /dev/shm -xdev -user "$user" -not -path "$work/*" 2>/dev/null
}
check_home_install() {  # $1: how it was run
  local manifest=$home/.local/share/quorvantel/installed-files
  [ -f "$manifest" ] || fail "$1: no list of the installed files"
  for f in .vst/quorvantel.so .local/bin/quorvantel-host .local/share/man/man1/quorvantel-host.1.gz \
    .local/share/quorvantel/presets/quorvantel-factory.fxb .local/share/doc/quorvantel/README.md; do
    [ -f "$home/$f" ] || fail "$1: ~/$f is not installed"
  done
  if grep -q '^/usr/lib/lv2/quorvantel\.lv2/' "$work/contents"; then
    [ -f "$home/.lv2/quorvantel.lv2/manifest.ttl" ] || fail "$1: no bundle in ~/.lv2"
  fi
  diff <(grep -v '/$' "$manifest" | sort) \
    <(find "$home" \( -type f -o -type l \) -not -path "$manifest" | sort) ||
    fail "$1: the home holds other files than the list"
  [ -z "$(find "$home" -not -user "$user")" ] || fail "$1: files in the home not owned by $user"
  [ -z "$(owned_elsewhere)" ] || fail "$1: files outside the home: $(owned_elsewhere)"
  local shown
  shown=$(cd / && as_user "$home/.local/bin/quorvantel-host" --version)
  [[ $shown == *"plug-in Quorvantel $version "*", $home/.vst/quorvantel.so" ]] ||
    fail "$1: the installed host shows: $shown"
}
check_home_empty() {
  [ -z "$(find "$home" -mindepth 1)" ] || fail "$1 leaves: $(find "$home" -mindepth 1)"
}
repo=$PWD
(cd "$work" && as_user "$repo/tools/install.sh" --user)
check_home_install "install.sh --user"
(cd "$work" && as_user "$repo/tools/uninstall.sh" --user)
check_home_empty "uninstall.sh --user"

# Under sudo: root runs it, the files are the invoking user's, in that user's home.
root_manifest=$HOME/.local/share/quorvantel/installed-files
[ ! -e "$root_manifest" ] || fail "an install for root exists already"
SUDO_USER=$user QV_INSTALL_BUILD_DIR=$build tools/install.sh --user >/dev/null
check_home_install "sudo install.sh --user"
[ ! -e "$root_manifest" ] || fail "sudo install.sh --user installed for root"
SUDO_USER=$user tools/uninstall.sh --user
check_home_empty "sudo uninstall.sh --user"
echo "per-user install and uninstall: only the user's home, nothing left"

echo "== tools/install.sh --system and tools/uninstall.sh --system =="
[ ! -e /usr/local/share/quorvantel/installed-files ] || fail "an install in /usr/local exists already"
find /usr/local | sort >"$work/before"
system_install=yes
QV_INSTALL_BUILD_DIR=$build tools/install.sh --system >/dev/null
for f in lib/vst/quorvantel.so bin/quorvantel-host share/man/man1/quorvantel-host.1.gz; do
  [ -f "/usr/local/$f" ] || fail "install.sh --system: /usr/local/$f is not installed"
done
[ "$(stat -c %a /usr/local/lib/vst/quorvantel.so)" = 644 ] || fail "the plug-in should be mode 644"
shown=$(cd / && HOME=$work /usr/local/bin/quorvantel-host --version)
[[ $shown == *", /usr/local/lib/vst/quorvantel.so" ]] || fail "install.sh --system: $shown"
tools/uninstall.sh --system
system_install=
diff "$work/before" <(find /usr/local | sort) || fail "uninstall.sh --system leaves /usr/local changed"
echo "system install and uninstall: /usr/local as it was"
