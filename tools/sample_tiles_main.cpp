// delva_sample_tiles OUTDIR [--size 1201|3601] [--lat A] [--lon O]
//                           [--across W] [--down H] [--seed S]
// Writes W x H generated tiles whose south-west tile has its corner at
// (A, O); by default 2 x 2 tiles of 1201 samples from N45W123.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "sample_gen.h"

int main(int argc, char* argv[]) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "usage: delva_sample_tiles OUTDIR [--size 1201|3601] [--lat A] [--lon O] "
                 "[--across W] [--down H] [--seed S]\n");
    return 2;
  }
  const std::string folder = argv[1];
  int size = 1201, lat = 45, lon = -123, across = 2, down = 2;
  TSampleTerrain terrain;
  for (int i = 2; i + 1 < argc; i += 2) {
    const int v = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--size"))
      size = v;
    else if (!std::strcmp(argv[i], "--lat"))
      lat = v;
    else if (!std::strcmp(argv[i], "--lon"))
      lon = v;
    else if (!std::strcmp(argv[i], "--across"))
      across = v;
    else if (!std::strcmp(argv[i], "--down"))
      down = v;
    else if (!std::strcmp(argv[i], "--seed"))
      terrain.Seed = uint32_t(v);
    else {
      std::fprintf(stderr, "delva_sample_tiles: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if ((size != 1201 && size != 3601) || across < 1 || down < 1 || across * down > 64) {
    std::fprintf(stderr, "delva_sample_tiles: size must be 1201 or 3601, at most 64 tiles\n");
    return 2;
  }
  terrain.CellsPerDeg = size - 1;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (int a = lat + down - 1; a >= lat; --a)
    for (int o = lon; o < lon + across; ++o) {
      std::string path = WriteSampleTile(terrain, folder, a, o);
      if (path.empty()) {
        std::fprintf(stderr, "delva_sample_tiles: cannot write into %s\n", folder.c_str());
        return 1;
      }
      std::printf("%s\n", path.c_str());
    }
  return 0;
}
