#!/usr/bin/env bash
# Short libFuzzer runs of the Garmin frame decoder and record readers, and of
# whole conversations on the link (identification, then one transfer), built
# with clang, from their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/../.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_garmin_frames fuzz_garmin_link
for t in frames link; do
  work=$(mktemp -d)
  cp fuzz/garmin/corpus/$t/* "$work"/
  ./build-fuzz/fuzz/garmin/fuzz_garmin_$t -max_total_time=20 "$work"
  rm -rf "$work"
done
