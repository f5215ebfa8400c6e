#!/usr/bin/env bash
# Runs every command of the README's quorvantel-host section as written, in a scratch folder
# where build/host/quorvantel-host is the built program.
# Usage: readme_examples.sh QUORVANTEL_HOST README
set -euo pipefail
host=$1
readme=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/host"
ln -s "$host" "$work/build/host/quorvantel-host"
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
  if ! bash -c "$line" >output.txt 2>&1; then
    cat output.txt
    echo "this README example failed: $line" >&2
    exit 1
  fi
done
echo "all ${#lines[@]} README examples ran"
