#pragma once

#include <cstdint>

#include "core/mesh/cell_rect.h"

class TTMesh;
class TTCellMask;
class TTProgress;

// Inverse-distance filling of voids (InterpolNearestNei).
//
// Definition: a void cell of the selection gets the mean of the samples of
// every cell within Euclidean distance r (in cells) that was not void when
// the run started, weighted by w = 1 / (d^p + 1), the sums taken in scan
// order (rows outer, columns inner), the quotient truncated towards zero.
// Cells filled during the run are never neighbours, so the result does not
// depend on the order of the voids or on how rows are shared among threads.
//
// Two guards on top of the bare quotient:
// - Rounding: a quotient within the rounding error of the two sums of an
//   integer counts as that integer, so a void surrounded by one value v gets
//   exactly v (a bare truncation could give v - 1, or v + 1 below zero).
// - Underflow: when p is so large that every weight underflows (the weight
//   sum below 1e-250, or 0), the weights are taken relative to the nearest
//   neighbour, (d0 / d)^p, which is the same mean to within 1e-250.

// How the two sums are formed. Both give the same cells: the transform
// only decides the cells whose quotient its error bound settles, and hands
// the others to the direct sum.
enum class TIdwMethod { Auto, Direct, Transform };

// Extra input and output of one run.
struct TTInterpolRun {
  int Threads = 0;                       // 0: one per core; 1: everything on the calling thread
  TIdwMethod Method = TIdwMethod::Auto;  // Auto: the cheaper by a cost estimate
  int64_t MemoryLimit = 0;   // bytes for the transform; 0: 32 per cell of the rectangle, <= 2 GB
  int NearRadius = -1;       // disk summed directly beside the transform; -1: by weight and cost
  bool Screen = true;        // direct sums screened in single precision where that is exact enough
  bool Transformed = false;  // out: the transform was used
  int64_t DirectSums = 0;    // out: voids whose sums were formed directly
  int64_t Voids = 0;         // out: voids of the selection (rectangle and mask)
  int64_t Filled = 0;        // out: of those, the ones that got a value
  bool Aborted = false;      // out: stopped by AbortRequested()
  bool OutOfMemory = false;  // out: memory ran out part way; some voids stay void
  int Percent = 0;           // out: share of the rectangle's voids reached, 0..100
};

// Largest rounding error of the weighted mean for a radius: the neighbour
// count is below Trunc(pi (r + 1)^2) (r at most 32768) and samples are within
// +-32768.
double IdwTolerance(int32_t radius);

// The last step: quotient of the two sums, snapped to an integer within
// `tolerance`, else truncated. False (cell stays void) when the quotient is
// not a finite number.
bool IdwQuotient(double sumWeightedSamples, double sumWeights, double tolerance, int16_t* out);

// Weights below this sum are recomputed relative to the nearest neighbour.
constexpr double kIdwUnderflowSum = 1e-250;

// Fills the voids of the selection with the inverse-distance weighted mean
// of the cells within `radius` that were valid when the run started (see
// above). For large radii the sums of all voids come from fast
// correlations of the grid with the disk of weights, or with the parts of it
// that can reach a valid cell (cost independent of the radius); their working
// storage stays within the memory limit, else the direct sums are used. Stops at a row boundary
// when progress->AbortRequested(). Returns false only when the working storage cannot be had; then
// nothing has changed.
bool InterpolNearestNei(TTMesh& mesh, const TCellRect& rect, int32_t radius, TTProgress* progress,
                        const TTCellMask* mask, double weight, TTInterpolRun* run = nullptr);
