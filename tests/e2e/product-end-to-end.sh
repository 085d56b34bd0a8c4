#!/bin/bash
# The whole product as a customer gets it, under Wine and Xvfb: the setup
# program with /S in a fresh prefix, the service running, the console's
# status on the example drive set, the toolbox window's fields read from
# another process, the raw report, an update check against the reference
# update server through the console and through the window's menu, and the
# uninstaller with /S leaving nothing behind. Prints the figures it measured.
# Usage: xvfb-run -a product-end-to-end.sh BIN_DIR PREFIX SOURCE_DIR VERSION
# (VERSION: the product version the programs were built with)
set -uo pipefail
bin=$1 prefix=$2 source=$3 version=$4
. "$source/scripts/wine-lib.sh"
caption="VELMORA SSD Toolbox $version"
work=$(mktemp -d)
server_pid="" toolbox_pid=""
failures=0  # counted by check (wine-lib.sh)
cleanup() {
  wine_end "$prefix"
  [ -n "$toolbox_pid" ] && kill "$toolbox_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
probe() { wine "$bin/window_probe.exe" "$@" | tr -d '\r'; }
cli() { wine "$bin/SMART_VELMORA_CLI.exe" "$@"; }
reg_present() { wine reg query "$1" >/dev/null 2>&1; }
json() {  # file, python expression over d
  python3 -c "import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if ($2) else 1)" "$1"
}

for need in SMART_VELMORA_Setup.exe SMART_VELMORA.exe SMART_VELMORA_SV.exe SMART_VELMORA_CLI.exe window_probe.exe; do
  if [ ! -f "$bin/$need" ]; then echo "FAILED: $bin/$need has not been built"; exit 1; fi
done
# Every Wine process of the run shares one display, the one xvfb-run gave:
# Wine's desktop process takes the display of the first program that starts it.
if [ -z "${DISPLAY:-}" ]; then echo "FAILED: no display (run under xvfb-run)"; exit 1; fi
echo "display $DISPLAY"

# --- A fresh prefix, prepared as an administrator would -------------------
wine_fresh_prefix "$prefix"
drive_c=$prefix/drive_c
install_dir="$drive_c/Program Files/VELMORA SSD Toolbox"
mkdir -p "$drive_c/ProgramData/VELMORA"
cp "$source/examples/demo-drives.ini" "$drive_c/ProgramData/VELMORA/demo-drives.ini"
machine_key='HKLM\SOFTWARE\VELMORA\Corvexa'
user_key='HKCU\SOFTWARE\VELMORA\Corvexa'
wine reg add "$machine_key" /v SimulatedDrives /t REG_SZ /d 'C:\ProgramData\VELMORA\demo-drives.ini' /f >/dev/null 2>&1
# No start-up question, no start-up check: the test asks for the check itself.
wine reg add "$user_key" /v UpdatesDontAsk /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$user_key" /v UpdatesAutoCheck /t REG_DWORD /d 0 /f >/dev/null 2>&1

# --- Install ---------------------------------------------------------------
start=$(now_ms)
wine "$bin/SMART_VELMORA_Setup.exe" /S; setup_status=$?
install_ms=$(( $(now_ms) - start ))
check "the setup program exits 0" test "$setup_status" -eq 0
check "the three programs are installed" test -f "$install_dir/SMART_VELMORA.exe" -a -f "$install_dir/SMART_VELMORA_SV.exe" -a -f "$install_dir/SMART_VELMORA_CLI.exe"
check "the documentation and licence are installed" test -f "$install_dir/docs/user-guide.md" -a -f "$install_dir/LICENSE.txt"
check "the service is registered and running" wait_for 20 service_state SMART_VELMORA RUNNING
event_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\SMART VELMORA.exe'
check "the event source names the message file" bash -c "wine reg query '$event_key' /v EventMessageFile 2>/dev/null | grep -q 'SMART_VELMORA_Messages.dll'"
check "the event source supports error, warning and information" bash -c "wine reg query '$event_key' /v TypesSupported 2>/dev/null | grep -q '0x7'"
entry="FILE pipe LINE 38 CODE 2"
check "the message file shows an entry's text as it is" test "$(probe message 'C:\Program Files\VELMORA SSD Toolbox\SMART_VELMORA_Messages.dll' "$entry")" = "$entry"
check "the Start menu shortcut exists" test -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELMORA SSD Toolbox.lnk"
check "Programs and Features lists the toolbox" reg_present 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\SMART_VELMORA'

# --- From service start to the first answered request ----------------------
check "the service stops" service_stop SMART_VELMORA
first_reply_ms=$(probe firstreply SMART_VELMORA 20000)
check "the restarted service answers" test -n "$first_reply_ms"

# --- The console on the example set ----------------------------------------
start=$(now_ms)
cli status --json >"$work/status.json" 2>"$work/status.err"; status=$?
status_ms=$(( $(now_ms) - start ))
check "status exits 0 (every drive OK)" test "$status" -eq 0
check "status finds the two VELMORA drives, in order" json "$work/status.json" \
  '[x["model"] for x in d["drives"]] == ["VELMORA R730 SSD", "VELMORA LP520 NVMe SSD"]'
check "status gives the SATA drive's values" json "$work/status.json" \
  'd["drives"][0]["interface"] == "SATA" and d["drives"][0]["power_on_hours"] == 1234 and d["drives"][0]["power_cycles"] == 321 and d["drives"][0]["max_erase_count"] == 210 and d["drives"][0]["avg_erase_count"] == 150 and d["drives"][0]["gb_written"] == 4567 and d["drives"][0]["temperature"] == 35 and d["drives"][0]["life_meter"] == 95 and d["drives"][0]["status"] == "OK"'
check "status gives the NVMe drive's values" json "$work/status.json" \
  'd["drives"][1]["interface"] == "NVMe" and d["drives"][1]["power_on_hours"] == 2210 and d["drives"][1]["power_cycles"] == 275 and d["drives"][1]["temperature"] == 38 and d["drives"][1]["life_meter"] == 97 and d["drives"][1]["status"] == "OK"'
check "status writes nothing to standard error" test ! -s "$work/status.err"

# --- Metrics for a textfile collector --------------------------------------
cli metrics --out 'C:\ProgramData\VELMORA\velmora_ssd.prom' >/dev/null 2>&1; status=$?
prom=$drive_c/ProgramData/VELMORA/velmora_ssd.prom
check "metrics --out exits 0" test "$status" -eq 0
check "metrics gives both drives' life meters" bash -c "grep -qx 'velmora_ssd_life_meter_percent{.*serial_number=.*} 95' '$prom' && grep -qx 'velmora_ssd_life_meter_percent{.*} 97' '$prom'"
check "promtool accepts the metrics without a word" bash -c "[ -z \"\$(promtool check metrics <'$prom' 2>&1)\" ]"

# --- The raw report --------------------------------------------------------
cli raw 'C:\ProgramData\VELMORA\raw.txt' >/dev/null 2>&1; status=$?
raw=$drive_c/ProgramData/VELMORA/raw.txt
check "raw FILE exits 0" test "$status" -eq 0
check "the raw report lists all three disks" bash -c "grep -q 'VELMORA R730 SSD' '$raw' && grep -q 'VELMORA LP520 NVMe SSD' '$raw' && grep -q 'TORVAL HD1000 SATA' '$raw'"
check "every line of the raw report ends in CR LF" python3 -c '
import sys
b=open(sys.argv[1],"rb").read()
sys.exit(0 if b and b.endswith(b"\r\n") and b.count(b"\n")==b.count(b"\r\n") else 1)' "$raw"

# --- The reference update server on a free loopback port -------------------
# It signs with the tests' key, which the machine trusts as a mirror's.
check "the tests' signing key is trusted" update_trust_test_key "$source"
check "the reference update server listens" update_server_start "$source" "$work/server.log" --quiet
server_pid=$update_server_pid port=$update_server_port
wine reg add "$machine_key" /v UpdateHost /t REG_SZ /d "127.0.0.1:$port" /f >/dev/null 2>&1
cli updates --json >"$work/updates.json" 2>"$work/updates.err"; status=$?
check "updates exits 0" test "$status" -eq 0
check "updates offers the new toolbox and the SATA drive's firmware, verified" json "$work/updates.json" \
  '[(o["kind"], o["drive_model"], o["offered_version"], o["verified"]) for o in d["offers"]] == [("application", "", "1.02", True), ("firmware", "VELMORA R730 SSD", "Q5RT2B3", True)]'

# Replies changed on the path: one byte changed, the signature line removed.
# Under the default policy they offer nothing; with RequireSignedUpdates 0
# the unsigned one offers as before, unverified.
refused="The update information could not be verified. Please update your application manually by downloading it from VELMORA website."
for replies in tampered unsigned; do
  update_server_start "$source" "$work/server-$replies.log" --quiet --replies "$replies"
  other_pid=$update_server_pid
  wine reg add "$machine_key" /v UpdateHost /t REG_SZ /d "127.0.0.1:$update_server_port" /f >/dev/null 2>&1
  cli updates --json >"$work/updates-$replies.json" 2>"$work/updates-$replies.err"; status=$?
  check "updates refuses the $replies reply: exit 4 and the could-not-be-verified message" \
    bash -c '[ "$1" -eq 4 ] && [ "$(tr -d "\r" <"$2")" = "$3" ] && [ ! -s "$4" ]' _ \
    "$status" "$work/updates-$replies.err" "$refused" "$work/updates-$replies.json"
  if [ "$replies" = unsigned ]; then
    wine reg add "$machine_key" /v RequireSignedUpdates /t REG_DWORD /d 0 /f >/dev/null 2>&1
    cli updates --json >"$work/updates-policy0.json" 2>"$work/updates-policy0.err"; status=$?
    check "an unsigned reply with RequireSignedUpdates 0 offers as before, unverified" json "$work/updates-policy0.json" \
      '[(o["offered_version"], o["verified"]) for o in d["offers"]] == [("1.02", False), ("Q5RT2B3", False)]'
    wine reg delete "$machine_key" /v RequireSignedUpdates /f >/dev/null 2>&1
  fi
  kill "$other_pid" 2>/dev/null; wait "$other_pid" 2>/dev/null
done
wine reg add "$machine_key" /v UpdateHost /t REG_SZ /d "127.0.0.1:$port" /f >/dev/null 2>&1

# --- The toolbox window, read from another process --------------------------
wine "$install_dir/SMART_VELMORA.exe" >"$work/toolbox.log" 2>&1 &
toolbox_pid=$!
if ! probe fields "$caption" 30000 >"$work/fields.txt"; then
  echo "toolbox output:"; sed 's/^/  /' "$work/toolbox.log"
  wait "$toolbox_pid"; echo "toolbox exit status $?"; toolbox_pid=""
fi
field() { awk -F'\t' -v id="$1" '$1 == id { print $3; exit }' "$work/fields.txt"; }
check "the main window \"$caption\" shows the first drive" test "$(field 1001)" = "VELMORA R730 SSD"
check "the window's fields equal the console's" bash -c '
  [ "$(printf "%s|" "$@")" = "256GB|VM0A1B2C3D|Q5RT2B1|1234|321|210|150|4567|35|" ]' _ \
  "$(field 1002)" "$(field 1003)" "$(field 1004)" "$(field 1005)" "$(field 1006)" "$(field 1007)" "$(field 1008)" "$(field 1009)" "$(field 1010)"
# The screen as the test saw it, beside the prefix, for a look afterwards.
import -window root "$prefix-screen.png" 2>/dev/null

if [ -n "$port" ]; then
  # The menu command "Check for updates": every offer is asked about; say No.
  probe command "$caption" 210 >/dev/null
  probe answer "$caption" No 30000 >"$work/boxes.txt"; status=$?
  check "the window's update check asks about the offers" test "$status" -eq 0 -a -s "$work/boxes.txt"
  check "the first question offers the toolbox" bash -c "sed -n 1p '$work/boxes.txt' | grep -q 'New version of VELMORA SSD Toolbox is available'"
  check "the second question offers the SATA drive's firmware" bash -c "sed -n 2p '$work/boxes.txt' | grep -q 'New version of SSD VELMORA R730 SSD firmware is available'"
  probe fields "$caption" 10000 >"$work/fields.txt"
  check "after the check the firmware field tells of new firmware" bash -c "grep -q 'Q5RT2B1 (new version is available)' '$work/fields.txt'"
  sed 's/^/  /' "$work/boxes.txt"
fi
check "the toolbox closes" test "$(probe close "$caption" 10000; echo $?)" = 0
wait "$toolbox_pid" 2>/dev/null; toolbox_pid=""

# --- Uninstall ---------------------------------------------------------------
start=$(now_ms)
wine "$install_dir/uninstall.exe" /S
# The uninstaller runs on from a copy of itself in the temporary folder.
wait_for 30 test ! -e "$install_dir"; gone=$?
uninstall_ms=$(( $(now_ms) - start ))
check "the uninstaller removes the program folder" test "$gone" -eq 0
check "no service is left" bash -c "! wine sc query SMART_VELMORA 2>/dev/null | tr -d '\r' | grep -q SERVICE_NAME"
check "no service registration is left" bash -c "! wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\SMART_VELMORA' >/dev/null 2>&1"
check "no event source is left" bash -c "! wine reg query '$event_key' >/dev/null 2>&1"
check "no Programs and Features entry is left" bash -c "! wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\SMART_VELMORA' >/dev/null 2>&1"
check "no shortcut is left" test ! -e "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELMORA SSD Toolbox.lnk"
check "the user's settings stay" reg_present "$user_key"
leftovers=$(find "$drive_c" -iname 'SMART_VELMORA*' 2>/dev/null | wc -l)
check "no file named SMART_VELMORA is left in the prefix" test "$leftovers" -eq 0

echo "figures:"
echo "  install (setup /S, until it exits):              $install_ms ms"
echo "  service start to the first answered request:     ${first_reply_ms:-?} ms"
echo "  status --json (one console run under Wine):      $status_ms ms"
echo "  uninstall (until the program folder is gone):    $uninstall_ms ms"
echo "  files named SMART_VELMORA left after uninstall:  $leftovers"
echo "$failures failure(s)"
[ "$failures" -eq 0 ]
