#include "core/mesh/poly_raster.h"

#include <algorithm>
#include <vector>

#include "core/mesh/cell_mask.h"

namespace {
// Floor and ceiling of n / d for d > 0, exact for negative n.
int64_t FloorDiv(int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }
int64_t CeilDiv(int64_t n, int64_t d) { return -FloorDiv(-n, d); }

struct TCrossing {
  int64_t Num;  // x = Num / Den
  int64_t Den;  // > 0
  double Key() const { return double(Num) / double(Den); }
};
}  // namespace

void RasterizePolygon(const TTCellPoint* pts, int32_t count, TTCellMask& mask) {
  if (count < 1) return;
  const TCellRect& b = mask.Bounds();
  if (b.IsEmpty()) return;
  int32_t ymin = pts[0].Y, ymax = pts[0].Y;
  for (int32_t i = 1; i < count; ++i) {
    ymin = std::min(ymin, pts[i].Y);
    ymax = std::max(ymax, pts[i].Y);
  }
  ymin = std::max(ymin, b.Top);
  ymax = std::min(ymax, b.Bottom);

  // Interior: each row is cut by the edges that span it under the half-open
  // rule (lower end included, upper excluded), so a vertex on the row counts
  // once and horizontal edges not at all; cells between pairs of crossings
  // are inside.
  std::vector<TCrossing> xs;
  for (int64_t y = ymin; y <= ymax; ++y) {
    xs.clear();
    for (int32_t i = 0; i < count; ++i) {
      const TTCellPoint& p = pts[i];
      const TTCellPoint& q = pts[(i + 1) % count];
      int64_t y0 = p.Y, y1 = q.Y, x0 = p.X, x1 = q.X;
      if (y0 == y1) continue;
      if (y0 > y1) {
        std::swap(y0, y1);
        std::swap(x0, x1);
      }
      if (y < y0 || y >= y1) continue;
      int64_t den = y1 - y0;
      xs.push_back({x0 * den + (y - y0) * (x1 - x0), den});
    }
    std::sort(xs.begin(), xs.end(),
              [](const TCrossing& a, const TCrossing& c) { return a.Key() < c.Key(); });
    for (size_t k = 0; k + 1 < xs.size(); k += 2) {
      int64_t xa = CeilDiv(xs[k].Num, xs[k].Den);
      int64_t xb = FloorDiv(xs[k + 1].Num, xs[k + 1].Den);
      if (xb < b.Left || xa > b.Right || xa > xb) continue;
      mask.SetSpan(int32_t(y), int32_t(std::max<int64_t>(xa, b.Left)),
                   int32_t(std::min<int64_t>(xb, b.Right)));
    }
  }

  // Outline: the cells of every edge, so thin parts stay selected.
  for (int32_t i = 0; i < count; ++i) {
    const TTCellPoint& p = pts[i];
    const TTCellPoint& q = pts[(i + 1) % count];
    ForEachLineCell(p.X, p.Y, q.X, q.Y, [&](int64_t x, int64_t y) {
      if (b.Contains(int32_t(x), int32_t(y))) mask.Set(int32_t(x), int32_t(y), true);
    });
  }
}
