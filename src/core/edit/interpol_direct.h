#pragma once

// The direct sums of the inverse-distance fill: the disk of weights, the
// lane kernels and the row worker. Included by interpol.cpp alone, so that it
// is compiled with that file's flags (no contraction into fused
// multiply-adds, whatever the target).

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "core/edit/interpol.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

namespace idw_direct {

constexpr int kLanes = 16;
constexpr int kSegment = 256;  // lanes sharing one converted stretch of a row

// sw[k] += w[j] * valid[j + k] and sws[k] += w[j] * value[j + k] for the
// kLanes lanes k, j from j0 to j1 - 1 in order. Products and sums are those of
// the definition; only independent lanes run side by side. Never contracted
// into fused multiply-adds (that would change the sums): the file is compiled
// with -ffp-contract=off and the AVX2 variant enables no FMA.
using TLaneKernel = void (*)(const double* w, int32_t j0, int32_t j1, const double* valid,
                             const double* value, double* sw, double* sws);

#if defined(__GNUC__)
// Internal helpers only: the ABI of 32-byte vectors without AVX is moot.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef double TV4 __attribute__((vector_size(32)));

inline __attribute__((always_inline)) TV4 Load4(const double* p) {
  TV4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline __attribute__((always_inline)) void Store4(double* p, TV4 v) {
  std::memcpy(p, &v, sizeof v);
}

inline __attribute__((always_inline)) void LanesBody(const double* w, int32_t j0, int32_t j1,
                                                     const double* valid, const double* value,
                                                     double* sw, double* sws) {
  static_assert(kLanes == 16);
  TV4 a0 = Load4(sw), a1 = Load4(sw + 4), a2 = Load4(sw + 8), a3 = Load4(sw + 12);
  TV4 b0 = Load4(sws), b1 = Load4(sws + 4), b2 = Load4(sws + 8), b3 = Load4(sws + 12);
  for (int32_t j = j0; j < j1; ++j) {
    const double wj = w[j];
    const double* pv = valid + j;
    const double* ps = value + j;
    a0 += wj * Load4(pv);
    a1 += wj * Load4(pv + 4);
    a2 += wj * Load4(pv + 8);
    a3 += wj * Load4(pv + 12);
    b0 += wj * Load4(ps);
    b1 += wj * Load4(ps + 4);
    b2 += wj * Load4(ps + 8);
    b3 += wj * Load4(ps + 12);
  }
  Store4(sw, a0), Store4(sw + 4, a1), Store4(sw + 8, a2), Store4(sw + 12, a3);
  Store4(sws, b0), Store4(sws + 4, b1), Store4(sws + 8, b2), Store4(sws + 12, b3);
}

void LanesBase(const double* w, int32_t j0, int32_t j1, const double* valid, const double* value,
               double* sw, double* sws) {
  LanesBody(w, j0, j1, valid, value, sw, sws);
}

#if defined(__x86_64__) || defined(__i386__)
// The same body compiled for AVX2, chosen at run time (no ifunc: those do
// not mix with every sanitizer).
__attribute__((target("avx2"))) void LanesAvx2(const double* w, int32_t j0, int32_t j1,
                                               const double* valid, const double* value, double* sw,
                                               double* sws) {
  LanesBody(w, j0, j1, valid, value, sw, sws);
}
TLaneKernel PickLaneKernel() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? LanesAvx2 : LanesBase;
}
#else
TLaneKernel PickLaneKernel() { return LanesBase; }
#endif

#else
void LanesBase(const double* w, int32_t j0, int32_t j1, const double* valid, const double* value,
               double* sw, double* sws) {
  for (int32_t j = j0; j < j1; ++j)
    for (int k = 0; k < kLanes; ++k) {
      sw[k] += w[j] * valid[j + k];
      sws[k] += w[j] * value[j + k];
    }
}
TLaneKernel PickLaneKernel() { return LanesBase; }
#endif

// The disk of offsets with their weights, row by row (|dy| = 0..r; rows dy
// and -dy are alike).
struct TDisk {
  int32_t r = 0;
  double p = 0;
  std::vector<int32_t> half;         // largest |dx| of the row
  std::vector<size_t> start;         // first weight of the row, for dx = -half
  std::unique_ptr<double[]> weight;  // 1 / (d^p + 1)
  double minWeight = 1;

  bool Build(int32_t radius, double power) {
    r = radius;
    p = power;
    try {
      half.resize(size_t(r) + 1);
      start.resize(size_t(r) + 1);
      size_t total = 0;
      // Row widths shrink with |dy|: each row starts from the previous one's.
      for (int32_t ady = 0, h = r; ady <= r; ++ady) {
        while (h > 0 && std::sqrt(double(int64_t(h) * h + int64_t(ady) * ady)) > r) --h;
        half[ady] = h;
        start[ady] = total;
        total += size_t(2 * h + 1);
      }
      weight.reset(new double[total]);  // every entry is set below
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (int32_t ady = 0; ady <= r; ++ady) {
      double* w = weight.get() + start[ady];
      for (int32_t dx = 0; dx <= half[ady]; ++dx) {  // -dx has the same distance
        // (dx, ady) has the distance of (ady, dx), whose row is done: the
        // same expression of the same squared distance, so the same value.
        double v;
        if (dx < ady) {
          v = weight[start[dx] + size_t(half[dx] + ady)];
        } else {
          double d = std::sqrt(double(int64_t(dx) * dx + int64_t(ady) * ady));
          v = 1.0 / (std::pow(d, p) + 1.0);
        }
        w[half[ady] + dx] = w[half[ady] - dx] = v;
        minWeight = std::min(minWeight, v);
      }
    }
    return true;
  }
};

// The transform's verdicts, one per selected void, in row order.
struct TSettled {
  std::vector<int64_t> rowStart;  // per row of the rectangle, and one past
  std::vector<int16_t> value;
  std::vector<uint8_t> done;  // 1: value is the cell's result; 2: stays void; 0: open
};

struct TJob {
  const TTMesh* mesh;
  const TDisk* disk;
  const uint64_t* voids;  // one bit per grid cell: void when the run started
  int64_t wordsPerRow;
  TCellRect rect;
  const TTCellMask* mask;
  double tolerance;
  const TSettled* settled = nullptr;

  bool IsVoid(int32_t x, int32_t y) const {
    return (voids[int64_t(y) * wordsPerRow + (x >> 6)] >> (x & 63)) & 1u;
  }
};

struct TRowResult {
  int64_t voids = 0;  // voids of the row inside the rectangle
  std::vector<std::pair<int32_t, int16_t>> fills;
};

class TWorker {
 public:
  explicit TWorker(const TJob& job) : job_(job), lanes_(PickLaneKernel()) {}

  bool Reserve() {
    try {
      size_t span = size_t(kSegment + kLanes) + 2 * size_t(job_.disk->r);
      valid_.resize(span);
      value_.resize(span);
      sumW_.resize(kSegment + kLanes);
      sumWS_.resize(kSegment + kLanes);
      targets_.reserve(size_t(job_.rect.Width()));
      blocks_.reserve(kSegment);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  void ProcessRow(int32_t y, TRowResult& out) {
    out.voids = 0;
    out.fills.clear();
    targets_.clear();
    const TCellRect& rc = job_.rect;
    const uint64_t* vrow = job_.voids + int64_t(y) * job_.wordsPerRow;
    for (int32_t x = rc.Left; x <= rc.Right;) {
      uint64_t word = vrow[x >> 6] >> (x & 63);
      if (word == 0) {  // no void up to the end of this word
        x = (x | 63) + 1;
        continue;
      }
      int32_t step = std::countr_zero(word);
      x += step;
      if (x > rc.Right) break;
      ++out.voids;
      if (!job_.mask || job_.mask->Get(x, y)) targets_.push_back(x);
      ++x;
    }
    if (job_.settled) {  // keep only what the transform left open
      const TSettled& st = *job_.settled;
      const int64_t base = st.rowStart[size_t(y - rc.Top)];
      size_t keep = 0;
      for (size_t t = 0; t < targets_.size(); ++t) {
        const uint8_t d = st.done[size_t(base) + t];
        if (d == 1)
          out.fills.emplace_back(targets_[t], st.value[size_t(base) + t]);
        else if (d == 0)
          targets_[keep++] = targets_[t];
      }
      targets_.resize(keep);
    }
    size_t i = 0;
    while (i < targets_.size()) {
      const int32_t segStart = targets_[i];
      blocks_.clear();
      while (i < targets_.size() && targets_[i] < segStart + kSegment) {
        int32_t b = targets_[i] - segStart;
        blocks_.push_back(b);
        while (i < targets_.size() && targets_[i] < segStart + b + kLanes) ++i;
      }
      const int32_t len = blocks_.back() + kLanes;
      ComputeSegment(y, segStart, len);
      for (size_t t = 0; t < targets_.size() && targets_[t] < segStart + len; ++t) {
        if (targets_[t] < segStart) continue;
        int32_t x = targets_[t];
        int16_t v;
        if (Finish(x, y, sumWS_[x - segStart], sumW_[x - segStart], &v))
          out.fills.emplace_back(x, v);
      }
    }
  }

 private:
  // Both sums for the lanes segStart .. segStart + len - 1 of row y.
  void ComputeSegment(int32_t y, int32_t segStart, int32_t len) {
    const TDisk& disk = *job_.disk;
    const TTMesh& mesh = *job_.mesh;
    std::fill(sumW_.begin(), sumW_.begin() + len, 0.0);
    std::fill(sumWS_.begin(), sumWS_.begin() + len, 0.0);
    for (int32_t dy = -disk.r; dy <= disk.r; ++dy) {
      const int32_t yy = y + dy;
      if (yy < 0 || yy >= mesh.Rows) continue;
      const int32_t ady = dy < 0 ? -dy : dy;
      const int32_t h = disk.half[ady];
      const double* w = disk.weight.get() + disk.start[ady];
      // The row's cells segStart - h .. segStart + len - 1 + h as 1/0 and
      // sample/0; off the grid counts as void.
      const int32_t c0 = segStart - h, cols = len + 2 * h;
      const int16_t* srow = mesh.RowStart(yy);
      const uint64_t* vrow = job_.voids + int64_t(yy) * job_.wordsPerRow;
      int32_t first = cols, last = -1;
      ConvertRow(srow, vrow, mesh.Cols, c0, cols, first, last);
      if (last < 0) continue;
      // Lane k of block b reads index b + k + j: only the j that reach a
      // valid cell for some lane matter (the others add zeros).
      const int32_t n = 2 * h + 1;
      for (int32_t b : blocks_) {
        const int32_t j0 = std::max(0, first - b - (kLanes - 1));
        const int32_t j1 = std::min(n, last - b + 1);
        if (j0 < j1)
          lanes_(w, j0, j1, valid_.data() + b, value_.data() + b, sumW_.data() + b,
                 sumWS_.data() + b);
      }
    }
  }

  // valid_[j] = 1 and value_[j] = sample for the cells c0 + j (j < cols) that
  // were valid at the start, 0 and 0 for voids and cells off the row; first
  // and last valid index. Word by word through the void map: whole words of
  // valid cells (the common case) convert without a branch per cell, and
  // cells that were void are never read (the calling thread may be writing
  // them).
  void ConvertRow(const int16_t* srow, const uint64_t* vrow, int32_t rowCols, int32_t c0,
                  int32_t cols, int32_t& first, int32_t& last) {
    double* valid = valid_.data();
    double* value = value_.data();
    int32_t j = 0;
    for (; j < cols && c0 + j < 0; ++j) valid[j] = value[j] = 0.0;
    const int32_t jEnd = std::min(cols, rowCols - c0);
    while (j < jEnd) {
      const int32_t c = c0 + j;
      const int32_t n = std::min(jEnd - j, 64 - (c & 63));
      const uint64_t all = n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
      const uint64_t bits = (vrow[c >> 6] >> (c & 63)) & all;
      if (bits == 0) {
        for (int32_t i = 0; i < n; ++i) {
          valid[j + i] = 1.0;
          value[j + i] = srow[c + i];
        }
        first = std::min(first, j);
        last = j + n - 1;
      } else if (bits == all) {
        for (int32_t i = 0; i < n; ++i) valid[j + i] = value[j + i] = 0.0;
      } else {
        for (int32_t i = 0; i < n; ++i) {
          if ((bits >> i) & 1u) {
            valid[j + i] = value[j + i] = 0.0;
          } else {
            valid[j + i] = 1.0;
            value[j + i] = srow[c + i];
            first = std::min(first, j + i);
            last = j + i;
          }
        }
      }
      j += n;
    }
    for (; j < cols; ++j) valid[j] = value[j] = 0.0;
  }

  bool Finish(int32_t x, int32_t y, double sws, double sw, int16_t* out) const {
    if (sw >= kIdwUnderflowSum) return IdwQuotient(sws, sw, job_.tolerance, out);
    // A zero sum with no vanishing weight means no neighbour at all.
    if (sw == 0 && job_.disk->minWeight > 0) return false;
    return Underflowed(x, y, out);
  }

  // Every weight (nearly) underflowed: weights relative to the nearest
  // neighbour, (d0 / d)^p, in scan order.
  bool Underflowed(int32_t x, int32_t y, int16_t* out) const {
    const TDisk& disk = *job_.disk;
    const TTMesh& mesh = *job_.mesh;
    double d0 = HUGE_VAL;
    for (int pass = 0; pass < 2; ++pass) {
      double sw = 0, sws = 0;
      for (int32_t dy = -disk.r; dy <= disk.r; ++dy) {
        const int32_t yy = y + dy;
        if (yy < 0 || yy >= mesh.Rows) continue;
        const int32_t h = disk.half[dy < 0 ? -dy : dy];
        for (int32_t dx = -h; dx <= h; ++dx) {
          const int32_t xx = x + dx;
          if (xx < 0 || xx >= mesh.Cols || job_.IsVoid(xx, yy)) continue;
          double d = std::sqrt(double(int64_t(dx) * dx + int64_t(dy) * dy));
          if (pass == 0) {
            d0 = std::min(d0, d);
          } else {
            double wr = std::pow(d0 / d, disk.p);
            sw += wr;
            sws += wr * mesh.GetCell(xx, yy);
          }
        }
      }
      if (pass == 0 && d0 == HUGE_VAL) return false;
      if (pass == 1) return IdwQuotient(sws, sw, job_.tolerance, out);
    }
    return false;
  }

  const TJob& job_;
  TLaneKernel lanes_;
  std::vector<double> valid_, value_, sumW_, sumWS_;
  std::vector<int32_t> targets_, blocks_;
};

}  // namespace idw_direct
