#!/bin/bash
# Benchmark of the service's pipe exchanges under Wine, beside their floor:
# builds the service, the floor (service_floor: the same pipe code with a
# fixed reply, no data source, no SCM, no flush bound) and the benchmark
# client, installs the service with the demo drive set in a scratch prefix,
# then runs ROUNDS rounds; each round serves COUNT exchanges from the floor
# and COUNT ATA (WMI path, disk 0) and COUNT NVMe (health log, disk 1)
# exchanges from the service, the floor first in odd rounds and last in even
# ones. Each run is preceded by WARMUP exchanges that are not counted.
# Prints each round's medians and their ratios to that round's floor, the
# median of those ratios, the CPU time the server program and the wineserver
# spent per exchange (Linux's count for the prefix's own processes, which a
# busy machine disturbs far less than wall time), then the pooled median and
# p99 of each kind and their ratios to the floor, and the load average
# before and after.
# Removes the prefix with every process in it.
#   scripts/bench-service.sh [build dir]   (default: build/windows)
#   ROUNDS=5 COUNT=2000 WARMUP=200 by default
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/windows}
rounds=${ROUNDS:-5}
count=${COUNT:-2000}
warmup=${WARMUP:-200}

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target SMART_VELMORA_SV service_bench service_floor

. scripts/wine-lib.sh
scratch=$(mktemp -d)
cleanup() {
  wine_end "$scratch/prefix"
  rm -rf "$scratch"
}
trap cleanup EXIT
wine_prefix "$scratch/prefix"
# A persistent wineserver: the prefix never restarts (which would start the
# automatic-start service in a floor round), and the service keeps running
# between the client's runs.
wineserver -p

run() { wine "$@"; }
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
bin="$root/$build/bin"
ata_instance='SCSI\DISK&VEN_VELMORA&PROD_R730'

run "$bin/SMART_VELMORA_SV.exe" /INSTALL /SILENT
run reg add 'HKLM\SOFTWARE\VELMORA\Corvexa' /v SimulatedDrives /t REG_SZ \
  /d "$(winpath "$root/examples/demo-drives.ini")" /f >/dev/null
# The service runs only in its own rounds.
service_stop SMART_VELMORA || true  # not started yet: nothing to stop

# The Unix processes of this prefix whose command line matches PATTERN.
prefix_pids() {
  local pid
  for pid in $(pgrep -f "$1"); do
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = bash ] && continue
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}
# CPU time (user + system, clock ticks) the processes have used so far.
cpu_ticks() {
  local pid used total=0
  for pid in "$@"; do
    # Field 14 and 15 (utime, stime), counted after the command name.
    used=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | awk '{print $12 + $13}')
    total=$((total + ${used:-0}))
  done
  echo "$total"
}

# bench KIND ROUND TYPE DRIVE INSTANCE SERVER: a warm-up, then the timed run,
# with the CPU time the server program and the wineserver spent on it.
bench() {
  run "$bin/service_bench.exe" "$warmup" "$3" "$4" "$5" >/dev/null
  local pids before
  pids="$(prefix_pids "$6") $(prefix_pids wineserver)"
  echo "  $1: CPU counted for $(for p in $pids; do cat /proc/$p/comm; done | tr '\n' ' ')"
  before=$(cpu_ticks $pids)
  run "$bin/service_bench.exe" "$count" "$3" "$4" "$5" "$(winpath "$scratch/$1.$2")" | sed "s/^/  $1: /"
  echo $(($(cpu_ticks $pids) - before)) >"$scratch/$1.$2.cpu"
}

floor_round() {
  # One exchange more than measured, made after the CPU count, so that the
  # floor is still there to be counted.
  run "$bin/service_floor.exe" $((warmup + count + 1)) &
  local floor=$!
  bench floor "$1" 1 0 "$ata_instance" service_floor.exe
  run "$bin/service_bench.exe" 1 >/dev/null
  wait "$floor"
}

service_round() {
  service_start SMART_VELMORA
  bench ata "$1" 1 0 "$ata_instance" SMART_VELMORA_SV.exe
  bench nvme "$1" 2 1 "" SMART_VELMORA_SV.exe
  service_stop SMART_VELMORA
}

echo "load before: $(uptime)"
for round in $(seq 1 "$rounds"); do
  echo "=== round $round"
  if [ $((round % 2)) -eq 1 ]; then
    floor_round "$round"
    service_round "$round"
  else
    service_round "$round"
    floor_round "$round"
  fi
done
echo "load after: $(uptime)"

python3 - "$scratch" "$rounds" "$count" "$(getconf CLK_TCK)" <<'EOF'
import statistics, sys
scratch, rounds, count, ticks_per_s = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])

def read(kind, round_):
    with open(f"{scratch}/{kind}.{round_}") as f:
        return [float(line) for line in f if line.strip()]

def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * (len(ordered) - 1) + 0.5))]

kinds = ("floor", "ata", "nvme")
print("\nround medians, ms (ratio to that round's floor)")
for r in range(1, rounds + 1):
    floor = statistics.median(read("floor", r))
    cells = [f"floor {floor:.3f}"]
    cells += [f"{k} {statistics.median(read(k, r)):.3f} ({statistics.median(read(k, r)) / floor:.2f}x)"
              for k in kinds[1:]]
    print(f"  round {r}: " + ", ".join(cells))

def ratios(kind):
    return [statistics.median(read(kind, r)) / statistics.median(read("floor", r)) for r in range(1, rounds + 1)]
print("\nmedian of the round ratios (median/floor): " +
      ", ".join(f"{k} {statistics.median(ratios(k)):.2f}x" for k in kinds[1:]))

def cpu_ms(kind):
    ticks = 0
    for r in range(1, rounds + 1):
        with open(f"{scratch}/{kind}.{r}.cpu") as f:
            ticks += int(f.read())
    return 1000.0 * ticks / ticks_per_s / (rounds * count)
base_cpu = cpu_ms("floor")
print("CPU per exchange, server program + wineserver, ms (ratio to the floor): " +
      ", ".join(f"{k} {cpu_ms(k):.3f} ({cpu_ms(k) / base_cpu:.2f}x)" for k in kinds))

pooled = {k: [v for r in range(1, rounds + 1) for v in read(k, r)] for k in kinds}
print(f"\npooled over {rounds} rounds")
print(f"  {'kind':6} {'exchanges':>9} {'median ms':>10} {'p99 ms':>8} {'median/floor':>13} {'p99/floor':>10}")
base_median = statistics.median(pooled["floor"])
base_p99 = percentile(pooled["floor"], 0.99)
for k in kinds:
    median = statistics.median(pooled[k])
    p99 = percentile(pooled[k], 0.99)
    print(f"  {k:6} {len(pooled[k]):9d} {median:10.3f} {p99:8.3f} {median / base_median:13.2f} {p99 / base_p99:10.2f}")
EOF

run "$bin/SMART_VELMORA_SV.exe" /UNINSTALL /SILENT
