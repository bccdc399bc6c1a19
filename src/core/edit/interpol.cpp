// Fast exact inverse-distance filling.
//
// Per void the definition visits every cell of a disk of radius r in scan
// order and keeps two running sums. This implementation produces the very
// same sums, bit for bit:
// - the weight of each disk offset is computed once per run, with the same
//   expressions (sqrt of the squared offset, pow, 1 / (x + 1));
// - a cell that is no neighbour (void at the start, or off the grid) adds
//   w x 0.0 = +0.0 to both sums, which leaves a sum unchanged, so the disk can
//   be walked without branches;
// - that makes eight consecutive cells of a row independent lanes over the
//   same offsets, which the compiler turns into vector arithmetic, and each
//   lane still adds its terms in scan order.
// Rows are shared among worker threads; only the calling thread writes the
// results into the mesh and talks to the progress object, once per row.
//
// For large radii the direct sums cost O(r^2) per void. Then both sums of
// every void come from a correlation of the grid (validity, and samples less
// a centre value) with the disk of weights, by FFT, whose cost does not
// depend on r. Its error is bounded; a void is settled by it only when the
// bound, plus the direct sums' own rounding error, cannot move the quotient
// across a step of the snapped truncation. All other voids (a quotient too
// close to a step, weight sums too small to tell, no neighbour at all) get
// the direct sums. So the cells written are those of the direct sums.
#include "core/edit/interpol.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/progress.h"
#include "core/edit/fft_conv.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

double IdwTolerance(int32_t radius) {
  // No grid reaches farther than 32768 cells (a radius beyond the diagonal
  // finds no more neighbours), so neither can the neighbour count.
  double r = std::clamp(radius, 1, 32768);
  double capacity = std::trunc(std::numbers::pi * (r + 1) * (r + 1));
  return (2 * capacity + 4) * DBL_EPSILON * 32768.0;
}

bool IdwQuotient(double sumWeightedSamples, double sumWeights, double tolerance, int16_t* out) {
  double q = sumWeightedSamples / sumWeights;
  if (!std::isfinite(q)) return 0;
  double nearest = std::round(q);
  double v = std::fabs(q - nearest) <= tolerance ? nearest : std::trunc(q);
  *out = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
  return true;
}

namespace {

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
      for (int32_t ady = 0; ady <= r; ++ady) {
        int32_t h = 0;
        while (h < r && std::sqrt(double(int64_t(h + 1) * (h + 1) + int64_t(ady) * ady)) <= r) ++h;
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
        double d = std::sqrt(double(int64_t(dx) * dx + int64_t(ady) * ady));
        double v = 1.0 / (std::pow(d, p) + 1.0);
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

}  // namespace

namespace {

// Seconds per unit of work on one core of the development machine: a block
// of lanes over one disk cell (direct sums), and one n log2 n unit of the
// transforms. Only their ratio steers the choice.
constexpr double kDirectUnit = 2.7e-9;
constexpr double kTransformUnit = 2.1e-9;
constexpr double kUnitRoundoff = 1.1102230246251565e-16;
constexpr int64_t kMemoryCap = int64_t(2) << 30;

// The selected voids of row y, left to right.
template <typename F>
void ForTargets(const TJob& job, int32_t y, F&& f) {
  const TCellRect& rc = job.rect;
  const uint64_t* vrow = job.voids + int64_t(y) * job.wordsPerRow;
  for (int32_t x = rc.Left; x <= rc.Right;) {
    uint64_t word = vrow[x >> 6] >> (x & 63);
    if (word == 0) {
      x = (x | 63) + 1;
      continue;
    }
    x += std::countr_zero(word);
    if (x > rc.Right) break;
    if (!job.mask || job.mask->Get(x, y)) f(x);
    ++x;
  }
}

// Lane blocks the direct sums spend on these columns (see ProcessRow).
struct TBlockCounter {
  int64_t blocks = 0;
  int32_t start = INT32_MIN;
  void Add(int32_t x) {
    if (int64_t(x) >= int64_t(start) + kLanes) {
      ++blocks;
      start = x;
    }
  }
};

// The quotient of transform sums w and s (samples less `centre`), with
// errors up to ew and es, settles the cell when no step of the snapped
// truncation lies within the combined error of the direct quotient.
// Verdicts: 0 open (direct sums needed), 1 *out is the result, 2 no neighbour
// (a weight sum below the smallest weight of the disk).
uint8_t Settle(double w, double s, double centre, double ew, double es, double tolerance,
               double minWeight, int16_t* out) {
  if (w + ew < minWeight) return 2;
  if (!(w > 2 * ew + 1e-240)) return 0;  // also keeps clear of the underflow guard
  const double qc = s / w;
  const double q = centre + qc;
  if (!std::isfinite(q)) return 0;
  const double err = (es + std::fabs(qc) * ew) / (w - ew) +
                     8 * kUnitRoundoff * (std::fabs(qc) + std::fabs(centre) + 1);
  const double reach = tolerance + err;
  const double nearest = std::round(q), dist = std::fabs(q - nearest);
  if (std::fabs(dist - tolerance) <= reach || 1 - dist - tolerance <= reach) return 0;
  const double v = dist <= tolerance ? nearest : std::trunc(q);
  *out = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
  return 1;
}

// Progress by estimated time: shares of a fixed total, reported from the
// calling thread.
class TTimeTrack {
 public:
  explicit TTimeTrack(TTProgress* p) : p_(p) {}
  void Set(double percent) {
    percent = std::clamp(percent, 0.0, 100.0);
    if (int(percent) != shown_) {
      shown_ = int(percent);
      if (p_) p_->SetPositionPercent(percent);
    }
  }
  TTProgress* Progress() const { return p_; }
  int Shown() const { return shown_; }

 private:
  TTProgress* p_;
  int shown_ = 0;
};

}  // namespace

bool InterpolNearestNei(TTMesh& mesh, const TCellRect& rect, int32_t radius, TTProgress* progress,
                        const TTCellMask* mask, double weight, TTInterpolRun* run) {
  if (run) run->Voids = run->Filled = run->DirectSums = 0, run->Aborted = run->Transformed = false;
  if (mesh.Samples.Empty() || mesh.Samples.Size() < int64_t(mesh.Cols) * mesh.Rows ||
      mesh.Cols <= 0 || mesh.Rows <= 0)
    return true;
  TCellRect rc{std::max(rect.Left, 0), std::min(rect.Right, mesh.Cols - 1), std::max(rect.Top, 0),
               std::min(rect.Bottom, mesh.Rows - 1)};
  if (rc.IsEmpty()) return true;

  // A radius beyond the grid's diagonal reaches nothing more.
  const int32_t diagonal = int32_t(std::ceil(std::hypot(double(mesh.Cols), double(mesh.Rows))));
  const int32_t r = std::clamp(radius, 0, diagonal);

  TDisk disk;
  std::vector<uint64_t> voidMap;
  const int64_t wordsPerRow = (int64_t(mesh.Cols) + 63) / 64;
  const int32_t height = rc.Height();
  std::vector<double> rowCost;
  try {
    voidMap.assign(size_t(wordsPerRow * mesh.Rows), 0);
    rowCost.assign(size_t(height), 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!disk.Build(r, weight)) return false;

  // Voids as the run starts; T counts those of the rectangle, masked or not.
  int64_t total = 0, inSelection = 0;
  for (int32_t y = 0; y < mesh.Rows; ++y) {
    const int16_t* row = mesh.RowStart(y);
    uint64_t* bits = voidMap.data() + int64_t(y) * wordsPerRow;
    for (int32_t x = 0; x < mesh.Cols; ++x)
      if (row[x] == mesh.VoidValue) {
        bits[x >> 6] |= uint64_t(1) << (x & 63);
        if (y >= rc.Top && y <= rc.Bottom && x >= rc.Left && x <= rc.Right) {
          ++total;
          if (!mask || mask->Get(x, y)) ++inSelection;
        }
      }
  }

  TJob job{&mesh, &disk, voidMap.data(), wordsPerRow, rc, mask, IdwTolerance(radius)};
  int threads = run && run->Threads > 0 ? run->Threads
                                        : int(std::max(1u, std::thread::hardware_concurrency()));
  threads = int(std::min<int64_t>(threads, height));

  // Disk cells within the grid's rows, per row of the rectangle: what one
  // lane block of the direct sums costs there.
  std::vector<double> diskRows(size_t(2) * r + 2, 0.0);
  for (int32_t dy = -r; dy <= r; ++dy)
    diskRows[size_t(dy + r + 1)] =
        diskRows[size_t(dy + r)] + 2.0 * disk.half[size_t(std::abs(dy))] + 1;
  auto diskArea = [&](int32_t y) {
    const int32_t lo = std::max(-r, -y), hi = std::min(r, mesh.Rows - 1 - y);
    return lo > hi ? 0.0 : diskRows[size_t(hi + r + 1)] - diskRows[size_t(lo + r)];
  };
  double directWork = 0;
  int32_t tLeft = INT32_MAX, tRight = -1, tTop = INT32_MAX, tBottom = -1;
  int64_t rowsWithTargets = 0;
  for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
    TBlockCounter bc;
    int32_t first = -1, last = -1;
    ForTargets(job, y, [&](int32_t x) {
      bc.Add(x);
      if (first < 0) first = x;
      last = x;
    });
    rowCost[size_t(y - rc.Top)] = double(bc.blocks) * diskArea(y);
    directWork += rowCost[size_t(y - rc.Top)];
    if (first >= 0) {
      tLeft = std::min(tLeft, first), tRight = std::max(tRight, last);
      tTop = std::min(tTop, y), tBottom = y, ++rowsWithTargets;
    }
  }

  // The transform, when it is expected to be cheaper and fits the memory.
  const TIdwMethod method = run ? run->Method : TIdwMethod::Auto;
  TSettled settled;
  TEvenCorrelation corr;
  bool useTransform = false;
  double transformWork = 0;
  TCellRect in{};
  if (method != TIdwMethod::Direct && tBottom >= 0 && r > 0) {
    in = TCellRect{std::max(0, tLeft - r), std::min(mesh.Cols - 1, tRight + r),
                   std::max(0, tTop - r), std::min(mesh.Rows - 1, tBottom + r)};
    TEvenCorrelation::TGeometry g;
    g.inCols = in.Width(), g.inRows = in.Height();
    g.outLeft = tLeft - in.Left, g.outRight = tRight - in.Left;
    g.outTop = tTop - in.Top, g.outBottom = tBottom - in.Top;
    g.rx = std::min(r, std::max(g.outRight, g.inCols - 1 - g.outLeft));
    g.ry = std::min(r, std::max(g.outBottom, g.inRows - 1 - g.outTop));
    const int64_t limit = run && run->MemoryLimit > 0
                              ? run->MemoryLimit
                              : std::min<int64_t>(kMemoryCap, int64_t(rc.Width()) * height * 32);
    if (corr.Plan(g, threads) &&
        corr.Bytes() + inSelection * 11 + int64_t(height + 1) * 8 <= limit) {
      transformWork = corr.KernelWork() + 2 * corr.CorrelationWork(rowsWithTargets);
      // A few percent of the voids are expected to fall back on direct sums.
      useTransform = method == TIdwMethod::Transform ||
                     transformWork * kTransformUnit + 0.05 * directWork * kDirectUnit <
                         directWork * kDirectUnit;
    }
  }

  std::vector<TWorker> workers;
  std::vector<std::thread> pool;
  try {
    pool.reserve(size_t(threads));
    workers.reserve(size_t(threads));
    for (int i = 0; i < threads; ++i) {
      workers.emplace_back(job);
      if (!workers.back().Reserve()) return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }

  TTimeTrack track(progress);
  if (progress) {
    progress->SetRange(0, 100);
    progress->SetPositionPercent(0);
    progress->Show();
  }
  // An Esc pending from before the run stops it before any row.
  PumpMessages(progress);
  bool aborted = AbortPending(progress);

  double rowShareStart = 0;  // percent reached before the row loop
  if (useTransform && !aborted) {
    try {
      settled.rowStart.resize(size_t(height) + 1);
      settled.value.resize(size_t(inSelection));
      settled.done.assign(size_t(inSelection), 0);
    } catch (const std::bad_alloc&) {
      useTransform = false;
    }
  }
  if (useTransform && !aborted) {
    int64_t n = 0;
    for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
      settled.rowStart[size_t(y - rc.Top)] = n;
      ForTargets(job, y, [&](int32_t) { ++n; });
    }
    settled.rowStart[size_t(height)] = n;
    const double fftShare =
        100.0 * transformWork / (transformWork + 0.05 * directWork * kDirectUnit / kTransformUnit);
    double workDone = 0;
    bool cancelled = false;
    // Pieces of a transform stage on all threads; the calling thread works
    // too and keeps the window painting and the Esc key noticed.
    TParallelFor parallel = [&](int64_t count, double costPerItem,
                                const std::function<void(int64_t, int)>& body) {
      std::atomic<int64_t> next{0}, finished{0};
      std::atomic<bool> stop{false};
      auto work = [&](int t) {
        for (int64_t i; !stop.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;) {
          body(i, t);
          finished.fetch_add(1);
        }
      };
      std::vector<std::thread> helpers;
      for (int t = 1; t < threads; ++t) {
        try {
          helpers.emplace_back(work, t);
        } catch (const std::system_error&) {
          break;
        }
      }
      auto last = std::chrono::steady_clock::now();
      for (int64_t i; !stop.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;) {
        body(i, 0);
        finished.fetch_add(1);
        if (std::chrono::steady_clock::now() - last > std::chrono::milliseconds(40)) {
          last = std::chrono::steady_clock::now();
          track.Set(fftShare * (workDone + double(finished.load()) * costPerItem) / transformWork);
          PumpMessages(progress);
          if (AbortPending(progress)) stop = true;
        }
      }
      // The helpers finish their pieces; keep painting meanwhile.
      while (finished.load() + (stop ? count : 0) < count && !stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (std::chrono::steady_clock::now() - last > std::chrono::milliseconds(40)) {
          last = std::chrono::steady_clock::now();
          PumpMessages(progress);
          if (AbortPending(progress)) stop = true;
        }
      }
      for (auto& h : helpers) h.join();
      workDone += double(count) * costPerItem;
      track.Set(fftShare * workDone / transformWork);
      cancelled = cancelled || stop.load();
      return !cancelled;
    };

    const TCellRect inRect = in;
    const TDisk& dk = disk;
    bool ok = corr.SetKernel(
        [&](int32_t ox, int32_t oy) {
          if (oy > dk.r || ox > dk.half[size_t(oy)]) return 0.0;
          return dk.weight[dk.start[size_t(oy)] + size_t(ox + dk.half[size_t(oy)])];
        },
        parallel);
    // Centre of the valid samples, so that the sample sums stay small.
    int16_t lo = INT16_MAX, hi = INT16_MIN;
    for (int32_t y = inRect.Top; ok && y <= inRect.Bottom; ++y) {
      const int16_t* row = mesh.RowStart(y);
      for (int32_t x = inRect.Left; x <= inRect.Right; ++x)
        if (!job.IsVoid(x, y)) lo = std::min(lo, row[x]), hi = std::max(hi, row[x]);
    }
    const double centre = lo <= hi ? std::round((double(lo) + double(hi)) / 2) : 0.0;
    std::vector<double> sumW;
    try {
      if (ok) sumW.resize(size_t(inSelection));
    } catch (const std::bad_alloc&) {
      ok = false;
    }
    auto rowWanted = [&](int32_t ly) {
      const int32_t y = ly + inRect.Top;
      return y >= rc.Top && y <= rc.Bottom &&
             settled.rowStart[size_t(y - rc.Top) + 1] > settled.rowStart[size_t(y - rc.Top)];
    };
    auto fill = [&](bool samples) {
      return [&, samples](int32_t ly, double* out) {
        const int32_t y = ly + inRect.Top;
        const int16_t* row = mesh.RowStart(y);
        for (int32_t x = inRect.Left; x <= inRect.Right; ++x)
          out[x - inRect.Left] = job.IsVoid(x, y) ? 0.0 : samples ? double(row[x]) - centre : 1.0;
      };
    };
    double normW = 0, normS = 0;
    ok = ok &&
         corr.Run(
             fill(false), rowWanted,
             [&](int32_t ly, const double* vals) {
               const int32_t y = ly + inRect.Top;
               int64_t t = settled.rowStart[size_t(y - rc.Top)];
               ForTargets(job, y, [&](int32_t x) { sumW[size_t(t++)] = vals[x - inRect.Left]; });
             },
             parallel, &normW);
    const double errW = corr.ErrorBound(normW);
    // The sample sums' bound needs their input norm, which Run has set by
    // the time the output rows come.
    ok = ok && corr.Run(
                   fill(true), rowWanted,
                   [&](int32_t ly, const double* vals) {
                     const double errS = corr.ErrorBound(normS);
                     const int32_t y = ly + inRect.Top;
                     int64_t t = settled.rowStart[size_t(y - rc.Top)];
                     ForTargets(job, y, [&](int32_t x) {
                       const size_t i = size_t(t++);
                       settled.done[i] = Settle(sumW[i], vals[x - inRect.Left], centre, errW, errS,
                                                job.tolerance, dk.minWeight, &settled.value[i]);
                     });
                   },
                   parallel, &normS);
    if (ok) {
      for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
        const int64_t t0 = settled.rowStart[size_t(y - rc.Top)];
        int64_t t = t0;
        TBlockCounter bc;
        ForTargets(job, y, [&](int32_t x) {
          if (!settled.done[size_t(t++)]) bc.Add(x);
        });
        rowCost[size_t(y - rc.Top)] = double(bc.blocks) * diskArea(y) + double(t - t0) * 4;
      }
    }
    aborted = cancelled;
    if (ok) {
      job.settled = &settled;
      rowShareStart = fftShare;
      if (run) run->Transformed = true;
    }
  }

  double rowWorkTotal = 0;
  for (double c : rowCost) rowWorkTotal += c;
  double rowWorkDone = 0;
  int64_t filled = 0, direct = 0;
  auto apply = [&](const TRowResult& res, int32_t y) {
    for (const auto& [x, v] : res.fills) mesh.SetCell(x, y, v);
    filled += int64_t(res.fills.size());
    rowWorkDone += rowCost[size_t(y - rc.Top)];
    if (res.voids > 0)
      track.Set(rowWorkTotal > 0
                    ? rowShareStart + (100 - rowShareStart) * rowWorkDone / rowWorkTotal
                    : 100.0);
  };
  if (job.settled) {
    for (int64_t i = 0; i < inSelection; ++i) direct += settled.done[size_t(i)] == 0;
  } else {
    direct = inSelection;
  }

  std::mutex m;
  std::condition_variable cv;
  std::deque<std::pair<int32_t, TRowResult>> done;
  std::atomic<int32_t> nextRow{rc.Top};
  std::atomic<bool> stop{false};
  std::atomic<bool> outOfMemory{false};
  int active = 0;

  if (threads > 1 && !aborted) {
    auto work = [&](TWorker* w) {
      TRowResult res;
      for (;;) {
        if (stop.load(std::memory_order_relaxed)) break;
        const int32_t y = nextRow.fetch_add(1);
        if (y > rc.Bottom) break;
        try {
          w->ProcessRow(y, res);
        } catch (const std::bad_alloc&) {
          stop = outOfMemory = true;  // leave the row void rather than bring the program down
          break;
        }
        {
          std::lock_guard lock(m);
          done.emplace_back(y, std::move(res));
        }
        cv.notify_one();
        res = TRowResult{};
      }
      {
        std::lock_guard lock(m);
        --active;
      }
      cv.notify_one();
    };
    for (int i = 0; i < threads; ++i) {
      try {
        {
          std::lock_guard lock(m);
          ++active;
        }
        pool.emplace_back(work, &workers[size_t(i)]);
      } catch (const std::system_error&) {
        std::lock_guard lock(m);
        --active;
        break;
      }
    }
  }

  if (pool.empty() && !aborted) {
    TRowResult res;
    for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
      if (y > rc.Top) PumpMessages(progress);
      if (AbortPending(progress)) {
        aborted = true;
        break;
      }
      try {
        workers[0].ProcessRow(y, res);
      } catch (const std::bad_alloc&) {
        outOfMemory = true;
        break;  // leave the rest void rather than bring the program down
      }
      apply(res, y);
    }
  } else if (!pool.empty()) {
    std::unique_lock lock(m);
    for (;;) {
      // A row can take seconds at large radii: keep the window painting and
      // Esc noticed meanwhile (the workers stop at their next row).
      if (!cv.wait_for(lock, std::chrono::milliseconds(50),
                       [&] { return !done.empty() || active == 0; })) {
        lock.unlock();
        PumpMessages(progress);
        if (!aborted && AbortPending(progress)) stop = aborted = true;
        lock.lock();
        continue;
      }
      if (done.empty()) break;
      auto [y, res] = std::move(done.front());
      done.pop_front();
      lock.unlock();
      apply(res, y);
      PumpMessages(progress);
      if (!aborted && AbortPending(progress)) stop = aborted = true;
      lock.lock();
    }
    lock.unlock();
    for (auto& t : pool) t.join();
  }

  if (!aborted && total > 0) track.Set(100);  // whatever the sums' rounding
  if (progress) progress->Hide();
  if (run) {
    run->Voids = inSelection;
    run->Filled = filled;
    run->Aborted = aborted;
    run->Percent = total > 0 ? track.Shown() : 100;
    run->OutOfMemory = outOfMemory;
    run->DirectSums = direct;
  }
  return true;
}
