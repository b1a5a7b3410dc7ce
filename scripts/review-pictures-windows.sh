#!/usr/bin/env bash
# Review pictures of the Windows windows: opens each Win32 window of the
# program under Wine on an Xvfb display of its own (through the check driver
# of the Windows build, with a profile in memory), then runs the real
# Tavik6.exe against the demo server of the Linux build (LINUX_BIN_DIR,
# default build/bin) with a new profile: the wizard's steps, the icon in
# Wine's tray window and the popup menu. A PNG of each goes into
# docs/pictures/windows/.
#   scripts/review-pictures-windows.sh            uses build-win64/
#   BUILD_DIR=build-x scripts/review-pictures-windows.sh
# Nothing outside a temporary folder and the build's own Wine prefix is
# touched; the display and that prefix's wineserver are stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${BUILD_DIR:-build-win64}
out="$top/docs/pictures/windows"

for tool in Xvfb import; do
  command -v "$tool" >/dev/null || { echo "review-pictures-windows: $tool fehlt" >&2; exit 1; }
done
[ -f "$build/CMakeCache.txt" ] || { echo "review-pictures-windows: $build ist nicht eingerichtet (Windows-Build)" >&2; exit 1; }
cmake --build "$build" -j2 --target tavik6-windows-check Tavik6 tray_probe
linux_bin=${LINUX_BIN_DIR:-build/bin}
[ -x "$linux_bin/tavik6-demo-server" ] || { echo "review-pictures-windows: $linux_bin/tavik6-demo-server fehlt (Linux-Build)" >&2; exit 1; }
wine=$(sed -n 's/^TAVIK_WINE64:FILEPATH=//p' "$build/CMakeCache.txt")
[ -n "$wine" ] || wine=wine
wineserver=$(dirname "$(command -v "$wine")")/wineserver
export WINEPREFIX="$top/$build/wineprefix-windows" WINEDEBUG=-all
driver="$build/tests/tavik6-windows-check.exe"

work=$(mktemp -d /tmp/tavik-review-win-XXXXXX)
xvfb=""
server=""
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  if [ -n "$server" ]; then kill -TERM "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill -TERM "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
. tests/ui_win32/wine_display.sh
start_wine_display review-pictures-windows "$work"
# No window manager runs on the display: Wine draws the frames and captions.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
mkdir -p "$out"
# The pointer waits in a corner, so no tool tip covers a window.
xdotool mousemove 1023 767 2>/dev/null || true

# window name in the driver -> picture file
for pair in settings:settings about:about legend:legend help:help info:info; do
  name=${pair%%:*} file=${pair#*:}
  rm -f "$work/ready" "$work/done"
  "$wine" "$driver" --picture "$name" "Z:${work//\//\\}" &
  shown=$!
  for _ in $(seq 300); do [ -f "$work/ready" ] && break; sleep 0.1; done
  if [ -f "$work/ready" ]; then
    # The bare X screen around the window is cut away.
    import -window root -trim +repage "$out/$file.png"
    echo "$out/$file.png"
  else
    echo "review-pictures-windows: Fenster $name erschien nicht" >&2
  fi
  touch "$work/done"
  wait "$shown" || true
done

# --- the real program with a new profile: wizard, tray icon, menu ---------
shot() {  # shot NAME: the screen, cut to what is drawn on it
  import -window root -trim +repage "$out/$1.png"
  echo "$out/$1.png"
}
visible() {  # visible TITLE: a window whose title holds TITLE is shown
  xdotool search --onlyvisible --name "$1" >/dev/null 2>&1
}
wait_for_window() {  # and gives it the keyboard: no window manager does that here
  for _ in $(seq 150); do
    if visible "$1"; then
      xdotool search --onlyvisible --name "$1" windowfocus 2>/dev/null || true
      return 0
    fi
    sleep 0.2
  done
  echo "review-pictures-windows: kein Fenster \"$1\"" >&2
  return 1
}
echo 'k1001 geheim Firma firma-server 203.0.113.7 50' >"$work/accounts.txt"
"$linux_bin/tavik6-demo-server" --port 0 --port-file "$work/port" --accounts "$work/accounts.txt" \
  >"$work/demo-server.log" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "review-pictures-windows: der Demo-Server startete nicht" >&2; exit 1; }
printf '127.0.0.1 localhost\r\n' >"$work/hosts"
profile="Bilder-$$"
TAVIK_SERVICE_HOST="127.0.0.1:$(cat "$work/port")" TAVIK_HOSTS_FILE="Z:${work//\//\\}\\hosts" \
  "$wine" "$build/bin/Tavik6.exe" "$profile" >"$work/client.log" 2>&1 &
client=$!
# The first start's box, the three questions and the closing box; each is
# answered with the keyboard as a user would.
wait_for_window "Tavik6" && sleep 1 && shot wizard-0-welcome && xdotool key Return
wait_for_window "Neue Verbindung" && sleep 1 && xdotool type k1001 && shot wizard-1-customer && xdotool key Return
sleep 1 && wait_for_window "Neue Verbindung" && xdotool type geheim && shot wizard-2-password && xdotool key Return
sleep 1 && wait_for_window "Neue Verbindung" && shot wizard-3-connection && xdotool key Return
wait_for_window "Tavik6" && sleep 1 && shot wizard-4-done && xdotool key Return
for _ in $(seq 150); do grep -q firma-server "$work/hosts" && break; sleep 0.2; done
sleep 2
shot tray
"$wine" "$build/tests/tray_probe.exe" menu && sleep 1 && shot menu
"$wine" "$build/tests/tray_probe.exe" last || true
wait "$client" || true
