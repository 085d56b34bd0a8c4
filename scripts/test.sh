#!/bin/bash
# The one test command: installs what is missing, builds both presets, runs
# the native tests (ASan/UBSan), the clang compile check, the fuzz targets
# for a bounded time and the Windows tests under Wine, then prints a summary.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh || exit 1

declare -A status
run_step() {  # name, command...
  local name=$1; shift
  echo "=== $name"
  if "$@"; then status[$name]=passed; else status[$name]=failed; fi
}

run_step native-build bash -c 'cmake --preset native >/dev/null && cmake --build --preset native'
run_step native-tests ctest --preset native
run_step clang-check bash scripts/clang-check.sh
if [ -f scripts/fuzz.sh ]; then
  run_step fuzz bash scripts/fuzz.sh "${VELMORA_FUZZ_SECONDS:-20}"
fi
run_step windows-build bash -c 'cmake --preset windows >/dev/null && cmake --build --preset windows'
run_step windows-tests ctest --preset windows
if [ "${status[windows-build]}" = passed ]; then
  run_step screenshot bash scripts/screenshot.sh build/windows build/windows/main-window.png
fi
# Nothing of the Wine prefixes may outlive the run.
for prefix in "$root"/build/windows/wineprefix*; do
  [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
done

passed=0; failed=0
echo "=== summary"
for step in native-build native-tests clang-check fuzz windows-build windows-tests screenshot; do
  [ -n "${status[$step]:-}" ] || continue
  echo "$step: ${status[$step]}"
  if [ "${status[$step]}" = passed ]; then passed=$((passed+1)); else failed=$((failed+1)); fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
