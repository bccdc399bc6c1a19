// The multiple-tile load of a 4 x 4 rectangle of 3601-sample tiles (a 14401 x
// 14401 mesh), half of them zipped, against its parts: the plain reads of the
// plain tiles and our inflate of the zipped ones.
//
//   python3 bench/make_mosaic_folder.py /tmp/delva-mosaic     (once, ~1 min)
//   DELVA_MOSAIC_DIR=/tmp/delva-mosaic ./build/bench/delva_bench --benchmark_filter=Mosaic
//
// The goal: Mosaic_LoadToImage <= 1.1 x (Mosaic_PlainReads + Mosaic_Inflate).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/base/file_util.h"
#include "core/base/sample_io.h"
#include "core/document/document.h"
#include "core/mesh/mesh.h"
#include "core/tiles/multi_hgt.h"
#include "core/zip/zip_stream.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kTileBytes = 25934402;

std::string MosaicDir() {
  const char* d = std::getenv("DELVA_MOSAIC_DIR");
  return d ? d : "/tmp/delva-mosaic";
}

std::vector<std::string> FilesEnding(const std::string& suffix) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(MosaicDir(), ec)) {
    const std::string p = e.path().string();
    if (p.size() > suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
      out.push_back(p);
  }
  return out;
}

bool ReadWhole(const std::string& path, std::vector<uint8_t>& buf) {
  TTInputFile f(path);
  if (!f.IsOpen()) return false;
  const int64_t size = f.Size();
  if (size < 0) return false;
  buf.resize(size_t(size));
  return ReadWholeBlock(f.File(), buf.data(), buf.size());
}

// The deflate stream of the one member of an archive: after the local
// header, its name and its extra field.
bool MemberData(const std::vector<uint8_t>& zip, size_t& offset, size_t& size) {
  if (zip.size() < 30 || zip[0] != 'P' || zip[1] != 'K') return false;
  offset = 30 + size_t(GetLE16(&zip[26])) + GetLE16(&zip[28]);
  size = GetLE32(&zip[18]);
  return offset + size <= zip.size();
}

void Mosaic_PlainReads(benchmark::State& state) {
  const auto tiles = FilesEnding(".hgt");
  if (tiles.size() != 8) return state.SkipWithError("run bench/make_mosaic_folder.py first");
  std::vector<uint8_t> buf;
  for (auto _ : state) {
    for (const auto& t : tiles)
      if (!ReadWhole(t, buf)) return state.SkipWithError("read failed");
    benchmark::DoNotOptimize(buf.data());
  }
}

void Mosaic_Inflate(benchmark::State& state) {
  const auto zips = FilesEnding(".zip");
  if (zips.size() != 8) return state.SkipWithError("run bench/make_mosaic_folder.py first");
  std::vector<uint8_t> zip, out(kTileBytes);
  for (auto _ : state) {
    for (const auto& z : zips) {
      size_t off = 0, size = 0;
      if (!ReadWhole(z, zip) || !MemberData(zip, off, size))
        return state.SkipWithError("archive unreadable");
      if (ZipInflateBuffer(zip.data() + off, size, out.data(), out.size()) != int64_t(kTileBytes))
        return state.SkipWithError("inflate failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
}

void Mosaic_LoadToImage(benchmark::State& state) {
  if (FilesEnding(".hgt").size() + FilesEnding(".zip").size() != 16)
    return state.SkipWithError("run bench/make_mosaic_folder.py first");
  const fs::path temp = fs::temp_directory_path() / "delva-mosaic-temp";
  fs::create_directories(temp);
  TTMultiHGTRequest r;
  r.Folder = MosaicDir();
  r.Rect = {48, 44, -124, -120};
  r.TempDir = temp.string();
  for (auto _ : state) {
    auto mesh = std::make_unique<TTMesh>();
    const std::string msg = LoadMultiHGT(*mesh, r, nullptr);
    if (!msg.empty()) return state.SkipWithError(msg.c_str());
    // What the window does before the image shows: the document (undo list,
    // statistics unless the load gathered them, colour range, image buffer)
    // and the colours of the first view, 1920 x 1080 cells at 1:1.
    TTDocument doc;
    if (doc.Attach(std::move(mesh), 0) != TTDocument::TAttach::Ok)
      return state.SkipWithError("attach failed");
    benchmark::DoNotOptimize(doc.ImageOver(TCellRect{0, 1919, 0, 1079}).Bits.get());
  }
  fs::remove_all(temp);
}

}  // namespace

BENCHMARK(Mosaic_PlainReads)->Unit(benchmark::kMillisecond);
BENCHMARK(Mosaic_Inflate)->Unit(benchmark::kMillisecond);
BENCHMARK(Mosaic_LoadToImage)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
// The same load with the main thread's CPU time alone: with the inflate on a
// worker, max(main thread, worker) bounds the wall time on an idle machine.
BENCHMARK(Mosaic_LoadToImage)->Name("Mosaic_LoadToImage_MainThread")->Unit(benchmark::kMillisecond);
