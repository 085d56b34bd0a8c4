#!/bin/bash
# Runs a Windows test program under Wine on a display of its own: starts
# Xvfb on a free display (Xvfb picks it), runs the program through the Wine
# runner, then ends every process of the test's prefix and the display.
# Usage: run-gui-test.sh WINE_RUNNER PROGRAM [ARGS...]; VELMORA_WINEPREFIX
# names the prefix.
set -u
runner=$1
shift
: "${VELMORA_WINEPREFIX:?VELMORA_WINEPREFIX must name the Wine prefix}"

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  [ -d "$VELMORA_WINEPREFIX" ] && WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -f "$display_file"
}
trap cleanup EXIT

# Xvfb writes the display number once it accepts clients.
for _ in $(seq 1 300); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$display_file" ] || { echo "Xvfb gave no display" >&2; exit 1; }
export VELMORA_DISPLAY=":$(head -n1 "$display_file")"

"$runner" "$@"
