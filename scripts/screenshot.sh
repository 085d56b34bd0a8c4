#!/bin/bash
# Starts the toolbox on the example drive set, with the service installed
# and running, and saves a picture of its main window. Uses the current
# display when there is one, else an Xvfb display of its own. Everything
# runs in a Wine prefix of its own, which is ended afterwards.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
#   BUILD_DIR   the Windows build (default build/windows)
#   OUTPUT_PNG  where the picture goes (default BUILD_DIR/main-window.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
output=${2:-$build/main-window.png}
bin=$build/bin
for program in SMART_VELMORA.exe SMART_VELMORA_SV.exe; do
  [ -f "$bin/$program" ] || { echo "missing $bin/$program: build the windows preset first" >&2; exit 1; }
done

export VELMORA_WINEPREFIX=$build/wineprefix-screenshot
xvfb=
cleanup() {
  [ -d "$VELMORA_WINEPREFIX" ] && WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  export VELMORA_DISPLAY=$DISPLAY
else
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 300); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export VELMORA_DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
fi
export DISPLAY=$VELMORA_DISPLAY
wine_run() { "$root/scripts/wine-run" "$@"; }

# Without a window manager Wine draws the window frames itself.
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
drive_set="Z:$(echo "$root/examples/demo-drives.ini" | tr / '\\')"
wine_run reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /d "$drive_set" /f >/dev/null
# The picture shows the window, not the start-up question about updates.
wine_run reg add 'HKCU\SOFTWARE\VELMORA\Corvexa' /v UpdatesDontAsk /t REG_DWORD /d 1 /f >/dev/null
# The service program answers a second install with an error box, which
# nobody would close here: install only when the prefix has no service yet.
if ! wine_run sc query SMART_VELMORA >/dev/null 2>&1; then
  wine_run "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
fi
wine_run net start SMART_VELMORA >/dev/null 2>&1 || true

wine_run "$bin/SMART_VELMORA.exe" &
window=
for _ in $(seq 1 600); do
  window=$(xdotool search --name '^VELMORA SSD Toolbox 1\.01$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }
# The first drive is read from the service right after the window shows.
sleep 3
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
wine_run net stop SMART_VELMORA >/dev/null 2>&1 || true
echo "Screenshot of the main window: $output"
