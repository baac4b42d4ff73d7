#!/usr/bin/env bash
# Installs every Debian package korvance needs to build and test, then builds
# into build/. Run as root (or with sudo available). Safe to run again.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev
  libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libpugixml-dev
  libgdal-dev gdal-bin
  clang libclang-rt-dev
  geographiclib-tools gpsbabel
  python3
  xvfb xauth
  fonts-dejavu-core fonts-dejavu-extra fonts-urw-base35 fonts-noto-cjk
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
echo
echo "Built. Try:  ./build/src/gui/korvance --demo     Tests:  ctest --test-dir build --output-on-failure"
