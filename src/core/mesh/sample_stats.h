#pragma once

#include <cstdint>
#include <limits>

class TTMesh;

// Void count and extremes of the non-void samples, gathered row by row.
// TTMesh::UpdateStats and the loaders that gather them while the samples are
// still in the cache share these loops, so both give the same figures.
struct TTSampleStats {
  int16_t Lo = std::numeric_limits<int16_t>::max();
  int16_t Hi = std::numeric_limits<int16_t>::min();
  int64_t Voids = 0;

  void Add(const int16_t* p, int64_t n, int16_t voidValue);
  // Converts n big-endian samples from `src` into `dst` and adds them; the
  // two are either the same memory or apart.
  void AddBigEndian(const unsigned char* src, int16_t* dst, int64_t n, int16_t voidValue);
  void Merge(const TTSampleStats& other);
  // MinElev, MaxElev and VoidCount of a mesh whose samples of `cells` cells
  // were all added; a mesh of voids alone has both extremes at the void value.
  void StoreInto(TTMesh& mesh, int64_t cells) const;
};
