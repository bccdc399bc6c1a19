#include "support/ui/mesh_fixture.h"

std::unique_ptr<TTMesh> MakeTestMesh(int32_t cols, int32_t rows,
                                     const std::function<int16_t(int32_t, int32_t)>& value) {
  auto m = std::make_unique<TTMesh>();
  if (!m->AllocSamples(cols, rows)) return nullptr;
  m->SetGridSize(cols, rows);
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < cols; ++x) m->SetCell(x, y, value(x, y));
  m->MinLat = 47, m->MaxLat = 48, m->MinLon = -123, m->MaxLon = -122;
  m->RowsPerDeg = rows - 1, m->ColsPerDeg = cols - 1;
  m->VoidValue = -32768, m->FileName = "N47W123.hgt";
  m->TilesAcross = m->TilesDown = m->TileCount = 1;
  return m;
}
