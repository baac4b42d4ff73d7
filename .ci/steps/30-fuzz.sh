#!/usr/bin/env bash
# Short libFuzzer runs of every reader from its seed corpus, built with clang,
# coverage and the sanitizers; undefined behaviour fails the run like a crash.
# One row per target: the target, its folder under fuzz/, its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
SECONDS_EACH=${KORVANCE_FUZZ_SECONDS:-20}
targets=(
  "fuzz_line_reader     data     line_reader"
  "fuzz_field_splitter  data     field_splitter"
  "fuzz_records         data     records"
  "fuzz_garmin_frames   garmin   frames"
  "fuzz_garmin_link     garmin   link"
  "fuzz_nmea_session    nmea     session"
  "fuzz_map_tiles       maps     tiles"
  "fuzz_document_file   files    document_file"
  "fuzz_pot_file        files    pot_file"
  "fuzz_waypoint_text   files    waypoint_text"
  "fuzz_gpx_file        files    gpx_file"
  "fuzz_settings        settings store"
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
  read -r name room corpus <<<"$row"
  echo "-- $name"
  rm -rf "${work:?}"/* && mkdir -p "$work/corpus" "$work/tmp"
  cp fuzz/$room/corpus/$corpus/* "$work/corpus/"
  TMPDIR="$work/tmp" ./build-fuzz/fuzz/$room/$name -max_total_time="$SECONDS_EACH" \
    -artifact_prefix=build-fuzz/artifacts/$name- "$work/corpus"
done
