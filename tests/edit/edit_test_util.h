#pragma once

#include <cstdint>
#include <vector>

#include "mesh/mesh.h"

// A cols x rows mesh filled with `value`.
inline void MakeMesh(TTMesh& m, int32_t cols, int32_t rows, int16_t value, int16_t voidValue) {
  m.Samples.Clear();
  m.AllocSamples(cols, rows);
  m.SetGridSize(cols, rows);
  m.VoidValue = voidValue;
  for (int64_t i = 0; i < m.Samples.Size(); ++i) m.Samples[i] = value;
}

inline std::vector<int16_t> CopySamples(const TTMesh& m) {
  return std::vector<int16_t>(m.Samples.Data(), m.Samples.Data() + m.Samples.Size());
}
