#!/usr/bin/env bash
# Short libFuzzer runs of every reader from its seed corpus, built with clang,
# coverage and the sanitizers; undefined behaviour fails the run like a crash.
# Each run has a fixed seed and a fixed number of inputs (about thirty seconds'
# worth on a small idle machine) instead of a time bound, so that what a run
# tries does not depend on how fast or busy the machine is; the 120 s bound
# only cuts a run short on a far slower one. (Runs are still not identical:
# the scratch files' names differ, and the coverage with them.)
# Longer, random runs are for a developer's machine (docs/fuzzing.md).
# One row per target: the target, its folder under fuzz/, its seed corpus, its inputs.
set -euo pipefail
cd "$(dirname "$0")/../.."
targets=(
  "fuzz_line_reader     data     line_reader     100000"
  "fuzz_field_splitter  data     field_splitter  800000"
  "fuzz_records         data     records         4000000"
  "fuzz_garmin_frames   garmin   frames          200000"
  "fuzz_garmin_link     garmin   link            60000"
  "fuzz_nmea_session    nmea     session         480000"
  "fuzz_map_tiles       maps     tiles           1400"
  "fuzz_document_file   files    document_file   10000"
  "fuzz_pot_file        files    pot_file        16000"
  "fuzz_waypoint_text   files    waypoint_text   20000"
  "fuzz_gpx_file        files    gpx_file        20000"
  "fuzz_settings        settings store           100000"
)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
names=()
for row in "${targets[@]}"; do read -r name _ <<<"$row"; names+=("$name"); done
cmake --build build-fuzz --target "${names[@]}"

# Each run works on a copy of its corpus in a folder of its own (the target's
# scratch files go there through TMPDIR), removed however the run ends; an
# input that fails is kept in build-fuzz/artifacts/.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts
for row in "${targets[@]}"; do
  read -r name room corpus runs <<<"$row"
  echo "-- $name"
  rm -rf "${work:?}"/* && mkdir -p "$work/corpus" "$work/tmp"
  cp fuzz/$room/corpus/$corpus/* "$work/corpus/"
  TMPDIR="$work/tmp" ./build-fuzz/fuzz/$room/$name -seed=1 -runs="$runs" -max_total_time=120 \
    -artifact_prefix=build-fuzz/artifacts/$name- "$work/corpus"
done
