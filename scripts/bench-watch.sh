#!/bin/bash
# The health watch's figures: one run of 16 drives beyond the refreshes and
# the database's size per drive and year (watch_run_bench), "history --json"
# on 16 drives with three years of hourly samples natively
# (history_json_bench), and the same command of the Windows program under
# Wine beside its floor, the same program printing its usage (Wine's start
# cost). Builds a release tree without sanitizers in build/bench and uses a
# scratch prefix under build/bench-watch. Usage: scripts/bench-watch.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
root=$(pwd)
bin=$root/build/windows/bin
work=$root/build/bench-watch
. scripts/wine-lib.sh
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF >/dev/null
cmake --build build/bench --target watch_run_bench history_json_bench >/dev/null
[ -x "$bin/SMART_VELMORA_CLI.exe" ] || { cmake --preset windows >/dev/null && cmake --build --preset windows --target SMART_VELMORA_CLI; }
mkdir -p "$work"
trap 'wine_end "$work/wineprefix"' EXIT

echo "--- one watch run of 16 drives, and the database's size"
build/bench/tests/watch/bench/watch_run_bench "$work"
echo "--- history natively (16 drives, three years hourly)"
build/bench/tests/cli/bench/history_json_bench "$work/history.db"

echo "--- history --json of SMART_VELMORA_CLI.exe under Wine, $runs runs each"
wine_prefix "$work/wineprefix"
history_dir=$WINEPREFIX/drive_c/ProgramData/VELMORA/History
mkdir -p "$history_dir"
cp "$work/history.db" "$history_dir/history.db"
rm -f "$history_dir/history.db-wal" "$history_dir/history.db-shm"
wineserver -p
median_ms() {  # command...: the median wall time of RUNS runs, output to /dev/null
  local times=() start
  for _ in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    times+=($(( ($(date +%s%N) - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}
wine "$bin/SMART_VELMORA_CLI.exe" --help >/dev/null 2>&1   # the prefix's first start
floor=$(median_ms wine "$bin/SMART_VELMORA_CLI.exe" --help)
json=$(median_ms wine "$bin/SMART_VELMORA_CLI.exe" history --json)
echo "floor (--help, Wine's start):   median $floor ms"
echo "history --json (420,480 rows):  median $json ms, $((json - floor)) ms beyond the floor"
