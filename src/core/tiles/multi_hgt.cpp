#include "core/tiles/multi_hgt.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "core/mesh/mesh.h"

std::string LatLabelText(int lat) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d %c", std::abs(lat), lat < 0 ? 'S' : 'N');
  return buf;
}

std::string LonLabelText(int lon) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%03d %c", std::abs(lon), lon < 0 ? 'W' : 'E');
  return buf;
}

TTTileCounts TileCountTexts(const TTDegreeRect& rect, const TTBandFlags& bands) {
  TTTileCounts c;
  if (!rect.IsValid()) {
    c.Base = c.Total = "Invalid";
    return c;
  }
  c.Valid = true;
  const long r = std::labs(long(rect.MaxLat) - rect.MinLat);
  const long w = std::labs(long(rect.MaxLon) - rect.MinLon);
  const long r2 = r + bands.North + bands.South;
  const long w2 = w + bands.West + bands.East;
  c.Base = std::to_string(r) + " x " + std::to_string(w) + "  tiles";
  c.Total = std::to_string(r2) + " x " + std::to_string(w2) + "  tiles";
  return c;
}

TTMultiHGTCloseCheck CheckMultiHGTClose(const TTDegreeRect& rect, const TTBandFlags& bands) {
  TTMultiHGTCloseCheck c;
  if (!rect.IsValid()) {
    c.Message = "Invalid rectangle.";
    return c;
  }
  if (std::abs(rect.MaxLat) > 89 && bands.North)
    c.Untick.North = true;
  else if (std::abs(rect.MinLat) > 89 && bands.South)
    c.Untick.South = true;
  else if (std::abs(rect.MinLon) > 179 && bands.West)
    c.Untick.West = true;
  else if (std::abs(rect.MaxLon) > 179 && bands.East)
    c.Untick.East = true;
  else
    return c;
  c.Message = "Invalid extra band.";
  return c;
}

TTDegreeRect ExtendByBands(TTDegreeRect r, const TTBandFlags& bands) {
  if (r.MaxLat < r.MinLat) std::swap(r.MaxLat, r.MinLat);
  if (r.MaxLon < r.MinLon) std::swap(r.MaxLon, r.MinLon);
  if (bands.North) r.MaxLat += 1;
  if (bands.South) r.MinLat -= 1;
  if (bands.East) r.MaxLon += 1;
  if (bands.West) r.MinLon -= 1;
  return r;
}

void SetTileBandWidths(TTMesh& mesh, int kind, const TTBandFlags& bands) {
  const int32_t n = kind == 1 ? 3600 : 1200;
  mesh.AdjoNorth = bands.North ? n + 1 : 0;
  mesh.AdjoSouth = bands.South ? n : 0;
  mesh.AdjoEast = bands.East ? n + 1 : 0;
  mesh.AdjoWest = bands.West ? n : 0;
}
