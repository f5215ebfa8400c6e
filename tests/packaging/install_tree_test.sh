#!/usr/bin/env bash
# cmake --install of the build tree into a scratch prefix: the files a user needs where hosts and
# man look, the plug-in not executable, none of the Debian package's own files, nothing outside
# the prefix; the installed quorvantel-host loads the plug-in installed with it and finds the
# factory presets by name from any folder; the manual page formats without a warning and names
# every command the program lists. Skips (77) a tree configured with absolute install folders
# (tools/install.sh --user), which --prefix cannot move.
# Usage: install_tree_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
if grep -E '^(QV_INSTALL_[A-Z0-9]+DIR|CMAKE_INSTALL_(BIN|MAN|DOC)DIR):PATH=/' \
  "$build/CMakeCache.txt"; then
  echo "install folders are absolute in this tree"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
mkdir -p "$work/home" "$work/elsewhere"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/quorvantel-host lib/vst/quorvantel.so share/quorvantel/presets/quorvantel-factory.fxb \
  share/man/man1/quorvantel-host.1.gz share/doc/quorvantel/README.md; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/quorvantel-host" ] || fail "quorvantel-host is not executable"
[ "$(stat -c %a "$prefix/lib/vst/quorvantel.so")" = 644 ] || fail "the plug-in should be mode 644"
if [ -f "$build/plugin/quorvantel.clap" ]; then
  [ -f "$prefix/lib/clap/quorvantel.clap" ] || fail "the CLAP plug-in is not installed"
fi
if [ -d "$build/lv2/quorvantel.lv2" ]; then
  for f in quorvantel.so quorvantel_ui.so manifest.ttl quorvantel.ttl presets.ttl; do
    [ -f "$prefix/lib/lv2/quorvantel.lv2/$f" ] || fail "the LV2 bundle has no $f"
  done
fi
# Every image the README shows is installed beside it.
grep -o '(doc/[^)]*\.png)' "$prefix/share/doc/quorvantel/README.md" | tr -d '()' |
  while read -r image; do
    [ -f "$prefix/share/doc/quorvantel/$image" ] || fail "README image $image is not installed"
  done
for f in changelog.gz copyright; do
  [ ! -e "$prefix/share/doc/quorvantel/$f" ] || fail "$f belongs to the Debian package only"
done
while read -r line; do
  case $line in "$prefix"/*) ;; *) fail "installed outside the prefix: $line" ;; esac
done <"$build/install_manifest.txt"

# From another folder, with an empty home: what it loads can only be what was installed with it.
host=$prefix/bin/quorvantel-host
cd "$work/elsewhere"
out=$(HOME=$work/home "$host" --version)
echo "$out"
expected="quorvantel-host $version
plug-in Quorvantel $version by Halbrecken (version "
[ "${out#"$expected"}" != "$out" ] || fail "--version does not show $version for both"
[ "${out%", $prefix/lib/vst/quorvantel.so"}" != "$out" ] || fail "not the installed plug-in"
bank=$(HOME=$work/home "$host" preset show quorvantel-factory.fxb)
[ "${bank#"bank for 'qZvx' version 10000, 10 programs"}" != "$bank" ] ||
  fail "the factory bank is not found by its name"
if HOME=$work/home "$host" preset show no-such-bank.fxb >/dev/null 2>&1; then
  fail "a missing preset name was accepted"
fi

# The manual page: no formatter warning, and every command of --help described.
page=$prefix/share/man/man1/quorvantel-host.1.gz
warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
text=$(zcat "$page" | groff -man -Tutf8 -P-cbou 2>/dev/null)
commands=$("$host" --help | awk '/^commands:/ { on = 1; next } on && NF == 0 { exit } on { print $1 }')
[ -n "$commands" ] || fail "no commands in --help"
for c in $commands; do
  grep -qE "^ {7}$c( |$)" <<<"$text" || fail "the manual page does not describe the command $c"
done
grep -q "$version" <<<"$text" || fail "the manual page does not name version $version"
echo "installed into a scratch prefix; the program found its plug-in and presets; manual page ok"
