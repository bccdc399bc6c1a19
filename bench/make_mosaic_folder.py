#!/usr/bin/env python3
"""Makes the folder of the multiple-tile load benchmark: a 4 x 4 rectangle of
3601 x 3601 tiles (44..48 N, 124..120 W) with synthetic terrain, every other
tile zipped (deflate) as N44W124.HGT.zip holding N44W124.hgt.

    python3 bench/make_mosaic_folder.py [FOLDER]     (default /tmp/delva-mosaic)
"""
import array
import math
import os
import random
import sys
import zipfile

S = 3601


def tile(lat, lon):
    rnd = random.Random(lat * 1000 + lon)
    cols = [int(400 * math.sin((lon * 3600 + x) / 900.0) + 150 * math.sin(x / 97.0)) for x in range(S)]
    noise = [rnd.randint(-12, 12) for _ in range(8192)]
    out = array.array("h")
    for y in range(S):
        r = int(600 + 500 * math.cos((lat * 3600 - y) / 1300.0))
        k = (y * 131) % 4096
        out.extend([c + r + n for c, n in zip(cols, noise[k:k + S] + noise[:max(0, k + S - 8192)])])
    if sys.byteorder == "little":
        out.byteswap()
    return out.tobytes()


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "/tmp/delva-mosaic"
    os.makedirs(folder, exist_ok=True)
    k = 0
    for lat in range(47, 43, -1):
        for lon in range(-124, -120):
            name = ("N%02d" % lat) + ("W%03d" % -lon) + ".hgt"
            zipped = (k % 2) == 1
            k += 1
            target = os.path.join(folder, name + (".zip" if zipped else ""))
            if os.path.exists(target):
                continue
            data = tile(lat, lon)
            assert len(data) == 25934402
            if zipped:
                with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
                    z.writestr(name, data)
            else:
                with open(target, "wb") as f:
                    f.write(data)
            print(target, flush=True)


if __name__ == "__main__":
    main()
