#include "sample_gen.h"

#include <algorithm>
#include <cmath>

#include "core/base/file_util.h"
#include "core/base/sample_io.h"
#include "core/tiles/tile_names.h"

namespace {

uint32_t Hash(int64_t x, int64_t y, uint32_t seed) {
  uint64_t h = uint64_t(x) * 0x9E3779B97F4A7C15ull ^
               (uint64_t(y) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
  h ^= seed * 0x165667B19E3779F9ull;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return uint32_t(h);
}

double Unit(uint32_t h) { return (h & 0xFFFFFF) / double(0xFFFFFF); }

// Smoothly interpolated lattice noise in [0, 1] at (x, y) in lattice units.
double ValueNoise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int64_t ix = int64_t(fx), iy = int64_t(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const double a = Unit(Hash(ix, iy, seed)), b = Unit(Hash(ix + 1, iy, seed));
  const double c = Unit(Hash(ix, iy + 1, seed)), d = Unit(Hash(ix + 1, iy + 1, seed));
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal sum with `octaves` octaves, the first of `wavelength` degrees.
double Fbm(double lon, double lat, double wavelength, int octaves, uint32_t seed) {
  double sum = 0, amp = 1, norm = 0, f = 1.0 / wavelength;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * ValueNoise(lon * f, lat * f, seed + 977u * o);
    norm += amp;
    amp *= 0.5;
    f *= 2.03;
  }
  return sum / norm;
}

// Height at a global sample position: gx columns east of the prime
// meridian, gy rows north of the equator, n samples per degree.
int16_t Height(int64_t gx, int64_t gy, int32_t n, uint32_t seed) {
  const double lon = double(gx) / n, lat = double(gy) / n;
  // Land and sea: a broad fractal pattern; about a third of it is sea.
  const double land =
      (Fbm(lon, lat, 0.7, 5, seed) - 0.44) * 2.2 + 0.12 * std::sin(lon * 2.1 + lat * 0.7);
  if (land < 0) {
    // Sea is 0; a narrow strip along the shore dips a few metres below.
    return land > -0.02 ? int16_t(-1 - int(Hash(gx, gy, seed) % 6)) : int16_t(0);
  }
  // Ridged mountains rising inland, with rough detail everywhere on land.
  const double ridge = 1.0 - std::fabs(2 * Fbm(lon, lat, 0.25, 6, seed + 17) - 1);
  const double detail = Fbm(lon, lat, 0.04, 5, seed + 29);
  const double inland = std::min(1.0, land * 2.5);
  const double h = 1 + land * 900 + std::pow(ridge, 3) * inland * 3200 + detail * inland * 450;

  // Voids: blobs centred in some cells of a 48-sample lattice, on high land.
  if (h > 300) {
    const int64_t cell = 48;
    const int64_t cx = gx >= 0 ? gx / cell : (gx - cell + 1) / cell;
    const int64_t cy = gy >= 0 ? gy / cell : (gy - cell + 1) / cell;
    for (int64_t dy = -1; dy <= 1; ++dy)
      for (int64_t dx = -1; dx <= 1; ++dx) {
        const uint32_t hc = Hash(cx + dx, cy + dy, seed ^ 0xA5A5u);
        if (hc % 100 >= 4) continue;  // 4 % of the cells hold a cluster
        const double px = (cx + dx) * cell + (hc >> 8) % cell,
                     py = (cy + dy) * cell + (hc >> 16) % cell;
        const double r = 3 + (hc >> 24) % 14;
        const double ddx = gx - px, ddy = gy - py;
        const double wobble = 0.7 + 0.6 * Unit(Hash(gx / 3, gy / 3, seed ^ 0x5A5Au));
        if (ddx * ddx + ddy * ddy < r * r * wobble) return -32768;
      }
  }
  return int16_t(std::min(h, 8800.0));
}

}  // namespace

std::vector<int16_t> SampleTile(const TSampleTerrain& terrain, int lat, int lon) {
  const int32_t n = terrain.CellsPerDeg, s = n + 1;
  std::vector<int16_t> v(size_t(s) * s);
  for (int32_t r = 0; r < s; ++r) {
    const int64_t gy = int64_t(lat + 1) * n - r;
    for (int32_t c = 0; c < s; ++c)
      v[size_t(r) * s + c] = Height(int64_t(lon) * n + c, gy, n, terrain.Seed);
  }
  return v;
}

std::string WriteSampleTile(const TSampleTerrain& terrain, const std::string& folder, int lat,
                            int lon) {
  std::vector<int16_t> v = SampleTile(terrain, lat, lon);
  std::vector<unsigned char> bytes(v.size() * 2);
  EncodeSamples(v.data(), bytes.data(), v.size(), true, 0, 0);
  const std::string path = JoinPath(folder, LatName(lat) + LonName(lon) + ".hgt");
  return WriteFileAtomically(path, bytes.data(), bytes.size()) ? path : std::string();
}
