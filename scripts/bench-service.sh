#!/bin/bash
# Benchmark of the service's pipe exchanges under Wine: builds the service
# and the benchmark program, installs the service with the demo drive set in
# a scratch prefix, runs sequential exchanges (ATA for 2,000 and 10,000
# exchanges, NVMe for 2,000), prints the figures, and removes the prefix
# with every process in it.
#   scripts/bench-service.sh [build dir]   (default: build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/windows}

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target SMART_VELMORA_SV service_bench

scratch=$(mktemp -d)
export VELMORA_WINEPREFIX="$scratch/prefix"
cleanup() {
  WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

run() { "$root/scripts/wine-run" "$@"; }
bin="$root/$build/bin"
driveset="Z:$(printf '%s' "$root/examples/demo-drives.ini" | tr '/' '\\')"

run "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
run reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /t REG_SZ /d "$driveset" /f >/dev/null
run net start SMART_VELMORA >/dev/null

echo "=== ATA (WMI path, disk 0 of the demo set), 2000 exchanges"
run "$bin/service_bench.exe" 2000 1 0
echo "=== ATA (WMI path, disk 0 of the demo set), 10000 exchanges"
run "$bin/service_bench.exe" 10000 1 0
echo "=== NVMe (health log, disk 1 of the demo set), 2000 exchanges"
run "$bin/service_bench.exe" 2000 2 1 ""

run net stop SMART_VELMORA >/dev/null || true
run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT
