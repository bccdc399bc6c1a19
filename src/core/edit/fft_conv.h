#pragma once

#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/platform/memory.h"

// Our own FFT (lengths 2^a 3^b 5^c) and, on top of it, a two-dimensional
// correlation of a real grid with a real kernel that is even in both axes,
// with a bound on its rounding error. The void filling uses it to get the
// weighted sums of all voids at once at a cost that does not depend on the
// radius.

using TComplex = std::complex<double>;

// An even length >= n made of the factors 2, 3 and 5: the one, at most an
// eighth longer than the smallest, that transforms fastest.
int32_t FftLength(int32_t n);

// A complex transform of one length, forward (e^-2pi i jk/n, unscaled).
class TFft {
 public:
  bool Init(int32_t n);  // false for a length with another prime factor
  int32_t Size() const { return n_; }
  // `batch` interleaved transforms (value j of transform b at j x batch + b);
  // data and work hold Size() x batch values each; the result ends in data.
  void Forward(TComplex* data, TComplex* work, int32_t batch = 1) const;
  // Unscaled inverse (conjugated forward).
  void Inverse(TComplex* data, TComplex* work, int32_t batch = 1) const;
  // Relative rounding error of one transform in the 2-norm, in units of the
  // unit roundoff, generously summed over the stages.
  double ErrorUnits() const { return errorUnits_; }

 private:
  struct TStage {
    int32_t radix, n, stride;       // current length and stride of the recursion
    std::vector<TComplex> twiddle;  // (n / radix) x (radix - 1)
  };
  template <bool Inv, typename Lanes>  // Lanes: how many values per register
  void Stages(TComplex* data, TComplex* work, int32_t batch) const;
  template <bool Inv>
  void Run(TComplex* data, TComplex* work, int32_t batch) const;
  template <bool Inv>
  void RunWide(TComplex* data, TComplex* work, int32_t batch) const;  // AVX2
  template <bool Inv>
  void RunWidest(TComplex* data, TComplex* work, int32_t batch) const;  // AVX-512
  int32_t n_ = 0;
  double errorUnits_ = 0;
  std::vector<TStage> stages_;
};

// Work on thread-shareable pieces: calls body(i) for i in [0, count), from
// any thread, each i once. Returns false when the run was cancelled (the
// remaining pieces then were not run).
using TParallelFor = std::function<bool(int64_t count, double costPerItem,
                                        const std::function<void(int64_t, int)>& body)>;

// One part of an output row of TEvenCorrelation::Run, whose values are
// only worked out where they are read (the callers read a few).
struct TCorrelationRow {
  const double* v = nullptr;   // (re, im) of the inverse transform, `step` doubles apart
  const double* tw = nullptr;  // twiddles (re, im) of the odd class; nullptr: even class
  int32_t half = 0;            // its length: value x comes from x mod half
  size_t step = 0;
  int imag = 0;  // this row is the imaginary part
  double scale = 0;
  double operator[](int32_t x) const {
    const int32_t m = x < half ? x : x - half;
    const double* p = v + size_t(m) * step;
    if (!tw) return p[imag] * scale;
    const double tr = tw[2 * m], ti = tw[2 * m + 1];  // times conj(w^m), and w^half = -1
    return (imag ? p[1] * tr - p[0] * ti : p[0] * tr + p[1] * ti) * (x < half ? scale : -scale);
  }
};

// Correlation y(x, y) = sum over offsets (ox, oy) of k(ox, oy) in(x + ox, y + oy)
// of an input of inCols x inRows (zero outside), evaluated on the output
// rectangle [outLeft, outRight] x [outTop, outBottom] of the input, for a
// kernel with k(ox, oy) = k(-ox, oy) = k(ox, -oy) and |ox| <= rx, |oy| <= ry.
class TEvenCorrelation {
 public:
  struct TGeometry {
    int32_t inCols = 0, inRows = 0;
    int32_t outLeft = 0, outRight = -1, outTop = 0, outBottom = -1;
    int32_t rx = 0, ry = 0;
  };
  // Transform lengths and the bytes the run needs (0 when impossible).
  bool Plan(const TGeometry& g, int threads);
  int64_t Bytes() const { return bytes_; }
  // Estimated work, in butterflies, of the kernel and of one correlation.
  double KernelWork() const;
  double CorrelationWork(int64_t outRowsUsed) const;

  // Transforms the kernel; weight(ox, oy) for ox, oy >= 0 (0 beyond the
  // kernel); radial: weight(ox, oy) = weight(oy, ox) too. False when memory
  // is short or cancelled.
  bool SetKernel(const std::function<double(int32_t, int32_t)>& weight, const TParallelFor& run,
                 bool radial = false);
  // sqrt of the sum of the squared kernel weights over the whole kernel.
  double KernelNorm2() const { return kernelNorm2_; }

  // One correlation: fillRow(y, row) writes inCols values of input row y
  // (asked for twice); rowWanted(y) tells the output rows to compute;
  // takeRow(y, row, part) gets the output values of row y, indexed by input
  // column (from any thread), in two parts, first with part = 0, then with
  // part = 1: each value is the sum of its two parts. It may spend
  // `takeWork` butterflies' worth of work per row. Also returns the 2-norm
  // of the input. False when memory is short or cancelled.
  bool Run(const std::function<void(int32_t, double*)>& fillRow,
           const std::function<bool(int32_t)>& rowWanted,
           const std::function<void(int32_t, const TCorrelationRow&, int)>& takeRow,
           const TParallelFor& run, double* inputNorm2, double takeWork = 0);

  // Largest error of any output value for an input of 2-norm `inputNorm2`.
  double ErrorBound(double inputNorm2) const;

 private:
  TGeometry g_;
  int threads_ = 1;
  TFft fx_, fy_, fh_;        // fh_: half of fx_'s length, for the input rows
  int32_t hx_ = 0, hy_ = 0;  // stored halves: Mx / 2 + 1, My / 2 + 1
  int32_t hs_ = 0;           // row spectra kept per class of frequencies: Mx / 4 + 1
  // Large storage whose every element is written before it is read: no
  // zeroing pass over hundreds of megabytes.
  struct TBuffer {
    TTLargeBlock<double> p;
    size_t n = 0;
    bool Reserve(size_t count);  // false when memory is short
    double* Doubles() { return p.get(); }
    TComplex* Complex() { return reinterpret_cast<TComplex*>(p.get()); }
  };
  TBuffer spectrum_;    // kernel transform, hx_ x hy_ (ky major), or rows kx <= ky
  TBuffer rowSpectra_;  // of the rows, then of the output rows (complex), one class at a time
  bool radial_ = false;
  size_t SpectrumRow(int32_t ky) const {  // first value of spectrum row ky
    return radial_ ? size_t(ky) * (size_t(ky) + 1) / 2 : size_t(ky) * size_t(hx_);
  }
  size_t SpectrumAt(int32_t kx, int32_t ky) const {  // where value (kx, ky) is
    // Even columns first, then the odd ones: each class of the correlation
    // reads its values contiguously.
    const int32_t len = radial_ ? ky + 1 : hx_;
    return SpectrumRow(ky) + (kx % 2 ? size_t(len + 1) / 2 : 0) + size_t(kx / 2);
  }
  size_t RowSpectraDoubles() const;
  double kernelNorm2_ = 0;
  int64_t bytes_ = 0;
};
