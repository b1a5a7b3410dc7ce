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
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "run_windows_check: Xvfb startete nicht" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot -i >/dev/null 2>&1 || true
  "$wineserver" -w
fi
"$wine" "$driver" "$@"
