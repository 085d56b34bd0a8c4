#!/bin/bash
# The health watch's figures: one run of 16 drives beyond the refreshes and
# the database's size per drive and year (watch_run_bench); "history" and
# "forecast" on 16 drives with three years of hourly samples natively
# (history_read_bench); and under Wine, on the same history, the Windows
# console's "history --json", "forecast --json" and "metrics" (against the
# data service on a set of those 16 drives) beside their floors: the same
# program printing its usage (Wine's start cost), and for "metrics" also
# "status" on the same drives (the refreshes); and the watch's own work under
# Wine taking 100 samples of those drives on a clock the benchmark moves: its
# working set and private bytes after the first and the last sample, and the
# time of one sample beside its floor, reading the same drives alone
# (watch_footprint_bench). Builds a release tree without sanitizers in
# build/bench and uses a scratch prefix under build/bench-watch.
# Usage: scripts/bench-watch.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
root=$(pwd)
bin=$root/build/windows/bin
work=$root/build/bench-watch
. scripts/wine-lib.sh
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF >/dev/null
cmake --build build/bench --target watch_run_bench history_read_bench >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target SMART_VELMORA_CLI SMART_VELMORA_SV watch_footprint_bench >/dev/null
mkdir -p "$work"
# A running service would only be marked for deletion: stopped first.
remove_service() { wine net stop SMART_VELMORA >/dev/null 2>&1; wine "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT >/dev/null 2>&1; }
trap 'remove_service; wine_end "$work/wineprefix"' EXIT

echo "--- one watch run of 16 drives, and the database's size"
build/bench/tests/watch/bench/watch_run_bench "$work"
echo "--- history and forecast natively (16 drives, three years hourly)"
build/bench/tests/cli/bench/history_read_bench "$work/history.db"

echo "--- SMART_VELMORA_CLI.exe under Wine on that history, $runs runs each"
wine_prefix "$work/wineprefix"
history_dir=$WINEPREFIX/drive_c/ProgramData/VELMORA/History
mkdir -p "$history_dir"
cp "$work/history.db" "$history_dir/history.db"
rm -f "$history_dir/history.db-wal" "$history_dir/history.db-shm"
wineserver -p || true  # a server left running serves as well
# Runs each named console command once per round, RUNS rounds, so a busy
# machine slows them alike; sets ms[NAME] to the median wall time.
declare -A commands ms
measure() {
  local round name start
  declare -A times
  for round in $(seq 1 "$runs"); do
    for name in "${!commands[@]}"; do
      start=$(date +%s%N)
      eval "cli ${commands[$name]}" >/dev/null 2>&1 || true
      times[$name]+="$(( ($(date +%s%N) - start) / 1000000 )) "
    done
  done
  for name in "${!commands[@]}"; do
    ms[$name]=$(printf '%s\n' ${times[$name]} | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  done
}
wine "$bin/SMART_VELMORA_CLI.exe" --help >/dev/null 2>&1   # the prefix's first start
python3 scripts/make-drive-set.py 16 >"$work/set-16.ini"
wine reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /t REG_SZ /d "$(winepath -w "$work/set-16.ini")" /f >/dev/null 2>&1
remove_service || true  # left by a run that was cut short
wine "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
service_start SMART_VELMORA
cli() { wine "$bin/SMART_VELMORA_CLI.exe" "$@"; }
cli metrics | grep -q '^velmora_ssd_life_forecast_seconds{serial_number="VM00000015"' ||
  { echo "metrics gave no forecast for the history's drives"; exit 1; }
commands=([floor]="--help" [history]="history --json" [forecast]="forecast --json" [status]="status" [metrics]="metrics")
measure
beyond() { echo "median ${ms[$1]} ms, $(( ms[$1] - ms[floor] )) ms beyond the floor"; }
echo "floor (--help, Wine's start):   median ${ms[floor]} ms"
echo "history --json (420,480 rows):  $(beyond history)"
echo "forecast --json (16 drives):    $(beyond forecast)"
echo "status (16 drives' refreshes):  $(beyond status)"
echo "metrics (refreshes, forecasts): $(beyond metrics), $(( ms[metrics] - ms[status] )) ms beyond status"

echo "--- the watch's work under Wine: 100 samples of the 16 drives, with the metrics file"
footprint=$work/footprint
rm -rf "$footprint" && mkdir -p "$footprint"
wine "$bin/watch_footprint_bench.exe" "$(winepath -w "$footprint")" 100
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
