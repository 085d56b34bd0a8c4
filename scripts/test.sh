#!/bin/bash
# The one test command: installs what is missing, builds both presets, runs
# the native tests (ASan/UBSan), the clang compile check, the fuzz targets
# for a bounded time and the Windows tests under Wine, then prints a summary.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh || exit 1

declare -A status
logs=$root/build/test-logs
mkdir -p "$logs"
run_step() {  # name, command...
  local name=$1; shift
  echo "=== $name"
  if "$@" 2>&1 | tee "$logs/$name.log"; then status[$name]=passed; else status[$name]=failed; fi
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
  run_step screenshot timeout 300 bash scripts/screenshot.sh build/windows build/windows/main-window.png
fi
# Nothing of the Wine prefixes may outlive the run.
for prefix in "$root"/build/windows/wineprefix*; do
  [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
done

# The closing line counts tests: every ctest test of both suites, every fuzz
# target, and each other step as one check.
passed=0; failed=0
echo "=== summary"
for step in native-build native-tests clang-check fuzz windows-build windows-tests screenshot; do
  [ -n "${status[$step]:-}" ] || continue
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$step.log" | tail -1)
  if [ -n "$summary" ]; then
    echo "$step: ${status[$step]} ($summary)"
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  elif [ "$step" = fuzz ]; then
    targets=$(grep -c '^fuzz [a-z_]*: ' "$logs/$step.log")
    echo "$step: ${status[$step]} ($targets targets)"
    if [ "${status[$step]}" = passed ]; then passed=$((passed + targets)); else failed=$((failed + 1)); fi
  else
    echo "$step: ${status[$step]}"
    if [ "${status[$step]}" = passed ]; then passed=$((passed+1)); else failed=$((failed+1)); fi
  fi
done
# A step that failed without failing tests (a crash of ctest itself) still fails the run.
for step in "${!status[@]}"; do [ "${status[$step]}" = passed ] || any_failed=1; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ -z "${any_failed:-}" ]
