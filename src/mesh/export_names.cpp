#include "mesh/export_names.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "mesh/mesh.h"

std::string CornerName(int lat, int lon) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%c%02d%c%03d", lat < 0 ? 'S' : 'N', std::abs(lat),
                lon < 0 ? 'W' : 'E', std::abs(lon));
  return buf;
}

std::string RawFileNameFor(const TTMesh& mesh) {
  return CornerName(int(std::trunc(mesh.MaxLat)), int(std::trunc(mesh.MinLon))) + "_" +
         CornerName(int(std::trunc(mesh.MinLat)), int(std::trunc(mesh.MaxLon))) + "_" +
         std::to_string(mesh.Rows) + "R_" + std::to_string(mesh.Cols) + "C";
}
