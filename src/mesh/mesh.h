#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "mesh/cell_rect.h"

class TTProgress;
class TTCellMask;
struct TTInterpolRun;

// Contiguous block of 16-bit samples. Allocation does not zero the block
// (the loaders write every sample) and reports failure instead of throwing.
class TTSampleArray {
 public:
  bool Allocate(int64_t count) {
    if (count <= 0 || uint64_t(count) > SIZE_MAX / sizeof(int16_t)) return false;
    int16_t* p = AllocateSampleBlock(static_cast<size_t>(count));
    if (!p) return false;
    data_.reset(p);
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
  // Large blocks are aligned to 2 MB and asked to use huge pages where the
  // system offers them: fewer page faults while a big mesh is first written
  // and fewer TLB misses in every pass over it. Null when out of memory.
  static int16_t* AllocateSampleBlock(size_t count);
  struct TFree {
    void operator()(int16_t* p) const;
  };
  std::unique_ptr<int16_t[], TFree> data_;
  int64_t size_ = 0;
};

// The elevation mesh: a row-major grid of 16-bit samples (row 0 north,
// column 0 west) with its georeference, density, void value, adjoining band
// widths and cached statistics.
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

  bool LoadRaster(const std::string& path, int32_t rows, int32_t cols, bool swap, bool skipFirstRow,
                  bool skipLastCol, int32_t x0, int32_t y0, TTProgress* progress = nullptr);
  bool SaveRaster(std::FILE* file, const TCellRect& rect, int16_t voidFrom, int16_t voidTo,
                  bool bigEndian, TTProgress* progress = nullptr) const;
  bool SaveToFile(const std::string& path, bool writeHeader, const TCellRect& rect, bool bigEndian,
                  TTProgress* progress = nullptr) const;
  bool LoadHGX(const std::string& path, TTProgress* progress = nullptr);

  // --- tile loading (hgt/) ---

  // Builds the mesh from W x H tiles listed in ListTileNames order (absent
  // tiles keep the fill value, zipped tiles are extracted to tempDir while
  // read). Sets the grid, kind, densities, void value, TileFiles and tile
  // counts; not the bounds or band widths. Needs a fresh mesh.
  bool LoadHGT(const std::vector<std::string>& tiles, uint16_t kind, int32_t tilesAcross,
               int32_t tilesDown, int16_t fillValue, TTProgress* progress = nullptr,
               const std::string& tempDir = std::string());

  // --- elevation operations (edit/) ---
  // Every operation visits rows outer, columns inner, over `rect` clipped to
  // the grid. A cell takes part when `mask` is null or has the cell's bit set
  // (cells outside the mask's bounds never take part). The row loops pump the
  // progress object once per row; none of them refreshes the statistics.

  // Cells equal to `current` become `replacement` (the void value included).
  void ChangeValue(const TCellRect& rect, int16_t current, int16_t replacement,
                   const TTCellMask* mask = nullptr, TTProgress* progress = nullptr);
  // flags bit 0: apply `lower`, bit 1: apply `upper` (the upper limit first).
  // Voids are never touched.
  void RestrictHeight(const TCellRect& rect, int16_t lower, int16_t upper, uint16_t flags,
                      const TTCellMask* mask = nullptr, TTProgress* progress = nullptr);
  // Adds `offset` to every non-void sample, clipping the exact sum to the
  // sample range; returns true when any sample was clipped.
  bool AddVertOffset(const TCellRect& rect, int32_t offset, const TTCellMask* mask = nullptr,
                     TTProgress* progress = nullptr);
  // mode 1: non-void cells, 2: void cells only, anything else: every cell.
  void FillRect(const TCellRect& rect, int16_t value, int16_t mode);
  // Fills the voids of the selection with the inverse-distance weighted mean
  // of the cells within `radius` that were valid when the run started (see
  // edit/interpol.h). Stops at a row boundary when progress->AbortRequested().
  // Returns false only when the working storage cannot be had; then nothing
  // has changed.
  bool InterpolNearestNei(const TCellRect& rect, int32_t radius, TTProgress* progress,
                          const TTCellMask* mask, double weight, TTInterpolRun* run = nullptr);
};
