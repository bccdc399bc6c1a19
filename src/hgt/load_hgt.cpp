#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>

#include "hgt/tile_names.h"
#include "hgt/zip.h"
#include "mesh/mesh.h"
#include "settings/file_util.h"
#include "settings/progress.h"

namespace {

// Where the samples of one listed tile come from.
struct TTileSource {
  std::string ReadPath;    // the file actually read
  bool Extracted = false;  // ReadPath is a temporary copy to delete after the read
};

enum class TileLookup { Absent, Present, Failed };

// Finds the listed tile as a plain file (letter case ignored) or, failing
// that, as the file name + ".zip" holding it.
TileLookup LocateTile(const std::string& listed, const std::string& tempDir, TTileSource& src,
                      TTProgress* progress) {
  std::string plain = FindFileNoCase(listed);
  if (!plain.empty()) {
    src.ReadPath = plain;
    return TileLookup::Present;
  }
  // A zipped tile: the archive listed + ".zip" holding the listed name.
  const std::string archive = FindFileNoCase(listed + ".zip");
  if (archive.empty()) return TileLookup::Absent;
  if (UnzipMember(archive, tempDir, FileNamePart(listed), src.ReadPath, progress) < 1)
    return TileLookup::Failed;
  src.Extracted = true;
  return TileLookup::Present;
}

void DropExtracted(const TTileSource& src) {
  if (!src.Extracted) return;
  std::error_code ec;
  std::filesystem::remove(std::filesystem::path(src.ReadPath), ec);
}

}  // namespace

bool TTMesh::LoadHGT(const std::vector<std::string>& tiles, uint16_t kind, int32_t tilesAcross,
                     int32_t tilesDown, int16_t fillValue, TTProgress* progress,
                     const std::string& tempDir) {
  const int32_t W = tilesAcross, H = tilesDown;
  if (W <= 0 || H <= 0 || tiles.empty() || int64_t(W) * H != int64_t(tiles.size())) return false;
  const int32_t side = TileSide(kind);
  if (side == 0) return false;
  const int32_t N = side - 1;
  const int64_t cols = int64_t(W) * N + 1, rows = int64_t(H) * N + 1;
  if (cols > std::numeric_limits<int32_t>::max() || rows > std::numeric_limits<int32_t>::max())
    return false;
  if (!AllocSamples(int32_t(cols), int32_t(rows))) return false;
  Cols = int32_t(cols);  // the tile reads address the grid through Cols
  Rows = int32_t(rows);

  auto fail = [&](const TTileSource* src) {
    if (src) DropExtracted(*src);
    Samples.Clear();
    Cols = Rows = 0;
    if (progress) progress->Hide();
    return false;
  };

  const size_t count = tiles.size();
  for (int32_t i = 0; i < H; ++i) {
    for (int32_t j = 0; j < W; ++j) {
      const size_t k = size_t(i) * W + j;
      TTileSource src;
      const TileLookup found = LocateTile(tiles[k], tempDir, src, progress);
      if (found == TileLookup::Failed) return fail(nullptr);
      if (progress && count > 1)
        progress->SetText(std::to_string(k + 1) + " of " + std::to_string(count));

      // The tile's own area: its northern row belongs to the tile above and
      // its eastern column to the tile to the right, unless it is the first
      // tile row or the last tile column.
      const int32_t top = i * N + (i > 0 ? 1 : 0), bottom = i * N + N;
      const int32_t left = j * N, right = j * N + N - 1 + (j == W - 1 ? 1 : 0);
      if (found == TileLookup::Absent) {
        // Every sample of the grid belongs to exactly one tile's area, so
        // filling the absent tiles' areas equals filling the grid first.
        for (int32_t y = top; y <= bottom; ++y)
          std::fill(RowStart(y) + left, RowStart(y) + right + 1, fillValue);
        continue;
      }
      // A file of another size is not a tile of this kind; reading its
      // first samples would put wrong data on the grid.
      if (FileSizeOf(src.ReadPath) != 2 * int64_t(side) * side) return fail(&src);
      if (!ReadTile(*this, src.ReadPath, side, left, i * N + (i > 0 ? 1 : 0), i > 0, j < W - 1,
                    progress))
        return fail(&src);
      DropExtracted(src);
    }
  }
  if (progress) progress->Hide();

  FileName = count == 1 ? tiles[0] : std::string();
  TileFiles = tiles;  // every listed path, present or not
  Kind = kind;
  RowsPerDeg = ColsPerDeg = N;
  VoidValue = -32768;
  SetGridSize(int32_t(cols), int32_t(rows));
  TilesAcross = W;
  TilesDown = H;
  TileCount = W * H;
  return true;
}
