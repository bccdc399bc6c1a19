// make_void_tile OUT.hgt SIDE PERCENT MEAN_RADIUS SEED
// Writes a big-endian SIDE x SIDE tile of rolling relief with PERCENT % of
// its cells void (-32768), in clusters: unions of a few overlapping discs
// whose radii are exponential with the given mean. Built and run by
// compare_gdal.sh; needs nothing but the standard library.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char* argv[]) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: make_void_tile OUT.hgt SIDE PERCENT MEAN_RADIUS SEED\n");
    return 2;
  }
  const int side = std::atoi(argv[2]);
  const double percent = std::atof(argv[3]), mean = std::atof(argv[4]);
  std::mt19937 rng(unsigned(std::atoi(argv[5])));
  std::vector<int16_t> t(size_t(side) * side);
  std::uniform_int_distribution<int> noise(-3, 3);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      double h = 900 + 600 * std::sin(x * 0.0021) * std::cos(y * 0.0017) +
                 150 * std::sin(x * 0.013 + y * 0.007) + 40 * std::cos(x * 0.07 - y * 0.05);
      t[size_t(y) * side + x] = int16_t(h + noise(rng));
    }
  const int64_t target = int64_t(double(side) * side * percent / 100);
  int64_t voids = 0;
  std::exponential_distribution<double> size(1.0 / mean);
  std::uniform_int_distribution<int> pos(0, side - 1);
  while (voids < target) {
    const int cx = pos(rng), cy = pos(rng), parts = 1 + int(rng() % 4);
    for (int k = 0; k < parts; ++k) {
      const int r = std::min(int(4 * mean), int(size(rng)));
      const int spread = 1 + r / 2;
      const int ox = cx + int(rng() % (2 * spread + 1)) - spread;
      const int oy = cy + int(rng() % (2 * spread + 1)) - spread;
      for (int y = std::max(0, oy - r); y <= std::min(side - 1, oy + r); ++y)
        for (int x = std::max(0, ox - r); x <= std::min(side - 1, ox + r); ++x)
          if ((x - ox) * (x - ox) + (y - oy) * (y - oy) <= r * r) {
            int16_t& s = t[size_t(y) * side + x];
            if (s != -32768) ++voids;
            s = -32768;
          }
    }
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  for (int16_t v : t) {
    const unsigned char b[2] = {uint8_t(uint16_t(v) >> 8), uint8_t(v & 0xff)};
    std::fwrite(b, 1, 2, f);
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
