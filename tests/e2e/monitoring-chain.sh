#!/bin/bash
# The monitoring chain end to end, on loopback: the health watch under Wine
# writes its metrics file into the textfile folder of a node exporter,
# Prometheus scrapes it every second and evaluates the shipped alert rules,
# Alertmanager hands the alerts to a webhook receiver. A drive of the
# simulated set turned BAD must arrive there as a BAD alert with its serial
# number. Prints how long the steps took.
# Usage: xvfb-run -a monitoring-chain.sh BIN_DIR PREFIX SOURCE_DIR
set -uo pipefail
bin=$1 prefix=$2 source=$3
. "$source/scripts/wine-lib.sh"
work=$(mktemp -d)
failures=0  # counted by check (wine-lib.sh)
pids=()
cleanup() {
  wine_end "$prefix"
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait
  if ((failures)); then tail -n 5 "$work"/*.log; fi
  rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
ready() { curl -sf "http://127.0.0.1:$1/$2" >/dev/null; }
# prometheus_has QUERY: Prometheus answers the instant query with at least one series.
prometheus_has() {
  curl -sf "http://127.0.0.1:$prometheus_port/api/v1/query" --data-urlencode "query=$1" |
    python3 -c 'import json, sys; sys.exit(0 if json.load(sys.stdin)["data"]["result"] else 1)' 2>/dev/null
}
sata=VM0A1B2C3D
set_file=$prefix/drive_c/ProgramData/VELMORA/demo-drives.ini
install_dir=$prefix/drive_c/Program\ Files/VELMORA\ SSD\ Toolbox
mkdir -p "$work/textfile" "$work/received" "$work/alertmanager" "$work/prometheus"
metrics_file=$work/textfile/velmora_ssd.prom

if [ ! -f "$bin/SMART_VELMORA_Setup.exe" ]; then echo "FAILED: $bin/SMART_VELMORA_Setup.exe has not been built"; exit 1; fi

# --- The Prometheus half ------------------------------------------------------
start=$(now_ms)
# The webhook receiver keeps each notification's body in a file of its own.
python3 -c '
import http.server, itertools, os, sys
count = itertools.count()
class Receiver(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers["Content-Length"]))
        name = f"{sys.argv[1]}/{next(count)}"
        with open(name + ".part", "wb") as f: f.write(body)
        os.replace(name + ".part", name + ".json")   # whole files only
        self.send_response(200); self.end_headers()
server = http.server.HTTPServer(("127.0.0.1", 0), Receiver)
print(f"listening on 127.0.0.1:{server.server_port}", flush=True)
server.serve_forever()' "$work/received" >"$work/receiver.log" 2>&1 &
pids+=($!)
receiver_port() { receiver_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/receiver.log") && [ -n "$receiver_port" ]; }
check "the webhook receiver listens" wait_for 20 receiver_port || exit 1

exporter_port=$(free_port)
prometheus-node-exporter --web.listen-address="127.0.0.1:$exporter_port" --collector.disable-defaults \
  --collector.textfile --collector.textfile.directory="$work/textfile" >"$work/node-exporter.log" 2>&1 &
pids+=($!)

alertmanager_port=$(free_port)
cat >"$work/alertmanager.yml" <<EOF
route: {receiver: hook, group_wait: 1s, group_interval: 1s}
receivers: [{name: hook, webhook_configs: [{url: "http://127.0.0.1:$receiver_port/"}]}]
EOF
prometheus-alertmanager --config.file="$work/alertmanager.yml" --storage.path="$work/alertmanager" \
  --web.listen-address="127.0.0.1:$alertmanager_port" --cluster.listen-address= >"$work/alertmanager.log" 2>&1 &
pids+=($!)

prometheus_port=$(free_port)
cat >"$work/prometheus.yml" <<EOF
global: {scrape_interval: 1s, evaluation_interval: 1s}
rule_files: ["$source/examples/prometheus/velmora-ssd-alerts.yml"]
alerting: {alertmanagers: [{static_configs: [{targets: ["127.0.0.1:$alertmanager_port"]}]}]}
scrape_configs: [{job_name: node, static_configs: [{targets: ["127.0.0.1:$exporter_port"]}]}]
EOF
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/prometheus" \
  --web.listen-address="127.0.0.1:$prometheus_port" >"$work/prometheus.log" 2>&1 &
pids+=($!)

check "the node exporter is ready" wait_for 60 ready "$exporter_port" metrics || exit 1
check "Alertmanager is ready" wait_for 60 ready "$alertmanager_port" -/ready || exit 1
check "Prometheus is ready" wait_for 60 ready "$prometheus_port" -/ready || exit 1
check "Prometheus scrapes the node exporter" wait_for 30 prometheus_has 'up{job="node"} == 1' || exit 1
chain_ms=$(( $(now_ms) - start ))

# --- The watch under Wine writes the metrics file ------------------------------
wine_fresh_prefix "$prefix"
wineserver -p   # the services live on between the test's Wine programs
mkdir -p "$(dirname "$set_file")"
cp "$source/examples/demo-drives.ini" "$set_file"
machine_key='HKLM\SOFTWARE\VELMORA\Corvexa'
wine reg add "$machine_key" /v SimulatedDrives /t REG_SZ /d 'C:\ProgramData\VELMORA\demo-drives.ini' /f >/dev/null 2>&1
wine reg add "$machine_key" /v WatchIntervalMinutes /t REG_DWORD /d 1 /f >/dev/null 2>&1
# Wine's drive Z: is the Linux root.
wine reg add "$machine_key" /v MetricsFile /t REG_SZ /d "Z:${metrics_file//\//\\}" /f >/dev/null 2>&1

start=$(now_ms)
check "the setup program exits 0" wine "$bin/SMART_VELMORA_Setup.exe" /S
check "Prometheus has the SATA drive as OK from the watch's file" \
  wait_for 60 prometheus_has "velmora_ssd_status{serial_number=\"$sata\", status=\"ok\"} == 1" || exit 1
first_metrics_ms=$(( $(now_ms) - start ))
# The no-sample rule's join: the drive's last sample against its machine's interval.
check "the drive's last sample is fresh against the watch's interval" prometheus_has \
  "time() - velmora_ssd_last_sample_timestamp_seconds{serial_number=\"$sata\"} < on(instance, job) group_left 3 * velmora_ssd_sample_interval_seconds"
lint=$(promtool check metrics 2>&1 <"$metrics_file")
check "promtool check metrics finds nothing to say about the file" test -z "$lint" || echo "$lint"

# --- A drive turned BAD reaches the webhook receiver ----------------------------
sed -i '0,/PredictFailure=0/s//PredictFailure=1/' "$set_file"
start=$(now_ms)
wine "$install_dir/SMART_VELMORA_CLI.exe" watch --now >"$work/now.out" 2>&1; status=$?
check "watch --now exits 0" test "$status" -eq 0 || cat "$work/now.out"
# bad_alert_received: a firing BAD alert for the SATA drive with its model, and none for another drive.
bad_alert_received() {
  python3 - "$work/received" "$sata" <<'EOF'
import glob, json, sys
alerts = [a for f in glob.glob(sys.argv[1] + "/*.json") for a in json.load(open(f))["alerts"]
          if a["labels"]["alertname"] == "VelmoraSsdBad" and a["status"] == "firing"]
sys.exit(0 if alerts and all(a["labels"]["serial_number"] == sys.argv[2] and
                             a["labels"]["model"] == "VELMORA R730 SSD" for a in alerts) else 1)
EOF
}
check "the receiver got the BAD alert for $sata" wait_for 120 bad_alert_received
alert_ms=$(( $(now_ms) - start ))

echo "figures:"
echo "  Prometheus, node exporter, Alertmanager and receiver ready:  $chain_ms ms"
echo "  setup to the drives' metrics in Prometheus:                  $first_metrics_ms ms"
echo "  drive turned BAD to the alert at the receiver:               $alert_ms ms"
echo "$failures failure(s)"
[ "$failures" -eq 0 ]
