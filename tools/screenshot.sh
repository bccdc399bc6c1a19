#!/bin/sh
# Makes docs/screenshot.png: the White Mountains tile (N44W072, from the
# shared test data) with Hillshade, at 1x around Mount Washington.
# Usage: sh tools/screenshot.sh [BUILD_DIR]   (default: build)
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
tile=../shared/testdata/srtm/srtm-py/N44W072.hgt
cmake --build "$build" --target delva_screenshot
QT_QPA_PLATFORM=offscreen "$build/tools/delva_screenshot" "$tile" docs/screenshot.png 840 880
ls -l docs/screenshot.png
