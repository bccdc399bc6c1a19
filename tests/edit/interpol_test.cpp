#include "edit/interpol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>

#include "edit/interpol_reference.h"
#include "edit_test_util.h"
#include "mesh/cell_mask.h"
#include "settings/progress.h"

namespace {

// Records what the run tells the progress object, and from which thread.
class TRecordingProgress : public TTProgress {
 public:
  void Pump() override {
    ++pumps;
    if (std::this_thread::get_id() != owner) foreignCalls = true;
  }
  bool AbortRequested() override { return abortAfter >= 0 && pumps > abortAfter; }
  void BarPositionChanged(int position) override { positions.push_back(position); }
  void VisibilityChanged(bool visible) override { visibleNow = visible; }

  std::thread::id owner = std::this_thread::get_id();
  int pumps = 0;
  int abortAfter = -1;
  bool foreignCalls = false;
  bool visibleNow = false;
  std::vector<int> positions;
};

// Random relief with void clusters (blobs of random size) and scattered
// single voids.
void RandomMesh(TTMesh& m, std::mt19937& rng, int16_t voidValue) {
  int cols = std::uniform_int_distribution(1, 48)(rng);
  int rows = std::uniform_int_distribution(1, 48)(rng);
  MakeMesh(m, cols, rows, 0, voidValue);
  int lo = std::uniform_int_distribution(-32767, 32000)(rng);
  int hi = std::min(32767, lo + std::uniform_int_distribution(0, 40000)(rng));
  std::uniform_int_distribution<int> value(lo, hi);
  for (int64_t i = 0; i < m.Samples.Size(); ++i) {
    int v = value(rng);
    m.Samples[i] = int16_t(v == voidValue ? v + 1 : v);
  }
  int blobs = std::uniform_int_distribution(0, 6)(rng);
  for (int b = 0; b < blobs; ++b) {
    int cx = std::uniform_int_distribution(0, cols - 1)(rng);
    int cy = std::uniform_int_distribution(0, rows - 1)(rng);
    int rad = std::uniform_int_distribution(0, 8)(rng);
    for (int y = std::max(0, cy - rad); y <= std::min(rows - 1, cy + rad); ++y)
      for (int x = std::max(0, cx - rad); x <= std::min(cols - 1, cx + rad); ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad) m.SetCell(x, y, voidValue);
  }
  double scatter = std::uniform_real_distribution(0.0, 0.3)(rng);
  for (int64_t i = 0; i < m.Samples.Size(); ++i)
    if (std::uniform_real_distribution(0.0, 1.0)(rng) < scatter) m.Samples[i] = voidValue;
}

TCellRect RandomRect(const TTMesh& m, std::mt19937& rng) {
  auto pick = [&](int n) {
    int a = std::uniform_int_distribution(0, n - 1)(rng);
    int b = std::uniform_int_distribution(0, n - 1)(rng);
    return std::make_pair(std::min(a, b), std::max(a, b));
  };
  auto [l, r] = pick(m.Cols);
  auto [t, b] = pick(m.Rows);
  return TCellRect{l, r, t, b};
}

TEST(Interpol, FastEqualsDefinitionOnRandomMeshes) {
  std::mt19937 rng(20261206);
  const double weights[] = {1.0001, 1.5, 2, 3.25, 6, 13.7, 60, 400, 5000, 1e12};
  for (int round = 0; round < 400; ++round) {
    int16_t voidValue = round % 3 == 0   ? int16_t(-32768)
                        : round % 3 == 1 ? int16_t(0)
                                         : int16_t(-9999);
    TTMesh fast, ref;
    RandomMesh(ref, rng, voidValue);
    MakeMesh(fast, ref.Cols, ref.Rows, 0, voidValue);
    std::copy(ref.Samples.Data(), ref.Samples.Data() + ref.Samples.Size(), fast.Samples.Data());
    int r = round % 10 == 0 ? std::uniform_int_distribution(20, 80)(rng)
                            : std::uniform_int_distribution(1, 12)(rng);
    double p = weights[std::uniform_int_distribution(0, 9)(rng)];
    TCellRect rc = round % 4 == 0 ? ref.GridRect : RandomRect(ref, rng);
    TTCellMask mask;
    bool useMask = round % 3 != 0;
    if (useMask) {
      // Bounds may stick out of the rectangle: cells beyond it stay out.
      TCellRect b = RandomRect(ref, rng);
      mask.Reset(b);
      for (int y = b.Top; y <= b.Bottom; ++y)
        for (int x = b.Left; x <= b.Right; ++x)
          if (rng() % 3) mask.Set(x, y, true);
    }
    InterpolReference(ref, rc, r, useMask ? &mask : nullptr, p);
    TTInterpolRun run;
    run.Threads = 1 + round % 3;
    ASSERT_TRUE(fast.InterpolNearestNei(rc, r, nullptr, useMask ? &mask : nullptr, p, &run));
    ASSERT_EQ(CopySamples(fast), CopySamples(ref))
        << "round " << round << " r " << r << " p " << p << " threads " << run.Threads;
  }
}

TEST(Interpol, UniformSurroundingGivesExactlyThatValue) {
  std::mt19937 rng(7);
  std::vector<int> values = {-32767, -32766, -1000, -7, -3, -1, 1, 3, 7, 99, 1000, 32766, 32767};
  for (int i = 0; i < 60; ++i) values.push_back(std::uniform_int_distribution(-32767, 32767)(rng));
  const double weights[] = {1.01, 1.3, 2, 2.7, 6, 9.99, 31, 700};
  for (size_t i = 0; i < values.size(); ++i) {
    const int16_t v = int16_t(values[i]);
    const int r = 1 + int(i % 9) * 7;  // 1 .. 57
    const double p = weights[i % 8];
    TTMesh m;
    const int n = 2 * r + 7;
    MakeMesh(m, n, n, v, -32768);
    // A ragged void blob around the centre, plus a lone void.
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x)
        if (std::abs(x - n / 2) + std::abs(y - n / 2) <= r / 2) m.SetCell(x, y, -32768);
    m.SetCell(1, n - 2, -32768);
    TTInterpolRun run;
    ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, r, nullptr, nullptr, p, &run));
    EXPECT_EQ(run.Filled, run.Voids);
    for (int64_t k = 0; k < m.Samples.Size(); ++k)
      ASSERT_EQ(m.Samples[k], v) << "v " << v << " r " << r << " p " << p << " cell " << k;
  }
}

TEST(Interpol, WorkedExamples) {
  TTMesh m;
  // r = 1: 100 west, 200 east, 150 whatever p.
  for (double p : {1.5, 6.0, 123.0}) {
    MakeMesh(m, 3, 1, -32768, -32768);
    m.SetCell(0, 0, 100);
    m.SetCell(2, 0, 200);
    ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, 1, nullptr, nullptr, p));
    EXPECT_EQ(m.GetCell(1, 0), 150);
  }
  // r = 2, p = 2: 100 at distance 1, 200 at distance 2 gives 128.
  MakeMesh(m, 5, 1, -32768, -32768);
  m.SetCell(1, 0, 100);
  m.SetCell(4, 0, 200);
  ASSERT_TRUE(m.InterpolNearestNei(TCellRect{2, 2, 0, 0}, 2, nullptr, nullptr, 2.0));
  EXPECT_EQ(m.GetCell(2, 0), 128);
  EXPECT_EQ(m.GetCell(0, 0), -32768);  // outside the rectangle

  // A hole outside the rectangle does not pull towards the void value; a
  // void whose whole radius is void stays void.
  MakeMesh(m, 9, 1, 50, -32768);
  for (int x : {0, 1, 2, 3}) m.SetCell(x, 0, -32768);
  m.SetCell(5, 0, -32768);
  TTInterpolRun run;
  ASSERT_TRUE(m.InterpolNearestNei(TCellRect{1, 5, 0, 0}, 1, nullptr, nullptr, 6, &run));
  EXPECT_EQ(m.GetCell(5, 0), 50);
  EXPECT_EQ(m.GetCell(3, 0), 50);
  EXPECT_EQ(m.GetCell(2, 0), -32768);
  EXPECT_EQ(run.Voids, 4);
  EXPECT_EQ(run.Filled, 2);

  // Weights so steep that every one underflows: the nearest neighbours win.
  MakeMesh(m, 7, 1, -32768, -32768);
  m.SetCell(0, 0, 10);
  m.SetCell(5, 0, 20);
  m.SetCell(6, 0, 30);
  ASSERT_TRUE(m.InterpolNearestNei(TCellRect{3, 3, 0, 0}, 3, nullptr, nullptr, 1e6));
  EXPECT_EQ(m.GetCell(3, 0), 20);
  MakeMesh(m, 7, 1, -32768, -32768);
  m.SetCell(0, 0, 10);
  m.SetCell(6, 0, 30);
  ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, 3, nullptr, nullptr, INFINITY));
  EXPECT_EQ(m.GetCell(3, 0), 20);  // tie at distance 3
}

TEST(Interpol, ProgressOnTheCallingThreadAndAbortAtARowBoundary) {
  TTMesh m;
  MakeMesh(m, 30, 40, 77, -32768);
  for (int y = 0; y < 40; ++y)
    for (int x = 5; x < 8; ++x) m.SetCell(x, y, -32768);
  // Polygon-like mask leaving column 7 out: its voids stay void but count in
  // the percentage.
  TTCellMask mask(TCellRect{0, 6, 0, 39});
  for (int y = 0; y < 40; ++y) mask.SetSpan(y, 0, 6);
  for (int threads : {1, 2, 4}) {
    TTMesh t;
    MakeMesh(t, 30, 40, 0, -32768);
    std::copy(m.Samples.Data(), m.Samples.Data() + m.Samples.Size(), t.Samples.Data());
    TRecordingProgress progress;
    TTInterpolRun run;
    run.Threads = threads;
    ASSERT_TRUE(t.InterpolNearestNei(t.GridRect, 4, &progress, &mask, 6, &run));
    EXPECT_FALSE(progress.foreignCalls);
    EXPECT_GE(progress.pumps, 40);
    EXPECT_FALSE(progress.visibleNow);
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.front(), 0);
    EXPECT_EQ(progress.positions.back(), 100);
    EXPECT_EQ(run.Voids, 80);
    EXPECT_EQ(run.Filled, 80);
    EXPECT_EQ(t.GetCell(7, 20), -32768);
    EXPECT_EQ(t.GetCell(6, 20), 77);
  }

  // Abort on the calling thread: the rows before the Esc are done, the rest
  // stay void.
  TRecordingProgress progress;
  progress.abortAfter = 10;
  TTInterpolRun run;
  run.Threads = 1;
  ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, 4, &progress, nullptr, 6, &run));
  EXPECT_TRUE(run.Aborted);
  EXPECT_EQ(run.Filled, 10 * 3);
  EXPECT_EQ(m.GetCell(6, 9), 77);
  EXPECT_EQ(m.GetCell(6, 10), -32768);

  // With workers: an Esc already pending stops the run before any row; one
  // that comes later stops it with every finished row written in full.
  for (int abortAfter : {0, 1, 2}) {
    MakeMesh(m, 30, 400, 77, -32768);
    for (int y = 0; y < 400; ++y) m.SetCell(9, y, -32768);
    TRecordingProgress p2;
    p2.abortAfter = abortAfter;
    run.Threads = 2;
    ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, 4, &p2, nullptr, 6, &run));
    EXPECT_TRUE(run.Aborted);
    EXPECT_FALSE(p2.foreignCalls);
    if (abortAfter == 0) {
      EXPECT_EQ(run.Filled, 0);
    }
    int64_t filled = 0;
    for (int y = 0; y < 400; ++y) {
      int16_t v = m.GetCell(9, y);
      EXPECT_TRUE(v == 77 || v == -32768);
      filled += v == 77;
    }
    EXPECT_EQ(filled, run.Filled);
  }
}

TEST(Interpol, NothingToDo) {
  TTMesh m;
  MakeMesh(m, 5, 5, 3, -32768);
  TRecordingProgress progress;
  TTInterpolRun run;
  ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, 70, &progress, nullptr, 6, &run));
  EXPECT_EQ(run.Voids, 0);
  EXPECT_EQ(progress.positions, std::vector<int>{0});  // no steps
  for (int64_t i = 0; i < 25; ++i) EXPECT_EQ(m.Samples[i], 3);
  // A radius of zero reaches nothing; an empty rectangle is fine.
  m.SetCell(2, 2, -32768);
  ASSERT_TRUE(m.InterpolNearestNei(m.GridRect, 0, nullptr, nullptr, 6));
  ASSERT_TRUE(m.InterpolNearestNei(TCellRect{3, 2, 0, 4}, 5, nullptr, nullptr, 6));
  EXPECT_EQ(m.GetCell(2, 2), -32768);
}

}  // namespace
