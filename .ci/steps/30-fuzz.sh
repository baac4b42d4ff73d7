#!/usr/bin/env bash
# Short libFuzzer runs of every reader from its seed corpus, built with clang,
# coverage and the sanitizers; undefined behaviour fails the run like a crash.
# Each run has a fixed seed and a fixed number of inputs (about ten seconds'
# worth on a small idle machine), so that a run gives the same result here and
# on any machine: a finding is a fault of the change, not a roll of the dice.
# The time bound only stops a run on a machine far slower than that, which
# can then only try fewer of the same inputs.
# Longer, random runs are for a developer's machine (docs/fuzzing.md).
# One row per target: the target, its folder under fuzz/, its seed corpus, its inputs.
set -euo pipefail
cd "$(dirname "$0")/../.."
targets=(
  "fuzz_line_reader     data     line_reader     25000"
  "fuzz_field_splitter  data     field_splitter  200000"
  "fuzz_records         data     records         1000000"
  "fuzz_garmin_frames   garmin   frames          50000"
  "fuzz_garmin_link     garmin   link            15000"
  "fuzz_nmea_session    nmea     session         120000"
  "fuzz_map_tiles       maps     tiles           350"
  "fuzz_document_file   files    document_file   2500"
  "fuzz_pot_file        files    pot_file        4000"
  "fuzz_waypoint_text   files    waypoint_text   5000"
  "fuzz_gpx_file        files    gpx_file        5000"
  "fuzz_settings        settings store           25000"
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
