#!/usr/bin/env bash
# Short libFuzzer runs of the data records, the field splitter and the line
# reader, built with clang, from their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/../.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_line_reader fuzz_field_splitter fuzz_records
for t in line_reader field_splitter records; do
  work=$(mktemp -d)
  cp fuzz/data/corpus/$t/* "$work"/
  ./build-fuzz/fuzz/data/fuzz_$t -max_total_time=20 "$work"
  rm -rf "$work"
done
