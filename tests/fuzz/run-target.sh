#!/bin/bash
# Runs one libFuzzer program for a bounded time, starting from a fresh copy
# of its seeds in WORK_DIR/corpus-NAME, with one job in one worker (the
# machine is shared). Its log (fuzz-0.log) and any crash, leak, timeout or
# out-of-memory input go to WORK_DIR/run-NAME. Prints the executions and the
# coverage; fails on any finding.
# Usage: run-target.sh NAME PROGRAM SEED_DIR WORK_DIR
# VELMORA_FUZZ_SECONDS: seconds of fuzzing (default 20).
set -uo pipefail
name=$1 program=$2 seeds=$3 work=$4
seconds=${VELMORA_FUZZ_SECONDS:-20}
# libFuzzer reads -max_total_time=0 as "no limit".
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "fuzz $name: VELMORA_FUZZ_SECONDS must be a positive number of seconds"; exit 1; }

corpus=$work/corpus-$name
run=$work/run-$name
rm -rf "$corpus" "$run"
mkdir -p "$corpus" "$run"
cp "$seeds"/* "$corpus"/ || { echo "fuzz $name: no seeds in $seeds"; exit 1; }
(cd "$run" && "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -jobs=1 -workers=1 -print_final_stats=1 -artifact_prefix="$run/" "$corpus" >/dev/null 2>&1)
rc=$?
log=$run/fuzz-0.log
runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" 2>/dev/null | tail -1 | grep -o '[0-9]*$')
cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" 2>/dev/null | tail -1)
artifacts=$(find "$run" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
if [ "$rc" -ne 0 ] || [ "$artifacts" -ne 0 ] || [ -z "$runs" ]; then
  echo "fuzz $name: FAILED (exit $rc, $artifacts finding(s)); see $log"
  grep -E 'ERROR|invariant violated|SUMMARY' "$log" 2>/dev/null | head -5
  exit 1
fi
echo "fuzz $name: ${runs} executions in ${seconds} s, ${cov:-cov: ?}, corpus $(ls "$corpus" | wc -l) inputs"
