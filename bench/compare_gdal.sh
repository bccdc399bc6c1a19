#!/usr/bin/env bash
# Void filling against GDAL: whole-process wall time of
#   delvacli fill-voids IN OUT --radius R --weight W
#   gdal_fillnodata.py -md R IN OUT.tif
# on the same tiles, medians of RUNS runs taken alternately, with ratios
# (DELVA / GDAL; below 1 is faster) of wall and of CPU time.
#
#   bench/compare_gdal.sh [BUILD_DIR]      (default: build)
#   RUNS=5 RADII="10 70" bench/compare_gdal.sh
#
# Needs gdal-bin and python3-gdal, a C++ compiler, and the shared test data
# beside the repository (the real tile N42E001).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${RUNS:-3}
radii=${RADII:-"10 70 300 1000"}
shared=${DELVA_SHARED:-$here/../../shared}
cli=$(find "$build" -name delvacli -type f -perm -u+x | head -n 1)
[ -n "$cli" ] || { echo "no delvacli under $build" >&2; exit 1; }
command -v gdal_fillnodata.py >/dev/null || { echo "gdal_fillnodata.py missing (gdal-bin, python3-gdal)" >&2; exit 1; }
real_zip=$(find "$shared/testdata" -name 'N42E001.hgt.zip' | head -n 1)
[ -n "$real_zip" ] || { echo "N42E001.hgt.zip not found under $shared/testdata" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/real" "$work/c2" "$work/c10"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$real_zip" "$work/real"
${CXX:-c++} -O2 -std=c++17 -o "$work/make_void_tile" "$here/make_void_tile.cpp"
"$work/make_void_tile" "$work/c2/N45W123.hgt" 3601 2 5 1
"$work/make_void_tile" "$work/c10/N45W123.hgt" 3601 10 40 2

# label|tile|weight
cases=(
  "real 1201 tile N42E001|$(find "$work/real" -name 'N42E001.hgt' | head -n 1)|2"
  "synthetic 3601 tile, 2 % clustered voids|$work/c2/N45W123.hgt|6"
  "synthetic 3601 tile, 10 % voids in large clusters|$work/c10/N45W123.hgt|2"
)

# Prints "wall cpu" of one command (output discarded).
timed() {
  local t
  t=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | tail -n 1)
  awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%.3f %.3f\n", a[1], a[2] + a[3] }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "| case | r | weight | DELVA wall s | GDAL wall s | ratio wall | DELVA CPU s | GDAL CPU s | ratio CPU |"
echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
for c in "${cases[@]}"; do
  IFS='|' read -r label tile weight <<<"$c"
  for r in $radii; do
    : >"$work/d" && : >"$work/g"
    for ((i = 0; i < runs; i++)); do
      timed "$cli" fill-voids "$tile" "$work/out.hgt" --radius "$r" --weight "$weight" >>"$work/d"
      rm -f "$work/out.hgt"
      timed gdal_fillnodata.py -q -md "$r" "$tile" "$work/out.tif" >>"$work/g"
      rm -f "$work/out.tif"
    done
    dw=$(cut -d' ' -f1 "$work/d" | median); dc=$(cut -d' ' -f2 "$work/d" | median)
    gw=$(cut -d' ' -f1 "$work/g" | median); gc=$(cut -d' ' -f2 "$work/g" | median)
    awk -v l="$label" -v r="$r" -v w="$weight" -v dw="$dw" -v gw="$gw" -v dc="$dc" -v gc="$gc" \
      'BEGIN { printf "| %s | %d | %s | %.3f | %.3f | %.2fx | %.3f | %.3f | %.2fx |\n", l, r, w, dw, gw, dw / gw, dc, gc, dc / gc }'
  done
done
echo
echo "Medians of $runs runs each, DELVA and GDAL alternately; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)."
