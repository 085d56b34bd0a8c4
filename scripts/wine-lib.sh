# Shell helpers shared by the scripts and the end-to-end tests that drive the
# product under Wine: the project's Wine prefixes, polling with a deadline,
# the service's start and stop, the reference update server, and the built
# version. Source it from bash: . scripts/wine-lib.sh

# Quiet Wine, and no prompts to install Mono or Gecko.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# The screen of every Xvfb display the scripts start (xvfb-run -a -s ...).
VELMORA_XVFB_SCREEN="-screen 0 1024x768x24"

# wine_prefix PREFIX: exports WINEPREFIX=PREFIX and creates the prefix once,
# under a lock (ctest starts programs side by side). The first-boot processes
# are waited for: services registered while they still run fail to start.
wine_prefix() {
  export WINEPREFIX=$1
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    # A first boot that failed half-way leaves a prefix without its system
    # files, which every later program fails on: made once more then.
    local attempt
    for attempt in 1 2; do
      wine_prefix_ready "$WINEPREFIX" && break
      rm -rf "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && touch "$WINEPREFIX/.velmora-ready"
    done
  ) 9>"$WINEPREFIX.lock"
}

# wine_prefix_ready PREFIX: the prefix has been made and is not half-made.
wine_prefix_ready() { [ -f "$1/.velmora-ready" ]; }

# wine_fresh_prefix PREFIX: a new prefix, after ending every process of the old one.
wine_fresh_prefix() {
  wine_end "$1"
  rm -rf "$1"
  wine_prefix "$1"
}

# wine_end PREFIX: ends every Wine process of the prefix, when there is one.
wine_end() {
  [ -d "$1" ] || return 0
  WINEPREFIX=$1 wineserver -k 2>/dev/null
  return 0
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds;
# fails once SECONDS have passed without success.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# service_state NAME STATE: the prefix's service NAME is in STATE (RUNNING, STOPPED).
service_state() { wine sc query "$1" 2>/dev/null | tr -d '\r' | grep -q "STATE.*$2"; }

# service_start NAME / service_stop NAME: asks Wine's service manager and waits
# (20 s at most) until the service has got there; says so when it has not.
service_start() {
  wine net start "$1" >/dev/null 2>&1
  wait_for 20 service_state "$1" RUNNING || { echo "the service $1 did not start" >&2; return 1; }
}
service_stop() {
  wine net stop "$1" >/dev/null 2>&1
  wait_for 20 service_state "$1" STOPPED || { echo "the service $1 did not stop" >&2; return 1; }
}
service_restart() { service_stop "$1" && service_start "$1"; }

# update_server_start SOURCE_DIR LOG [ARGS...]: starts the reference update
# server on a free loopback port (it names the port it took in its log) and
# waits for it; sets update_server_pid and update_server_port.
update_server_start() {
  local source=$1 log=$2
  shift 2
  update_server_port=""
  python3 "$source/tools/update-server/reference_update_server.py" --port 0 "$@" >"$log" 2>&1 &
  update_server_pid=$!
  wait_for 20 _update_server_listening "$log"
}
_update_server_listening() {
  update_server_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$1" 2>/dev/null)
  [ -n "$update_server_port" ]
}

# update_trust_test_key SOURCE_DIR: in the current prefix, trusts the key the
# reference update server signs with (tests/data/update/test-signing-key.pem)
# machine-wide, as UpdateTrustedKey: base64 of its uncompressed public point,
# taken from the key by openssl.
update_trust_test_key() {
  local point
  point=$(openssl ec -in "$1/tests/data/update/test-signing-key.pem" -pubout -outform DER 2>/dev/null |
    tail -c 65 | base64 -w0)
  [ "${#point}" -eq 88 ] || { echo "cannot read the tests' signing key" >&2; return 1; }
  wine reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v UpdateTrustedKey /t REG_SZ /d "$point" /f >/dev/null 2>&1
}

# velmora_version BUILD_DIR: the product version the build was configured
# with (project(... VERSION ...), kept in CMake's cache).
velmora_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt" 2>/dev/null | grep .
}

# check DESCRIPTION COMMAND...: runs the command of an end-to-end test and
# says ok or FAILED; failures counts the failed ones (the test sets it to 0).
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures+1)); return 1; fi
}
