#!/usr/bin/env bash
# Short libFuzzer runs of the file readers (document file, POT, waypoint
# text, GPX), each through the document and a save and reopen, built with
# clang, from their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/../.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_document_file fuzz_pot_file fuzz_waypoint_text fuzz_gpx_file
for t in document_file pot_file waypoint_text gpx_file; do
  work=$(mktemp -d)
  cp fuzz/files/corpus/$t/* "$work"/
  ./build-fuzz/fuzz/files/fuzz_$t -max_total_time=20 "$work"
  rm -rf "$work"
done
