// The colouring table against ColorIndex, the one-sample rule, for every
// sample value.
#include <gtest/gtest.h>

#include "core/mesh/mesh.h"
#include "core/view/mesh_image.h"
#include "support/mesh_helpers.h"

TEST(ColorTable, EverySampleAsColorIndexGivesIt) {
  TTMesh m;
  std::vector<int16_t> all(65536);
  for (int i = 0; i < 65536; ++i) all[size_t(i)] = int16_t(i - 32768);
  MakeMesh(m, 256, 256, all);
  struct TRange {
    int16_t lo, hi, voidValue;
    bool sea;
  };
  for (const TRange& r : {TRange{-32768, 32767, -32768, false}, TRange{-7, 8848, -32768, true},
                          TRange{300, 300, 0, false}, TRange{1201, -99, -9999, true}}) {
    m.ColorMin = r.lo;
    m.ColorMax = r.hi;
    m.VoidValue = r.voidValue;
    std::vector<uint8_t> image(65536);
    ColorCells(m, m.GridRect, r.sea, image.data(), 256);
    for (int i = 0; i < 65536; ++i)
      ASSERT_EQ(image[size_t(i)], ColorIndex(all[size_t(i)], r.lo, r.hi, r.voidValue, r.sea)) << i;
  }
}
