#!/bin/bash
# Starts the toolbox on the example drive set, with the service installed
# and running, and saves a picture of its main window. Uses the current
# display when there is one, else an Xvfb display of its own (xvfb-run -a).
# Everything runs in a Wine prefix of its own, which is ended afterwards.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
#   BUILD_DIR   the Windows build (default build/windows)
#   OUTPUT_PNG  where the picture goes (default BUILD_DIR/main-window.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-lib.sh"
build=$(cd "${1:-$root/build/windows}" && pwd)
output=${2:-$build/main-window.png}
bin=$build/bin
for program in SMART_VELMORA.exe SMART_VELMORA_SV.exe; do
  [ -f "$bin/$program" ] || { echo "missing $bin/$program: build the windows preset first" >&2; exit 1; }
done
version=$(velmora_version "$build") || { echo "no product version in $build/CMakeCache.txt" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  exec xvfb-run -a -s "$VELMORA_XVFB_SCREEN" bash "$root/scripts/screenshot.sh" "$build" "$output"
fi

prefix=$build/wineprefix-screenshot
trap 'wine_end "$prefix"' EXIT
wine_prefix "$prefix"

# Without a window manager Wine draws the window frames itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
drive_set="Z:$(echo "$root/examples/demo-drives.ini" | tr / '\\')"
wine reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /d "$drive_set" /f >/dev/null
# The picture shows the window, not the start-up question about updates.
wine reg add 'HKCU\SOFTWARE\VELMORA\Corvexa' /v UpdatesDontAsk /t REG_DWORD /d 1 /f >/dev/null
# The service program answers a second install with an error box, which
# nobody would close here: install only when the prefix has no service yet.
if ! wine sc query SMART_VELMORA >/dev/null 2>&1; then
  wine "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
fi
service_start SMART_VELMORA || true

wine "$bin/SMART_VELMORA.exe" &
caption="VELMORA SSD Toolbox $version"
window=
main_window() { window=$(xdotool search --name "^${caption//./\\.}\$" 2>/dev/null | head -n1) && [ -n "$window" ]; }
wait_for 60 main_window || { echo "the main window did not appear" >&2; exit 1; }
# The first drive is read from the service right after the window shows.
sleep 3
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
service_stop SMART_VELMORA || true
echo "Screenshot of the main window: $output"
