#!/bin/bash
# Runs a Windows test program under Wine on the display xvfb-run gave it,
# through the Wine runner, then ends every process of the test's prefix.
# Usage: xvfb-run -a run-gui-test.sh WINE_RUNNER PROGRAM [ARGS...];
# VELMORA_WINEPREFIX names the prefix; VELMORA_LOGPIXELS, when set, is the
# display's DPI the prefix's session starts at.
set -u
runner=$1
shift
: "${VELMORA_WINEPREFIX:?VELMORA_WINEPREFIX must name the Wine prefix}"
: "${DISPLAY:?run under xvfb-run}"
trap '[ -d "$VELMORA_WINEPREFIX" ] && WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null' EXIT
if [ -n "${VELMORA_LOGPIXELS:-}" ]; then
  "$runner" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VELMORA_LOGPIXELS" /f >/dev/null
  # Wine reads the DPI when a session starts: the next program starts one.
  WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null
  WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -w
fi
# The Wine runner keeps programs headless unless a display is named to it.
VELMORA_DISPLAY=$DISPLAY "$runner" "$@"
