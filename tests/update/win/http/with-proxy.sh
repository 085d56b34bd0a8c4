#!/bin/sh
# Runs a command with a tinyproxy on a free loopback port, named to the
# command in VELMORA_HTTP_PROXY, and ends that proxy afterwards.
# Usage: with-proxy.sh COMMAND [ARGS...]
set -u
here="$(cd "$(dirname "$0")" && pwd)"
command -v tinyproxy >/dev/null || { echo "tinyproxy is not installed" >&2; exit 1; }
dir="$(mktemp -d)"
port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')"
sed -e "s|@PORT@|$port|" -e "s|@DIR@|$dir|" "$here/tinyproxy.conf.in" >"$dir/tinyproxy.conf"
tinyproxy -d -c "$dir/tinyproxy.conf" &
proxy=$!
cleanup() { kill "$proxy" 2>/dev/null; wait "$proxy" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT INT TERM
# Wait (at most 10 s) until the proxy accepts connections.
deadline=$(( $(date +%s) + 10 ))
until python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1).close()" 2>/dev/null; do
  if [ "$(date +%s)" -ge "$deadline" ] || ! kill -0 "$proxy" 2>/dev/null; then
    echo "tinyproxy did not start" >&2; cat "$dir/tinyproxy.log" >&2 2>/dev/null; exit 1
  fi
  sleep 0.1
done
VELMORA_HTTP_PROXY="127.0.0.1:$port" "$@"
