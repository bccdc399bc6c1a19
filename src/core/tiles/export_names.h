#pragma once

#include <string>

class TTMesh;

// Latitude and longitude of a corner as in tile names: N45W123, S09E008.
std::string CornerName(int lat, int lon);

// The proposed name of a BMP or HGX save, without extension: north-west
// corner then south-east corner (bounds truncated toward zero), for example
// N49W123_N47W121.
std::string CornersName(const TTMesh& mesh);

// Proposed raw raster name, without extension: north-west corner, south-east
// corner, rows and columns, for example N46W122_N44W120_2401R_2401C.
std::string RawFileNameFor(const TTMesh& mesh);
