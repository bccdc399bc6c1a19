#pragma once

// The plain definition of the inverse-distance fill, kept as the yardstick
// for the fast implementation (tests compare, the benchmark times both).

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/edit/interpol.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

// The definition, cell by cell: clamped window scan, sqrt and pow per
// neighbour, sums in scan order; then the same two guards as the product
// (underflowing weights taken relative to the nearest neighbour, quotient
// snapped within the rounding error).
inline void InterpolReference(TTMesh& m, const TCellRect& rc, int32_t r, const TTCellMask* mask,
                              double p) {
  std::vector<char> wasVoid(size_t(m.Samples.Size()));
  for (int64_t i = 0; i < m.Samples.Size(); ++i) wasVoid[i] = m.Samples[i] == m.VoidValue;
  const double tol = IdwTolerance(r);
  std::vector<double> d;
  std::vector<int16_t> s;
  for (int32_t y = rc.Top; y <= rc.Bottom; ++y)
    for (int32_t x = rc.Left; x <= rc.Right; ++x) {
      if (m.GetCell(x, y) != m.VoidValue) continue;
      if (mask && !mask->Get(x, y)) continue;
      d.clear();
      s.clear();
      for (int32_t yy = std::max(y - r, 0); yy <= std::min(y + r, m.Rows - 1); ++yy)
        for (int32_t xx = std::max(x - r, 0); xx <= std::min(x + r, m.Cols - 1); ++xx) {
          if (wasVoid[size_t(yy) * m.Cols + xx]) continue;
          double dist = std::sqrt(double((x - xx) * (x - xx) + (y - yy) * (y - yy)));
          if (dist > r) continue;
          d.push_back(dist);
          s.push_back(m.GetCell(xx, yy));
        }
      if (d.empty()) continue;
      double sw = 0, sws = 0;
      for (size_t i = 0; i < d.size(); ++i) {
        double w = 1 / (std::pow(d[i], p) + 1);
        sw += w;
        sws += w * s[i];
      }
      if (sw < kIdwUnderflowSum) {
        double d0 = *std::min_element(d.begin(), d.end());
        sw = sws = 0;
        for (size_t i = 0; i < d.size(); ++i) {
          double w = std::pow(d0 / d[i], p);
          sw += w;
          sws += w * s[i];
        }
      }
      int16_t v;
      if (IdwQuotient(sws, sw, tol, &v)) m.SetCell(x, y, v);
    }
}
