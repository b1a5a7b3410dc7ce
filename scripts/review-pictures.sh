#!/usr/bin/env bash
# Review pictures: runs the desktop client under Xvfb, with trayer as the
# notification area and the demo server as its counterpart, opens each window
# as a user would (xdotool: right click on the icon, menu keys, Tab and Space)
# and saves a PNG of each into docs/pictures/.
#   scripts/review-pictures.sh                  builds into build/ first
#   BUILD_DIR=build-x scripts/review-pictures.sh
# Nothing outside a temporary sandbox is touched: its own hosts file, settings
# store, program folder and X display.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/sandbox-store.sh
top=$(pwd)
build=${BUILD_DIR:-build}
out="$top/docs/pictures"

scripts/bootstrap.sh test
for tool in Xvfb trayer xdotool xwininfo import convert sqlite3; do
  command -v "$tool" >/dev/null || { echo "review-pictures: $tool is missing" >&2; exit 1; }
done
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tavik6 tavik6-desktop tavik6-demo-server tavik6-browser

sandbox=$(mktemp -d /tmp/tavik-review-XXXXXX)
pids=()
client=""
stop_client() {
  [ -n "$client" ] || return 0
  kill -TERM "$client" 2>/dev/null || true
  wait "$client" 2>/dev/null || true
  client=""
}
cleanup() {
  stop_client
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$sandbox"
}
trap cleanup EXIT

fail() { echo "review-pictures: $*" >&2; exit 1; }

# --- the sandbox: program folder, hosts file, settings store, accounts ------
mkdir -p "$sandbox/program" "$sandbox/etc" "$sandbox/run" "$out"
chmod 700 "$sandbox/run"
cp "$build/bin/Tavik6" "$build/bin/libtavik6-desktop.so" "$build/bin/tavik6-browser" "$sandbox/program/"
printf '127.0.0.1\tlocalhost\n' > "$sandbox/etc/hosts"
echo 'k1001 geheim Firma firma-server 203.0.113.7 50' > "$sandbox/accounts.txt"
# The profile "Tavik6" is set up as the wizard leaves it; "Neu" is not.
seed_installed_profile "$sandbox/registry.sqlite"

# --- the display, the notification area and the demo server -----------------
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$sandbox/display" 2>"$sandbox/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$sandbox/display" ] && break; sleep 0.1; done
[ -s "$sandbox/display" ] || fail "Xvfb did not start (see $sandbox/xvfb.log)"
export DISPLAY=":$(cat "$sandbox/display")" XDG_RUNTIME_DIR="$sandbox/run"
unset WAYLAND_DISPLAY TAVIK_HEADLESS

trayer --edge top --align right --widthtype pixel --width 64 --heighttype pixel --height 40 \
  --SetDockType false --SetPartialStrut false --transparent false --tint 0xdcdcdc >"$sandbox/trayer.log" 2>&1 &
pids+=($!)

"$build/bin/tavik6-demo-server" --port 0 --port-file "$sandbox/port" --accounts "$sandbox/accounts.txt" \
  >"$sandbox/demo-server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$sandbox/port" ] && break; sleep 0.1; done
[ -s "$sandbox/port" ] || fail "the demo server did not start"
port=$(cat "$sandbox/port")
export TAVIK_SERVICE_HOST="127.0.0.1:$port" TAVIK_UPDATE_HOST="127.0.0.1:$port"
export TAVIK_HOSTS_FILE="$sandbox/etc/hosts" TAVIK_REGISTRY="$sandbox/registry.sqlite"

# --- helpers ------------------------------------------------------------------
# The newest visible window whose name matches, other than $2; waits up to 20 s.
wait_window() {
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "${2:-none}" | tail -1 || true)
    [ -n "$id" ] && { sleep 0.3; echo "$id"; return; }
    sleep 0.1
  done
  fail "no window named '$1' appeared"
}
# The newest visible top-level window of the client (message boxes carry its name).
wait_client_window() {
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --maxdepth 1 --class Tavik6 2>/dev/null | grep -vx "${1:-none}" | tail -1 || true)
    [ -n "$id" ] && { sleep 0.3; echo "$id"; return; }
    sleep 0.1
  done
  fail "no window of the client appeared"
}
wait_gone() {
  for _ in $(seq 100); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done
  fail "window '$1' did not close"
}
shot() { import -window "$2" "$out/$1.png"; echo "  $1.png"; }
keys() { local id=$1; shift; xdotool windowfocus --sync "$id" key --delay 50 "$@"; }
type_into() { xdotool windowfocus --sync "$1" type --delay 30 "$2"; }
panel_geometry() { xwininfo -name panel | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h "+" x "+" y}'; }
# The notification area, twice its size so the small picture can be made out.
tray_shot() {
  import -window root -crop "$(panel_geometry)" +repage "$sandbox/tray.png"
  convert "$sandbox/tray.png" -scale 200% "$out/$1.png"
  echo "  $1.png"
}
# Right button on the icon, which sits in the panel's right part.
open_menu() {
  local x y w h
  read -r w h x y < <(xwininfo -name panel | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h, x, y}')
  xdotool mousemove $((x + w - 12)) $((y + h / 2)) click 3
  sleep 0.7
}
start_client() {
  "$sandbox/program/Tavik6" "$@" </dev/null >>"$sandbox/client.log" 2>&1 &
  client=$!
}

# --- a set-up profile, online -------------------------------------------------
echo "Pictures in $out:"
start_client
for _ in $(seq 200); do grep -q firma-server "$TAVIK_HOSTS_FILE" && break; sleep 0.1; done
grep -q firma-server "$TAVIK_HOSTS_FILE" || fail "the client did not go online (see $sandbox/client.log)"
sleep 1.5  # the tray holds each picture for a second
tray_shot tray-online

open_menu
shot menu "$(wait_client_window)"
xdotool key Escape

open_menu
xdotool key s
settings=$(wait_window '^Userdaten')
shot settings "$settings"
# Tab order: Passwort, four boxes, the update link, Setup, Hilfe, Info.
keys "$settings" Tab Tab Tab Tab Tab Tab Tab Tab space
help=$(wait_window '^Hilfe$')
shot help "$help"
keys "$help" Escape
wait_gone '^Hilfe$'
keys "$settings" Tab space
about=$(wait_window '^Versionsinfo')
shot about "$about"
keys "$about" Escape
wait_gone '^Versionsinfo'
keys "$settings" Escape
wait_gone '^Userdaten'

open_menu
xdotool key l
legend=$(wait_window '^Legende')
shot legend "$legend"
keys "$legend" Escape
wait_gone '^Legende'

open_menu
xdotool key t
browser=$(wait_window '^Internet$')
sleep 3  # the page loads in the helper process
shot browser "$browser"
eval "$(xdotool getwindowgeometry --shell "$browser")"
xdotool mousemove $((X + 22)) $((Y + 20)) click 1  # the panel's quit button
wait_gone '^Internet$'
stop_client

# --- a new profile: the wizard, then a rejected login (and offline) -------------------------
start_client Neu
welcome=$(wait_client_window)
shot wizard-0-welcome "$welcome"
keys "$welcome" Return
step=$(wait_window '^Neue Verbindung')
type_into "$step" k1001
shot wizard-1-customer "$step"
keys "$step" Return
step=$(wait_window '^Neue Verbindung' "$step")
type_into "$step" falsch
shot wizard-2-password "$step"
keys "$step" Return
step=$(wait_window '^Neue Verbindung' "$step")
shot wizard-3-connection "$step"
keys "$step" Return
done_box=$(wait_client_window "$step")
shot wizard-4-done "$done_box"
keys "$done_box" Return
info=$(wait_window '^Tavik - Warnung')
sleep 1.5
shot info "$info"
tray_shot tray-offline
stop_client
