#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/mesh/mesh.h"

// A mesh made in memory for the window tests: cols x rows samples from
// value(x, y), with the georeference of a tile-like mesh.
struct TTestMeshLayout {
  int32_t Cols = 1201, Rows = 1201;
  float MinLat = 47, MaxLat = 48, MinLon = -123, MaxLon = -122;
  double RowsPerDeg = 1200, ColsPerDeg = 1200;
  int16_t VoidValue = -32768;
  std::string FileName = "N47W123.hgt";
  int32_t AdjoNorth = 0, AdjoSouth = 0, AdjoWest = 0, AdjoEast = 0;
};

std::unique_ptr<TTMesh> MakeTestMesh(const TTestMeshLayout& layout,
                                     const std::function<int16_t(int32_t, int32_t)>& value);
