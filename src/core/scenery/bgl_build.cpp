#include "core/scenery/bgl_build.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/base/file_util.h"
#include "core/base/number_text.h"
#include "core/mesh/mesh.h"
#include "core/platform/native_file.h"
#include "core/tiles/tile_names.h"

namespace {

constexpr double kLodCellSizes[16] = {39136.2, 19568.1, 9784.0, 4892.0, 2446.0, 1223.0,
                                      611.5,   305.8,   152.9,  76.4,   38.2,   19.1,
                                      9.6,     4.8,     2.4,    1.2};

// Whole degrees of a density, as the band spin edits and the cut use them.
int32_t WholeDegrees(double perDeg) {
  if (!(perDeg > 0) || !std::isfinite(perDeg) || perDeg > 2147483647.0) return 0;
  return int32_t(std::trunc(perDeg));
}

TBandChoice Choice(int32_t band, double perDeg, int32_t proposal) {
  TBandChoice c;
  if (band <= 0) return c;
  c.Enabled = true;
  c.Maximum = WholeDegrees(perDeg);
  c.Proposal = proposal < c.Maximum ? proposal : c.Maximum;
  return c;
}

}  // namespace

double LodCellSize(int lod) { return lod >= 0 && lod <= 15 ? kLodCellSizes[lod] : 0.0; }

std::string LodLabelText(int lod) { return FormatFixed(LodCellSize(lod), 2) + " m"; }

int DefaultLod(const TTMesh& mesh) { return mesh.RowsPerDeg >= 3600 ? 10 : 9; }

int DefaultBandSize(int lod) { return lod == 10 ? 283 : 171; }

std::string DefaultBglName(const TTMesh& mesh) {
  double north = mesh.MaxLat, south = mesh.MinLat, west = mesh.MinLon, east = mesh.MaxLon;
  if (mesh.AdjoNorth > 0) north -= 1;
  if (mesh.AdjoSouth > 0) south += 1;
  if (mesh.AdjoWest > 0) west += 1;
  if (mesh.AdjoEast > 0) east -= 1;
  return LatName(int(std::trunc(north))) + LonName(int(std::trunc(west))) + "_" +
         LatName(int(std::trunc(south))) + LonName(int(std::trunc(east)));
}

std::string DefaultBglPath(const std::string& folder, const TTMesh& mesh) {
  std::string path = folder;
  if (path.empty() || (path.back() != '/' && path.back() != '\\')) {
#ifdef _WIN32
    path += '\\';
#else
    path += '/';
#endif
  }
  return path + DefaultBglName(mesh) + ".bgl";
}

TBandChoices BandChoices(const TTMesh& mesh, int lod) {
  const int32_t proposal = DefaultBandSize(lod);
  TBandChoices c;
  c.North = Choice(mesh.AdjoNorth, mesh.RowsPerDeg, proposal);
  c.South = Choice(mesh.AdjoSouth, mesh.RowsPerDeg, proposal);
  c.West = Choice(mesh.AdjoWest, mesh.ColsPerDeg, proposal);
  c.East = Choice(mesh.AdjoEast, mesh.ColsPerDeg, proposal);
  return c;
}

TBandOverlap DefaultOverlap(const TTMesh& mesh, int lod) {
  const TBandChoices c = BandChoices(mesh, lod);
  return TBandOverlap{c.North.Proposal, c.South.Proposal, c.West.Proposal, c.East.Proposal};
}

bool CutMeshForBgl(const TTMesh& mesh, const TBandOverlap& overlap, TBglCut& cut) {
  TBglCut r;
  r.Rect = mesh.GridRect;
  r.Bounds = TInfBounds{mesh.MinLat, mesh.MaxLat, mesh.MinLon, mesh.MaxLon};
  const double R = mesh.RowsPerDeg, C = mesh.ColsPerDeg;
  const int32_t wholeR = WholeDegrees(R), wholeC = WholeDegrees(C);
  auto inRange = [](int32_t v, int32_t max) { return v >= 0 && v <= max; };
  // An overlap within its degree moves an edge by at most a degree, so each
  // new edge fits in 32 bits; 64-bit sums keep a broken density from
  // wrapping on the way.
  if (mesh.AdjoNorth > 0) {
    if (!inRange(overlap.North, wholeR)) return false;
    r.Rect.Top = int32_t(int64_t(wholeR) + r.Rect.Top - overlap.North);
    r.Bounds.North = float(double(mesh.MaxLat) - 1.0 + overlap.North / R);
  }
  if (mesh.AdjoWest > 0) {
    if (!inRange(overlap.West, wholeC)) return false;
    r.Rect.Left = int32_t(int64_t(wholeC) + r.Rect.Left - overlap.West);
    r.Bounds.West = float(double(mesh.MinLon) + 1.0 - overlap.West / C);
  }
  if (mesh.AdjoSouth > 0) {
    if (!inRange(overlap.South, wholeR)) return false;
    r.Rect.Bottom = int32_t(int64_t(r.Rect.Bottom) + overlap.South - wholeR);
    r.Bounds.South = float(double(mesh.MinLat) + 1.0 - overlap.South / R);
  }
  if (mesh.AdjoEast > 0) {
    if (!inRange(overlap.East, wholeC)) return false;
    r.Rect.Right = int32_t(int64_t(r.Rect.Right) + overlap.East - wholeC);
    r.Bounds.East = float(double(mesh.MaxLon) - 1.0 + overlap.East / C);
  }
  // Narrow bands (a file may claim any width) could push the cut out of the
  // grid; such a cut is refused rather than read out of bounds.
  const TCellRect& g = mesh.GridRect;
  if (r.Rect.IsEmpty() || r.Rect.Left < g.Left || r.Rect.Right > g.Right || r.Rect.Top < g.Top ||
      r.Rect.Bottom > g.Bottom)
    return false;
  r.Cols = int32_t(r.Rect.Width());
  r.Rows = int32_t(r.Rect.Height());
  cut = r;
  return true;
}

TBglTempFiles BglTempFiles(const std::string& tempDir) {
  // The compiler runs in its own folder: a relative folder would point it
  // elsewhere, so the folder is made absolute.
  std::string dir = tempDir;
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(
      tempDir.empty() ? std::filesystem::path(".") : NativePath(tempDir), ec);
  if (!ec) dir = Utf8Path(abs.lexically_normal());
  return TBglTempFiles{JoinPath(dir, "tempmesh.ras"), JoinPath(dir, "tempsrc.inf"),
                       JoinPath(dir, "tempdst.inf")};
}

void DeleteBglTempFiles(const TBglTempFiles& files) {
  std::remove(files.Raster.c_str());
  std::remove(files.SourceInf.c_str());
  std::remove(files.DestInf.c_str());
}

std::string WriteBglInfFiles(const TTMesh& mesh, const TBglCut& cut, int lod, int32_t baseValue,
                             const TBglTempFiles& files, const std::string& bglPath,
                             TToolPathForm form) {
  if (!WriteMeshSourceInf(cut.Cols, cut.Rows, cut.Bounds, baseValue, files.Raster, files.SourceInf,
                          mesh.VoidValue, mesh.RowsPerDeg, mesh.ColsPerDeg, form))
    return "Could not create source INF file.";
  if (!WriteMeshDestInf(lod, baseValue, files.DestInf, bglPath, form)) {
    std::remove(files.SourceInf.c_str());
    return "Could not create destination INF file.";
  }
  return std::string();
}

std::vector<std::string> ResampleInfList(const std::vector<std::string>& entries,
                                         const std::string& sourceInf, const std::string& destInf) {
  std::vector<std::string> list;
  list.reserve(entries.size() + 1);
  for (const std::string& e : entries) list.push_back(e == GeneratedInfMarker ? sourceInf : e);
  list.push_back(destInf);
  return list;
}

bool FileSizeIfExists(const std::string& path, int64_t& size) {
  size = 0;
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return false;
  const auto s = std::filesystem::file_size(path, ec);
  if (!ec) size = int64_t(s);
  return true;
}
