#include "core/tiles/load_hgt.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <utility>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/base/sample_io.h"
#include "core/mesh/mesh.h"
#include "core/mesh/sample_stats.h"
#include "core/platform/helper_thread.h"
#include "core/platform/native_file.h"
#include "core/tiles/tile_names.h"
#include "core/zip/zip.h"

namespace {

constexpr int16_t kHgtVoid = -32768;

// The plain file (letter case ignored) or, failing that, the archive
// listed + ".zip" holding the listed name.
TTTileSource FindTile(const std::string& listed) {
  TTTileSource s;
  s.Plain = FindFileNoCase(listed);
  if (!s.Plain.empty()) return s;
  s.Archive = FindFileNoCase(listed + ".zip");
  if (!s.Archive.empty()) s.Member = FileNamePart(listed);
  return s;
}

// One tile's area of the grid. Neighbours share their edges: the tile's
// northern row belongs to the tile above and its eastern column to the tile
// to the right, unless it is in the first tile row or the last tile column;
// those are read and dropped.
struct TTileArea {
  int32_t Side = 0;
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // grid cells, inclusive
  bool SkipFirstRow = false, SkipLastCol = false;

  int32_t FirstRow() const { return SkipFirstRow ? 1 : 0; }
  int32_t KeptCols() const { return Side - (SkipLastCol ? 1 : 0); }
  int64_t RowBytes() const { return 2 * int64_t(Side); }
  int64_t FileBytes() const { return RowBytes() * Side; }
  int16_t* GridRow(TTMesh& mesh, int32_t r) const {
    return mesh.RowStart(Top + r - FirstRow()) + Left;
  }
  // The file's rows are whole grid rows: it can be read straight into the grid.
  bool WholeRows(const TTMesh& mesh) const { return Left == 0 && KeptCols() == mesh.Cols; }
};

TTileArea AreaOf(int32_t i, int32_t j, int32_t W, int32_t side) {
  const int32_t N = side - 1;
  TTileArea a;
  a.Side = side;
  a.SkipFirstRow = i > 0;
  a.SkipLastCol = j < W - 1;
  a.Top = i * N + a.FirstRow();
  a.Bottom = i * N + N;
  a.Left = j * N;
  a.Right = a.Left + a.KeptCols() - 1;
  return a;
}

// Tile rows [r0, r1) from their file bytes (row r0 first) into the grid.
void PlaceRows(TTMesh& mesh, const TTileArea& a, const unsigned char* bytes, int32_t r0, int32_t r1,
               TTSampleStats& stats) {
  for (int32_t r = std::max(r0, a.FirstRow()); r < r1; ++r)
    stats.AddBigEndian(bytes + (r - r0) * a.RowBytes(), a.GridRow(mesh, r), a.KeptCols(), kHgtVoid);
}

void FillArea(TTMesh& mesh, const TTileArea& a, int16_t value, TTSampleStats& stats) {
  for (int32_t y = a.Top; y <= a.Bottom; ++y) {
    int16_t* row = mesh.RowStart(y) + a.Left;
    std::fill(row, row + a.KeptCols(), value);
    stats.Add(row, a.KeptCols(), kHgtVoid);
  }
}

// Reads a plain tile file into its area, converting each block while it is
// still in the cache. With `helped`, a worker thread with its own handle on
// the file takes blocks too (both take the next block left, so a worker that
// gets no processor leaves all of them to this thread). Only this thread
// reports progress.
bool ReadTileFile(TTMesh& mesh, const std::string& path, const TTileArea& a, TTSampleStats& stats,
                  TTProgress* progress, bool helped) {
  TTInputFile file(path);
  // A file of another size is not a tile of this kind; reading its first
  // samples would put wrong data on the grid.
  if (!file.IsOpen() || file.Size() != a.FileBytes()) return false;
  if (progress) {
    progress->SetRange(0, a.Side - 1);
    progress->SetPosition(0);
    progress->Show();
  }
  const bool whole = a.WholeRows(mesh);
  const int32_t blockRows = int32_t(std::min<int64_t>(RowsPerBlock(a.RowBytes()), a.Side));
  // The first row, when dropped, lies on the grid already (read from the
  // tile above): reading starts after it.
  const int32_t first = a.FirstRow();
  const int32_t blocks = (a.Side - first + blockRows - 1) / blockRows;
  std::atomic<int32_t> nextBlock{0};
  std::atomic<bool> failed{false};
  auto readBlocks = [&](std::FILE* f, TTSampleStats& st, TTProgress* own) {
    std::vector<unsigned char> buffer(whole ? 0 : size_t(blockRows * a.RowBytes()));
    for (int32_t b = nextBlock++; b < blocks && !failed; b = nextBlock++) {
      const int32_t r0 = first + b * blockRows, n = std::min(blockRows, a.Side - r0);
      const int64_t offset = int64_t(r0) * a.RowBytes();
      const size_t bytes = size_t(n * a.RowBytes());
      unsigned char* dest =
          whole ? reinterpret_cast<unsigned char*>(a.GridRow(mesh, r0)) : buffer.data();
      if (!ReadFileAt(f, dest, bytes, offset)) {
        failed = true;
        break;
      }
      if (whole)
        st.AddBigEndian(dest, a.GridRow(mesh, r0), int64_t(n) * a.Side, kHgtVoid);
      else
        PlaceRows(mesh, a, buffer.data(), r0, r0 + n, st);
      if (own) own->SetPosition(r0 + n - 1);
      PumpMessages(own);
    }
  };
  TTSampleStats workerStats;
  auto mine = [&] { readBlocks(file.File(), stats, progress); };
  if (helped && blocks > 1) {
    RunBeside(
        [&] {
          TTInputFile second(path);
          if (second.IsOpen())
            readBlocks(second.File(), workerStats, nullptr);
          else
            failed = true;
        },
        mine);
  } else {
    mine();
  }
  stats.Merge(workerStats);
  // The worker may have read the last block: the bar still ends full.
  if (progress && !failed) progress->SetPosition(a.Side - 1);
  if (progress) progress->Hide();
  return !failed;
}

// Takes the inflated bytes of a tile in blocks of any length and places
// every row as soon as it is complete, while it is still in the cache.
class TTRowFeeder {
 public:
  TTRowFeeder(TTMesh& mesh, const TTileArea& a, TTSampleStats& stats)
      : mesh_(mesh), a_(a), stats_(stats), carry_(size_t(a.RowBytes())) {}

  bool operator()(const uint8_t* p, size_t n) {
    const size_t rowBytes = carry_.size();
    if (carried_ > 0) {
      const size_t take = std::min(n, rowBytes - carried_);
      std::memcpy(carry_.data() + carried_, p, take);
      carried_ += take;
      p += take;
      n -= take;
      if (carried_ < rowBytes) return true;
      Place(carry_.data(), 1);
      carried_ = 0;
    }
    const int32_t rows = int32_t(std::min<size_t>(n / rowBytes, size_t(a_.Side - row_)));
    Place(p, rows);
    p += size_t(rows) * rowBytes;
    n -= size_t(rows) * rowBytes;
    if (n >= rowBytes) return false;  // more than the tile
    std::memcpy(carry_.data(), p, n);
    carried_ = n;
    return true;
  }

 private:
  void Place(const uint8_t* bytes, int32_t rows) {
    PlaceRows(mesh_, a_, bytes, row_, row_ + rows, stats_);
    row_ += rows;
  }
  TTMesh& mesh_;
  const TTileArea& a_;
  TTSampleStats& stats_;
  std::vector<unsigned char> carry_;
  size_t carried_ = 0;
  int32_t row_ = 0;
};

// Loads one tile into its area.
THgtLoad LoadTile(TTMesh& mesh, const TTTileSource& src, const TTileArea& a, int16_t fillValue,
                  TTSampleStats& stats, TTProgress* progress, bool helped) {
  if (!src.Plain.empty())
    return ReadTileFile(mesh, src.Plain, a, stats, progress, helped) ? THgtLoad::Ok
                                                                     : THgtLoad::Failed;
  if (src.Archive.empty()) {
    FillArea(mesh, a, fillValue, stats);
    return THgtLoad::Ok;
  }
  const int64_t bytes = a.FileBytes();
  if (a.WholeRows(mesh) && !a.SkipFirstRow && mesh.Samples.Size() == bytes / 2) {
    // The tile is the whole grid: inflated straight into it.
    auto* grid = reinterpret_cast<unsigned char*>(mesh.Samples.Data());
    if (UnzipMemberToMemory(src.Archive, src.Member, grid, uint64_t(bytes), progress) != 1)
      return THgtLoad::InflateFailed;
    stats.AddBigEndian(grid, mesh.Samples.Data(), bytes / 2, kHgtVoid);
    return THgtLoad::Ok;
  }
  // The rows are placed as they are inflated; a failure later on discards
  // the whole mesh, so rows placed from a damaged member never show.
  TTRowFeeder feeder(mesh, a, stats);
  const int rc = UnzipMemberToSink(
      src.Archive, src.Member, uint64_t(bytes),
      [&](const uint8_t* p, size_t n) { return feeder(p, n); }, progress);
  return rc == 1 ? THgtLoad::Ok : THgtLoad::InflateFailed;
}

// The tiles of a load are taken in list order by the calling thread and,
// when there are several, by one worker, so that one inflates while the
// other reads or inflates too. Each writes the area of the tile it took (the
// areas do not overlap) and gathers its own statistics; only the calling
// thread reports progress and pumps messages. A failure stops both after
// the tile at hand, and the worker is always joined before the load returns.
class TTTileQueue {
 public:
  // The first `kept` tiles are taken already.
  TTTileQueue(size_t count, size_t kept) : count_(count), next_(kept) {}

  // The next tile to load, or false when none is left or the load failed.
  bool Take(size_t& k) {
    std::lock_guard<std::mutex> g(lock_);
    if (failed_ != THgtLoad::Ok || next_ == count_) return false;
    k = next_++;
    return true;
  }
  void Finish(THgtLoad result) {
    {
      std::lock_guard<std::mutex> g(lock_);
      ++done_;
      if (result != THgtLoad::Ok && failed_ == THgtLoad::Ok) failed_ = result;
    }
    changed_.notify_all();
  }
  // Waits a little for a change; true while tiles are still being loaded.
  bool WaitBusy() {
    std::unique_lock<std::mutex> g(lock_);
    if (done_ == next_) return false;
    changed_.wait_for(g, std::chrono::milliseconds(20));
    return done_ != next_;
  }
  size_t Done() {
    std::lock_guard<std::mutex> g(lock_);
    return done_;
  }
  THgtLoad Result() {
    std::lock_guard<std::mutex> g(lock_);
    return failed_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  const size_t count_;
  size_t next_, done_ = 0;
  THgtLoad failed_ = THgtLoad::Ok;
};

}  // namespace

THgtLoad LoadHGTSources(TTMesh& mesh, const std::vector<TTTileSource>& sources,
                        const std::vector<std::string>& listed, uint16_t kind, int32_t tilesAcross,
                        int32_t tilesDown, int16_t fillValue, TTProgress* progress) {
  const int32_t W = tilesAcross, H = tilesDown;
  if (W <= 0 || H <= 0 || sources.empty() || int64_t(W) * H != int64_t(sources.size()))
    return THgtLoad::Failed;
  const int32_t side = TileSide(kind);
  if (side == 0) return THgtLoad::Failed;
  const int32_t N = side - 1;
  const int64_t cols = int64_t(W) * N + 1, rows = int64_t(H) * N + 1;
  if (cols > std::numeric_limits<int32_t>::max() || rows > std::numeric_limits<int32_t>::max())
    return THgtLoad::Failed;
  if (!mesh.AllocSamples(int32_t(cols), int32_t(rows))) return THgtLoad::Failed;
  mesh.Cols = int32_t(cols);  // the tile reads address the grid through mesh.Cols
  mesh.Rows = int32_t(rows);

  const size_t count = sources.size();
  // Several tiles share one bar, each its part of it; the label names the
  // tile being loaded.
  const bool parts = progress && count > 1;
  if (parts) {
    progress->SetRange(0, 100);
    progress->SetPosition(0);
    progress->Show();
  }
  size_t shown = 0, moved = 0;
  auto showDone = [&](size_t done) {
    if (!parts) return;
    // Also for tiles the worker finished after their number was shown.
    if (done > moved) progress->SetPosition(100.0 * double(moved = done) / double(count));
    const size_t current = std::min(done + 1, count);
    while (shown < current)  // every number, also when the worker finished several
      progress->SetText(std::to_string(++shown) + " of " + std::to_string(count));
  };

  // The loading thread keeps the first tile, so that its bar moves from the
  // start even where the worker would be quicker to take every tile.
  TTTileQueue queue(count, 1);
  auto run = [&](TTSampleStats& stats, TTProgress* own, bool first) {
    size_t k = 0;
    while (std::exchange(first, false) || queue.Take(k)) {
      const TTileArea a = AreaOf(int32_t(k / size_t(W)), int32_t(k % size_t(W)), W, side);
      if (!own) {  // the tile worker, or a caller that shows no progress
        queue.Finish(LoadTile(mesh, sources[k], a, fillValue, stats, nullptr, count == 1));
        continue;
      }
      const size_t done = queue.Done();
      showDone(done);
      TTSubProgress part(own, 100.0 * double(done) / double(count),
                         100.0 * double(done + 1) / double(count));
      // A single tile shares its blocks with a worker instead.
      queue.Finish(
          LoadTile(mesh, sources[k], a, fillValue, stats, parts ? &part : own, count == 1));
    }
  };

  TTSampleStats mine, other;
  auto own = [&] {
    run(mine, progress, true);
    while (queue.WaitBusy()) {
      showDone(queue.Done());
      PumpMessages(progress);
    }
  };
  if (count > 1)
    RunBeside([&] { run(other, nullptr, false); }, own);
  else
    own();
  const THgtLoad result = queue.Result();
  if (result != THgtLoad::Ok) {
    mesh.Samples.Clear();
    mesh.Cols = mesh.Rows = 0;
    if (progress) progress->Hide();
    return result;
  }
  showDone(count);
  if (progress) progress->Hide();

  mesh.FileName = count == 1 ? listed[0] : std::string();
  mesh.TileFiles = listed;  // every listed path, present or not
  mesh.Kind = kind;
  mesh.RowsPerDeg = mesh.ColsPerDeg = N;
  mesh.VoidValue = kHgtVoid;
  mesh.SetGridSize(int32_t(cols), int32_t(rows));
  mesh.TilesAcross = W;
  mesh.TilesDown = H;
  mesh.TileCount = W * H;
  mine.Merge(other);
  mine.StoreInto(mesh, mesh.GridRect.CellCount());
  mesh.StatsFromLoad = true;
  return THgtLoad::Ok;
}

bool LoadHGT(TTMesh& mesh, const std::vector<std::string>& tiles, uint16_t kind,
             int32_t tilesAcross, int32_t tilesDown, int16_t fillValue, TTProgress* progress,
             const std::string& /*tempDir*/, std::vector<TCellRect>* missing) {
  if (missing) missing->clear();
  std::vector<TTTileSource> sources(tiles.size());
  for (size_t k = 0; k < tiles.size(); ++k) sources[k] = FindTile(tiles[k]);
  if (LoadHGTSources(mesh, sources, tiles, kind, tilesAcross, tilesDown, fillValue, progress) !=
      THgtLoad::Ok)
    return false;
  if (missing)
    for (size_t k = 0; k < sources.size(); ++k)
      if (sources[k].Plain.empty() && sources[k].Archive.empty()) {
        const TTileArea a = AreaOf(int32_t(k / size_t(tilesAcross)),
                                   int32_t(k % size_t(tilesAcross)), tilesAcross, TileSide(kind));
        missing->push_back(TCellRect{a.Left, a.Right, a.Top, a.Bottom});
      }
  return true;
}
