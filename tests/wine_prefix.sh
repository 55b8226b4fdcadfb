# Sourced by the scripts that run d88cut.exe under Wine. Gives them
#   $wine          the Wine loader
#   wine_start     a prefix of its own in a fresh temporary folder, one
#                  persistent wineserver for all its runs, the prefix laid out
#   wine_stop      the server stopped and waited for, then the prefix and the
#                  server's socket folder removed; for the caller's EXIT trap
# with WINEDEBUG=-all, so that Wine's own notes stay out of the tool's output.

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
export WINEDEBUG=-all

wine_start() {
  WINEPREFIX=$(mktemp -d)
  export WINEPREFIX
  # One server for every run: else each run may start one while the last is
  # still going away.
  "$wineserver" -p
  # The first start lays out the prefix, which takes seconds; keep it out of
  # what is timed or tested.
  "$wine" "$1" >/dev/null 2>&1 || true
}

wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] || return 0
  # Debian's Wine names its socket folder, under the temporary folder, in the prefix.
  local sockets
  sockets=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
  # The server writes the prefix for the last time before it goes.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  case $sockets in
    wine-??????) rm -rf "${TMPDIR:-/tmp}/$sockets" ;;
  esac
}
