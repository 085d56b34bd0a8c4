#!/bin/bash
# HTTP download benchmark: one 1 GiB file (generated here, deleted after)
# served on loopback, fetched by the toolbox's HTTP client under Wine and by
# curl, each RUNS times. Prints throughput and peak memory of each run.
# Usage: scripts/bench-http.sh [WINDOWS_BUILD_DIR] (default build/windows;
# the http_bench target must be built there).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/windows}" && pwd)"
bench="$build/bin/http_bench.exe"
runs="${RUNS:-3}"
[ -f "$bench" ] || { echo "build the http_bench target first: $bench" >&2; exit 1; }

work="$(mktemp -d)"
export VELMORA_WINEPREFIX="$build/wineprefix-bench"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir "$work/www"
head -c 1073741824 /dev/urandom >"$work/www/big.bin"
expected="$(sha256sum "$work/www/big.bin" | cut -d' ' -f1)"
port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')"
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >/dev/null 2>&1 &
server=$!
deadline=$(( $(date +%s) + 10 ))
until curl -sf -o /dev/null "http://127.0.0.1:$port/"; do
  [ "$(date +%s)" -lt "$deadline" ] || { echo "server did not start" >&2; exit 1; }
  sleep 0.1
done
url="http://127.0.0.1:$port/big.bin"
target_unix="$work/client.bin"
target_win="Z:${target_unix//\//\\}"

echo "file: 1 GiB random, server: python3 http.server on 127.0.0.1"
for i in $(seq "$runs"); do
  rm -f "$target_unix"
  echo "client run $i: $("$root/scripts/wine-run" "$bench" "$url" "$target_win" | tr '\n' ' ')"
  [ "$(sha256sum "$target_unix" | cut -d' ' -f1)" = "$expected" ] || { echo "client file differs" >&2; exit 1; }
done
for i in $(seq "$runs"); do
  rm -f "$work/curl.bin"
  out="$( { /usr/bin/time -f 'peak_rss_MiB %M' curl -s -o "$work/curl.bin" -w 'MiB/s %{speed_download}\n' "$url"; } 2>&1 )"
  speed="$(echo "$out" | awk '/MiB\/s/ {printf "%.1f", $2/1048576}')"
  rss="$(echo "$out" | awk '/peak_rss_MiB/ {printf "%.1f", $2/1024}')"
  echo "curl run $i: MiB/s $speed peak_rss_MiB $rss"
  [ "$(sha256sum "$work/curl.bin" | cut -d' ' -f1)" = "$expected" ] || { echo "curl file differs" >&2; exit 1; }
done
