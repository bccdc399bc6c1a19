#include "core/view/hillshade.h"

#include <algorithm>
#include <cmath>

#include "core/mesh/mesh.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDeg = 6371008.8 * kPi / 180.0;
}  // namespace

TCellRect ShadeRect(const TTMesh& mesh, const TCellRect& changed) {
  if (changed.IsEmpty()) return changed;
  return TCellRect{std::max(0, changed.Left - 1), std::min(mesh.Cols - 1, changed.Right + 1),
                   std::max(0, changed.Top - 1), std::min(mesh.Rows - 1, changed.Bottom + 1)};
}

void ShadeCells(const TTMesh& mesh, const TCellRect& rect, uint8_t* image, ptrdiff_t stride) {
  if (mesh.Samples.Empty() || rect.IsEmpty() || mesh.RowsPerDeg <= 0 || mesh.ColsPerDeg <= 0)
    return;
  // Light from the north-west, 45 degrees up; y grows southwards.
  const double alt = kPi / 4, az = 315 * kPi / 180;
  const double lx = std::cos(alt) * std::sin(az), ly = -std::cos(alt) * std::cos(az);
  const double lz = std::sin(alt);
  const double dyMetres = kMetresPerDeg / mesh.RowsPerDeg;
  const int16_t voidValue = mesh.VoidValue;
  for (int32_t y = rect.Top; y <= rect.Bottom; ++y) {
    const double lat = mesh.MaxLat - (y + 0.5) / mesh.RowsPerDeg;
    const double dxMetres =
        std::max(1e-3, kMetresPerDeg / mesh.ColsPerDeg * std::cos(lat * kPi / 180));
    const int16_t* row = mesh.RowStart(y);
    const int16_t* up = mesh.RowStart(std::max(0, y - 1));
    const int16_t* down = mesh.RowStart(std::min(mesh.Rows - 1, y + 1));
    const double invSpanY = 1.0 / ((y > 0 && y < mesh.Rows - 1 ? 2 : 1) * dyMetres);
    const double invSpanX = 1.0 / (2 * dxMetres), invEdgeX = 1.0 / dxMetres;
    uint8_t* dst = image + ptrdiff_t(y) * stride;
    for (int32_t x = rect.Left; x <= rect.Right; ++x) {
      if (dst[x] > 253) continue;
      const int32_t xl = std::max(0, x - 1), xr = std::min(mesh.Cols - 1, x + 1);
      const int16_t w = row[xl], e = row[xr], n = up[x], s = down[x];
      if (row[x] == voidValue || w == voidValue || e == voidValue || n == voidValue ||
          s == voidValue)
        continue;
      const double gx = (double(e) - w) * (xr - xl == 2 ? invSpanX : invEdgeX);
      const double gy = (double(s) - n) * invSpanY;
      // Lambert: the light against the surface normal (-gx, -gy, 1).
      const double lit = (-gx * lx - gy * ly + lz) / std::sqrt(gx * gx + gy * gy + 1);
      const double shade = 0.35 + 0.65 * (lit < 0 ? 0 : lit);  // lit never exceeds 1
      dst[x] = uint8_t(std::min(253, int(dst[x] * shade + 0.5)));
    }
  }
}
