#include "core/tiles/export_names.h"

#include <cmath>

#include "core/mesh/mesh.h"
#include "core/tiles/tile_names.h"

std::string CornerName(int lat, int lon) { return LatName(lat) + LonName(lon); }

std::string CornersName(const TTMesh& mesh) {
  return CornerName(int(std::trunc(mesh.MaxLat)), int(std::trunc(mesh.MinLon))) + "_" +
         CornerName(int(std::trunc(mesh.MinLat)), int(std::trunc(mesh.MaxLon)));
}

std::string RawFileNameFor(const TTMesh& mesh) {
  return CornersName(mesh) + "_" + std::to_string(mesh.Rows) + "R_" + std::to_string(mesh.Cols) +
         "C";
}
