#!/bin/bash
# The main job: shows the whole product working, as a customer gets it.
# On a fresh Debian 12 machine, as root: installs the missing Debian packages,
# builds the Windows programs and the setup program, installs the product with
# the setup program into a Wine prefix of the project's own
# (build/demo/wineprefix), points it at the example drive set and at the
# reference update server on a free loopback port, restarts the service,
# prints `SMART_VELMORA_CLI status`, and starts the toolbox: on the current
# display (close the window to finish), or under Xvfb (xvfb-run -a) when
# there is none (then it saves a screenshot, says where, and ends). Running
# it again repairs the installation in the same prefix; a removed prefix is
# made anew.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/wine-lib.sh
# The Windows preset's build; VELMORA_BUILD_DIR names another binary folder.
build=${VELMORA_BUILD_DIR:-$root/build/windows}
bin=$build/bin
demo=$root/build/demo
prefix=$demo/wineprefix
machine_key='HKLM\SOFTWARE\VELMORA\Corvexa'
user_key='HKCU\SOFTWARE\VELMORA\Corvexa'

say() { printf '==> %s\n' "$*"; }
fail() { printf 'run.sh: %s\n' "$*" >&2; exit 1; }
quiet() { "$@" >/dev/null 2>&1; }

# Without a display the script runs itself again under xvfb-run, after the
# packages and the build; VELMORA_DEMO_XVFB tells that second run.
if [ -z "${VELMORA_DEMO_XVFB:-}" ]; then
  # --- 1. Packages and build --------------------------------------------------
  say "Debian packages"
  if [ "$(id -u)" -eq 0 ]; then
    bash scripts/install-deps.sh || fail "installing the Debian packages failed"
  else
    echo "not root: the missing packages cannot be installed; going on with what is there"
  fi
  for tool in cmake ninja x86_64-w64-mingw32-g++-posix makensis wine wineserver python3 openssl import xdotool xvfb-run; do
    command -v "$tool" >/dev/null || fail "missing $tool: run as root on Debian 12 (scripts/install-deps.sh installs it)"
  done

  say "Building the Windows programs and the setup program (${build#"$root"/})"
  { cmake --preset windows -B "$build" >/dev/null && \
    cmake --build "$build" --target SMART_VELMORA_SV SMART_VELMORA SMART_VELMORA_CLI velmora_setup window_probe; } \
    || fail "the Windows build failed"

  # --- 2. A display -------------------------------------------------------------
  if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
    say "No display: going on under Xvfb (xvfb-run -a)"
    export VELMORA_DEMO_XVFB=1
    exec xvfb-run -a -s "$VELMORA_XVFB_SCREEN" bash "$root/scripts/run.sh"
  fi
  headless=0
  say "Using the display $DISPLAY"
else
  headless=1
  say "Xvfb display $DISPLAY"
fi
for program in SMART_VELMORA_Setup.exe SMART_VELMORA.exe SMART_VELMORA_SV.exe SMART_VELMORA_CLI.exe window_probe.exe; do
  [ -f "$bin/$program" ] || fail "missing $bin/$program after the build"
done
version=$(velmora_version "$build") || fail "no product version in $build/CMakeCache.txt"
caption="VELMORA SSD Toolbox $version"

server_pid=""
cleanup() {
  wine_end "$prefix"
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# --- 3. The Wine prefix -------------------------------------------------------
# Every Wine process must see the same display (Wine's desktop process takes
# the display of the first program that starts it), so the previous run's
# processes end first.
mkdir -p "$demo"
wine_end "$prefix"
if wine_prefix_ready "$prefix"; then
  say "Reusing the Wine prefix build/demo/wineprefix"
else
  say "Creating the Wine prefix build/demo/wineprefix"
fi
wine_prefix "$prefix"
# Without a window manager Wine draws the window frames itself.
quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f

# --- 4. Install -----------------------------------------------------------------
say "Installing with SMART_VELMORA_Setup.exe /S"
start=$(date +%s%3N)
wine "$bin/SMART_VELMORA_Setup.exe" /S
setup_status=$?
echo "setup exit status $setup_status after $(( $(date +%s%3N) - start )) ms"
[ "$setup_status" -eq 0 ] || fail "the setup program failed (exit status $setup_status)"
install_dir="$prefix/drive_c/Program Files/VELMORA SSD Toolbox"

# --- 5. Example drive set and the reference update server ----------------------
say "Example drive set: C:\\ProgramData\\VELMORA\\demo-drives.ini"
mkdir -p "$prefix/drive_c/ProgramData/VELMORA"
cp examples/demo-drives.ini "$prefix/drive_c/ProgramData/VELMORA/demo-drives.ini"
quiet wine reg add "$machine_key" /v SimulatedDrives /t REG_SZ /d 'C:\ProgramData\VELMORA\demo-drives.ini' /f \
  || fail "cannot set SimulatedDrives"

server_log=$demo/update-server.log
update_server_start "$root" "$server_log"; started=$?
server_pid=$update_server_pid port=$update_server_port
[ "$started" -eq 0 ] || fail "the reference update server did not start (see $server_log)"
say "Reference update server on 127.0.0.1:$port (log: build/demo/update-server.log)"
quiet wine reg add "$machine_key" /v UpdateHost /t REG_SZ /d "127.0.0.1:$port" /f || fail "cannot set UpdateHost"
# The server signs with the tests' key: trusted here as an organisation's mirror would be.
update_trust_test_key "$root" || fail "cannot set UpdateTrustedKey"
# The start-up question would wait for an answer; the menu still checks.
quiet wine reg add "$user_key" /v UpdatesDontAsk /t REG_DWORD /d 1 /f

# --- 6. The service on the drive set -------------------------------------------
say "Restarting the service SMART_VELMORA on the drive set"
service_restart SMART_VELMORA || fail "the service did not restart"

say "SMART_VELMORA_CLI status"
wine "$install_dir/SMART_VELMORA_CLI.exe" status
echo "(exit status $?: 0 every drive OK, 1 some BAD, 2 some UNKNOWN, 3 none found, 4 failure)"

# --- 7. The toolbox ---------------------------------------------------------------
say "Starting the toolbox on $DISPLAY"
wine "$install_dir/SMART_VELMORA.exe" >"$demo/toolbox.log" 2>&1 &
toolbox_pid=$!
wine "$bin/window_probe.exe" fields "$caption" 30000 >"$demo/fields.txt" 2>/dev/null \
  || fail "the toolbox window did not show its first drive (see build/demo/toolbox.log)"
window=$(xdotool search --name "^${caption//./\\.}\$" 2>/dev/null | head -n1)
shot=$demo/toolbox.png
if [ -n "$window" ] && import -window "$window" "$shot" 2>/dev/null; then
  say "Screenshot of the toolbox: $shot"
else
  import -window root "$shot" && say "Screenshot of the screen: $shot"
fi

if [ "$headless" -eq 1 ]; then
  say "Done (Xvfb has no screen to look at: see the screenshot)"
else
  say "The toolbox runs on $DISPLAY: try Updates > Check for updates. Close its window to finish."
  wait "$toolbox_pid"
fi
