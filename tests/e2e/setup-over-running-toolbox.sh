#!/bin/bash
# The setup program over a toolbox that runs from the installed folder, under
# Wine and Xvfb: a second build whose every file differs is set up while the
# toolbox window is open. Run by a person, the setup asks to close the
# toolbox, and Cancel ends it with a non-zero status and every old file in
# place (its pages and boxes are driven with window messages). With /S it
# must either have replaced every file or exit with a non-zero status; it
# never reports success over old files. A file that cannot be written at all fails the setup; the
# uninstaller leaves what it cannot remove to the next restart and says so.
# Usage: xvfb-run -a setup-over-running-toolbox.sh BIN_DIR PREFIX SOURCE_DIR VERSION
set -uo pipefail
bin=$1 prefix=$2 source=$3 version=$4
. "$source/scripts/wine-lib.sh"
caption="VELMORA SSD Toolbox $version"
work=$(mktemp -d)
toolbox_pid=""
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures+1)); fi
}
cleanup() {
  wine_end "$prefix"
  [ -n "$toolbox_pid" ] && kill "$toolbox_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

probe() { wine "$bin/window_probe.exe" "$@" | tr -d '\r'; }
programs="SMART_VELMORA.exe SMART_VELMORA_SV.exe SMART_VELMORA_CLI.exe SMART_VELMORA_WATCH.exe SMART_VELMORA_Messages.dll"
for need in SMART_VELMORA_Setup.exe window_probe.exe $programs; do
  if [ ! -f "$bin/$need" ]; then echo "FAILED: $bin/$need has not been built"; exit 1; fi
done
if [ -z "${DISPLAY:-}" ]; then echo "FAILED: no display (run under xvfb-run)"; exit 1; fi

# --- A second build: the same programs with bytes appended (still valid PE
# files, each one different from the first build's) ---------------------------
mkdir -p "$work/bin-b"
for program in $programs; do
  cp "$bin/$program" "$work/bin-b/$program"
  printf 'second build\n' >>"$work/bin-b/$program"
done
makensis -V1 -NOCD -DBIN_DIR="$work/bin-b" -DSOURCE_DIR="$source" \
  -DLICENSE_FILE="$source/app/win/res/license.txt" -DVERSION="$version" \
  -DOUT_FILE="$work/setup-b.exe" "$source/installer/smart_velmora.nsi"
check "the second build's setup program is made" test -f "$work/setup-b.exe"

# --- The first build installed, its toolbox running ---------------------------
wine_fresh_prefix "$prefix"
install_dir="$prefix/drive_c/Program Files/VELMORA SSD Toolbox"
# The example drives, so that the toolbox fills its window.
mkdir -p "$prefix/drive_c/ProgramData/VELMORA"
cp "$source/examples/demo-drives.ini" "$prefix/drive_c/ProgramData/VELMORA/demo-drives.ini"
wine reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /t REG_SZ /d 'C:\ProgramData\VELMORA\demo-drives.ini' /f >/dev/null 2>&1
wine reg add 'HKCU\SOFTWARE\VELMORA\Corvexa' /v UpdatesDontAsk /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKCU\SOFTWARE\VELMORA\Corvexa' /v UpdatesAutoCheck /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine "$bin/SMART_VELMORA_Setup.exe" /S; status=$?
check "the first setup exits 0" test "$status" -eq 0
wine "$install_dir/SMART_VELMORA.exe" >/dev/null 2>&1 &
toolbox_pid=$!
probe fields "$caption" 30000 >/dev/null; status=$?
check "the toolbox runs from the installed folder" test "$status" -eq 0

# --- Run by a person: asked to close the toolbox, Cancel keeps the old files --
setup_caption="VELMORA SSD Toolbox $version Setup"
press() { probe press "$setup_caption" "$1" 60000; }
wine "$work/setup-b.exe" >/dev/null 2>&1 &
setup_pid=$!
pages=0
for button in "Next >" "I Agree" "Install"; do press "$button" >/dev/null && pages=$((pages+1)); done
check "the setup's pages lead to the installation" test "$pages" -eq 3
question=$(press "Cancel")
echo "$question"
check "the setup asks to close the running toolbox" grep -q "is running.*Close them, then choose Retry" <<<"$question"
press "OK" >/dev/null
# The wizard is left on its aborted page; the user closes it.
press "Cancel" >/dev/null
wait_for 30 bash -c "! kill -0 $setup_pid 2>/dev/null"
wait "$setup_pid"; status=$?
echo "cancelled setup exit status $status"
check "a cancelled setup exits non-zero" test "$status" -ne 0
kept=0
for program in $programs; do
  cmp -s "$bin/$program" "$install_dir/$program" && kept=$((kept+1))
done
check "a cancelled setup keeps every file of the first build" test "$kept" -eq "$(echo $programs | wc -w)"
check "a cancelled setup keeps the services" bash -c "wine sc query SMART_VELMORA >/dev/null 2>&1 && wine sc query SMART_VELMORA_WATCH >/dev/null 2>&1"
toolbox_shows_fields() { probe fields "$caption" 5000 >/dev/null; }
check "the toolbox still runs after the cancelled setup" toolbox_shows_fields

# --- A silent registration that fails shows no box -----------------------------
# The service exists already. On this display a box would hold the program
# until someone closed it.
timeout 30 wine "$install_dir/SMART_VELMORA_SV.exe" /INSTALL /SILENT; status=$?
echo "second silent /INSTALL: exit status $status"
check "a failing silent /INSTALL exits non-zero at once, without a box" test "$status" -ne 0 -a "$status" -ne 124

# --- The second build over it -------------------------------------------------
wine "$work/setup-b.exe" /S; status=$?
echo "second setup exit status $status"
replaced=0
for program in $programs; do
  cmp -s "$work/bin-b/$program" "$install_dir/$program" && replaced=$((replaced+1))
done
echo "files of the second build in place: $replaced of $(echo $programs | wc -w)"
check "the setup replaced every file or exits non-zero" \
  bash -c "[ $status -ne 0 ] || [ $replaced -eq $(echo $programs | wc -w) ]"
check "the setup ended the toolbox" bash -c "! wine '$bin/window_probe.exe' fields '$caption' 2000 >/dev/null 2>&1"
wait "$toolbox_pid" 2>/dev/null; toolbox_pid=""

# --- The finish page starts the toolbox through Explorer ---------------------
# The setup runs elevated; the toolbox it offers to start must not inherit
# that, so Explorer, which runs as the signed-in user, starts it. Wine's
# Explorer may have ended by the time the toolbox shows, so the check is
# that the toolbox's parent is not the setup, and is Explorer when alive.
wine "$bin/SMART_VELMORA_Setup.exe" >/dev/null 2>&1 &
setup_pid=$!
pages=0
# After the installation the wizard moves to its finish page by itself.
for button in "Next >" "I Agree" "Install"; do press "$button" >/dev/null && pages=$((pages+1)); done
finish=$(press "Finish") && pages=$((pages+1))
check "a setup run by a person goes through to its finish page" test "$pages" -eq 4
setup_process=$(cut -f3 <<<"$finish")
wait "$setup_pid"; status=$?
check "that setup exits 0" test "$status" -eq 0
started_by=$(probe parent "$caption" 30000)
echo "the setup was process $setup_process; the toolbox from its finish page was started by: $started_by"
parent_name=$(cut -f1 <<<"$started_by" | tr A-Z a-z)
parent_process=$(cut -f2 <<<"$started_by")
check "the finish page starts the toolbox through Explorer, not as the setup's child" \
  bash -c "[ -n '$setup_process' ] && [ '$parent_process' != '$setup_process' ] && { [ '$parent_name' = explorer.exe ] || [ '$parent_name' = exited ]; }"
probe close "$caption" 10000 >/dev/null

# --- A file that cannot be written: the setup fails ---------------------------
# A folder where a document belongs cannot be opened for writing, as a file
# held by another program cannot.
blocked="$install_dir/docs/pipe-protocol.md"
rm -f "$blocked" && mkdir "$blocked"
wine "$bin/SMART_VELMORA_Setup.exe" /S; status=$?
echo "setup over an unwritable file: exit status $status"
check "a setup that could not write a file exits non-zero" test "$status" -ne 0

# --- The uninstaller: what it cannot remove now goes at the next restart -----
# _?= runs it in place, so that its exit status is seen; NSIS takes the
# rest of the command line unquoted, which a batch file passes on as it is.
printf '%s\r\n' '@"C:\Program Files\VELMORA SSD Toolbox\uninstall.exe" /S _?=C:\Program Files\VELMORA SSD Toolbox' \
  '@exit /b %errorlevel%' >"$prefix/drive_c/uninstall-in-place.bat"
wine cmd /c 'C:\uninstall-in-place.bat'; status=$?
echo "uninstall with a folder it cannot remove: exit status $status"
# 3010 reaches Linux as its low byte, 194.
check "the uninstaller says a restart finishes the removal (3010)" test "$status" -eq $((3010 % 256))
check "the uninstaller removed the programs" test ! -e "$install_dir/SMART_VELMORA.exe"
check "the folder left is marked for removal at the next restart" bash -c \
  "wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' | grep -qi 'VELMORA SSD Toolbox'"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
