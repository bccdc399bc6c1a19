#include "core/formats/raster_rules.h"

std::string RasterRectWarning(const TTDegreeRect& rect) {
  return rect.IsValid() ? std::string() : std::string("INVALID");
}

void ApplyRasterBandRules(const TTDegreeRect& rect, TTBandFlags& ticked, TTBandFlags& enabled) {
  enabled = TTBandFlags{true, true, true, true};
  if (!rect.IsValid()) {
    ticked = TTBandFlags{};
    enabled = TTBandFlags{};
    return;
  }
  const int64_t h = int64_t(rect.MaxLat) - rect.MinLat;
  const int64_t w = int64_t(rect.MaxLon) - rect.MinLon;
  // A band over a single degree would cover it: not offered. Bands that
  // would cover the whole height or width between them are unticked.
  if (h == 1) enabled.North = enabled.South = false;
  if (w == 1) enabled.West = enabled.East = false;
  if (int(ticked.North) + int(ticked.South) >= h) ticked.North = ticked.South = false;
  if (int(ticked.West) + int(ticked.East) >= w) ticked.West = ticked.East = false;
}

bool RasterSizeMatches(uint64_t fileSize, int64_t rows, int64_t cols) {
  // Both sides come from fields of at most 2000000000, so the product of
  // them and 2 stays below 2^63; larger inputs are refused outright.
  if (rows <= 0 || cols <= 0 || rows > 2000000000 || cols > 2000000000) return false;
  return uint64_t(rows) * uint64_t(cols) * 2u == fileSize;
}
