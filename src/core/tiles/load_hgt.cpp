#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <future>
#include <limits>
#include <string>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/mesh/mesh.h"
#include "core/platform/native_file.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/tile_names.h"
#include "core/zip/zip.h"

namespace {

// Where the samples of one listed tile come from.
struct TTileSource {
  std::string ReadPath;    // the file actually read
  bool Extracted = false;  // ReadPath is a temporary copy to delete after the read
};

enum class TileLookup { Absent, Present, Failed };

// Where the listed tile is: the plain file (letter case ignored) or, failing
// that, the archive listed + ".zip" holding the listed name. Both empty: absent.
struct TTileFiles {
  std::string Plain;
  std::string Archive;
};

TTileFiles FindTile(const std::string& listed) {
  TTileFiles f;
  f.Plain = FindFileNoCase(listed);
  if (f.Plain.empty()) f.Archive = FindFileNoCase(listed + ".zip");
  return f;
}

// Extracts a zipped tile into tempDir: Present with src set, or Failed.
TileLookup ExtractTile(const std::string& archive, const std::string& listed,
                       const std::string& tempDir, TTileSource& src, TTProgress* progress) {
  if (UnzipMember(archive, tempDir, FileNamePart(listed), src.ReadPath, progress) < 1)
    return TileLookup::Failed;
  src.Extracted = true;
  return TileLookup::Present;
}

// The next zipped tile is inflated on a worker thread while the current tile
// is read, so that decompression overlaps the reads, the fill and the other
// tiles' extraction waits. Only this worker extracts while it runs (the ZIP
// reader's busy guard and state are not shared between threads), it reports
// no progress, and it is always waited for before the load returns; at most
// two extracted tiles exist at a time.
struct TTExtractAhead {
  size_t Index = SIZE_MAX;  // list index of the tile being extracted, or none
  std::future<int> Result;
  std::string OutPath;

  void Start(size_t k, const std::string& archive, const std::string& listed,
             const std::string& tempDir) {
    Cancel();
    Index = k;
    OutPath.clear();
    Result = std::async(std::launch::async, [this, archive, listed, tempDir] {
      return UnzipMember(archive, tempDir, FileNamePart(listed), OutPath, nullptr);
    });
  }
  // Waits for the extraction of tile k: Present with src set, or Failed.
  TileLookup Finish(TTileSource& src) {
    Index = SIZE_MAX;
    if (Result.get() < 1) return TileLookup::Failed;
    src.ReadPath = OutPath;
    src.Extracted = true;
    return TileLookup::Present;
  }
  // Waits for an extraction still running and deletes what it produced.
  void Cancel() {
    if (Index == SIZE_MAX) return;
    TTileSource src;
    if (Finish(src) == TileLookup::Present) {
      std::error_code ec;
      std::filesystem::remove(NativePath(src.ReadPath), ec);
    }
  }
  ~TTExtractAhead() { Cancel(); }
};

void DropExtracted(const TTileSource& src) {
  if (!src.Extracted) return;
  std::error_code ec;
  std::filesystem::remove(NativePath(src.ReadPath), ec);
}

}  // namespace

bool LoadHGT(TTMesh& mesh, const std::vector<std::string>& tiles, uint16_t kind,
             int32_t tilesAcross, int32_t tilesDown, int16_t fillValue, TTProgress* progress,
             const std::string& tempDir, std::vector<TCellRect>* missing) {
  if (missing) missing->clear();
  const int32_t W = tilesAcross, H = tilesDown;
  if (W <= 0 || H <= 0 || tiles.empty() || int64_t(W) * H != int64_t(tiles.size())) return false;
  const int32_t side = TileSide(kind);
  if (side == 0) return false;
  const int32_t N = side - 1;
  const int64_t cols = int64_t(W) * N + 1, rows = int64_t(H) * N + 1;
  if (cols > std::numeric_limits<int32_t>::max() || rows > std::numeric_limits<int32_t>::max())
    return false;
  if (!mesh.AllocSamples(int32_t(cols), int32_t(rows))) return false;
  mesh.Cols = int32_t(cols);  // the tile reads address the grid through mesh.Cols
  mesh.Rows = int32_t(rows);

  auto fail = [&](const TTileSource* src) {
    if (src) DropExtracted(*src);
    mesh.Samples.Clear();
    mesh.Cols = mesh.Rows = 0;
    if (missing) missing->clear();
    if (progress) progress->Hide();
    return false;
  };

  const size_t count = tiles.size();
  std::vector<TTileFiles> files(count);
  for (size_t k = 0; k < count; ++k) files[k] = FindTile(tiles[k]);
  TTExtractAhead ahead;
  // Starts the extraction of the first zipped tile after list index k.
  auto extractNext = [&](size_t k) {
    for (size_t n = k + 1; n < count; ++n)
      if (!files[n].Archive.empty()) return ahead.Start(n, files[n].Archive, tiles[n], tempDir);
  };
  if (count > 1) extractNext(SIZE_MAX);  // SIZE_MAX + 1 wraps to the first tile
  // Several tiles share one bar, each its part of it.
  const bool parts = progress && count > 1;
  if (parts) {
    progress->SetRange(0, 100);
    progress->SetPosition(0);
    progress->Show();
  }

  for (int32_t i = 0; i < H; ++i) {
    for (int32_t j = 0; j < W; ++j) {
      const size_t k = size_t(i) * W + j;
      TTSubProgress part(progress, 100.0 * double(k) / double(count),
                         100.0 * double(k + 1) / double(count));
      TTProgress* tileProgress = parts ? &part : progress;
      TTileSource src;
      TileLookup found = TileLookup::Absent;
      if (!files[k].Plain.empty()) {
        src.ReadPath = files[k].Plain;
        found = TileLookup::Present;
      } else if (!files[k].Archive.empty()) {
        found = ahead.Index == k
                    ? ahead.Finish(src)
                    : ExtractTile(files[k].Archive, tiles[k], tempDir, src, tileProgress);
        if (found == TileLookup::Failed) return fail(nullptr);
        if (count > 1) extractNext(k);
      }
      if (parts) progress->SetText(std::to_string(k + 1) + " of " + std::to_string(count));

      // The tile's own area: its northern row belongs to the tile above and
      // its eastern column to the tile to the right, unless it is the first
      // tile row or the last tile column.
      const int32_t top = i * N + (i > 0 ? 1 : 0), bottom = i * N + N;
      const int32_t left = j * N, right = j * N + N - 1 + (j == W - 1 ? 1 : 0);
      if (found == TileLookup::Absent) {
        // Every sample of the grid belongs to exactly one tile's area, so
        // filling the absent tiles' areas equals filling the grid first.
        for (int32_t y = top; y <= bottom; ++y)
          std::fill(mesh.RowStart(y) + left, mesh.RowStart(y) + right + 1, fillValue);
        if (missing) missing->push_back(TCellRect{left, right, top, bottom});
        continue;
      }
      // A file of another size is not a tile of this kind; reading its
      // first samples would put wrong data on the grid.
      if (FileSizeOf(src.ReadPath) != 2 * int64_t(side) * side) return fail(&src);
      if (!ReadTile(mesh, src.ReadPath, side, left, i * N + (i > 0 ? 1 : 0), i > 0, j < W - 1,
                    tileProgress))
        return fail(&src);
      DropExtracted(src);
    }
  }
  if (progress) progress->Hide();

  mesh.FileName = count == 1 ? tiles[0] : std::string();
  mesh.TileFiles = tiles;  // every listed path, present or not
  mesh.Kind = kind;
  mesh.RowsPerDeg = mesh.ColsPerDeg = N;
  mesh.VoidValue = -32768;
  mesh.SetGridSize(int32_t(cols), int32_t(rows));
  mesh.TilesAcross = W;
  mesh.TilesDown = H;
  mesh.TileCount = W * H;
  return true;
}
