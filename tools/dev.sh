#!/usr/bin/env bash
# Developer entry point for a fresh Debian 12 machine.
#   tools/dev.sh run    install what is missing, build, make sample tiles, start the editor
#   tools/dev.sh test   install what is missing, build, run every test
#   tools/dev.sh deps   only install what is missing
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          zlib1g-dev python3 unzip zip clang libclang-rt-14-dev
          libgdal-dev gdal-bin parallel)

install_deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
}

JOBS=$(nproc 2>/dev/null || echo 2)

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j "$JOBS"
}

case "${1:-}" in
  deps)
    install_deps
    ;;
  run)
    install_deps
    build
    # A small set of generated tiles to open at once.
    [ -d samples ] || ./build/tools/delva_sample_tiles samples 2>/dev/null || true
    exec ./build/src/delva
    ;;
  test)
    install_deps
    build
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS"
    ;;
  *)
    echo "usage: tools/dev.sh run|test|deps" >&2
    exit 2
    ;;
esac
