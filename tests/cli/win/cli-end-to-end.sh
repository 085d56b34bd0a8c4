#!/bin/bash
# The console program against the real service under Wine, on a drive set:
# status of every firmware family, the reports of a stopped service, raw to
# a file and to standard output, and capture-then-replay.
# Usage: cli-end-to-end.sh BIN_DIR PREFIX SOURCE_DIR
set -uo pipefail
bin=$1 prefix=$2 source=$3
. "$source/scripts/wine-lib.sh"
unset DISPLAY
run() { wine "$@"; }
work=$(mktemp -d)
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures+1)); fi
}
cleanup() {
  run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT >/dev/null 2>&1
  wine_end "$prefix"
  rm -rf "$work"
}
trap cleanup EXIT

compact_json() { python3 -c 'import json,sys; print(json.dumps(json.load(open(sys.argv[1])), sort_keys=True))' "$1"; }
set_drive_set() {
  run reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /t REG_SZ /d "$(winepath -w "$1")" /f >/dev/null 2>&1
}
cli() { run "$bin/SMART_VELMORA_CLI.exe" "$@"; }

wine_prefix "$prefix"
run wineboot -u >/dev/null 2>&1; wineserver -w
check "the service installs" run "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
set_drive_set "$source/tests/data/families.ini"
check "the service runs on the drive set" service_restart SMART_VELMORA

# Every firmware family, compared with the values worked out by hand.
cli status --json >"$work/status.json" 2>"$work/status.err"; status=$?
check "status exits 1 (one drive BAD)" test "$status" -eq 1
check "status JSON matches the hand-computed values" \
  test "$(compact_json "$work/status.json")" = "$(compact_json "$source/tests/data/families-status.json")"
check "status text lists five drives" bash -c "wine '$bin/SMART_VELMORA_CLI.exe' status | grep -c '^Drive [1-5] of 5' | grep -qx 5"

# The raw report: a file and standard output carry the same bytes, CR LF ended.
cli raw "$(winepath -w "$work")\\raw.txt" >/dev/null 2>&1; status=$?
check "raw FILE exits 0" test "$status" -eq 0
cli raw >"$work/raw-stdout.txt" 2>/dev/null
check "raw FILE and raw to standard output are byte-identical" cmp -s "$work/raw.txt" "$work/raw-stdout.txt"
check "raw report matches the expected bytes" cmp -s "$work/raw.txt" "$source/tests/data/families-raw.txt"

# Capture, replay: the same status.
cli capture "$(winepath -w "$work")\\captured.ini" 2>/dev/null
check "capture writes a drive set" test -s "$work/captured.ini"
set_drive_set "$work/captured.ini"
service_restart SMART_VELMORA
cli status --json >"$work/replayed.json" 2>/dev/null
check "the replayed capture gives the same status" \
  test "$(compact_json "$work/replayed.json")" = "$(compact_json "$work/status.json")"

# With the service stopped every refresh fails and is reported twice.
service_stop SMART_VELMORA
cli status --json >"$work/stopped.json" 2>"$work/stopped.err"; status=$?
check "a stopped service gives exit status 2" test "$status" -eq 2
check "every drive is not refreshed" python3 -c '
import json,sys
d=json.load(open(sys.argv[1]))["drives"]
assert len(d)==5 and all(x["refreshed"] is False and x["life_meter"] is None and x["power_on_hours"] is None for x in d)' "$work/stopped.json"
check "each refresh leaves lines 38 and 176" test "$(tr -d '\r' <"$work/stopped.err" | grep -c -x -e 'FILE pipe LINE 38 CODE 2' -e 'FILE smart LINE 176 CODE -1')" -eq 10

check "the service uninstalls" run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT
echo "$failures failure(s)"
exit $((failures > 0))
