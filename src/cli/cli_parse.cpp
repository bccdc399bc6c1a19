#include "cli/cli_parse.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "cli/cli.h"
#include "core/mesh/poly_raster.h"

TTRasterImport ParseRasterGeometry(const std::string& text) {
  std::vector<std::string> p = CliSplit(text);
  if (p.size() < 6 || p.size() > 8)
    CliUsage("--raster needs ROWS,COLS,MINLAT,MAXLAT,MINLON,MAXLON[,msb|lsb[,VOID]]");
  TTRasterImport r;
  r.Rows = int32_t(CliInt(p[0], 1, 2000000000, "raster rows"));
  r.Cols = int32_t(CliInt(p[1], 1, 2000000000, "raster columns"));
  r.Rect.MinLat = int(CliInt(p[2], -90, 90, "raster MINLAT"));
  r.Rect.MaxLat = int(CliInt(p[3], -90, 90, "raster MAXLAT"));
  r.Rect.MinLon = int(CliInt(p[4], -180, 180, "raster MINLON"));
  r.Rect.MaxLon = int(CliInt(p[5], -180, 180, "raster MAXLON"));
  if (!r.Rect.IsValid()) CliUsage("--raster: the bounds do not form a rectangle");
  if (p.size() >= 7) {
    if (p[6] != "msb" && p[6] != "lsb") CliUsage("--raster: byte order must be msb or lsb");
    r.MsbFirst = p[6] == "msb";
  }
  if (p.size() == 8) r.VoidValue = int16_t(CliInt(p[7], -32768, 32767, "raster void value"));
  return r;
}

TTDegreeRect ParseDegreeRect(const std::string& text) {
  const auto parts = CliSplit(text);
  if (parts.size() != 4) CliUsage("--rect needs MINLAT,MAXLAT,MINLON,MAXLON");
  TTDegreeRect r;
  r.MinLat = int(CliInt(parts[0], -90, 90, "--rect MINLAT"));
  r.MaxLat = int(CliInt(parts[1], -90, 90, "--rect MAXLAT"));
  r.MinLon = int(CliInt(parts[2], -180, 180, "--rect MINLON"));
  r.MaxLon = int(CliInt(parts[3], -180, 180, "--rect MAXLON"));
  return r;
}

TTBandFlags ParseBands(const std::string& text) {
  TTBandFlags b;
  for (char c : text) {
    bool* flag = c == 'N' || c == 'n'   ? &b.North
                 : c == 'S' || c == 's' ? &b.South
                 : c == 'W' || c == 'w' ? &b.West
                 : c == 'E' || c == 'e' ? &b.East
                                        : nullptr;
    if (!flag || *flag) CliUsage("--bands takes each of the letters N, S, W, E at most once");
    *flag = true;
  }
  return b;
}

TBandOverlap ParseOverlap(const std::string& text) {
  const std::vector<std::string> parts = CliSplit(text);
  if (parts.size() != 4) CliUsage("--overlap needs N,S,W,E");
  TBandOverlap o;
  o.North = int32_t(CliInt(parts[0], 0, INT32_MAX, "--overlap"));
  o.South = int32_t(CliInt(parts[1], 0, INT32_MAX, "--overlap"));
  o.West = int32_t(CliInt(parts[2], 0, INT32_MAX, "--overlap"));
  o.East = int32_t(CliInt(parts[3], 0, INT32_MAX, "--overlap"));
  return o;
}

void ParseCellSelection(const std::string& rectText, const std::string& polygonText, int32_t cols,
                        int32_t rows, TCellSelection& s) {
  const long long maxCol = cols - 1, maxRow = rows - 1;
  s.hasMask = false;
  if (!rectText.empty()) {
    std::vector<std::string> p = CliSplit(rectText);
    if (p.size() != 4) CliUsage("invalid --rect: \"" + rectText + "\" (LEFT,TOP,RIGHT,BOTTOM)");
    s.rect.Left = int32_t(CliInt(p[0], 0, maxCol, "rectangle left column"));
    s.rect.Top = int32_t(CliInt(p[1], 0, maxRow, "rectangle top row"));
    s.rect.Right = int32_t(CliInt(p[2], 0, maxCol, "rectangle right column"));
    s.rect.Bottom = int32_t(CliInt(p[3], 0, maxRow, "rectangle bottom row"));
    if (s.rect.Right < s.rect.Left || s.rect.Bottom < s.rect.Top)
      CliUsage("invalid --rect: \"" + rectText + "\" (right below left or bottom above top)");
  } else if (!polygonText.empty()) {
    std::vector<TTCellPoint> points;
    for (const std::string& v : CliSplit(polygonText, ';')) {
      if (v.empty()) continue;  // a trailing ';'
      std::vector<std::string> xy = CliSplit(v);
      if (xy.size() != 2) CliUsage("invalid --polygon vertex: \"" + v + "\" (COLUMN,ROW)");
      points.push_back({int32_t(CliInt(xy[0], 0, maxCol, "polygon column")),
                        int32_t(CliInt(xy[1], 0, maxRow, "polygon row"))});
    }
    if (points.size() < 3) CliUsage("--polygon needs at least three vertices");
    // Closed automatically, as the editor closes on the first vertex.
    if (!(points.back() == points.front())) points.push_back(points.front());
    TCellRect b{points[0].X, points[0].X, points[0].Y, points[0].Y};
    for (const TTCellPoint& q : points) {
      b.Left = std::min(b.Left, q.X);
      b.Right = std::max(b.Right, q.X);
      b.Top = std::min(b.Top, q.Y);
      b.Bottom = std::max(b.Bottom, q.Y);
    }
    s.rect = b;
    s.mask.Reset(b);
    RasterizePolygon(points.data(), int32_t(points.size()), s.mask);
    s.hasMask = true;
  } else {
    s.rect = TCellRect{0, cols - 1, 0, rows - 1};  // the mesh's GridRect
  }
}
