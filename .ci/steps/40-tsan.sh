#!/usr/bin/env bash
# Every test program that runs threads (tests labelled "threads": the Garmin
# link, transfers and the link fault matrix against the receiver simulator,
# the NMEA reader and source over pseudo-terminals) under ThreadSanitizer, in
# one tree.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANCE_TSAN=ON \
  -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-tsan --target korvance_threaded_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan -L threads --output-on-failure -j2 --timeout 600
