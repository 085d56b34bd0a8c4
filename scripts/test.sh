#!/bin/bash
# The one test command: installs what is missing, then builds and runs, each
# through its CMake preset: the native tests (g++, ASan/UBSan), the clang++ 14
# build of the same code, the fuzz targets for VELMORA_FUZZ_SECONDS (default
# 20) each, the Windows build and its tests under Wine, and a screenshot of
# the toolbox. The closing line adds up ctest's own totals of the native, fuzz
# and Windows suites; a failed build or screenshot fails the run as well.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh || exit 1

declare -A status
steps=()
logs=$root/build/test-logs
mkdir -p "$logs"
run_step() {  # name, command...
  local name=$1; shift
  echo "=== $name"
  steps+=("$name")
  if "$@" 2>&1 | tee "$logs/$name.log"; then status[$name]=passed; else status[$name]=failed; fi
}
build() {  # preset
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

run_step native-build build native
run_step native-tests ctest --preset native
run_step clang-build build clang
run_step fuzz-build build fuzz
run_step fuzz-tests ctest --preset fuzz
run_step windows-build build windows
run_step windows-tests ctest --preset windows
if [ "${status[windows-build]}" = passed ]; then
  run_step screenshot timeout 300 bash scripts/screenshot.sh build/windows build/windows/main-window.png
fi
# Nothing of the Wine prefixes may outlive the run.
for prefix in "$root"/build/windows/wineprefix*; do
  [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
done

passed=0; failed=0
echo "=== summary"
for step in "${steps[@]}"; do
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$step.log" | tail -1)
  if [ -n "$summary" ]; then
    echo "$step: ${status[$step]} ($summary)"
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  else
    echo "$step: ${status[$step]}"
  fi
done
# A step that failed without failing tests (a build, the screenshot, a crash
# of ctest itself) still fails the run.
broken=()
for step in "${steps[@]}"; do [ "${status[$step]}" = passed ] || broken+=("$step"); done
if ((${#broken[@]})); then
  echo "$passed passed, $failed failed; failed steps: ${broken[*]}"
  exit 1
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
