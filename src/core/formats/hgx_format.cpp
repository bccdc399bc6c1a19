#include "core/formats/hgx_format.h"
#include "core/formats/raster_io.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/base/sample_io.h"
#include "core/mesh/mesh.h"

void BuildHGXHeader(const TTMesh& mesh, const TCellRect& rect, unsigned char out[kHGXHeaderSize]) {
  std::memset(out, 0, kHGXHeaderSize);
  std::memcpy(out, "HGXF", 4);
  PutLE16(out + 4, kHGXHeaderSize);
  PutLE32(out + 8, kHGXVersion);
  PutLE32(out + 12, static_cast<uint32_t>(rect.Right - rect.Left + 1));
  PutLE32(out + 16, static_cast<uint32_t>(rect.Bottom - rect.Top + 1));
  PutLEFloat(out + 20, static_cast<float>(mesh.RowsPerDeg));
  PutLEFloat(out + 24, static_cast<float>(mesh.ColsPerDeg));
  PutLEFloat(out + 28, mesh.MinLat);
  PutLEFloat(out + 32, mesh.MaxLat);
  PutLEFloat(out + 36, mesh.MinLon);
  PutLEFloat(out + 40, mesh.MaxLon);
  PutLE32(out + 44, static_cast<uint32_t>(mesh.AdjoNorth));
  PutLE32(out + 48, static_cast<uint32_t>(mesh.AdjoSouth));
  PutLE32(out + 52, static_cast<uint32_t>(mesh.AdjoWest));
  PutLE32(out + 56, static_cast<uint32_t>(mesh.AdjoEast));
  PutLE16(out + 60, static_cast<uint16_t>(mesh.VoidValue));
}

bool ParseHGXHeader(const unsigned char in[kHGXHeaderSize], THGXHeader& h) {
  if (std::memcmp(in, "HGXF", 4) != 0 || GetLE32(in + 8) != kHGXVersion) return false;
  THGXHeader r;
  r.Cols = static_cast<int32_t>(GetLE32(in + 12));
  r.Rows = static_cast<int32_t>(GetLE32(in + 16));
  r.RowsPerDeg = GetLEFloat(in + 20);
  r.ColsPerDeg = GetLEFloat(in + 24);
  r.MinLat = GetLEFloat(in + 28);
  r.MaxLat = GetLEFloat(in + 32);
  r.MinLon = GetLEFloat(in + 36);
  r.MaxLon = GetLEFloat(in + 40);
  r.AdjoNorth = static_cast<int32_t>(GetLE32(in + 44));
  r.AdjoSouth = static_cast<int32_t>(GetLE32(in + 48));
  r.AdjoWest = static_cast<int32_t>(GetLE32(in + 52));
  r.AdjoEast = static_cast<int32_t>(GetLE32(in + 56));
  r.VoidValue = static_cast<int16_t>(GetLE16(in + 60));
  if (r.Cols <= 0 || r.Rows <= 0) return false;
  // NaN or infinity would flow into the report and the name proposals.
  for (float v : {r.RowsPerDeg, r.ColsPerDeg, r.MinLat, r.MaxLat, r.MinLon, r.MaxLon})
    if (!std::isfinite(v)) return false;
  // Band widths index into the grid later (scenery cut, image hatching).
  if (r.AdjoNorth < 0 || r.AdjoSouth < 0 || r.AdjoWest < 0 || r.AdjoEast < 0) return false;
  if (int64_t(r.AdjoNorth) + r.AdjoSouth > r.Rows || int64_t(r.AdjoWest) + r.AdjoEast > r.Cols)
    return false;
  h = r;
  return true;
}

namespace {

void HideProgress(TTProgress* progress) {
  if (progress) progress->Hide();
}

}  // namespace

bool SaveToFile(const TTMesh& mesh, const std::string& path, bool writeHeader,
                const TCellRect& rect, bool bigEndian, TTProgress* progress) {
  if (mesh.Samples.Empty() || !RectInside(rect, mesh.Cols, mesh.Rows)) return false;
  TTAtomicFileWriter writer(path);
  if (!writer.Open()) return false;
  if (writeHeader) {
    unsigned char header[kHGXHeaderSize];
    BuildHGXHeader(mesh, rect, header);
    if (!writer.Write(header, sizeof header)) return false;
  }
  if (!SaveRaster(mesh, writer.File(), rect, 0, 0, bigEndian, progress)) return false;
  return writer.Commit();
}

bool LoadHGX(TTMesh& mesh, const std::string& path, TTProgress* progress) {
  if (!mesh.Samples.Empty()) return false;
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
  if (!mesh.AllocSamples(h.Cols, h.Rows)) return false;

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
      mesh.Samples.Clear();
      return false;
    }
    for (int64_t k = 0; k < n; ++k) {
      const int64_t y = r0 + k;
      if (progress) progress->SetPosition(static_cast<double>(y));
      PumpMessages(progress);
      DecodeSamples(buffer.data() + k * rowBytes, mesh.Samples.Data() + y * h.Cols,
                    static_cast<size_t>(h.Cols), true);
    }
  }

  mesh.SetGridSize(h.Cols, h.Rows);
  mesh.RowsPerDeg = h.RowsPerDeg;
  mesh.ColsPerDeg = h.ColsPerDeg;
  mesh.MinLat = h.MinLat;
  mesh.MaxLat = h.MaxLat;
  mesh.MinLon = h.MinLon;
  mesh.MaxLon = h.MaxLon;
  mesh.AdjoNorth = h.AdjoNorth;
  mesh.AdjoSouth = h.AdjoSouth;
  mesh.AdjoWest = h.AdjoWest;
  mesh.AdjoEast = h.AdjoEast;
  mesh.VoidValue = h.VoidValue;
  mesh.TileCount = mesh.TilesAcross = mesh.TilesDown = 1;
  mesh.FileName = path;
  mesh.Kind = 3;
  mesh.VoidCount = 0;
  HideProgress(progress);
  return true;
}
