#include "core/edit/fill_delta.h"

#include <algorithm>
#include <cmath>

#include "core/mesh/mesh.h"

namespace {

// 0 where the first and last samples lie on the bounds, 0.5 where the
// samples are the centres of cells that fill the bounds.
double Registration(int32_t samples, double span, double perDegree) {
  return std::fabs((samples - 1) - span * perDegree) < 0.5 ? 0.0 : 0.5;
}

double RowOffset(const TTMesh& m) {
  return Registration(m.Rows, double(m.MaxLat) - m.MinLat, m.RowsPerDeg);
}
double ColumnOffset(const TTMesh& m) {
  return Registration(m.Cols, double(m.MaxLon) - m.MinLon, m.ColsPerDeg);
}

bool Georeferenced(const TTMesh& m) {
  return m.RowsPerDeg > 0 && m.ColsPerDeg > 0 && !m.Samples.Empty();
}

class TDifferences : public TTSplineField {
 public:
  TDifferences(const TTMesh& mesh, const TTMesh& second) : mesh_(mesh), second_(second) {}
  bool Data(int32_t x, int32_t y, double* value) const override {
    double s = 0;
    if (!SecondModelAt(mesh_, second_, x, y, &s)) return false;
    *value = mesh_.GetCell(x, y) - s;
    return true;
  }
  bool Height(int32_t x, int32_t y, double surface, double* height) const override {
    double s = 0;
    if (!SecondModelAt(mesh_, second_, x, y, &s)) return false;
    *height = s + surface;
    return true;
  }

 private:
  const TTMesh& mesh_;
  const TTMesh& second_;
};

}  // namespace

double CellLatitude(const TTMesh& mesh, double row) {
  return double(mesh.MaxLat) - (row + RowOffset(mesh)) / mesh.RowsPerDeg;
}

double CellLongitude(const TTMesh& mesh, double column) {
  return double(mesh.MinLon) + (column + ColumnOffset(mesh)) / mesh.ColsPerDeg;
}

bool SecondModelAt(const TTMesh& mesh, const TTMesh& second, int32_t x, int32_t y, double* value) {
  if (!Georeferenced(mesh) || !Georeferenced(second)) return false;
  const double fy =
      (double(second.MaxLat) - CellLatitude(mesh, y)) * second.RowsPerDeg - RowOffset(second);
  const double fx =
      (CellLongitude(mesh, x) - double(second.MinLon)) * second.ColsPerDeg - ColumnOffset(second);
  // A position within a millionth of a cell of the outer samples is on them.
  constexpr double kEps = 1e-6;
  if (!(fx >= -kEps && fy >= -kEps && fx <= second.Cols - 1 + kEps && fy <= second.Rows - 1 + kEps))
    return false;
  const int32_t x0 = std::clamp(int32_t(std::floor(fx)), 0, std::max(second.Cols - 2, 0));
  const int32_t y0 = std::clamp(int32_t(std::floor(fy)), 0, std::max(second.Rows - 2, 0));
  const double tx = std::clamp(fx - x0, 0.0, 1.0), ty = std::clamp(fy - y0, 0.0, 1.0);
  double sum = 0;
  for (int j = 0; j < 4; ++j) {
    const double w = ((j & 1) ? tx : 1 - tx) * ((j >> 1) ? ty : 1 - ty);
    if (w < 1e-12) continue;
    const int32_t sx = std::min(x0 + (j & 1), second.Cols - 1);
    const int32_t sy = std::min(y0 + (j >> 1), second.Rows - 1);
    const int16_t s = second.GetCell(sx, sy);
    if (s == second.VoidValue) return false;
    sum += w * s;
  }
  *value = sum;
  return true;
}

bool SecondModelCovers(const TTMesh& mesh, const TTMesh& second, const TCellRect& rect) {
  if (!Georeferenced(mesh) || !Georeferenced(second) || rect.IsEmpty()) return false;
  const double north = CellLatitude(mesh, rect.Top), south = CellLatitude(mesh, rect.Bottom);
  const double west = CellLongitude(mesh, rect.Left), east = CellLongitude(mesh, rect.Right);
  const double sNorth = CellLatitude(second, 0), sSouth = CellLatitude(second, second.Rows - 1);
  const double sWest = CellLongitude(second, 0), sEast = CellLongitude(second, second.Cols - 1);
  return south <= sNorth && north >= sSouth && west <= sEast && east >= sWest;
}

bool FillVoidsDelta(TTMesh& mesh, const TTMesh& second, const TCellRect& rect,
                    const TTCellMask* mask, const TTFillOptions& options, TTProgress* progress,
                    TTFillRun* run, const TTSplineParams& params) {
  return FillVoidsWithField(mesh, rect, mask, options, TDifferences(mesh, second), params, progress,
                            run);
}
