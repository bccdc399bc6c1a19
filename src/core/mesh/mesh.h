#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/mesh/cell_rect.h"
#include "core/platform/memory.h"

class TTProgress;

// Contiguous block of 16-bit samples. Allocation does not zero the block
// (the loaders write every sample) and reports failure instead of throwing.
class TTSampleArray {
 public:
  bool Allocate(int64_t count) {
    if (count <= 0 || uint64_t(count) > SIZE_MAX / sizeof(int16_t)) return false;
    TTLargeBlock<int16_t> p = AllocateLargeArray<int16_t>(static_cast<size_t>(count));
    if (!p) return false;
    data_ = std::move(p);
    size_ = count;
    return true;
  }
  void Clear() {
    data_.reset();
    size_ = 0;
  }
  bool Empty() const { return size_ == 0; }
  int64_t Size() const { return size_; }
  int16_t* Data() { return data_.get(); }
  const int16_t* Data() const { return data_.get(); }
  int16_t& operator[](int64_t i) { return data_[i]; }
  int16_t operator[](int64_t i) const { return data_[i]; }

 private:
  TTLargeBlock<int16_t> data_;
  int64_t size_ = 0;
};

// The elevation mesh: a row-major grid of 16-bit samples (row 0 north,
// column 0 west) with its georeference, density, void value, adjoining band
// widths and cached statistics. Loaders, writers and edits are free functions
// over it in their own folders (formats/, tiles/, edit/).
class TTMesh {
 public:
  TTMesh() = default;
  TTMesh(const TTMesh&) = delete;
  TTMesh& operator=(const TTMesh&) = delete;

  uint16_t Kind = 0;  // 0 raw raster, 1 HGT 1", 2 HGT 3", 3 HGX
  TTSampleArray Samples;
  std::string FileName;
  int16_t ColorMax = 0, ColorMin = 0;
  int16_t MaxElev = 0, MinElev = 0;
  int64_t VoidCount = 0;
  // MinElev, MaxElev and VoidCount were gathered by the loader while it read
  // the samples; the first attach uses them instead of another pass.
  bool StatsFromLoad = false;
  int16_t VoidValue = 0;
  int32_t TilesAcross = 0, TilesDown = 0, TileCount = 0;
  TCellRect GridRect{0, 0, 0, 0};
  int32_t Cols = 0, Rows = 0;
  float MinLat = 0, MaxLat = 0, MinLon = 0, MaxLon = 0;
  double RowsPerDeg = 0, ColsPerDeg = 0;
  TCellRect SelRect{0, 0, 0, 0};
  std::vector<std::string> TileFiles;
  int32_t AdjoNorth = 0, AdjoSouth = 0, AdjoWest = 0, AdjoEast = 0;

  // Allocates columns x rows samples; false if already allocated or the
  // count cannot be had. Does not set Cols or Rows.
  bool AllocSamples(int32_t columns, int32_t rows) {
    if (!Samples.Empty()) return false;
    if (columns <= 0 || rows <= 0) return false;
    return Samples.Allocate(int64_t(columns) * rows);
  }

  // Unchecked cell access: callers keep 0 <= x < Cols, 0 <= y < Rows.
  int16_t GetCell(int32_t x, int32_t y) const { return Samples[int64_t(y) * Cols + x]; }
  void SetCell(int32_t x, int32_t y, int16_t v) { Samples[int64_t(y) * Cols + x] = v; }
  int16_t* RowStart(int32_t y) { return Samples.Data() + int64_t(y) * Cols; }
  const int16_t* RowStart(int32_t y) const { return Samples.Data() + int64_t(y) * Cols; }

  bool HasAdjoBands() const {
    return AdjoNorth != 0 || AdjoSouth != 0 || AdjoWest != 0 || AdjoEast != 0;
  }
  bool HasVoids(TTProgress* progress = nullptr) const;
  void UpdateStats(TTProgress* progress = nullptr);

  // Sets Cols, Rows, GridRect and SelRect for a grid of the given size.
  void SetGridSize(int32_t cols, int32_t rows) {
    Cols = cols;
    Rows = rows;
    GridRect = TCellRect{0, cols - 1, 0, rows - 1};
    SelRect = GridRect;
  }
};
