#!/usr/bin/env bash
# Runs the Win32 windows' check driver under Wine on an Xvfb display of its
# own, in the Wine prefix WINEPREFIX (made when missing), and stops that
# prefix's wineserver and the display (by its PID) however the run ends.
#   run_windows_check.sh DRIVER.exe [driver arguments...]
set -euo pipefail
driver=$1
shift
command -v Xvfb >/dev/null || { echo "run_windows_check: Xvfb fehlt (Paket xvfb)" >&2; exit 1; }
wine=${TAVIK_WINE:-wine}
wineserver=$(dirname "$(command -v "$wine")")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
: "${WINEPREFIX:?WINEPREFIX fehlt}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d /tmp/tavik-w32windows-XXXXXX)
xvfb=""
cleanup() {
  [ -z "$xvfb" ] || "$wineserver" -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill -TERM "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/wine_display.sh"
start_wine_display run_windows_check "$work"
"$wine" "$driver" "$@"
