#!/bin/bash
# Wall time of "SMART_VELMORA_CLI status" under Wine against the real service
# on simulated sets of 4 and 16 of the maker's drives, and what one refresh
# costs. Builds what is missing, uses a scratch prefix under build/bench-cli
# and ends its Wine processes. Usage: scripts/bench-cli.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
root=$(pwd)
bin=$root/build/windows/bin
work=$root/build/bench-cli
export VELMORA_WINEPREFIX=$work/wineprefix WINEPREFIX=$work/wineprefix WINEDEBUG=-all
[ -x "$bin/SMART_VELMORA_CLI.exe" ] || { cmake --preset windows >/dev/null && cmake --build --preset windows --target SMART_VELMORA_CLI SMART_VELMORA_SV; }
mkdir -p "$work"
trap 'scripts/wine-run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT >/dev/null 2>&1; wineserver -k 2>/dev/null' EXIT


median_ms() {  # command... ; prints the median wall time of $runs runs in ms
  local times=()
  for _ in $(seq "$runs"); do
    local start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    times+=($(( ($(date +%s%N) - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

scripts/wine-run wineboot -u >/dev/null 2>&1; wineserver -w
scripts/wine-run "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
cli() { scripts/wine-run "$bin/SMART_VELMORA_CLI.exe" "$@"; }
start_ms=$(median_ms cli --help)
declare -A status_ms
for n in 4 16; do
  python3 scripts/make-drive-set.py "$n" >"$work/set-$n.ini"
  scripts/wine-run reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /t REG_SZ /d "$(winepath -w "$work/set-$n.ini")" /f >/dev/null 2>&1
  scripts/wine-run net stop SMART_VELMORA >/dev/null 2>&1 || true
  scripts/wine-run net start SMART_VELMORA >/dev/null 2>&1
  [ "$(cli status --json | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["drives"]))')" = "$n" ] || { echo "status did not list $n drives"; exit 1; }
  status_ms[$n]=$(median_ms cli status)
done
per_refresh=$(awk -v a="${status_ms[4]}" -v b="${status_ms[16]}" 'BEGIN {printf "%.2f", (b - a) / 12}')
echo "runs per figure: $runs (median wall time)"
echo "program start (--help): ${start_ms} ms"
echo "status, 4 drives: ${status_ms[4]} ms"
echo "status, 16 drives: ${status_ms[16]} ms"
echo "one refresh (difference / 12): ${per_refresh} ms"
