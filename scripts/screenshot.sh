#!/bin/bash
# Starts the toolbox on the example drive set, with the service installed
# and running, and saves a picture of its main window; then, on a demo
# history of the first drive (tests/app/win/demo), pictures of its "Health
# history" window at 100 % and 200 % scaling, history-window.png and
# history-window-200.png in the same folder; then, at 100 %, 150 % and
# 200 % scaling (96, 144 and 192 DPI), the main window, the start-up
# question about updates and the warning of a machine without the maker's
# drives: main-window-150.png, main-window-200.png, startup-question.png,
# startup-question-150.png, startup-question-200.png, message-box.png,
# message-box-150.png and message-box-200.png (the main window at 100 % is
# OUTPUT_PNG). Uses the current display when
# there is one, else an Xvfb display of its own (xvfb-run -a), large enough
# for the window at 200 %. Everything runs in a Wine prefix of its own,
# which is ended afterwards.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
#   BUILD_DIR   the Windows build (default build/windows)
#   OUTPUT_PNG  where the picture goes (default BUILD_DIR/main-window.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-lib.sh"
build=$(cd "${1:-$root/build/windows}" && pwd)
output=${2:-$build/main-window.png}
bin=$build/bin
pictures=$(dirname "$output")
for program in SMART_VELMORA.exe SMART_VELMORA_SV.exe history_demo.exe; do
  [ -f "$bin/$program" ] || { echo "missing $bin/$program: build the windows preset first" >&2; exit 1; }
done
version=$(velmora_version "$build") || { echo "no product version in $build/CMakeCache.txt" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24" bash "$root/scripts/screenshot.sh" "$build" "$output"
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

# The display's scaling, in dots per inch: Wine reads it when a session
# starts, so every program of the prefix is ended first.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  wineserver -k 2>/dev/null || true
}

caption="VELMORA SSD Toolbox $version"
window=
main_window() { window=$(xdotool search --name "^${caption//./\\.}\$" 2>/dev/null | head -n1) && [ -n "$window" ]; }
start_toolbox() {
  service_start SMART_VELMORA || true
  wine "$bin/SMART_VELMORA.exe" &
  wait_for 60 main_window || { echo "the main window did not appear" >&2; exit 1; }
  # The first drive is read from the service right after the window shows.
  sleep 3
}

# shoot_top CAPTION PICTURE: the toolbox started, its top-level window
# CAPTION saved once it shows.
shoot_top() {
  local found=
  top_window() { found=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$found" ]; }
  service_start SMART_VELMORA || true
  wine "$bin/SMART_VELMORA.exe" &
  wait_for 60 top_window "$1" || { echo "no window \"$1\" appeared" >&2; exit 1; }
  sleep 2
  import -window "$found" "$2"
  wineserver -k 2>/dev/null || true
}

history_window=
history_shown() { history_window=$(xdotool search --name '^Health history: ' 2>/dev/null | head -n1) && [ -n "$history_window" ]; }
# Help > Health history from the keyboard, as a user would open it.
open_history() {
  xdotool windowfocus --sync "$window"
  xdotool key alt+h
  sleep 1
  xdotool key h
  wait_for 5 history_shown
}

# shoot_history DPI PICTURE: the toolbox started at DPI, its history window saved.
shoot_history() {
  set_dpi "$1"
  start_toolbox
  wait_for 30 open_history || { echo "the health history window did not appear at $1 DPI" >&2; exit 1; }
  sleep 2
  import -window "$history_window" "$2"
  wineserver -k 2>/dev/null || true
}

set_dpi 96
wine "$bin/history_demo.exe" >/dev/null || { echo "the demo history could not be written" >&2; exit 1; }
start_toolbox
mkdir -p "$pictures"
import -window "$window" "$output"
echo "Screenshot of the main window: $output"
shoot_history 96 "$pictures/history-window.png"
shoot_history 192 "$pictures/history-window-200.png"
echo "Screenshots of the health history window: $pictures/history-window.png, $pictures/history-window-200.png"

# Only the example's disk of another maker: the toolbox warns that it found
# none of the maker's drives.
other_set=$build/other-maker-drives.ini
{ sed -n '/^\[os\]/,/^; --- Disk 0/p' "$root/examples/demo-drives.ini" | sed '$d'
  sed -n '/^Index=2/,$p' "$root/examples/demo-drives.ini" | sed '1i [disk]'; } >"$other_set"
other_drive_set="Z:$(echo "$other_set" | tr / '\\')"
for dpi in 96 144 192; do
  suffix=
  [ "$dpi" = 96 ] || suffix=-$((dpi * 100 / 96))
  set_dpi "$dpi"
  if [ "$dpi" != 96 ]; then
    start_toolbox
    import -window "$window" "$pictures/main-window$suffix.png"
    wineserver -k 2>/dev/null || true
  fi
  wine reg delete 'HKCU\SOFTWARE\VELMORA\Corvexa' /v UpdatesDontAsk /f >/dev/null 2>&1 || true
  shoot_top Confirm "$pictures/startup-question$suffix.png"
  wine reg add 'HKCU\SOFTWARE\VELMORA\Corvexa' /v UpdatesDontAsk /t REG_DWORD /d 1 /f >/dev/null
  wine reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /d "$other_drive_set" /f >/dev/null
  shoot_top Warning "$pictures/message-box$suffix.png"
  wine reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /d "$drive_set" /f >/dev/null
done
echo "Screenshots at 100 %, 150 % and 200 % scaling: $pictures/main-window-*.png, startup-question*.png, message-box*.png"
