#!/bin/sh
# Runs every benchmark program of a build and prints one table: each figure
# beside its reference measured in the same run, and the ratio.
#   bench/run.sh [BUILD_DIR]      (default: build)
# BENCH_MIN_TIME (seconds, default 0.2) is passed as --benchmark_min_time.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
min_time="${BENCH_MIN_TIME:-0.2}"
if [ ! -d "$build/bench" ]; then
  echo "no benchmarks in $build (configure with -DKORVANCE_BUILD_BENCH=ON and build)" >&2
  exit 1
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
found=0
for exe in $(find "$build/bench" -type f -perm -u+x -name '*_bench*' | sort); do
  found=1
  name="$(basename "$exe")"
  echo "running $name" >&2
  if ! "$exe" --benchmark_format=json --benchmark_min_time="$min_time" >"$out/$name.json" 2>"$out/$name.err"; then
    echo "$name failed:" >&2
    cat "$out/$name.err" >&2
    rm -f "$out/$name.json"
  fi
done
if [ "$found" = 0 ]; then
  echo "no benchmark programs found under $build/bench" >&2
  exit 1
fi
python3 "$here/report.py" "$out"
