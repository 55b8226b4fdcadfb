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
# The prefix wine_start made; a WINEPREFIX from the caller's environment is
# never stopped or removed.
wine_prefix_made=

wine_start() {
  wine_prefix_made=$(mktemp -d)
  export WINEPREFIX=$wine_prefix_made
  # One server for every run: else each run may start one while the last is
  # still going away.
  "$wineserver" -p
  # The first start lays out the prefix, which takes seconds; keep it out of
  # what is timed or tested.
  "$wine" "$1" >/dev/null 2>&1 || true
}

wine_stop() {
  [ -n "$wine_prefix_made" ] && [ -d "$wine_prefix_made" ] || return 0
  export WINEPREFIX=$wine_prefix_made
  # Debian's Wine names its socket folder, under the temporary folder, in the prefix.
  local sockets
  sockets=$(cat "$wine_prefix_made/wineserver" 2>/dev/null || true)
  # The server writes the prefix for the last time before it goes.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$wine_prefix_made"
  case $sockets in
    wine-??????) rm -rf "${TMPDIR:-/tmp}/$sockets" ;;
  esac
}
