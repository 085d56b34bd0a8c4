#!/bin/bash
# HTTP download benchmark: one file of SIZE_MIB MiB of random bytes
# (generated here, deleted after) served on loopback by python3's
# http.server, fetched ROUNDS times by the toolbox's HTTP client under Wine
# (http_bench) and by curl, alternated, the client first in odd rounds and
# last in even ones. Each round prints both throughputs, their ratio
# (client / curl) and both peak memories; at the end the median ratio, the
# best of each side and the load average before and after. Both files are
# checked against the source's SHA-256 every time.
#   scripts/bench-http.sh [build dir]   (default: build/windows)
#   ROUNDS=6 SIZE_MIB=512 by default
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/windows}
rounds=${ROUNDS:-6}
size_mib=${SIZE_MIB:-512}

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target http_bench
bench="$root/$build/bin/http_bench.exe"

. scripts/wine-lib.sh
work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  wine_end "$work/prefix"
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
wine_prefix "$work/prefix"
# One wineserver for every round: no round pays for starting the prefix.
wineserver -p >/dev/null 2>&1

mkdir "$work/www"
head -c $((size_mib * 1048576)) /dev/urandom >"$work/www/big.bin"
expected=$(sha256sum "$work/www/big.bin" | cut -d' ' -f1)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >/dev/null 2>&1 &
server=$!
wait_for 10 curl -sf -o /dev/null "http://127.0.0.1:$port/" || { echo "the server did not start" >&2; exit 1; }
url="http://127.0.0.1:$port/big.bin"
client_file="$work/client.bin"

# Each prints "MIB_PER_S PEAK_MIB" and checks the file.
client_run() {
  rm -f "$client_file"
  sync  # the last run's written pages go to disk before this one, not during it
  local out
  out=$(wine "$bench" "$url" "Z:${client_file//\//\\}" | tr -d '\r')
  [ "$(sha256sum "$client_file" | cut -d' ' -f1)" = "$expected" ] || { echo "the client's file differs" >&2; exit 1; }
  # Its peak working set before the download and after it.
  echo "$out" | awk '/MiB\/s/ {speed = $6} /peak_working_set/ {peak = $3 "->" ($5 + 0)} END {print speed, peak}'
}
curl_run() {
  rm -f "$work/curl.bin"
  sync
  local out
  out=$( { /usr/bin/time -f 'peak_rss_KiB %M' curl -s -o "$work/curl.bin" -w 'bytes_per_s %{speed_download}\n' "$url"; } 2>&1 )
  [ "$(sha256sum "$work/curl.bin" | cut -d' ' -f1)" = "$expected" ] || { echo "curl's file differs" >&2; exit 1; }
  echo "$out" | awk '/bytes_per_s/ {speed = $2 / 1048576} /peak_rss_KiB/ {peak = $2 / 1024} END {printf "%.1f %.1f\n", speed, peak}'
}

echo "file: $size_mib MiB random; server: python3 http.server on 127.0.0.1; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
ratios=()
for round in $(seq "$rounds"); do
  # A run that fails (a file that differs) ends the script here.
  if ((round % 2)); then
    client=$(client_run)
    curl=$(curl_run)
  else
    curl=$(curl_run)
    client=$(client_run)
  fi
  read -r client_speed client_peak <<<"$client"
  read -r curl_speed curl_peak <<<"$curl"
  ratio=$(awk -v a="$client_speed" -v b="$curl_speed" 'BEGIN {printf "%.2f", a / b}')
  ratios+=("$ratio")
  echo "round $round: client $client_speed MiB/s (peak working set $client_peak MiB)," \
    "curl $curl_speed MiB/s (peak RSS $curl_peak MiB), ratio $ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}')
echo "median ratio client / curl: $median; load after: $(cut -d' ' -f1-3 /proc/loadavg)"
