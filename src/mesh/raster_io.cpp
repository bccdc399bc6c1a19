#include <cmath>

#include "mesh/mesh.h"
#include "mesh/raster_rules.h"
#include "settings/file_util.h"

std::string LoadRasterMesh(TTMesh& mesh, const TTRasterImport& in, TTProgress* progress) {
  mesh.Kind = 0;
  mesh.FileName = FileNamePart(in.Path);
  mesh.MinLat = float(in.Rect.MinLat);
  mesh.MaxLat = float(in.Rect.MaxLat);
  mesh.MinLon = float(in.Rect.MinLon);
  mesh.MaxLon = float(in.Rect.MaxLon);
  mesh.SetGridSize(in.Cols, in.Rows);
  mesh.VoidValue = in.VoidValue;
  mesh.TileCount = mesh.TilesAcross = mesh.TilesDown = 1;
  mesh.RowsPerDeg = double(in.Rows) / (double(in.Rect.MaxLat) - in.Rect.MinLat);
  mesh.ColsPerDeg = double(in.Cols) / (double(in.Rect.MaxLon) - in.Rect.MinLon);
  const int32_t bandRows = int32_t(std::trunc(mesh.RowsPerDeg));
  const int32_t bandCols = int32_t(std::trunc(mesh.ColsPerDeg));
  mesh.AdjoNorth = in.Bands.North ? bandRows : 0;
  mesh.AdjoSouth = in.Bands.South ? bandRows : 0;
  mesh.AdjoWest = in.Bands.West ? bandCols : 0;
  mesh.AdjoEast = in.Bands.East ? bandCols : 0;
  if (!mesh.AllocSamples(in.Cols, in.Rows)) return "Not enough memory available.";
  if (!mesh.LoadRaster(in.Path, in.Rows, in.Cols, in.MsbFirst, false, false, 0, 0, progress)) {
    mesh.Samples.Clear();
    return "Could not load file.";
  }
  return std::string();
}

std::string SaveMeshAsRaw(const TTMesh& mesh, const std::string& path, bool bigEndian,
                          int16_t voidAs, TTProgress* progress) {
  TTAtomicFileWriter out(path);
  if (mesh.Samples.Empty() || !out.Open()) return "Could not create file.";
  if (!mesh.SaveRaster(out.File(), mesh.GridRect, -32768, voidAs, bigEndian, progress) ||
      !out.Commit())
    return "Error creating file.";
  return std::string();
}
