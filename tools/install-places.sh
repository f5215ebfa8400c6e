# shellcheck shell=bash
# Sourced by tools/install.sh and tools/uninstall.sh: whose install it is and where it goes.
# --user (the default): for the invoking user (under sudo, $SUDO_USER, never root), the plug-ins
# in ~/.vst, ~/.lv2 and ~/.clap where hosts look, the rest under ~/.local; --system: /usr/local.
# Sets mode, owner (the user the files belong to, empty for --system), prefix, the qv_dir_*
# folders and manifest (the list of what was installed, which uninstall removes).
mode=user
for arg in "$@"; do
  case $arg in
    --user) mode=user ;;
    --system) mode=system ;;
    -h | --help)
      sed -n '2,/^set -/p' "$0" | sed -e '/^set -/d' -e 's/^# \{0,1\}//'
      exit 0 ;;
    *) echo "error: unknown argument \"$arg\" (use --user or --system)" >&2; exit 2 ;;
  esac
done

if [ "$mode" = system ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "error: --system writes to /usr/local: run it with sudo" >&2
    exit 1
  fi
  owner=
  prefix=/usr/local
  qv_dir_vst2=$prefix/lib/vst
  qv_dir_lv2=$prefix/lib/lv2
  qv_dir_clap=$prefix/lib/clap
else
  owner=$(id -un)
  user_home=$HOME
  if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    owner=$SUDO_USER
    user_home=$(getent passwd "$owner" | cut -d: -f6)
  fi
  if [ -z "$user_home" ] || [ ! -d "$user_home" ]; then
    echo "error: the home folder of $owner (\"$user_home\") does not exist" >&2
    exit 1
  fi
  prefix=$user_home/.local
  qv_dir_vst2=$user_home/.vst
  qv_dir_lv2=$user_home/.lv2
  qv_dir_clap=$user_home/.clap
fi
manifest=$prefix/share/quorvantel/installed-files

# Removes what the manifest lists: its files, then the folders the install created, deepest
# first, each only when nothing else has been put into it since.
qv_remove_installed() {
  [ -f "$manifest" ] || return 0
  local line
  local -a folders=()
  while IFS= read -r line; do
    case $line in
      */) folders+=("${line%/}") ;;
      ?*) rm -f -- "$line" ;;
    esac
  done <"$manifest"
  rm -f -- "$manifest"
  local i
  for ((i = ${#folders[@]} - 1; i >= 0; i--)); do
    rmdir -- "${folders[i]}" 2>/dev/null ||
      { [ -d "${folders[i]}" ] && echo "kept ${folders[i]}: it holds other files"; } || true
  done
}
