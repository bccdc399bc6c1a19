#include "core/tiles/hgt_split.h"

#include <cmath>
#include <vector>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/mesh/mesh.h"
#include "core/tiles/tile_names.h"

namespace {

bool WholeDegree(float v) { return std::isfinite(v) && v == std::floor(v); }

}  // namespace

int32_t HgtGridDensity(const TTMesh& mesh) {
  for (int32_t n : {1200, 3600}) {
    if (mesh.RowsPerDeg != n || mesh.ColsPerDeg != n) continue;
    if (!WholeDegree(mesh.MinLat) || !WholeDegree(mesh.MaxLat) || !WholeDegree(mesh.MinLon) ||
        !WholeDegree(mesh.MaxLon))
      return 0;
    const int64_t across = int64_t(mesh.MaxLon) - int64_t(mesh.MinLon);
    const int64_t down = int64_t(mesh.MaxLat) - int64_t(mesh.MinLat);
    if (across < 1 || down < 1) return 0;
    if (mesh.Cols != across * n + 1 || mesh.Rows != down * n + 1) return 0;
    return n;
  }
  return 0;
}

std::string SaveMeshAsHgtTiles(const TTMesh& mesh, const std::string& folder, int& written,
                               TTProgress* progress) {
  written = 0;
  const int32_t n = HgtGridDensity(mesh);
  if (n == 0 || mesh.Samples.Size() != int64_t(mesh.Cols) * mesh.Rows)
    return "Only a mesh on an HGT grid (1200 or 3600 cells per degree, whole-degree bounds) "
           "can be saved as HGT tiles.";
  if (!FolderExists(folder)) return "The folder " + folder + " does not exist.";
  const int across = int(mesh.MaxLon - mesh.MinLon), down = int(mesh.MaxLat - mesh.MinLat);
  const int32_t side = n + 1;
  // Tiles know only -32768 as void, so a sample of that value that is not
  // the mesh's void must not turn into one.
  const bool remapVoids = mesh.VoidValue != -32768;
  std::vector<unsigned char> bytes(size_t(side) * side * 2);
  if (progress) {
    progress->SetRange(0, across * down);
    progress->SetPosition(0);
    progress->Show();
  }
  for (int i = 0; i < down; ++i) {
    for (int j = 0; j < across; ++j) {
      unsigned char* out = bytes.data();
      for (int32_t r = 0; r < side; ++r) {
        const int16_t* row = mesh.RowStart(i * n + r) + int64_t(j) * n;
        for (int32_t c = 0; c < side; ++c) {
          int16_t v = row[c];
          if (remapVoids) v = v == mesh.VoidValue ? int16_t(-32768) : v == -32768 ? -32767 : v;
          *out++ = static_cast<unsigned char>(uint16_t(v) >> 8);
          *out++ = static_cast<unsigned char>(uint16_t(v) & 0xFF);
        }
      }
      const std::string name =
          LatName(int(mesh.MaxLat) - 1 - i) + LonName(int(mesh.MinLon) + j) + ".hgt";
      if (!WriteFileAtomically(JoinPath(folder, name), bytes.data(), bytes.size())) {
        if (progress) progress->Hide();
        return "Could not write " + name + ".";
      }
      ++written;
      if (progress) progress->SetPosition(written);
      PumpMessages(progress);
    }
  }
  if (progress) progress->Hide();
  return std::string();
}
