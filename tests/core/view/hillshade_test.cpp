#include "core/view/hillshade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/mesh/mesh.h"
#include "core/view/mesh_image.h"
#include "support/mesh_helpers.h"

namespace {
// A cell (the middle one) of a 5 x 5 mesh from f(x, y) at `lat`, coloured and shaded.
uint8_t Shaded(double lat, int16_t (*f)(int, int), uint8_t* gray = nullptr, int cell = 12) {
  TTMesh m;
  std::vector<int16_t> s;
  for (int i = 0; i < 25; ++i) s.push_back(f(i % 5, i / 5));
  MakeMesh(m, 5, 5, s), m.VoidValue = -32768, m.MaxLat = float(lat), m.ColorMax = 2000;
  m.RowsPerDeg = m.ColsPerDeg = 1200;
  std::vector<uint8_t> img(25);
  ColorCells(m, m.GridRect, true, img.data(), 5);
  if (gray) *gray = img[cell];
  ShadeCells(m, m.GridRect, img.data(), 5);
  return img[cell];
}
}  // namespace

TEST(Hillshade, LightFromTheNorthWestCorrectedForLatitude) {
  uint8_t gray = 0;
  const uint8_t flat = Shaded(
      0, [](int, int) { return int16_t(1000); }, &gray);
  EXPECT_EQ(flat, uint8_t(std::lround(gray * (0.35 + 0.65 * std::sqrt(0.5)))));
  EXPECT_LT(Shaded(0, [](int, int) { return int16_t(2000); }), 253);  // the top gray is shaded too
  // Rising to the south-east faces the light; to the north-west it turns away.
  EXPECT_GT(Shaded(0, [](int x, int y) { return int16_t(1000 + 30 * (x + y)); }), flat);
  EXPECT_LT(Shaded(0, [](int x, int y) { return int16_t(1000 - 30 * (x + y)); }), flat);
  // Exactly from the north-west: a slope curving up east shades as one curving up south.
  EXPECT_EQ(Shaded(0, [](int x, int) { return int16_t(1000 + 30 * x * x); }),
            Shaded(0, [](int, int y) { return int16_t(1000 + 30 * y * y); }));
  // Cells half as wide at 60 degrees: the same east-west step is steeper.
  auto west = [](int x, int) { return int16_t(1000 - 20 * x); };
  EXPECT_LT(Shaded(60.5, west), Shaded(0.5, west));
  // At the edges the slope is taken one-sided, alike across and along the rows.
  auto bowl = [](int x, int y) { return int16_t(1000 + 30 * (x * x + y * y)); };
  EXPECT_EQ(std::pair(Shaded(0, bowl, nullptr, 2), Shaded(0, bowl, nullptr, 22)),
            std::pair(Shaded(0, bowl, nullptr, 10), Shaded(0, bowl, nullptr, 14)));
  TTMesh m;  // an edit's relief changes one cell beyond it, within the grid
  MakeMesh(m, 5, 5, std::vector<int16_t>(25, 0));
  EXPECT_EQ(std::pair(ShadeRect(m, TCellRect{1, 2, 1, 3}), ShadeRect(m, m.GridRect)),
            std::pair(TCellRect{0, 3, 0, 4}, m.GridRect));
  // Sea and void keep their colours, and a void's neighbours stay gray.
  EXPECT_EQ(Shaded(0, [](int x, int) { return int16_t(x < 3 ? -5 : 900); }), kSeaIndex);
  EXPECT_EQ(Shaded(0, [](int x, int y) { return int16_t(x == 2 && y == 1 ? -32768 : 1000); }),
            gray);
  // By the cosine of the cell's own latitude, as Lambert's law gives (light 45 degrees up).
  const uint8_t s80 = Shaded(80, west, &gray);
  const double pi = std::acos(-1),
               gx = -20 / (6371008.8 * pi / 180 / 1200 * std::cos((80 - 2.5 / 1200) * pi / 180));
  EXPECT_EQ(s80,
            std::lround(gray * (0.35 + 0.65 * (0.5 * gx + std::sqrt(0.5)) / std::hypot(gx, 1))));
}
