// Speed of the main window: painting a full-HD viewport at every zoom on a
// small and a very large mesh, recolouring a whole 14401 x 14401 image, and
// loading a 1-arc-second tile through the command against the core load.
//
//   QT_QPA_PLATFORM=offscreen ./build/bench/ui/delva_ui_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "core/base/cpu_features.h"
#include "core/mesh/mesh.h"
#include "core/tiles/single_hgt.h"
#include "core/view/hillshade.h"
#include "core/view/mesh_image.h"
#include "core/view/view_geometry.h"
#include "ui/main/form_view_mesh.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/file_dialogs.h"

namespace {
// A relief with sea and a few voids, filled row by row.
std::unique_ptr<TTMesh> MakeMesh(int32_t n) {
  auto m = std::make_unique<TTMesh>();
  if (!m->AllocSamples(n, n)) return nullptr;
  m->SetGridSize(n, n);
  for (int32_t y = 0; y < n; ++y) {
    int16_t* row = m->RowStart(y);
    for (int32_t x = 0; x < n; ++x) row[x] = int16_t(((x * 13 + y * 7) % 3000) - 200);
    if (y % 1000 == 7) row[y % n] = -32768;
  }
  m->MinLat = 40;
  m->MaxLat = 40 + (n - 1) / 3600.0f;
  m->MinLon = 10;
  m->MaxLon = 10 + (n - 1) / 3600.0f;
  m->RowsPerDeg = m->ColsPerDeg = 3600;
  m->VoidValue = -32768;
  m->FileName = "bench.hgx";
  return m;
}

TFormViewMesh* Window() {
  static TFormViewMesh* w = new TFormViewMesh;
  return w;
}

// The window with a mesh of n x n cells (replacing another size).
TFormViewMesh* WindowWithMesh(int32_t n) {
  TFormViewMesh* w = Window();
  if (!w->Mesh || w->Mesh->Cols != n) {
    w->CloseMesh();
    w->AttachMesh(MakeMesh(n));
  }
  return w;
}

// One paint of a 1920 x 1080 viewport from the middle of the paint box,
// image sampling, outlines and grid, and the copy onto the screen surface.
void BM_PaintViewport(benchmark::State& state) {
  const int32_t n = int32_t(state.range(0));
  const int zoom = kZoomFactors[size_t(state.range(1))];
  TFormViewMesh* w = WindowWithMesh(n);
  w->SetZoom(zoom);
  w->ToolButtonShowGrid->setChecked(true);
  w->ToolButtonShowGridClick();
  QImage buffer(1920, 1080, QImage::Format_RGB32);
  QImage screen(1920, 1080, QImage::Format_RGB32);
  const int px = std::max(0, w->PaintBoxWidth() / 2 - 960);
  const int py = std::max(0, w->PaintBoxHeight() / 2 - 540);
  for (auto _ : state) {
    w->PaintArea(buffer, px, py);
    QPainter p(&screen);
    p.drawImage(0, 0, buffer);
    p.end();
    benchmark::DoNotOptimize(screen.constBits());
  }
  state.SetLabel(std::to_string(n) + " cells, zoom " + ZoomLabel(zoom));
}

void PaintArgs(benchmark::internal::Benchmark* b) {
  for (int n : {1201, 14401})
    for (int z = 0; z < 10; ++z) b->Args({n, z});
}

void BM_RecolorWholeGrid(benchmark::State& state) {
  TFormViewMesh* w = WindowWithMesh(14401);
  w->Unselect();
  for (auto _ : state) {
    w->RecolorSelRect();
    benchmark::DoNotOptimize(w->Doc.Image().Bits.get());
  }
  state.counters["cells/s"] =
      benchmark::Counter(double(w->Mesh->GridRect.CellCount()) * double(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// The same with the whole grid one missing tile: the hatch's extra pass.
void BM_RecolorMissingTile(benchmark::State& state) {
  TFormViewMesh* w = WindowWithMesh(14401);
  w->Unselect();
  w->Doc.MissingTiles = TTMissingTiles{{w->Mesh->GridRect}, 12345};
  for (auto _ : state) {
    w->RecolorSelRect();
    benchmark::DoNotOptimize(w->Doc.Image().Bits.get());
  }
  w->Doc.MissingTiles = TTMissingTiles{};
}

QString TilePath() {
  static QTemporaryDir dir;
  static QString path;
  if (path.isEmpty()) {
    path = dir.filePath("N45E007.hgt");
    QByteArray bytes(qsizetype(3601) * 3601 * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < 3601 * 3601; ++i) {
      int16_t v = int16_t((i % 3601) * 3 % 4000 - 100 + (i / 3601) % 50);
      bytes[2 * i] = char(uint16_t(v) >> 8);
      bytes[2 * i + 1] = char(v & 0xFF);
    }
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  }
  return path;
}

// The core alone: the tile read into a fresh mesh.
void BM_LoadTileCore(benchmark::State& state) {
  Window()->CloseMesh();
  const std::string path = TilePath().toStdString();
  const std::string temp = QDir::tempPath().toStdString();
  for (auto _ : state) {
    TTMesh m;
    std::string msg = LoadSingleHGT(m, path, temp, nullptr);
    if (!msg.empty()) state.SkipWithError(msg.c_str());
    benchmark::DoNotOptimize(m.Samples.Data());
  }
}

// The command: dialog answered, load, statistics, image, state, first paint.
void BM_LoadTileCommand(benchmark::State& state) {
  TFormViewMesh* w = Window();
  w->CloseMesh();
  const QString path = TilePath();
  TFileDialogHook old = SetFileDialogHook([&](const TFileDialogRequest&) { return path; });
  QImage buffer(1920, 1080, QImage::Format_RGB32);
  for (auto _ : state) {
    w->miOpenSingleHGTClick();
    w->PaintArea(buffer, 0, 0);
    benchmark::DoNotOptimize(buffer.constBits());
    state.PauseTiming();
    if (!w->Mesh) state.SkipWithError("load failed");
    w->CloseMesh();
    state.ResumeTiming();
  }
  SetFileDialogHook(old);
}

// The two above taken in turn, pair by pair and in either order, so that both
// see the same machine: a busy moment slows a pair, not one side of the ratio.
// The counters are the medians of each side and their ratio.
void BM_LoadTileAlternate(benchmark::State& state) {
  TFormViewMesh* w = Window();
  w->CloseMesh();
  const QString path = TilePath();
  const std::string file = path.toStdString(), temp = QDir::tempPath().toStdString();
  TFileDialogHook old = SetFileDialogHook([&](const TFileDialogRequest&) { return path; });
  QImage buffer(1920, 1080, QImage::Format_RGB32);
  using Clock = std::chrono::steady_clock;
  std::vector<double> core, command, open, paint;
  auto timed = [](const auto& step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  };
  bool coreFirst = true;
  for (auto _ : state) {
    auto m = std::make_unique<TTMesh>();
    auto loadCore = [&] {
      if (!LoadSingleHGT(*m, file, temp, nullptr).empty()) state.SkipWithError("load failed");
    };
    auto runCommand = [&] {
      open.push_back(timed([&] { w->miOpenSingleHGTClick(); }));
      paint.push_back(timed([&] { w->PaintArea(buffer, 0, 0); }));
      benchmark::DoNotOptimize(buffer.constBits());
    };
    if (coreFirst) {
      core.push_back(timed(loadCore)), m.reset();
      command.push_back(timed(runCommand)), w->CloseMesh();
    } else {
      command.push_back(timed(runCommand)), w->CloseMesh();
      core.push_back(timed(loadCore)), m.reset();
    }
    coreFirst = !coreFirst;
  }
  SetFileDialogHook(old);
  auto median = [](std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  const double c = median(core), k = median(command);
  state.counters["core_ms"] = c;
  state.counters["command_ms"] = k;
  state.counters["ratio"] = c > 0 ? k / c : 0;
  state.counters["open_ms"] = median(open);
  state.counters["paint_ms"] = median(paint);
}

// The parts of a load after the file read, on a 3601 x 3601 mesh in memory.
void BM_UpdateStats3601(benchmark::State& state) {
  auto m = MakeMesh(3601);
  for (auto _ : state) {
    m->UpdateStats(nullptr);
    benchmark::DoNotOptimize(m->MaxElev);
  }
}

// Argument: the widest loops, or AVX2 at most.
void BM_ColorCells3601(benchmark::State& state) {
  ForceLoops(state.range(0) == 0 ? TLoops::Widest : TLoops::Avx2);
  auto m = MakeMesh(3601);
  m->UpdateStats(nullptr);
  m->ColorMin = m->MinElev;
  m->ColorMax = m->MaxElev;
  std::vector<uint8_t> img(size_t(3604) * 3601);
  for (auto _ : state) {
    ColorCells(*m, m->GridRect, true, img.data(), 3604);
    benchmark::DoNotOptimize(img.data());
  }
  ForceLoops(TLoops::Widest);
}

// The same with relief shading on top (View > Hillshade).
void BM_ColorAndShade3601(benchmark::State& state) {
  auto m = MakeMesh(3601);
  m->UpdateStats(nullptr);
  m->ColorMin = m->MinElev;
  m->ColorMax = m->MaxElev;
  m->MaxLat = 48;
  m->RowsPerDeg = m->ColsPerDeg = 3600;
  std::vector<uint8_t> img(size_t(3604) * 3601);
  for (auto _ : state) {
    ColorCells(*m, m->GridRect, true, img.data(), 3604);
    ShadeCells(*m, m->GridRect, img.data(), 3604);
    benchmark::DoNotOptimize(img.data());
  }
}

// A full-HD view's pixels at 1x from a coloured image (the argument as
// above).
void BM_SampleView1080p(benchmark::State& state) {
  ForceLoops(state.range(0) == 0 ? TLoops::Widest : TLoops::Avx2);
  std::vector<uint8_t> img(size_t(3604) * 3601);
  for (size_t k = 0; k < img.size(); ++k) img[k] = uint8_t(k * 7 % 254);
  const TTViewSampler s{img.data(), 3604, 3601, 3601, 1, MeshPalette().data()};
  std::vector<uint32_t> out(size_t(1920) * 1080);
  for (auto _ : state) {
    SampleView(s, 0, 0, 1920, 1080, out.data(), 1920);
    benchmark::DoNotOptimize(out.data());
  }
  ForceLoops(TLoops::Widest);
}
}  // namespace

BENCHMARK(BM_UpdateStats3601)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleView1080p)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorCells3601)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorAndShade3601)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintViewport)->Apply(PaintArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecolorWholeGrid)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RecolorMissingTile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadTileCore)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadTileCommand)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadTileAlternate)->Unit(benchmark::kMillisecond)->MinTime(4.0);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete Window();
  return 0;
}
