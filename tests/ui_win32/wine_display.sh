# Sourced by the scripts that run Windows programs on a display of their own.
# start_wine_display NAME FOLDER: starts Xvfb (its PID in $xvfb), exports
# DISPLAY, and makes the Wine prefix WINEPREFIX when it is missing, with
# $wine and $wineserver. NAME goes in front of the error messages; FOLDER is
# a temporary folder for the display number and Xvfb's log. The caller's
# clean-up stops the wineserver and Xvfb.
start_wine_display() {
  local name=$1 folder=$2
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" 2>"$folder/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$folder/display" ] && break; sleep 0.1; done
  [ -s "$folder/display" ] || { echo "$name: Xvfb startete nicht" >&2; cat "$folder/xvfb.log" >&2; return 1; }
  export DISPLAY=":$(cat "$folder/display")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "$wineserver" -w
  fi
}
