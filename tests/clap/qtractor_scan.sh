#!/usr/bin/env bash
# Qtractor's own scanner loads quorvantel.clap as Qtractor does when it discovers plug-ins and
# prints one line per plug-in: TYPE|name|inputs:outputs|midi|params:...|flags|file|index|id.
# The plug-in must show stereo in and out, every parameter and its editor. Skips (77) where
# Qtractor is not installed.
# Usage: qtractor_scan.sh MODULE
set -euo pipefail
module=$(realpath "$1")
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
[ -x "$scanner" ] || { echo "Qtractor's scanner is not installed"; exit 77; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
line=$(echo "CLAP:$module" | HOME=$home QT_QPA_PLATFORM=offscreen timeout 60 "$scanner" 2>"$home/err" |
       grep "^CLAP|" || true)
echo "$line"
IFS='|' read -r type name audio midi params flags file index id <<<"$line"
[ "$name" = Quorvantel ] && [ "$audio" = 2:2 ] && [ "${params%%:*}" = 89 ] &&
  [[ ",$flags," == *,GUI,* ]] && [ "$file" = "$module" ] || { cat "$home/err"; exit 1; }
