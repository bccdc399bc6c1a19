#include <filesystem>

#include "hgt/edge_compare.h"
#include "mesh/mesh.h"

TTEdgeTileRead ReadEdgeTile(TTMesh& mesh, const std::string& path, TTProgress* progress) {
  TTEdgeTileRead r;
  std::error_code ec;
  const auto size = std::filesystem::file_size(std::filesystem::path(path), ec);
  if (ec || size != kEdgeTileBytes) {
    r.Message = "Invalid file size";
    return r;
  }
  r.Ok = mesh.LoadRaster(path, kEdgeTileSide, kEdgeTileSide, true, false, false, 0, 0, progress);
  return r;
}
