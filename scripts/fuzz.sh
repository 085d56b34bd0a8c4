#!/bin/bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer,
# UndefinedBehaviorSanitizer) into build/fuzz and runs each one for a bounded
# time, starting from a fresh copy of its seeds in build/fuzz/corpus-<target>.
# Fails on any finding; prints each target's executions and coverage.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   SECONDS per target, default 20; 0 only builds
#
# VELMORA_FUZZ_DIR names another folder under build/ for everything (builds,
# corpora, logs), so a long run and the test command do not share one.
#
# The portable sources are compiled once into one archive that every target
# links; ninja rebuilds only what changed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
shift || true
out=$root/build/${VELMORA_FUZZ_DIR:-fuzz}
cxx=${VELMORA_FUZZ_CXX:-clang++-14}
all_targets=(update_reply http_reply drive_set descriptor smart_decode pipe_reply_builder)
if (($#)); then targets=("$@"); else targets=("${all_targets[@]}"); fi

if ! command -v "$cxx" >/dev/null; then
  echo "fuzz: $cxx not found" >&2
  exit 1
fi
mkdir -p "$out"

# Library assertions catch an index past a std::array or std::span, such as
# a read beyond a reply's Data that would otherwise land in the next field.
flags="-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Werror -D_GLIBCXX_ASSERTIONS -I$root"
sanitize="address,undefined -fno-sanitize-recover=undefined"
{
  echo "cxx = $cxx"
  echo "flags = $flags"
  echo "rule cc"
  echo "  command = \$cxx \$flags -fsanitize=fuzzer-no-link,$sanitize -MD -MF \$out.d -c \$in -o \$out"
  echo "  depfile = \$out.d"
  echo "  deps = gcc"
  echo "  description = CXX \$in"
  echo "rule ar"
  echo "  command = rm -f \$out && ar qcs \$out \$in"
  echo "  description = AR \$out"
  echo "rule link"
  echo "  command = \$cxx \$flags -fsanitize=fuzzer,$sanitize \$in -o \$out"
  echo "  description = LINK \$out"
  objects=()
  for src in common/*.cpp service/*.cpp drives/*.cpp update/*.cpp; do
    case $src in *Main.cpp) continue ;; esac
    obj=obj/${src%.cpp}.o
    objects+=("$obj")
    echo "build $obj: cc $root/$src"
  done
  echo "build libvelmora.a: ar ${objects[*]}"
  for t in "${all_targets[@]}"; do
    name=$(echo "$t" | sed -E 's/(^|_)([a-z])/\U\2/g')
    echo "build obj/fuzz/$t.o: cc $root/tests/fuzz/Fuzz$name.cpp"
    echo "build $t: link obj/fuzz/$t.o libvelmora.a"
  done
} >"$out/build.ninja.new"
mv "$out/build.ninja.new" "$out/build.ninja"
if ! ninja -C "$out" -j "${VELMORA_FUZZ_JOBS:-2}" "${targets[@]}"; then
  echo "fuzz: build failed" >&2
  exit 1
fi
[ "$seconds" -gt 0 ] || exit 0

failed=()
for t in "${targets[@]}"; do
  corpus=$out/corpus-$t
  run=$out/run-$t
  rm -rf "$corpus" "$run"
  mkdir -p "$corpus" "$run"
  cp tests/fuzz/corpus/"$t"/* "$corpus"/
  # One job in one worker: the machine is shared. The worker's output goes
  # to fuzz-0.log in the run folder, crash inputs next to it.
  (cd "$run" && "$out/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -jobs=1 -workers=1 -print_final_stats=1 -artifact_prefix="$run/" "$corpus" >/dev/null 2>&1)
  rc=$?
  log=$run/fuzz-0.log
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" 2>/dev/null | tail -1 | grep -o '[0-9]*$')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" 2>/dev/null | tail -1)
  artifacts=$(find "$run" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
      -o -name 'oom-*' \) | wc -l)
  if [ "$rc" -ne 0 ] || [ "$artifacts" -ne 0 ] || [ -z "$runs" ]; then
    echo "fuzz $t: FAILED (exit $rc, $artifacts finding(s)); see $log"
    grep -E 'ERROR|invariant violated|SUMMARY' "$log" 2>/dev/null | head -5
    failed+=("$t")
  else
    echo "fuzz $t: ${runs} executions in ${seconds} s, ${cov:-cov: ?}, corpus $(ls "$corpus" | wc -l) inputs"
  fi
done
if ((${#failed[@]})); then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
