#include "mesh/hgx_format.h"

#include <cstring>

#include "mesh/mesh.h"
#include "mesh/sample_io.h"

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
  // Band widths index into the grid later (scenery cut, image hatching).
  if (r.AdjoNorth < 0 || r.AdjoSouth < 0 || r.AdjoWest < 0 || r.AdjoEast < 0) return false;
  if (int64_t(r.AdjoNorth) + r.AdjoSouth > r.Rows || int64_t(r.AdjoWest) + r.AdjoEast > r.Cols)
    return false;
  h = r;
  return true;
}
