#include "mesh/mesh.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "mesh/hgx_format.h"
#include "mesh/sample_io.h"
#include "settings/file_util.h"
#include "settings/progress.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Files move through a buffer of about this size: large enough that the
// system call cost vanishes, small enough to stay in the cache while the
// samples are converted.
constexpr int64_t kBlockBytes = 256 * 1024;

int64_t RowsPerBlock(int64_t rowBytes) { return std::max<int64_t>(1, kBlockBytes / rowBytes); }

// Void count and extremes of the non-void samples of one row. The counter
// runs in 16-bit lanes over blocks of at most 65535 samples so that the loop
// vectorises; voids are replaced by the neutral value of each extreme.
void RowStats(const int16_t* p, int64_t n, int16_t voidValue, int16_t& lo, int16_t& hi,
              int64_t& voids) {
  int16_t mn = lo, mx = hi;
  while (n > 0) {
    const int64_t len = std::min<int64_t>(n, 65535);
    uint16_t count = 0;
    for (int64_t i = 0; i < len; ++i) {
      // Branch-free masks (v is 0 or all ones) so that the compiler turns
      // the loop into packed compares, min and max.
      const int16_t x = p[i];
      const int16_t v = static_cast<int16_t>(-int16_t(x == voidValue));
      count = static_cast<uint16_t>(count - v);
      const int16_t forMin =
          static_cast<int16_t>((x & ~v) | (std::numeric_limits<int16_t>::max() & v));
      const int16_t forMax =
          static_cast<int16_t>((x & ~v) | (std::numeric_limits<int16_t>::min() & v));
      mn = forMin < mn ? forMin : mn;
      mx = forMax > mx ? forMax : mx;
    }
    voids += count;
    p += len;
    n -= len;
  }
  lo = mn;
  hi = mx;
}

bool RectInside(const TCellRect& r, int32_t cols, int32_t rows) {
  return !r.IsEmpty() && r.Left >= 0 && r.Top >= 0 && r.Right < cols && r.Bottom < rows;
}

void HideProgress(TTProgress* progress) {
  if (progress) progress->Hide();
}

}  // namespace

int16_t* TTSampleArray::AllocateSampleBlock(size_t count) {
  const size_t bytes = count * sizeof(int16_t);
#if defined(__linux__)
  constexpr size_t kHuge = size_t(2) << 20;
  if (bytes >= 32 * kHuge) {  // 64 MB: a mosaic, not a single tile
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, bytes) != 0) return nullptr;
    madvise(p, bytes, MADV_HUGEPAGE);  // advice only; failure changes nothing
    return static_cast<int16_t*>(p);
  }
#endif
  return static_cast<int16_t*>(std::malloc(bytes));
}

void TTSampleArray::TFree::operator()(int16_t* p) const { std::free(p); }

bool TTMesh::HasVoids(TTProgress* progress) const {
  if (Samples.Empty()) return false;
  const int64_t width = GridRect.Width();
  for (int32_t y = GridRect.Top; y <= GridRect.Bottom; ++y) {
    const int16_t* row = RowStart(y) + GridRect.Left;
    if (std::find(row, row + width, VoidValue) != row + width) return true;
    PumpMessages(progress);
  }
  return false;
}

void TTMesh::UpdateStats(TTProgress* progress) {
  if (Samples.Empty()) return;
  int16_t lo = std::numeric_limits<int16_t>::max();
  int16_t hi = std::numeric_limits<int16_t>::min();
  int64_t voids = 0;
  const int64_t width = GridRect.Width();
  for (int32_t y = GridRect.Top; y <= GridRect.Bottom; ++y) {
    RowStats(RowStart(y) + GridRect.Left, width, VoidValue, lo, hi, voids);
    PumpMessages(progress);
  }
  if (voids == GridRect.CellCount()) {
    MaxElev = MinElev = VoidValue;
    VoidCount = int64_t(Cols) * Rows;
    return;
  }
  MaxElev = hi;
  MinElev = lo;
  VoidCount = voids;
}

bool TTMesh::LoadRaster(const std::string& path, int32_t rows, int32_t cols, bool swap,
                        bool skipFirstRow, bool skipLastCol, int32_t x0, int32_t y0,
                        TTProgress* progress) {
  TTInputFile file(path);
  if (!file.IsOpen()) return false;
  if (Samples.Empty() || rows <= 0 || cols <= 0) return false;
  // The block, after skipping, must lie inside the grid.
  const int64_t storedRows = int64_t(rows) - (skipFirstRow ? 1 : 0);
  const int64_t storedCols = int64_t(cols) - (skipLastCol ? 1 : 0);
  if (x0 < 0 || y0 < 0 || int64_t(x0) + storedCols > Cols || int64_t(y0) + storedRows > Rows ||
      int64_t(Cols) * Rows > Samples.Size())
    return false;

  if (progress) {
    progress->SetRange(0, rows - 1);
    progress->SetPosition(0);
    progress->Show();
  }
  const int64_t rowBytes = int64_t(cols) * 2;
  const int64_t blockRows = RowsPerBlock(rowBytes);
  if (!skipLastCol && x0 == 0 && cols == Cols) {
    // Whole grid rows: read straight into the grid and convert there while
    // the block is still in the cache.
    int64_t r0 = 0;
    if (skipFirstRow) {
      std::vector<unsigned char> dropped(static_cast<size_t>(rowBytes));
      if (progress) progress->SetPosition(0);
      PumpMessages(progress);
      if (!ReadWholeBlock(file.File(), dropped.data(), dropped.size())) {
        HideProgress(progress);
        return false;
      }
      r0 = 1;
    }
    for (; r0 < rows; r0 += blockRows) {
      const int64_t n = std::min<int64_t>(blockRows, rows - r0);
      int16_t* dest = Samples.Data() + (y0 + r0 - (skipFirstRow ? 1 : 0)) * Cols;
      const size_t got = ReadBlock(file.File(), dest, static_cast<size_t>(n * rowBytes));
      const int64_t whole = static_cast<int64_t>(got) / rowBytes;
      DecodeSamplesInPlace(dest, static_cast<size_t>(whole * cols), swap);
      for (int64_t k = 0; k < n; ++k) {
        if (progress) progress->SetPosition(static_cast<double>(r0 + k));
        PumpMessages(progress);
        if (k >= whole) {
          HideProgress(progress);
          return false;
        }
      }
    }
    HideProgress(progress);
    return true;
  }
  std::vector<unsigned char> buffer(
      static_cast<size_t>(std::min<int64_t>(blockRows, rows) * rowBytes));
  for (int64_t r0 = 0; r0 < rows; r0 += blockRows) {
    const int64_t n = std::min<int64_t>(blockRows, rows - r0);
    const size_t got = ReadBlock(file.File(), buffer.data(), static_cast<size_t>(n * rowBytes));
    const int64_t whole = static_cast<int64_t>(got) / rowBytes;
    for (int64_t k = 0; k < n; ++k) {
      const int64_t r = r0 + k;
      if (progress) progress->SetPosition(static_cast<double>(r));
      PumpMessages(progress);
      if (k >= whole) {
        HideProgress(progress);
        return false;
      }
      if (r == 0 && skipFirstRow) continue;
      const int64_t y = y0 + r - (skipFirstRow ? 1 : 0);
      DecodeSamples(buffer.data() + k * rowBytes, Samples.Data() + y * Cols + x0,
                    static_cast<size_t>(storedCols), swap);
    }
  }
  HideProgress(progress);
  return true;
}

bool TTMesh::SaveRaster(std::FILE* file, const TCellRect& rect, int16_t voidFrom, int16_t voidTo,
                        bool bigEndian, TTProgress* progress) const {
  if (!file || Samples.Empty()) return false;
  if (rect.IsEmpty()) return true;
  if (!RectInside(rect, Cols, Rows)) return false;
  if (progress) {
    progress->SetRange(rect.Top, rect.Bottom);
    progress->SetPosition(rect.Top);
    progress->Show();
  }
  const int64_t width = rect.Width();
  const int64_t rowBytes = width * 2;
  const int64_t blockRows = RowsPerBlock(rowBytes);
  std::vector<unsigned char> buffer(
      static_cast<size_t>(std::min<int64_t>(blockRows, rect.Height()) * rowBytes));
  int64_t filled = 0;  // rows waiting in the buffer
  for (int32_t y = rect.Top; y <= rect.Bottom; ++y) {
    EncodeSamples(RowStart(y) + rect.Left, buffer.data() + filled * rowBytes,
                  static_cast<size_t>(width), bigEndian, voidFrom, voidTo);
    ++filled;
    if (filled == blockRows || y == rect.Bottom) {
      const size_t bytes = static_cast<size_t>(filled * rowBytes);
      if (std::fwrite(buffer.data(), 1, bytes, file) != bytes) {
        HideProgress(progress);
        return false;
      }
      filled = 0;
    }
    if (progress) progress->SetPosition(y);
    PumpMessages(progress);
  }
  HideProgress(progress);
  return true;
}

bool TTMesh::SaveToFile(const std::string& path, bool writeHeader, const TCellRect& rect,
                        bool bigEndian, TTProgress* progress) const {
  if (Samples.Empty() || !RectInside(rect, Cols, Rows)) return false;
  TTAtomicFileWriter writer(path);
  if (!writer.Open()) return false;
  if (writeHeader) {
    unsigned char header[kHGXHeaderSize];
    BuildHGXHeader(*this, rect, header);
    if (!writer.Write(header, sizeof header)) return false;
  }
  if (!SaveRaster(writer.File(), rect, 0, 0, bigEndian, progress)) return false;
  return writer.Commit();
}

bool TTMesh::LoadHGX(const std::string& path, TTProgress* progress) {
  if (!Samples.Empty()) return false;
  TTInputFile file(path);
  if (!file.IsOpen()) return false;
  const int64_t fileSize = file.Size();
  unsigned char header[kHGXHeaderSize];
  if (!ReadWholeBlock(file.File(), header, sizeof header)) return false;
  THGXHeader h;
  if (!ParseHGXHeader(header, h)) return false;
  // The samples the header announces must be in the file before anything is
  // allocated for them.
  if (fileSize < HGXFileSize(h.Cols, h.Rows)) return false;
  if (!AllocSamples(h.Cols, h.Rows)) return false;

  if (progress) {
    progress->SetRange(0, h.Rows - 1);
    progress->SetPosition(0);
    progress->Show();
  }
  const int64_t rowBytes = int64_t(h.Cols) * 2;
  const int64_t blockRows = RowsPerBlock(rowBytes);
  std::vector<unsigned char> buffer(
      static_cast<size_t>(std::min<int64_t>(blockRows, h.Rows) * rowBytes));
  for (int64_t r0 = 0; r0 < h.Rows; r0 += blockRows) {
    const int64_t n = std::min<int64_t>(blockRows, h.Rows - r0);
    const size_t bytes = static_cast<size_t>(n * rowBytes);
    if (ReadBlock(file.File(), buffer.data(), bytes) != bytes) {
      // The file shrank after its size was taken.
      HideProgress(progress);
      Samples.Clear();
      return false;
    }
    for (int64_t k = 0; k < n; ++k) {
      const int64_t y = r0 + k;
      if (progress) progress->SetPosition(static_cast<double>(y));
      PumpMessages(progress);
      DecodeSamples(buffer.data() + k * rowBytes, Samples.Data() + y * h.Cols,
                    static_cast<size_t>(h.Cols), true);
    }
  }

  SetGridSize(h.Cols, h.Rows);
  RowsPerDeg = h.RowsPerDeg;
  ColsPerDeg = h.ColsPerDeg;
  MinLat = h.MinLat;
  MaxLat = h.MaxLat;
  MinLon = h.MinLon;
  MaxLon = h.MaxLon;
  AdjoNorth = h.AdjoNorth;
  AdjoSouth = h.AdjoSouth;
  AdjoWest = h.AdjoWest;
  AdjoEast = h.AdjoEast;
  VoidValue = h.VoidValue;
  TileCount = TilesAcross = TilesDown = 1;
  FileName = path;
  Kind = 3;
  VoidCount = 0;
  HideProgress(progress);
  return true;
}
