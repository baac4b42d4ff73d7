#!/usr/bin/env bash
# The receiver simulator serves from a thread of its own: run the link and
# transfer tests against it under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-tsan-garmin -G Ninja -DKORVANCE_TSAN=ON -DKORVANCE_BUILD_GUI=OFF
cmake --build build-tsan-garmin --target garmin_tests
TSAN_OPTIONS=halt_on_error=1 ./build-tsan-garmin/tests/garmin/garmin_tests \
  --gtest_filter='GarminLink.*:Identification.*:Transfers.Downloads*:Transfers.Uploads*:GpsCommands.*'
