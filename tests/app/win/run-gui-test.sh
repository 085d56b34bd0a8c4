#!/bin/bash
# Runs a Windows test program under Wine on the display xvfb-run gave it,
# through the Wine runner, then ends every process of the test's prefix.
# Usage: xvfb-run -a run-gui-test.sh WINE_RUNNER PROGRAM [ARGS...];
# VELMORA_WINEPREFIX names the prefix; VELMORA_LOGPIXELS, when set, is the
# display's DPI the prefix's session starts at. VELMORA_UPDATE_SERVER_SOURCE,
# when set, is the source tree: the reference update server is started from
# it on a free loopback port for the run, in a folder of its own (its
# manifest.json, files/ and server.log, which the test may rewrite), and the
# test is told both (VELMORA_REFERENCE_SERVER=127.0.0.1:PORT,
# VELMORA_REFERENCE_DIR as Windows names the folder).
set -u
runner=$1
shift
: "${VELMORA_WINEPREFIX:?VELMORA_WINEPREFIX must name the Wine prefix}"
: "${DISPLAY:?run under xvfb-run}"
update_server_pid=""
server_dir=""
finish() {
  [ -d "$VELMORA_WINEPREFIX" ] && WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null
  if [ -n "$update_server_pid" ]; then kill "$update_server_pid" 2>/dev/null; wait "$update_server_pid" 2>/dev/null; fi
  [ -n "$server_dir" ] && rm -rf "$server_dir"
}
trap finish EXIT
if [ -n "${VELMORA_UPDATE_SERVER_SOURCE:-}" ]; then
  . "$(dirname "$runner")/wine-lib.sh"
  server_dir=$(mktemp -d)
  mkdir "$server_dir/files"
  echo '{"file_version": "1.0"}' >"$server_dir/manifest.json"
  update_server_start "$VELMORA_UPDATE_SERVER_SOURCE" "$server_dir/server.log" \
    --manifest "$server_dir/manifest.json" --root "$server_dir/files" ||
    { echo "the reference update server did not start:" >&2; cat "$server_dir/server.log" >&2; exit 1; }
  export VELMORA_REFERENCE_SERVER="127.0.0.1:$update_server_port"
  # Wine's drive Z: is the root of the file system.
  export VELMORA_REFERENCE_DIR="Z:${server_dir//\//\\}"
fi
if [ -n "${VELMORA_LOGPIXELS:-}" ]; then
  "$runner" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VELMORA_LOGPIXELS" /f >/dev/null
  # Wine reads the DPI when a session starts: the next program starts one.
  WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null
  WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -w
fi
# The Wine runner keeps programs headless unless a display is named to it.
VELMORA_DISPLAY=$DISPLAY "$runner" "$@"
