#include "hgt/edge_compare.h"
#include "mesh/mesh.h"
#include "settings/file_util.h"

TTEdgeTileRead ReadEdgeTile(TTMesh& mesh, const std::string& path, TTProgress* progress) {
  TTEdgeTileRead r;
  if (uint64_t(FileSizeOf(path)) != kEdgeTileBytes) {
    r.Message = "Invalid file size";
    return r;
  }
  r.Ok = mesh.LoadRaster(path, kEdgeTileSide, kEdgeTileSide, true, false, false, 0, 0, progress);
  return r;
}
