#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/file_util.h"  // FileSizeOf

// SRTM tiles: one file per one-degree square named after its south-west
// corner (N45W123.hgt), S x S big-endian samples with S = 1201 (kind 2,
// 3 arc-seconds) or 3601 (kind 1, 1 arc-second). Neighbouring tiles share
// their edge rows and columns.

inline constexpr int64_t kTileBytes3s = 2884802;   // 2 x 1201 x 1201
inline constexpr int64_t kTileBytes1s = 25934402;  // 2 x 3601 x 3601

// A rectangle of whole tiles: south-west corners MinLat..MaxLat-1 and
// MinLon..MaxLon-1; its geographic bounds are exactly the four values.
struct TileRect {
  int16_t MinLat = 0, MaxLat = 0, MinLon = 0, MaxLon = 0;
};

// "N45" / "S09": hemisphere letter and at least two digits.
std::string LatName(int lat);
// "W123" / "E008": hemisphere letter and at least three digits.
std::string LonName(int lon);

// Reads latitude and longitude from a tile file name (N45W123.hgt; the name
// part must be 11 characters, letters upper case). Each output is written as
// soon as its digits are read, so a failure keeps what was read before it.
bool ParseTileName(const std::string& path, int16_t& lat, int16_t& lon);

// Tile file names of the rectangle, north-west first, row by row: entry k is
// tile row k / W, tile column k % W. Names end in ".HGT".
void ListTileNames(const TileRect& rect, std::vector<std::string>& names);

// Puts each pair of sides in order.
void NormalizeTileRect(TileRect& rect);

// 2 for a 1201-sample tile's size, 1 for a 3601-sample tile's, else 0.
int TileSizeKind(int64_t fileSize);
// Samples per side of a tile kind (1201 or 3601), 0 for another kind.
int32_t TileSide(int kind);
