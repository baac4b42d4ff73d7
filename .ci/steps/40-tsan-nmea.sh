#!/usr/bin/env bash
# The NMEA reader and the simulator's source under ThreadSanitizer: among them
# the stop-while-delivering test of 1000 rounds, and the reader over a real
# pseudo-terminal.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANCE_TSAN=ON \
  -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-tsan --target nmea_tests nmea_cli_tests sim_nmea_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
./build-tsan/tests/nmea/nmea_tests
./build-tsan/tests/nmea/nmea_cli_tests
./build-tsan/tests/sim/nmea/sim_nmea_tests
