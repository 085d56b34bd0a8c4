#!/bin/bash
# The console program against the real service under Wine, on a drive set:
# status of every firmware family, the reports of a stopped service, raw to
# a file and to standard output, capture-then-replay, and the health watch's
# history and sample request without the watch.
# Usage: cli-end-to-end.sh BIN_DIR PREFIX SOURCE_DIR
set -uo pipefail
bin=$1 prefix=$2 source=$3
. "$source/scripts/wine-lib.sh"
unset DISPLAY
run() { wine "$@"; }
work=$(mktemp -d)
failures=0  # counted by check (wine-lib.sh)
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
# The prefix is kept between runs: a run that was cut short may have left
# the service registered.
run net stop SMART_VELMORA >/dev/null 2>&1
run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT >/dev/null 2>&1
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

# The history: none yet, then a database where the watch keeps it, made from
# the schema's own statements in history/HistorySchema.cpp.
make_history() {  # SCHEMA_SOURCE DATABASE
  python3 - "$1" "$2" <<'PY'
import re, sqlite3, sys
block = re.search(r"kVersion1\[\] = \{(.*?)\n\};", open(sys.argv[1]).read(), re.S).group(1)
block = re.sub(r"//[^\n]*", "", block)
statements = [""]
for literal, comma in re.findall(r'"((?:[^"\\]|\\.)*)"|(,)', block):
    if comma: statements.append("")
    else: statements[-1] += literal
db = sqlite3.connect(sys.argv[2])
for statement in filter(None, statements):
    db.execute(statement)
db.execute("PRAGMA user_version=1")
db.execute("INSERT INTO drives VALUES(1,'VMQ5000001','VELMORA R730 SSD','Q5RT2B1','SATA',256,0,0)")
db.execute("INSERT INTO samples VALUES(1,1796662800,1,99,9,39,590,4,40,0,81,'OK'),(1,1796749200,1,100,10,40,600,5,41,0,80,'OK')")
db.execute("INSERT INTO events VALUES(1,1796749200,1004,1,'Life meter of VMQ5000001 at 80 %')")
db.commit()
PY
}
programdata=$(winepath -u "$(run cmd /c 'echo %ProgramData%' 2>/dev/null | tr -d '\r')")
rm -rf "${programdata:?}/VELMORA/History"  # the prefix outlives a run
cli history >/dev/null 2>"$work/nohistory.err"; status=$?
check "history without a database exits 3 and says so" \
  bash -c "test $status -eq 3 && grep -q 'No history yet: is the SMART_VELMORA_WATCH service running?' '$work/nohistory.err'"
mkdir -p "$programdata/VELMORA/History"
make_history "$source/history/HistorySchema.cpp" "$programdata/VELMORA/History/history.db"
cli history --json --since 2026-12-08 >"$work/history.json" 2>&1; status=$?
check "history --json exits 0" test "$status" -eq 0
check "history --json gives the drive's samples from that day and its event" python3 -c '
import json,sys
h=json.load(open(sys.argv[1]))
d=h["drives"]
assert len(d)==1 and d[0]["serial_number"]=="VMQ5000001" and d[0]["capacity_gb"]==256
assert [s["time"] for s in d[0]["samples"]]==["2026-12-08T17:00:00Z"] and d[0]["samples"][0]["life_meter"]==80
assert d[0]["samples"][0]["refreshed"] is True and d[0]["samples"][0]["over_temperature"] is False
assert [(e["event_id"],e["serial_number"]) for e in h["events"]]==[(1004,"VMQ5000001")]' "$work/history.json"
cli watch --now >/dev/null 2>"$work/watch.err"; status=$?
check "watch --now without the watch service exits 4 and says it is not installed" \
  bash -c "test $status -eq 4 && grep -q 'SMART_VELMORA_WATCH is not installed' '$work/watch.err'"

check "the service uninstalls" run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT
echo "$failures failure(s)"
exit $((failures > 0))
