#include <algorithm>
#include <cmath>
#include <vector>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/base/sample_io.h"
#include "core/formats/raster_io.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"

namespace {

void HideProgress(TTProgress* progress) {
  if (progress) progress->Hide();
}

}  // namespace

bool LoadRaster(TTMesh& mesh, const std::string& path, int32_t rows, int32_t cols, bool swap,
                bool skipFirstRow, bool skipLastCol, int32_t x0, int32_t y0, TTProgress* progress) {
  TTInputFile file(path);
  if (!file.IsOpen()) return false;
  if (mesh.Samples.Empty() || rows <= 0 || cols <= 0) return false;
  // The block, after skipping, must lie inside the grid.
  const int64_t storedRows = int64_t(rows) - (skipFirstRow ? 1 : 0);
  const int64_t storedCols = int64_t(cols) - (skipLastCol ? 1 : 0);
  if (x0 < 0 || y0 < 0 || int64_t(x0) + storedCols > mesh.Cols ||
      int64_t(y0) + storedRows > mesh.Rows || int64_t(mesh.Cols) * mesh.Rows > mesh.Samples.Size())
    return false;

  if (progress) {
    progress->SetRange(0, rows - 1);
    progress->SetPosition(0);
    progress->Show();
  }
  const int64_t rowBytes = int64_t(cols) * 2;
  const int64_t blockRows = RowsPerBlock(rowBytes);
  if (!skipLastCol && x0 == 0 && cols == mesh.Cols) {
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
      int16_t* dest = mesh.Samples.Data() + (y0 + r0 - (skipFirstRow ? 1 : 0)) * mesh.Cols;
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
      DecodeSamples(buffer.data() + k * rowBytes, mesh.Samples.Data() + y * mesh.Cols + x0,
                    static_cast<size_t>(storedCols), swap);
    }
  }
  HideProgress(progress);
  return true;
}

bool SaveRaster(const TTMesh& mesh, std::FILE* file, const TCellRect& rect, int16_t voidFrom,
                int16_t voidTo, bool bigEndian, TTProgress* progress) {
  if (!file || mesh.Samples.Empty()) return false;
  if (rect.IsEmpty()) return true;
  if (!RectInside(rect, mesh.Cols, mesh.Rows)) return false;
  if (progress) {
    // Positions count from 0: a selection below the first row still runs 0..100.
    progress->SetRange(0, rect.Bottom - rect.Top);
    progress->SetPosition(0);
    progress->Show();
  }
  const int64_t width = rect.Width();
  const int64_t rowBytes = width * 2;
  const int64_t blockRows = RowsPerBlock(rowBytes);
  std::vector<unsigned char> buffer(
      static_cast<size_t>(std::min<int64_t>(blockRows, rect.Height()) * rowBytes));
  int64_t filled = 0;  // rows waiting in the buffer
  for (int32_t y = rect.Top; y <= rect.Bottom; ++y) {
    EncodeSamples(mesh.RowStart(y) + rect.Left, buffer.data() + filled * rowBytes,
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
    if (progress) progress->SetPosition(y - rect.Top);
    PumpMessages(progress);
  }
  HideProgress(progress);
  return true;
}

void SetDegreeBandWidths(TTMesh& mesh, const TTBandFlags& bands) {
  const int32_t bandRows = int32_t(std::trunc(mesh.RowsPerDeg));
  const int32_t bandCols = int32_t(std::trunc(mesh.ColsPerDeg));
  mesh.AdjoNorth = bands.North ? bandRows : 0;
  mesh.AdjoSouth = bands.South ? bandRows : 0;
  mesh.AdjoWest = bands.West ? bandCols : 0;
  mesh.AdjoEast = bands.East ? bandCols : 0;
}

std::string LoadRasterMesh(TTMesh& mesh, const TTRasterImport& in, TTProgress* progress) {
  mesh.Kind = 0;
  mesh.FileName = FileNamePart(in.Path);
  mesh.MinLat = float(in.Rect.MinLat);
  mesh.MaxLat = float(in.Rect.MaxLat);
  mesh.MinLon = float(in.Rect.MinLon);
  mesh.MaxLon = float(in.Rect.MaxLon);
  mesh.SetGridSize(in.Cols, in.Rows);
  mesh.VoidValue = in.VoidValue;
  mesh.TileCount = mesh.TilesAcross = mesh.TilesDown = 1;
  mesh.RowsPerDeg = double(in.Rows) / (double(in.Rect.MaxLat) - in.Rect.MinLat);
  mesh.ColsPerDeg = double(in.Cols) / (double(in.Rect.MaxLon) - in.Rect.MinLon);
  SetDegreeBandWidths(mesh, in.Bands);
  if (!mesh.AllocSamples(in.Cols, in.Rows)) return "Not enough memory available.";
  if (!LoadRaster(mesh, in.Path, in.Rows, in.Cols, in.MsbFirst, false, false, 0, 0, progress)) {
    mesh.Samples.Clear();
    return "Could not load file.";
  }
  return std::string();
}

std::string SaveMeshAsRaw(const TTMesh& mesh, const std::string& path, bool bigEndian,
                          int16_t voidAs, TTProgress* progress) {
  TTAtomicFileWriter out(path);
  if (mesh.Samples.Empty() || !out.Open()) return "Could not create file.";
  if (!SaveRaster(mesh, out.File(), mesh.GridRect, -32768, voidAs, bigEndian, progress) ||
      !out.Commit())
    return "Error creating file.";
  return std::string();
}
