#!/usr/bin/env bash
# A short libFuzzer run of the map readers (BMP, PNG, mapinfo.dat with a tile
# window over missing tiles, a tile window over tiles of any content, map
# lists), built with clang, from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANCE_BUILD_FUZZ=ON -DKORVANCE_BUILD_GUI=OFF -DKORVANCE_BUILD_TESTS=OFF -DKORVANCE_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_map_tiles
work=$(mktemp -d)
cp fuzz/maps/corpus/tiles/* "$work"/
./build-fuzz/fuzz/maps/fuzz_map_tiles -max_total_time=20 "$work"
rm -rf "$work"
