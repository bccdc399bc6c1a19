#include "core/view/cursor_readout.h"

#include <cmath>
#include <cstdio>

#include "core/base/number_text.h"
#include "core/mesh/mesh.h"

namespace {
std::string Fixed(long double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Lf", decimals, v);
  return buf;
}

std::string Uint(unsigned long v, int minDigits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*lu", minDigits, v);
  return buf;
}

// Degrees, minutes and hundredths of a minute, each truncated. Counted in
// whole hundredths of a minute, with a margin far below one hundredth, so
// that a position lying exactly on a hundredth (8 deg 59.95') is not shown
// one hundredth lower because of binary rounding.
void DegMin(long double v, unsigned long& d, unsigned long& m, unsigned long& h) {
  const auto total = static_cast<unsigned long long>(std::trunc(v * 6000.0L + 1e-6L));
  d = static_cast<unsigned long>(total / 6000);
  m = static_cast<unsigned long>(total % 6000 / 100);
  h = static_cast<unsigned long>(total % 100);
}
}  // namespace

std::string CursorReadout(const TTMesh& mesh, int32_t c, int32_t r, int format) {
  const int16_t s = mesh.GetCell(c, r);
  std::string g;
  if (mesh.ColsPerDeg * mesh.RowsPerDeg != 0) {
    // Row 0 lies on the northern edge: a tile's 1201 rows span 1200 intervals.
    long double lat = (long double)mesh.MaxLat - (long double)r / mesh.RowsPerDeg;
    long double lon = (long double)mesh.MinLon + (long double)c / mesh.ColsPerDeg;
    g = " (Lat./Lon.) = (";
    if (format == 2) {
      g += (lat >= 0 ? "+" : "") + Fixed(lat, 4) + ") (" + (lon >= 0 ? "+" : "") + Fixed(lon, 4) +
           ") ";
    } else {
      unsigned long d, m, h;
      DegMin(std::fabs(lat), d, m, h);
      g += std::string(lat >= 0 ? "N" : "S") + " " + Uint(d, 2) + "\u00B0 " + Uint(m, 2) + "'. " +
           Uint(h, 2) + ") (";
      DegMin(std::fabs(lon), d, m, h);
      g += std::string(lon >= 0 ? "E" : "W") + " " + Uint(d, 3) + "\u00B0 " + Uint(m, 2) + "'. " +
           Uint(h, 2) + ")";
    }
  }
  std::string text = "(X,Y) = (" + std::to_string(c) + ") (" + std::to_string(r) + ") " + g +
                     "  Elevation = " + std::to_string(s) +
                     " m = " + Fixed((long double)s * 3.2808399L, 1) + " ft";
  if (s == mesh.VoidValue) text += "  (void)";
  return text;
}

std::string UndoDebugText(int64_t allocated, int64_t limit, int64_t count, int64_t tail,
                          int64_t head) {
  return "Alc=" + std::to_string(allocated) + "  Lim=" + std::to_string(limit) +
         "  Cnt=" + std::to_string(count) + "  T/H=" + std::to_string(tail) + "/" +
         std::to_string(head);
}

std::string SelectionSizeText(const TTMesh& mesh, const TCellRect& rect) {
  std::string text =
      "Selection " + FormatInt(rect.Width()) + " x " + FormatInt(rect.Height()) + " cells";
  if (mesh.RowsPerDeg <= 0 || mesh.ColsPerDeg <= 0) return text;
  // Kilometres per degree on a sphere of the Earth's mean radius.
  constexpr double kKmPerDeg = 6371.0088 * 3.14159265358979323846 / 180.0;
  const double midLat = mesh.MaxLat - (rect.Top + rect.Bottom + 1) / 2.0 / mesh.RowsPerDeg;
  const double ew = rect.Width() / mesh.ColsPerDeg * kKmPerDeg *
                    std::cos(midLat * 3.14159265358979323846 / 180.0);
  const double ns = rect.Height() / mesh.RowsPerDeg * kKmPerDeg;
  return text + ", " + FormatFixed(ew, 1) + " x " + FormatFixed(ns, 1) + " km";
}
