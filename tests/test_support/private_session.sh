# Sourced by the end-to-end scripts. enter_private_session runs the calling
# script again on a virtual X server with a session bus of its own, and with
# nothing of the user's session: a private runtime directory, home,
# configuration, data and cache, and no inherited bus. Exits 77 (skipped)
# when a program it needs is not installed.
#
#   enter_private_session NAME XVFB_SERVER_ARGS TOOL... -- COMMAND...
enter_private_session() {
  local name=$1 server_args=$2
  shift 2
  local tools=(xvfb-run xauth dbus-run-session)
  while [ "$1" != -- ]; do
    tools+=("$1")
    shift
  done
  shift
  for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
  work=$(mktemp -d "/tmp/brimlow-$name.XXXXXX")
  chmod 0700 "$work"
  trap 'rm -rf "$work"' EXIT
  export XDG_RUNTIME_DIR=$work HOME=$work/home XDG_CONFIG_HOME=$work/config \
    XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
  unset DBUS_SESSION_BUS_ADDRESS CODEX_HOME CLAUDE_CONFIG_DIR
  xvfb-run -a ${server_args:+-s "$server_args"} dbus-run-session -- "$@"
  exit
}
