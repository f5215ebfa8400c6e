#!/usr/bin/env bash
# Removes what tools/install.sh installed, by the list it kept: exactly those files, and the
# folders it created once they are empty.
# Usage: tools/uninstall.sh [--user | --system]
#   --user    (default) the invoking user's install (under sudo, $SUDO_USER's)
#   --system  the install in /usr/local (as root)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/install-places.sh

if [ ! -f "$manifest" ]; then
  echo "nothing to remove: no install by tools/install.sh --$mode ($manifest is missing)"
  exit 0
fi
count=$(grep -vc '/$' "$manifest" || true)
qv_remove_installed
echo "removed the $count files of Quorvantel's $mode install"
