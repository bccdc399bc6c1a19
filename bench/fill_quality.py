#!/usr/bin/python3
"""Accuracy of the void fills against ground truth.

Punches holes into void-free SRTM tiles (deterministic seeds), fills them with
every `delvacli fill-voids` method and with GDAL's `gdal_fillnodata.py -md 200`,
and prints the RMSE over the punched cells.

Scenarios, per tile:
  clusters  SRTM-like clusters of small irregular voids, 2 % of the cells
  large     six large voids of radius 25 to 60 cells (slightly irregular disks)
The second model for `--method dem` is the true tile blurred over 5 x 5 cells,
raised by 8 m and tilted (+0.02 m per column, -0.015 m per row).

Usage: bench/fill_quality.py [--delvacli PATH] [--shared DIR] [--keep DIR]
Needs gdal-bin (gdal_fillnodata.py, gdal_translate); nothing else beyond the
Python standard library.
"""

import argparse
import array
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

N = 1201
VOID = -32768
TILES = [("pyhgtmap", "N43E006"), ("gpxeditor", "N46W122"), ("gpxeditor", "N27E086")]
METHODS = [
    ("IDW r70 p6", ["--method", "idw"]),
    ("spline", ["--method", "spline"]),
    ("dem", ["--method", "dem"]),  # --second-dem added per tile
]


def read_hgt(path):
    a = array.array("h")
    with open(path, "rb") as f:
        a.frombytes(f.read())
    if sys.byteorder == "little":
        a.byteswap()
    return a


def write_hgt(path, samples):
    a = array.array("h", samples)
    if sys.byteorder == "little":
        a.byteswap()
    with open(path, "wb") as f:
        f.write(a.tobytes())


def punch_clusters(rng, fraction=0.02):
    """Clusters of blobs grown by random accretion, sizes log-uniform 4..400."""
    holes = set()
    target = int(fraction * N * N)
    while len(holes) < target:
        cx, cy = rng.randint(8, N - 9), rng.randint(8, N - 9)
        for _ in range(rng.randint(3, 10)):
            bx = min(max(int(cx + rng.gauss(0, 12)), 1), N - 2)
            by = min(max(int(cy + rng.gauss(0, 12)), 1), N - 2)
            size = int(math.exp(rng.uniform(math.log(4), math.log(400))))
            blob = {(bx, by)}
            frontier = [(bx, by)]
            while len(blob) < size and frontier:
                x, y = frontier[rng.randrange(len(frontier))]
                dx, dy = rng.choice(((1, 0), (-1, 0), (0, 1), (0, -1)))
                q = (x + dx, y + dy)
                if 0 <= q[0] < N and 0 <= q[1] < N and q not in blob:
                    blob.add(q)
                    frontier.append(q)
            holes |= blob
    return holes


def punch_large(rng, count=6):
    """Disks of radius 25..60 cells with a mildly wavy rim, not overlapping."""
    holes = set()
    disks = []
    while len(disks) < count:
        r = rng.uniform(25, 60)
        cx, cy = rng.uniform(r + 3, N - r - 4), rng.uniform(r + 3, N - r - 4)
        if any(math.hypot(cx - x, cy - y) < r + q + 5 for x, y, q in disks):
            continue
        disks.append((cx, cy, r))
        p1, p2 = rng.uniform(0, 6.3), rng.uniform(0, 6.3)
        for y in range(int(cy - 1.3 * r), int(cy + 1.3 * r) + 2):
            for x in range(int(cx - 1.3 * r), int(cx + 1.3 * r) + 2):
                t = math.atan2(y - cy, x - cx)
                rim = r * (1 + 0.12 * math.sin(2 * t + p1) + 0.08 * math.sin(5 * t + p2))
                if math.hypot(x - cx, y - cy) < rim:
                    holes.add((x, y))
    return holes


def second_model(truth):
    """5 x 5 box blur (edges clamped), +8 m, tilted."""
    def box_rows(src):
        out = [0.0] * (N * N)
        for y in range(N):
            row = src[y * N:(y + 1) * N]
            pre = [0.0]
            for v in row:
                pre.append(pre[-1] + v)
            for x in range(N):
                a, b = max(x - 2, 0), min(x + 2, N - 1)
                out[y * N + x] = (pre[b + 1] - pre[a]) / (b - a + 1)
        return out

    def transpose(src):
        return [src[x * N + y] for y in range(N) for x in range(N)]

    blurred = transpose(box_rows(transpose(box_rows(list(truth)))))
    return [int(round(blurred[y * N + x] + 8 + 0.02 * x - 0.015 * y))
            for y in range(N) for x in range(N)]


def rmse(truth, filled, holes):
    se, n, left = 0.0, 0, 0
    for x, y in holes:
        v = filled[y * N + x]
        if v == VOID:
            left += 1
            continue
        d = v - truth[y * N + x]
        se += d * d
        n += 1
    return (math.sqrt(se / n) if n else float("nan")), left


def run_gdal(src, work):
    tif, raw = os.path.join(work, "gdal.tif"), os.path.join(work, "gdal.bil")
    subprocess.run(["gdal_fillnodata.py", "-q", "-md", "200", "-of", "GTiff", src, tif],
                   check=True)
    subprocess.run(["gdal_translate", "-q", "-of", "EHdr", tif, raw], check=True)
    a = array.array("h")
    with open(raw, "rb") as f:
        a.frombytes(f.read())
    if sys.byteorder == "big":
        a.byteswap()
    return a


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--delvacli", default=os.path.join(here, "..", "build", "src", "delvacli"))
    ap.add_argument("--shared", default=os.path.join(here, "..", "..", "shared"))
    ap.add_argument("--keep", help="keep the punched tiles and results in this folder")
    ap.add_argument("--tile", action="append", help="only this tile (repeatable)")
    args = ap.parse_args()

    work = args.keep or tempfile.mkdtemp(prefix="fill-quality-")
    os.makedirs(work, exist_ok=True)
    names = [m[0] for m in METHODS] + ["GDAL -md 200"]
    print("| tile | holes | void cells | " + " | ".join(names) +
          " | spline/GDAL | dem/GDAL |")
    print("|" + " --- |" * (len(names) + 5))
    try:
        for folder, tile in TILES:
            if args.tile and tile not in args.tile:
                continue
            path = os.path.join(args.shared, "testdata", "srtm", folder, tile + ".hgt")
            truth = read_hgt(path)
            second_dir = os.path.join(work, "second")
            os.makedirs(second_dir, exist_ok=True)
            second = os.path.join(second_dir, tile + ".hgt")
            write_hgt(second, second_model(truth))
            for scenario, seed in (("clusters", 1), ("large", 2)):
                rng = random.Random("%s-%s-%d" % (tile, scenario, seed))
                holes = punch_clusters(rng) if scenario == "clusters" else punch_large(rng)
                holed = array.array("h", truth)
                for x, y in holes:
                    holed[y * N + x] = VOID
                case = os.path.join(work, tile + "-" + scenario)
                os.makedirs(case, exist_ok=True)
                src = os.path.join(case, tile + ".hgt")
                write_hgt(src, holed)
                cells, scores = [], {}
                for name, opts in METHODS:
                    out = os.path.join(case, "out.hgt")
                    if name == "dem":
                        opts = opts + ["--second-dem", second]
                    t0 = time.time()
                    subprocess.run([args.delvacli, "fill-voids", src, out] + opts, check=True,
                                   stdout=subprocess.DEVNULL)
                    e, left = rmse(truth, read_hgt(out), holes)
                    scores[name] = e
                    cells.append("%.1f m%s (%.1f s)" % (e, " (%d left)" % left if left else "",
                                                       time.time() - t0))
                t0 = time.time()
                e, left = rmse(truth, run_gdal(src, case), holes)
                scores["GDAL"] = e
                cells.append("%.1f m%s (%.1f s)" % (e, " (%d left)" % left if left else "",
                                                   time.time() - t0))
                print("| %s | %s | %d | %s | %.2f | %.2f |" % (
                    tile, scenario, len(holes), " | ".join(cells),
                    scores["spline"] / scores["GDAL"], scores["dem"] / scores["GDAL"]))
                sys.stdout.flush()
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
