#!/usr/bin/env bash
# Developer entry point for a fresh Debian 12 machine.
#   tools/dev.sh run    install what is missing, build, make sample tiles, start the editor
#   tools/dev.sh test   install what is missing, build, run every test
#   tools/dev.sh deps   only install what is missing
#   tools/dev.sh windows  install the MinGW cross compiler and Wine, build the
#                       core, delvacli and the core tests for Windows (build-windows/)
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          zlib1g-dev python3 unzip zip clang libclang-rt-14-dev
          libgdal-dev gdal-bin parallel)

# The Windows cross build and Wine to run it (tools/dev.sh windows only).
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix libgtest-dev wine wine64)

install_deps() {
  local missing=()
  for p in "$@"; do
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
    install_deps "${PACKAGES[@]}"
    ;;
  run)
    install_deps "${PACKAGES[@]}"
    build
    # A small set of generated tiles to open at once.
    [ -d samples ] || ./build/tools/delva_sample_tiles samples 2>/dev/null || true
    exec ./build/src/delva
    ;;
  test)
    install_deps "${PACKAGES[@]}"
    build
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS"
    ;;
  windows)
    install_deps "${WINDOWS_PACKAGES[@]}"
    # Static MinGW programs: delvacli.exe, delva_core_tests.exe and the
    # stand-in compiler, with GoogleTest built from its sources for the target.
    cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE=tools/mingw-w64.cmake -DDELVA_QT=OFF -DDELVA_BENCH=OFF \
          -DDELVA_GTEST_SOURCE=/usr/src/googletest >/dev/null
    cmake --build build-windows -j "$JOBS" --target delvacli delva_core_tests standin_resample
    ;;
  *)
    echo "usage: tools/dev.sh run|test|deps|windows" >&2
    exit 2
    ;;
esac
