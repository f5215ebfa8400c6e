#!/usr/bin/env bash
# Runs every command of the README's quorvantel-host section as written, in a scratch folder
# where build/host/quorvantel-host is the built program, build/plugin/quorvantel.clap the built
# CLAP module and presets/ the repository's.
# Usage: readme_examples.sh QUORVANTEL_HOST README [QUORVANTEL_CLAP]
set -euo pipefail
host=$1
readme=$2
work=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$work" "$log"' EXIT
mkdir -p "$work/build/host"
ln -s "$host" "$work/build/host/quorvantel-host"
if [ -n "${3:-}" ]; then
  mkdir -p "$work/build/plugin"
  ln -s "$3" "$work/build/plugin/quorvantel.clap"
fi
ln -s "$(cd "$(dirname "$readme")" && pwd)/presets" "$work/presets"
mapfile -t lines < <(awk '/^## quorvantel-host/ { section = 1 }
  section && /^```sh/ { code = 1; next }
  code && /^```/ { exit }
  code' "$readme")
if [ ${#lines[@]} -lt 5 ]; then
  echo "no examples found in the quorvantel-host section of $readme" >&2
  exit 1
fi
cd "$work"
for line in "${lines[@]}"; do
  echo "\$ $line"
  if ! bash -c "$line" >"$log" 2>&1; then
    cat "$log"
    echo "this README example failed: $line" >&2
    exit 1
  fi
done
# What the examples write stays in scratch/, which git ignores.
stray=$(find . -mindepth 1 -maxdepth 1 ! -name build ! -name presets ! -name scratch)
if [ -n "$stray" ]; then
  echo "README examples wrote outside scratch/: $stray" >&2
  exit 1
fi
echo "all ${#lines[@]} README examples ran"
