#include "support/ui/mesh_fixture.h"

std::unique_ptr<TTMesh> MakeTestMesh(const TTestMeshLayout& s,
                                     const std::function<int16_t(int32_t, int32_t)>& value) {
  auto m = std::make_unique<TTMesh>();
  if (!m->AllocSamples(s.Cols, s.Rows)) return nullptr;
  m->SetGridSize(s.Cols, s.Rows);
  for (int32_t y = 0; y < s.Rows; ++y)
    for (int32_t x = 0; x < s.Cols; ++x) m->SetCell(x, y, value(x, y));
  m->MinLat = s.MinLat, m->MaxLat = s.MaxLat, m->MinLon = s.MinLon, m->MaxLon = s.MaxLon;
  m->RowsPerDeg = s.RowsPerDeg, m->ColsPerDeg = s.ColsPerDeg;
  m->VoidValue = s.VoidValue, m->FileName = s.FileName;
  m->AdjoNorth = s.AdjoNorth, m->AdjoSouth = s.AdjoSouth;
  m->AdjoWest = s.AdjoWest, m->AdjoEast = s.AdjoEast;
  m->TilesAcross = m->TilesDown = m->TileCount = 1;
  return m;
}
