#!/usr/bin/env bash
# Review pictures of the Windows windows: opens each Win32 window of the
# program under Wine on an Xvfb display of its own (through the check driver
# of the Windows build, with a profile in memory) and saves a PNG of each into
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
cmake --build "$build" -j2 --target tavik6-windows-check
wine=$(sed -n 's/^TAVIK_WINE64:FILEPATH=//p' "$build/CMakeCache.txt")
[ -n "$wine" ] || wine=wine
wineserver=$(dirname "$(command -v "$wine")")/wineserver
export WINEPREFIX="$top/$build/wineprefix-windows" WINEDEBUG=-all
driver="$build/tests/tavik6-windows-check.exe"

work=$(mktemp -d /tmp/tavik-review-win-XXXXXX)
xvfb=""
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill -TERM "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "review-pictures-windows: Xvfb startete nicht" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot -i >/dev/null 2>&1 || true
  "$wineserver" -w
fi
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
