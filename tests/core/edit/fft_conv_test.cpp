#include "core/edit/fft_conv.h"

#include <gtest/gtest.h>

#include "core/base/cpu_features.h"

#include <cmath>
#include <numbers>
#include <random>

namespace {

TEST(FftConv, TransformMatchesThePlainSumForEveryRadixMix) {
  std::mt19937 rng(5);
  TFft f;  // set up again for every length
  for (int n : {1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 16, 18, 25, 30, 40, 45, 64, 90, 120, 128, 250}) {
    ForceLoops(TLoops(n % 3));  // each kind of loop
    ASSERT_TRUE(f.Init(n));
    std::vector<TComplex> x(static_cast<size_t>(n)), work(x.size());
    for (auto& v : x) v = TComplex(double(rng() % 2001) - 1000, double(rng() % 2001) - 1000);
    auto y = x;
    f.Forward(y.data(), work.data());
    for (int k = 0; k < n; ++k) {
      TComplex s;
      for (int j = 0; j < n; ++j)
        s += x[size_t(j)] * std::polar(1.0, -2 * std::numbers::pi * j * k / n);
      ASSERT_LT(std::abs(y[size_t(k)] - s), 1e-9 * n * 1000) << "n " << n << " k " << k;
    }
    f.Inverse(y.data(), work.data());
    for (int j = 0; j < n; ++j) ASSERT_LT(std::abs(y[size_t(j)] / double(n) - x[size_t(j)]), 1e-9);
    // Interleaved transforms (several per register where the CPU allows)
    // give each one's result (up to the compiler's choice of fused
    // multiply-adds).
    for (bool inverse : {false, true}) {
      constexpr int kBatch = 4;
      std::vector<TComplex> many(x.size() * kBatch), manyWork(many.size()), one(x.size());
      for (auto& v : many) v = TComplex(double(rng() % 2001) - 1000, double(rng() % 2001) - 1000);
      auto copy = many;
      inverse ? f.Inverse(many.data(), manyWork.data(), kBatch)
              : f.Forward(many.data(), manyWork.data(), kBatch);
      for (int b = 0; b < kBatch; ++b) {
        for (int j = 0; j < n; ++j) one[size_t(j)] = copy[size_t(j) * kBatch + b];
        inverse ? f.Inverse(one.data(), work.data()) : f.Forward(one.data(), work.data());
        for (int j = 0; j < n; ++j)
          ASSERT_LT(std::abs(many[size_t(j) * kBatch + b] - one[size_t(j)]), 1e-12 * n * 2000)
              << "n " << n << " b " << b;
      }
    }
  }
  ForceLoops(TLoops::Widest);
  EXPECT_FALSE(TFft().Init(14));
  EXPECT_EQ(std::tuple(FftLength(2201), FftLength(1), FftLength(21)), std::tuple(2304, 2, 24));
}

// Odd shapes, clipped outputs and kernels reaching past the input: the
// correlation equals the plain sum within its stated bound.
TEST(FftConv, CorrelationWithinItsBound) {
  std::mt19937 rng(9);
  TEvenCorrelation reused;  // planned again for every shape
  for (int round = 0; round < 12; ++round) {
    TEvenCorrelation fresh;  // storage sized for this shape alone
    TEvenCorrelation& c = round % 2 ? reused : fresh;
    TEvenCorrelation::TGeometry g;
    g.inCols = 1 + int(rng() % 40), g.inRows = 1 + int(rng() % 40);
    g.outLeft = int(rng() % g.inCols), g.outRight = g.outLeft + int(rng() % (g.inCols - g.outLeft));
    g.outTop = int(rng() % g.inRows), g.outBottom = g.outTop + int(rng() % (g.inRows - g.outTop));
    g.rx = int(rng() % 50), g.ry = int(rng() % 50);
    if (round % 4 == 1)  // square: a radial kernel's transform is kept by half
      g.inRows = g.inCols, g.outTop = g.outLeft, g.outBottom = g.outRight, g.ry = g.rx;
    if (round % 4 == 2) g.outTop = 0;  // the first output row is input row 0
    std::vector<double> in(size_t(g.inCols) * g.inRows);
    for (auto& v : in) v = rng() % 4 ? double(int(rng() % 60001) - 30000) : 0.0;
    auto w = [&](int32_t ox, int32_t oy) { return 1.0 / (std::pow(std::hypot(ox, oy), 2.5) + 1); };
    ASSERT_TRUE(c.Plan(g, 1 + round % 2));
    auto serial = [](int64_t n, double, const std::function<void(int64_t, int)>& body) {
      for (int64_t i = 0; i < n; ++i) body(i, 0);
      return true;
    };
    ASSERT_TRUE(c.SetKernel(w, serial, round % 2 == 1));
    double squares = 0;  // the bound scales with the kernel's norm
    for (int32_t oy = -g.ry; oy <= g.ry; ++oy)
      for (int32_t ox = -g.rx; ox <= g.rx; ++ox) squares += std::pow(w(ox, oy), 2);
    EXPECT_NEAR(c.KernelNorm2(), std::sqrt(squares), 1e-12 * std::sqrt(squares));
    double norm = 0, worst = 0;
    int rowsSeen = 0;
    std::vector<double> first(in.size());  // each row's first part
    ASSERT_TRUE(c.Run(
        [&](int32_t y, double* row) { std::copy_n(&in[size_t(y) * g.inCols], g.inCols, row); },
        [&](int32_t y) { return y % 3 != 1; },
        [&](int32_t y, const TCorrelationRow& part, int p) {
          ++rowsSeen;
          double* row = &first[size_t(y) * g.inCols];
          for (int32_t x = 0; x < g.inCols; ++x) row[x] = (p ? row[x] : 0.0) + part[x];
          if (p == 0) return;
          for (int32_t x = g.outLeft; x <= g.outRight; ++x) {
            double s = 0;
            for (int32_t yy = 0; yy < g.inRows; ++yy)
              for (int32_t xx = 0; xx < g.inCols; ++xx)
                if (std::abs(xx - x) <= g.rx && std::abs(yy - y) <= g.ry)
                  s += w(std::abs(xx - x), std::abs(yy - y)) * in[size_t(yy) * g.inCols + xx];
            worst = std::max(worst, std::fabs(row[x] - s));
          }
        },
        serial, &norm));
    EXPECT_LE(worst, c.ErrorBound(norm)) << "round " << round;
    int wanted = 0;
    for (int32_t y = g.outTop; y <= g.outBottom; ++y) wanted += y % 3 != 1;
    EXPECT_EQ(rowsSeen, 2 * wanted);
  }
}

}  // namespace
