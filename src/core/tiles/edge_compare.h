#pragma once

#include <cstdint>
#include <string>

class TTMesh;
class TTProgress;

// Only 3 arc-second tiles are compared: 1201 x 1201 samples of two bytes.
inline constexpr int32_t kEdgeTileSide = 1201;
inline constexpr uint64_t kEdgeTileBytes = 2884802;

// Gives the mesh room for one tile to compare; false if it cannot be had.
bool PrepareEdgeTile(TTMesh& mesh);

// Reads a tile into a mesh prepared by PrepareEdgeTile. Message is
// "Invalid file size" for a file that is not a 3 arc-second tile; a read
// failure gives false with no message (the command then ends silently).
struct TTEdgeTileRead {
  bool Ok = false;
  std::string Message;
};
TTEdgeTileRead ReadEdgeTile(TTMesh& mesh, const std::string& path, TTProgress* progress);

// Compares the first tile's left column with the second's right column and
// the first's top row with the second's bottom row, raw 16-bit values.
struct TTEdgeMessages {
  std::string Column, Row;
};
TTEdgeMessages CompareTileEdges(const TTMesh& first, const std::string& firstName,
                                const TTMesh& second, const std::string& secondName);
