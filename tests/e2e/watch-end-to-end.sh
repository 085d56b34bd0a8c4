#!/bin/bash
# The health watch as a customer gets it, under Wine: the setup program with
# /S in a fresh prefix on the example drive set, the watch's first sample,
# "watch --now" after the set's SMART bytes changed, a drive turned BAD (one
# event 1001, the alert command with its variables), the watch killed again
# and again in the middle of samples (the database stays whole with every
# committed run), a damaged database set aside, and the uninstaller keeping
# the history unless /PURGE. Prints the figures it measured.
# Usage: xvfb-run -a watch-end-to-end.sh BIN_DIR PREFIX SOURCE_DIR
set -uo pipefail
bin=$1 prefix=$2 source=$3
. "$source/scripts/wine-lib.sh"
work=$(mktemp -d)
failures=0  # counted by check (wine-lib.sh)
cleanup() {
  wine_end "$prefix"
  rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
cli() { wine "$install_dir/SMART_VELMORA_CLI.exe" "$@"; }
history_json() { cli history --json >"$work/history.json" 2>"$work/history.err"; }
json() {  # python expression over d, the last history_json
  python3 -c "import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if ($1) else 1)" "$work/history.json"
}
# The samples of the drive with serial number $1, as a Python expression.
samples() { echo "[x for x in d['drives'] if x['serial_number'] == '$1'][0]['samples']"; }
events_of() { echo "[e for e in d['events'] if e['event_id'] == $1 and e['serial_number'] == '$2']"; }
sata=VM0A1B2C3D
set_file=$prefix/drive_c/ProgramData/VELMORA/demo-drives.ini
history_dir=$prefix/drive_c/ProgramData/VELMORA/History
db=$history_dir/history.db
alerts=$prefix/drive_c/ProgramData/alerts.txt
install_dir=$prefix/drive_c/Program\ Files/VELMORA\ SSD\ Toolbox

for need in SMART_VELMORA_Setup.exe; do
  if [ ! -f "$bin/$need" ]; then echo "FAILED: $bin/$need has not been built"; exit 1; fi
done

# --- A fresh prefix, prepared as an administrator would -------------------
wine_fresh_prefix "$prefix"
# Services under Wine stop when the last program of the prefix ends, unless
# its wineserver stays: the watch must live through the test's pauses.
wineserver -p
mkdir -p "$(dirname "$set_file")"
cp "$source/examples/demo-drives.ini" "$set_file"
machine_key='HKLM\SOFTWARE\VELMORA\Corvexa'
wine reg add "$machine_key" /v SimulatedDrives /t REG_SZ /d 'C:\ProgramData\VELMORA\demo-drives.ini' /f >/dev/null 2>&1
# Each alert appends its variables to one file.
wine reg add "$machine_key" /v AlertCommand /t REG_SZ /d 'cmd.exe /c set VELMORA_>>C:\ProgramData\alerts.txt' /f >/dev/null 2>&1

start=$(now_ms)
wine "$bin/SMART_VELMORA_Setup.exe" /S; setup_status=$?
check "the setup program exits 0" test "$setup_status" -eq 0
check "the watch service is registered and running" wait_for 20 service_state SMART_VELMORA_WATCH RUNNING
first_sample() { history_json && json "len($(samples $sata)) >= 1"; }
check "the watch samples at start" wait_for 30 first_sample
first_sample_ms=$(( $(now_ms) - start ))
check "the first sample holds the SATA drive's values" json \
  "$(samples $sata)[-1]['power_on_hours'] == 1234 and $(samples $sata)[-1]['status'] == 'OK' and $(samples $sata)[-1]['life_meter'] == 95"
check "both drives were seen for the first time (event 1005)" json \
  "len($(events_of 1005 $sata)) == 1 and len([e for e in d['events'] if e['event_id'] == 1005]) == 2"

# --- watch --now after the SMART bytes changed ------------------------------
# Power-on hours 1234 -> 1235 (raw D2 04 -> D3 04), the checksum 83 -> 82.
sed -i -e 's/0932006464D2040000000000/0932006464D3040000000000/' -e 's/000000000083$/000000000082/' "$set_file"
sleep 1.1   # a sample of the next second: one in the same second replaces the first
start=$(now_ms)
cli watch --now >"$work/now.out" 2>&1; status=$?
now_ms_taken=$(( $(now_ms) - start ))
check "watch --now exits 0" test "$status" -eq 0
history_json
check "watch --now added a sample with the new value" json \
  "len($(samples $sata)) >= 2 and $(samples $sata)[-1]['power_on_hours'] == 1235"

# --- A drive turned BAD ------------------------------------------------------
sed -i '0,/PredictFailure=0/s//PredictFailure=1/' "$set_file"
sleep 10    # requests less than 10 s apart share one sample
cli watch --now >/dev/null 2>&1
history_json
check "the drive turned BAD gives event 1001" json "len($(events_of 1001 $sata)) == 1 and $(samples $sata)[-1]['status'] == 'BAD'"
sleep 10
cli watch --now >/dev/null 2>&1
history_json
check "the next sample does not repeat event 1001" json "len($(events_of 1001 $sata)) == 1 and len($(samples $sata)) >= 4" ||
  python3 -c "import json,sys; d=json.load(open(sys.argv[1])); print([(e['event_id'], e['serial_number']) for e in d['events']]); print([(s['time'], s['status']) for s in [x for x in d['drives'] if x['serial_number'] == '$sata'][0]['samples']])" "$work/history.json"
alert_ran() { grep -q "VELMORA_EVENT_ID=1001" "$alerts" 2>/dev/null; }
check "the alert command ran for event 1001" wait_for 20 alert_ran
check "the alert command got the drive in its variables" bash -c "
  tr -d '\r' <'$alerts' | grep -qx 'VELMORA_DRIVE_SERIAL=$sata' &&
  tr -d '\r' <'$alerts' | grep -qx 'VELMORA_DRIVE_STATUS=BAD' &&
  tr -d '\r' <'$alerts' | grep -qx 'VELMORA_DRIVE_MODEL=VELMORA R730 SSD' &&
  tr -d '\r' <'$alerts' | grep -q '^VELMORA_EVENT_TEXT=.'"

# --- Killed in the middle of samples -----------------------------------------
# The services start again with the prefix's wineserver (automatic start).
kills=8
committed_before=0 lost=0
for i in $(seq 1 $kills); do
  wait_for 20 service_state SMART_VELMORA_WATCH RUNNING
  history_json && count=$(python3 -c "import json,sys; d=json.load(open(sys.argv[1])); print(sum(len(x['samples']) for x in d['drives']))" "$work/history.json")
  [ "${count:-0}" -lt "$committed_before" ] && lost=$((lost + 1))
  committed_before=${count:-0}
  sleep 10
  cli watch --now >/dev/null 2>&1 &
  sleep "0.$((RANDOM % 10))"
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  wait
  wineserver -p
done
check "no committed sample was lost while the watch was killed $kills times" test "$lost" -eq 0
# Both services start together with the prefix: the watch's first sample
# waits for the data service instead of finding every drive UNKNOWN.
history_json
check "restarts raised no UNKNOWN event" json "len([e for e in d['events'] if e['event_id'] == 1002]) == 0"
check "the database passes its integrity check" test "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok
check "every stored run has all its samples" test "$(sqlite3 "$db" \
  "SELECT count(*) FROM runs r WHERE r.drives > (SELECT count(*) FROM samples s WHERE s.time BETWEEN r.started AND r.finished)")" = 0

# --- A damaged database is set aside ------------------------------------------
service_stop SMART_VELMORA_WATCH
rm -f "$db-wal" "$db-shm"
head -c 8192 /dev/urandom >"$db"
service_start SMART_VELMORA_WATCH
aside() { ls "$history_dir"/history.db.corrupt-* >/dev/null 2>&1; }
check "the damaged database is set aside" wait_for 30 aside
fresh() { history_json && json "len($(samples $sata)) >= 1 and len([e for e in d['events'] if e['event_id'] == 1007]) == 1"; }
check "a fresh database holds a new sample and event 1007" wait_for 30 fresh

# --- Uninstall keeps the history; /PURGE removes it ---------------------------
wine "$install_dir/uninstall.exe" /S
wait_for 30 test ! -e "$install_dir"
check "the uninstaller keeps the history" test -f "$db"
wine "$bin/SMART_VELMORA_Setup.exe" /S
wine "$install_dir/uninstall.exe" /S /PURGE
wait_for 30 test ! -e "$install_dir"
check "uninstall /PURGE removes the history" test ! -e "$history_dir"

echo "figures:"
echo "  setup to the first stored sample:            $first_sample_ms ms"
echo "  watch --now (until the sample was stored):   $now_ms_taken ms"
echo "  kills in the middle of samples:              $kills"
echo "$failures failure(s)"
[ "$failures" -eq 0 ]
