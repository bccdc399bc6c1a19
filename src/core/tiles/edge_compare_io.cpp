#include "core/base/file_util.h"
#include "core/formats/raster_io.h"
#include "core/mesh/mesh.h"
#include "core/tiles/edge_compare.h"

TTEdgeTileRead ReadEdgeTile(TTMesh& mesh, const std::string& path, TTProgress* progress) {
  TTEdgeTileRead r;
  if (uint64_t(FileSizeOf(path)) != kEdgeTileBytes) {
    r.Message = "Invalid file size";
    return r;
  }
  r.Ok = LoadRaster(mesh, path, kEdgeTileSide, kEdgeTileSide, true, false, false, 0, 0, progress);
  return r;
}
