#pragma once

// The plain definition of the inverse-distance fill, kept as the yardstick
// for the fast implementation (tests compare, the benchmark times both).

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

// The definition, cell by cell: clamped window scan, sqrt and pow per neighbour, sums in scan
// order; then the two guards (underflowing weights taken relative to the nearest neighbour, a
// quotient within the rounding error of an integer snapped to it, else truncated towards zero).
// Written out here, not taken from the code under test.
inline void InterpolReference(TTMesh& m, const TCellRect& rc, int32_t r, const TTCellMask* mask,
                              double p) {
  std::vector<char> wasVoid(size_t(m.Samples.Size()));
  for (int64_t i = 0; i < m.Samples.Size(); ++i) wasVoid[i] = m.Samples[i] == m.VoidValue;
  // Neighbour count below trunc(pi (r + 1)^2), samples within +-32768.
  const double rc1 = std::clamp(r, 1, 32768) + 1.0;
  const double tol = (2 * std::trunc(3.141592653589793 * rc1 * rc1) + 4) * 0x1p-52 * 32768.0;
  std::vector<double> d;
  std::vector<int16_t> s;
  for (int32_t y = rc.Top; y <= rc.Bottom; ++y)
    for (int32_t x = rc.Left; x <= rc.Right; ++x) {
      if (m.GetCell(x, y) != m.VoidValue) continue;
      if (mask && !mask->Get(x, y)) continue;
      d.clear(), s.clear();
      for (int32_t yy = std::max(y - r, 0); yy <= std::min(y + r, m.Rows - 1); ++yy)
        for (int32_t xx = std::max(x - r, 0); xx <= std::min(x + r, m.Cols - 1); ++xx) {
          if (wasVoid[size_t(yy) * m.Cols + xx]) continue;
          double dist = std::sqrt(double((x - xx) * (x - xx) + (y - yy) * (y - yy)));
          if (dist > r) continue;
          d.push_back(dist), s.push_back(m.GetCell(xx, yy));
        }
      if (d.empty()) continue;
      double sw = 0, sws = 0;
      for (size_t i = 0; i < d.size(); ++i) {
        double w = 1 / (std::pow(d[i], p) + 1);
        sw += w, sws += w * s[i];
      }
      if (sw < 1e-250) {
        double d0 = *std::min_element(d.begin(), d.end());
        sw = sws = 0;
        for (size_t i = 0; i < d.size(); ++i) {
          double w = std::pow(d0 / d[i], p);
          sw += w, sws += w * s[i];
        }
      }
      const double q = sws / sw;
      if (!std::isfinite(q)) continue;
      const double v = std::fabs(q - std::round(q)) <= tol ? std::round(q) : std::trunc(q);
      m.SetCell(x, y, int16_t(std::clamp(v, -32768.0, 32767.0)));
    }
}
