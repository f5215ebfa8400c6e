#!/usr/bin/env bash
# Ardour's own VST 2 scanner loads the module as Ardour does when it discovers plug-ins and logs
# every call the plug-in makes back to its host. A plain scan changes no parameter, so the
# plug-in must send no automation message (host opcode 0), which hosts record or take as a
# modified session. Skips (77) where Ardour is not installed.
# Usage: ardour_scan.sh MODULE
set -euo pipefail
module=$(realpath "$1")
scanner=/usr/lib/ardour7/ardour-vst-scanner
[ -x "$scanner" ] || { echo "Ardour's scanner is not installed"; exit 77; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f -v "$module" >"$home/scan.log" 2>&1
grep -q "Found Plugin: .* Quorvantel" "$home/scan.log" || { cat "$home/scan.log"; exit 1; }
automation=$(grep -c "Callback opcode = 0 " "$home/scan.log" || true)
echo "automation messages during the scan: $automation"
[ "$automation" -eq 0 ]
