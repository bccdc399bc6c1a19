#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Deterministic sample terrain: fractal relief, a coast with sea at 0 and a
// little below, and clusters of -32768 voids as in raw SRTM data. Heights
// are a function of the global sample position, so neighbouring tiles share
// their edge rows and columns exactly.
struct TSampleTerrain {
  uint32_t Seed = 1;
  int32_t CellsPerDeg = 1200;  // 1200 (1201-sample tiles) or 3600 (3601)
};

// The S x S samples (S = CellsPerDeg + 1) of the tile whose south-west corner
// is (lat, lon), row 0 north.
std::vector<int16_t> SampleTile(const TSampleTerrain& terrain, int lat, int lon);

// Writes that tile as a big-endian HGT file named after its corner
// (N45W123.hgt) into `folder`; returns the path or "" on failure.
std::string WriteSampleTile(const TSampleTerrain& terrain, const std::string& folder, int lat,
                            int lon);
