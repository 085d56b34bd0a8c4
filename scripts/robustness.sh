#!/bin/bash
# The long forms of the abuse tests under Wine, with their figures:
#  - pipe abuse against the installed service with 10,000 random requests
#    (and the pipe security audit), in a scratch prefix;
#  - HTTP abuse of the update client at the real limits (a one-byte-per-second
#    trickle against the 60 s limit, a silent server against the 30 s idle
#    limit).
# Every process of the scratch prefixes is ended and the prefixes removed.
#   scripts/robustness.sh [build dir] [random requests]
#   (defaults: build/windows, 10000; VELMORA_ABUSE_SEED sets the seed)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/windows}
requests=${2:-10000}

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target SMART_VELMORA_SV pipe_abuse_tests http_abuse_tests

scratch=$(mktemp -d)
cleanup() {
  for prefix in "$scratch"/pipe "$scratch"/http; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

bin="$root/$build/bin"
status=0

echo "=== Pipe abuse: $requests random requests, stallers, never-readers, storms, racing clients; pipe security audit"
start=$(date +%s)
VELMORA_WINEPREFIX="$scratch/pipe" VELMORA_ABUSE_REQUESTS="$requests" \
  "$root/scripts/wine-run" "$bin/pipe_abuse_tests.exe" || status=1
echo "(pipe program took $(( $(date +%s) - start )) s, prefix creation included)"

echo "=== HTTP abuse at the real limits"
start=$(date +%s)
VELMORA_WINEPREFIX="$scratch/http" VELMORA_ABUSE_LONG=1 \
  "$root/scripts/wine-run" "$bin/http_abuse_tests.exe" || status=1
echo "(HTTP program took $(( $(date +%s) - start )) s, prefix creation included)"

exit $status
