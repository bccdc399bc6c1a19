#!/usr/bin/env bash
# Runs the Linux delvacli and delvacli.exe (under Wine) over one table of
# commands on small real tiles and compares what they leave byte for byte:
# every output file, stdout and the exit status; for bgl the raster, the INF
# files and the BGL (its stdout names paths). Windows gets "\" paths.
#   tools/wine_cli_compare.sh DELVACLI DELVACLI_EXE STANDIN_EXE TESTDATA WORKDIR
# Wine's settings (WINEPREFIX, ...) come from the caller. Prints one summary
# line; exit 1 on any difference.
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") standin=$(realpath "$3") data=$4 work=$5

winpath() { local p; p=$(realpath -m "$1"); p=${p//\//\\}; echo "Z:$p"; }

rm -rf "$work"
mkdir -p "$work/in" "$work/linux" "$work/windows" "$work/tmp"
cp "$data"/srtm/gpxeditor/N46W122.hgt "$data"/srtm/nomilous-srtm/S33E018.hgt \
   "$data"/srtm/pyhgtmap/N43E006.hgt "$data"/srtm/pyhgtmap/N43E007.hgt \
   "$data"/srtm/graphhopper/N41E001.hgt.zip "$data"/srtm/graphhopper/N42E001.hgt.zip \
   "$data"/zip/commons-compress/moby.zip "$data"/zip/zip-rs/shrink.zip \
   "$data"/zip/sharpcompress/Zip.deflate.dd.zip "$work/in/"
chmod -R u+w "$work/in"
ln -s ../in "$work/linux/in"
ln -s ../in "$work/windows/in"

# NAME|ARGUMENTS (no spaces inside an argument; "in/" becomes "in\" on Windows)
cases=$(cat <<'TABLE'
info|info in/N46W122.hgt
info-zip|info in/N42E001.hgt.zip
convert-hgx|convert in/N46W122.hgt m.hgx
convert-raw|convert in/S33E018.hgt r.raw --byte-order lsb --void-as -9999
convert-hgt|convert in/N43E006.hgt t.hgt
info-hgx|info m.hgx
mosaic|mosaic --folder in --rect 43,44,6,8 --bands NSWE mosaic.hgx
mosaic-zip|mosaic --folder in --rect 41,43,1,2 --bands NS --fill -5 mosaic2.hgx
mosaic-missing|mosaic --folder in --rect 40,43,0,2 --missing
fill-voids|fill-voids in/N46W122.hgt filled.hgx --radius 4 --weight 2.5
fill-voids-poly|fill-voids in/S33E018.hgt filled2.raw --radius 3 --polygon 10,10;600,40;300,900
edit-offset|edit in/N46W122.hgt off.hgx --offset 9000 --rect 100,100,700,900
edit-change|edit in/N43E007.hgt chg.hgt --change 0,-32768
edit-restrict|edit in/S33E018.hgt res.hgx --restrict --lower 100 --upper 800
edit-fill|edit in/N43E006.hgt fill.hgx --fill 7 --mode voids-only --polygon 0,0;1200,0;0,1200
unzip-moby|unzip in/moby.zip unz-moby
unzip-shrink|unzip in/shrink.zip unz-shrink
unzip-dd|unzip in/Zip.deflate.dd.zip unz-dd
bad-input|info in/nothing.hgt
TABLE
)

run() {  # SIDE NAME ARGS...
  local side=$1 name=$2 status=0
  shift 2
  if [ "$side" = linux ]; then
    (cd "$work/linux" && "$linux" "$@" >"$name.stdout" 2>"$work/$name.linux.err") || status=$?
  else
    (cd "$work/windows" && wine "$windows" "$@" >"$name.stdout" 2>"$work/$name.windows.err") ||
      status=$?
  fi
  echo "$status" >"$work/$side/$name.status"
}

n=0
while IFS='|' read -r name args; do
  read -ra a <<<"$args"
  run linux "$name" "${a[@]}"
  run windows "$name" "${a[@]//in\//in\\}"
  n=$((n + 1))
done <<<"$cases"

# bgl: Linux runs the Windows compiler through Wine, Windows runs it directly;
# both write into the same folder one after the other and keep their
# temporary files in the same folder (Wine takes TMP from the registry), so
# the INF files name the same folders. Only the process id in the kept
# folder's name differs, and is masked.
bgl_run() {  # SIDE
  local side=$1 out status=0
  mkdir -p "$work/bgl"
  if [ "$side" = linux ]; then
    (cd "$work/bgl" && TMPDIR="$work/tmp" STANDIN_DURATION_MS=200 "$linux" bgl ../in/N43E007.hgt \
       --out x.bgl --resample "$standin" --keep-temp >../bgl.linux.out 2>&1) || status=$?
  else
    for v in TMP TEMP; do
      wine reg add 'HKCU\Environment' /v $v /d "$(winpath "$work/tmp")" /f >/dev/null 2>&1
    done
    (cd "$work/bgl" && STANDIN_DURATION_MS=200 wine "$windows" bgl ..\\in\\N43E007.hgt \
       --out x.bgl --resample "$(winpath "$standin")" --keep-temp >../bgl.windows.out 2>&1) ||
      status=$?
    for v in TMP TEMP; do wine reg delete 'HKCU\Environment' /v $v /f >/dev/null 2>&1; done
  fi
  mkdir -p "$work/$side/bgl"
  echo "$status" >"$work/$side/bgl/status"
  mv "$work/bgl/x.bgl" "$work/$side/bgl/" 2>/dev/null || true
  local kept
  kept=$(find "$work/tmp" -maxdepth 1 -name 'delvacli-bgl-*' | head -1)
  if [ -n "$kept" ]; then
    for f in "$kept"/*; do
      sed -E 's/delvacli-bgl-[A-Za-z0-9]+/delvacli-bgl-XXXXXX/' "$f" >"$work/$side/bgl/$(basename "$f")"
    done
    rm -rf "$kept"
  fi
  rm -rf "$work/bgl"
}
bgl_run linux
bgl_run windows
n=$((n + 1))

rm "$work/linux/in" "$work/windows/in"
if diff -r "$work/linux" "$work/windows" >"$work/diff.txt" 2>&1; then
  files=$(find "$work/linux" -type f | wc -l)
  echo "wine: delvacli.exe matched the Linux delvacli on $n commands ($files files and stdouts byte-identical)"
else
  cat "$work/diff.txt" | head -40
  echo "wine: delvacli.exe DIFFERS from the Linux delvacli (see $work/diff.txt)"
  exit 1
fi
