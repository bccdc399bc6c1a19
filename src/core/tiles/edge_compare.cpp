#include "core/tiles/edge_compare.h"

#include "core/mesh/mesh.h"

bool PrepareEdgeTile(TTMesh& mesh) {
  if (!mesh.AllocSamples(kEdgeTileSide, kEdgeTileSide)) return false;
  mesh.SetGridSize(kEdgeTileSide, kEdgeTileSide);
  return true;
}

TTEdgeMessages CompareTileEdges(const TTMesh& first, const std::string& firstName,
                                const TTMesh& second, const std::string& secondName) {
  constexpr int32_t last = kEdgeTileSide - 1;
  bool columnsEqual = true;
  for (int32_t y = 0; y <= last && columnsEqual; ++y)
    columnsEqual = first.GetCell(0, y) == second.GetCell(last, y);
  bool rowsEqual = true;
  for (int32_t x = 0; x <= last && rowsEqual; ++x)
    rowsEqual = first.GetCell(x, 0) == second.GetCell(x, last);
  TTEdgeMessages m;
  m.Column = firstName + (columnsEqual ? " left column = " : " left column <> ") + secondName +
             " right column";
  m.Row = firstName + (rowsEqual ? " top row = " : " top row <> ") + secondName + " bottom row";
  return m;
}
