#!/usr/bin/env bash
# A short libFuzzer run of the settings loader over a store that answers
# with values of any type and size, built with clang, from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_settings
work=$(mktemp -d)
cp fuzz/settings/corpus/store/* "$work"/
./build-fuzz/fuzz/settings/fuzz_settings -max_total_time=20 "$work"
rm -rf "$work"
