#!/usr/bin/env bash
# A short libFuzzer run of the NMEA line ring, parser and session, built with
# clang, from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_nmea_session
work=$(mktemp -d)
cp fuzz/nmea/corpus/session/* "$work"/
./build-fuzz/fuzz/nmea/fuzz_nmea_session -max_total_time=20 "$work"
rm -rf "$work"
