#include "core/view/mesh_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "core/base/cpu_features.h"
#include "core/mesh/mesh.h"
#include "core/platform/helper_thread.h"
#include "core/view/view_geometry.h"

#if DELVA_HAVE_AVX2_TARGET
// GCC 12 takes the AVX-512 headers' deliberately undefined registers for
// uninitialised ones (fixed in later releases).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

namespace {
TTPalette BuildPalette() {
  TTPalette p{};
  for (uint32_t i = 0; i < 254; ++i) p[i] = 0xFF000000u | (i << 16) | (i << 8) | i;
  p[kSeaIndex] = 0xFF0000FFu;
  p[kVoidIndex] = 0xFFFF0080u;
  return p;
}

// ColorIndex's scale and the index of its product (in double, or in float),
// shared by every form of the formula: the same expression gives the same
// double, and the limits come before the conversion so that no value
// overflows the integer.
double ColorScale(int16_t colorMin, int16_t colorMax) {
  return colorMax != colorMin ? 253.0 / (int(colorMax) - int(colorMin)) : 0.0;
}
template <class T>
int32_t IndexOfProduct(T v) {
  return v <= 0 ? 0 : v >= 253 ? 253 : int32_t(v);
}

// Index of every possible sample for one colour range, so that the per-cell
// work is a table look-up. The arithmetic is ColorIndex's with its scale
// computed once.
void BuildTable(uint8_t* table, int16_t colorMin, int16_t colorMax, int16_t voidValue,
                bool seaAsBlue) {
  const double scale = ColorScale(colorMin, colorMax);
  for (int s = -32768; s <= 32767; ++s) {
    uint8_t index;
    if (s == voidValue) {
      index = kVoidIndex;
    } else if (seaAsBlue && s <= 0) {
      index = kSeaIndex;
    } else {
      index = uint8_t(IndexOfProduct((s - int(colorMin)) * scale));
    }
    table[uint16_t(s)] = index;
  }
}

// A float scale with which float arithmetic gives ColorIndex's index for
// every sample, or 0 when none of those tried does: half the width of the
// double's lanes makes a view's colouring about twice as fast. Both products
// grow with the sample, so they agree everywhere when they reach each index
// 1..253 at the same sample. Where the double product of an exact multiple
// falls just short of its index, the float nearest to the scale may not, and
// the float next to it may (so for all but about 2 % of ranges).
float SingleScale(int16_t colorMin, int16_t colorMax) {
  if (colorMax <= colorMin) return 0;
  const double scale = ColorScale(colorMin, colorMax);
  auto exact = [&](int32_t d) { return IndexOfProduct(d * scale); };
  int32_t reach[254] = {};  // the first difference from the minimum with each index
  for (int32_t k = 1; k <= 253; ++k) {
    int32_t c = std::max(1, int32_t(std::ceil(k / scale)));
    while (c > 1 && exact(c - 1) >= k) --c;
    while (exact(c) < k) ++c;
    reach[k] = c;
  }
  const float nearest = float(scale);
  for (float f : {nearest, std::nextafter(nearest, 0.0f), std::nextafter(nearest, 1000.0f)}) {
    auto single = [&](int32_t d) { return IndexOfProduct(float(d) * f); };
    bool same = true;
    for (int32_t k = 1; k <= 253 && same; ++k)
      same = single(reach[k]) >= k && single(reach[k] - 1) < k;
    if (same) return f;
  }
  return 0;
}

#if DELVA_HAVE_AVX2_TARGET
// Four int32 differences from the range's minimum to indices 0..253.
DELVA_AVX2_TARGET inline __m128i IndicesOf(__m128i quad, __m256d scale, __m256d top) {
  __m256d v = _mm256_mul_pd(_mm256_cvtepi32_pd(quad), scale);
  v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), top);
  return _mm256_cvttpd_epi32(v);
}

// Eight int32 differences in float with a scale of SingleScale.
DELVA_AVX2_TARGET inline __m256i SingleIndicesOf(__m256i d, __m256 scale, __m256 top) {
  __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(d), scale);
  return _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), top));
}

// One row by ColorIndex's arithmetic: the same integer difference, the same
// double product and the same truncation, so the same indices as the table,
// eight samples at a time; or sixteen at a time in float with a scale of
// SingleScale (`single`, 0 for none), whose indices are the same too. Used
// where AVX2 runs; building the table costs more than the cells of a view.
DELVA_AVX2_TARGET void ColorRowWide(const int16_t* src, uint8_t* dst, int32_t n, int16_t colorMin,
                                    int16_t colorMax, int16_t voidValue, bool seaAsBlue,
                                    float single) {
  int32_t x = 0;
  if (single != 0) {
    const __m256 vScale = _mm256_set1_ps(single), vTop = _mm256_set1_ps(253.0f);
    const __m256i vMin = _mm256_set1_epi32(colorMin);
    const __m256i vVoid = _mm256_set1_epi16(voidValue), vOne = _mm256_set1_epi16(1),
                  vVoidIndex = _mm256_set1_epi16(kVoidIndex),
                  vSeaIndex = _mm256_set1_epi16(kSeaIndex);
    for (; x + 16 <= n; x += 16) {
      const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
      const __m256i lo = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(s));
      const __m256i hi = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(s, 1));
      // The pack interleaves the halves' lanes; the permute restores the order.
      __m256i idx = _mm256_packs_epi32(SingleIndicesOf(_mm256_sub_epi32(lo, vMin), vScale, vTop),
                                       SingleIndicesOf(_mm256_sub_epi32(hi, vMin), vScale, vTop));
      idx = _mm256_permute4x64_epi64(idx, 0xD8);
      if (seaAsBlue) idx = _mm256_blendv_epi8(idx, vSeaIndex, _mm256_cmpgt_epi16(vOne, s));
      idx = _mm256_blendv_epi8(idx, vVoidIndex, _mm256_cmpeq_epi16(s, vVoid));
      _mm_storeu_si128(
          reinterpret_cast<__m128i*>(dst + x),
          _mm_packus_epi16(_mm256_castsi256_si128(idx), _mm256_extracti128_si256(idx, 1)));
    }
  }
  const double scale = ColorScale(colorMin, colorMax);
  const __m256d vScale = _mm256_set1_pd(scale), vTop = _mm256_set1_pd(253.0);
  const __m256i vMin = _mm256_set1_epi32(colorMin);
  const __m128i vVoid = _mm_set1_epi16(voidValue), vOne = _mm_set1_epi16(1),
                vVoidIndex = _mm_set1_epi16(kVoidIndex), vSeaIndex = _mm_set1_epi16(kSeaIndex);
  for (; x + 8 <= n; x += 8) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const __m256i d = _mm256_sub_epi32(_mm256_cvtepi16_epi32(s), vMin);
    __m128i idx = _mm_packs_epi32(IndicesOf(_mm256_castsi256_si128(d), vScale, vTop),
                                  IndicesOf(_mm256_extracti128_si256(d, 1), vScale, vTop));
    if (seaAsBlue) idx = _mm_blendv_epi8(idx, vSeaIndex, _mm_cmplt_epi16(s, vOne));
    idx = _mm_blendv_epi8(idx, vVoidIndex, _mm_cmpeq_epi16(s, vVoid));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(idx, idx));
  }
  for (; x < n; ++x) dst[x] = ColorIndex(src[x], colorMin, colorMax, voidValue, seaAsBlue);
}

// The palette's colours of n indices, eight at a time, for a palette whose
// entries below 254 are the grey ramp (as the mesh palette's are): the grey
// is the index repeated in three bytes, so no table is read. AVX2's gather
// would read the table but is slower than plain loads on some processors.
DELVA_AVX2_TARGET void GreyRowWide(const uint8_t* src, uint32_t* dst, int32_t n,
                                   const uint32_t* pal) {
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1, 0,
                                          0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
  const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
  const __m256i i254 = _mm256_set1_epi32(254), i255 = _mm256_set1_epi32(255);
  const __m256i c254 = _mm256_set1_epi32(int(pal[254])), c255 = _mm256_set1_epi32(int(pal[255]));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i idx =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i)));
    __m256i c = _mm256_or_si256(_mm256_shuffle_epi8(idx, spread), alpha);
    c = _mm256_blendv_epi8(c, c254, _mm256_cmpeq_epi32(idx, i254));
    c = _mm256_blendv_epi8(c, c255, _mm256_cmpeq_epi32(idx, i255));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), c);
  }
  for (; i < n; ++i) dst[i] = pal[src[i]];
}

// ColorRowWide's float loop sixteen samples to a register; AVX-512 narrows
// the indices to bytes in one step, and masks take the row's end.
struct TColor512 {
  __m512 scale, top;
  __m512i min;
  __m256i voidValue, one;
  __m128i voidIndex, seaIndex;
  bool sea;
  DELVA_AVX512_TARGET __m128i Indices(__m256i s) const {
    __m512 v = _mm512_cvtepi32_ps(_mm512_sub_epi32(_mm512_cvtepi16_epi32(s), min));
    v = _mm512_min_ps(_mm512_max_ps(_mm512_mul_ps(v, scale), _mm512_setzero_ps()), top);
    __m128i idx = _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(v));
    if (sea) idx = _mm_mask_mov_epi8(idx, _mm256_cmpgt_epi16_mask(one, s), seaIndex);
    return _mm_mask_mov_epi8(idx, _mm256_cmpeq_epi16_mask(s, voidValue), voidIndex);
  }
};

DELVA_AVX512_TARGET void ColorRow512(const int16_t* src, uint8_t* dst, int32_t n, int16_t colorMin,
                                     int16_t voidValue, bool seaAsBlue, float single) {
  const TColor512 c{_mm512_set1_ps(single),         _mm512_set1_ps(253.0f),
                    _mm512_set1_epi32(colorMin),    _mm256_set1_epi16(voidValue),
                    _mm256_set1_epi16(1),           _mm_set1_epi8(char(kVoidIndex)),
                    _mm_set1_epi8(char(kSeaIndex)), seaAsBlue};
  int32_t x = 0;
  for (; x + 16 <= n; x += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x),
                     c.Indices(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x))));
  if (x < n) {
    const __mmask16 lanes = __mmask16((1u << (n - x)) - 1);
    _mm_mask_storeu_epi8(dst + x, lanes, c.Indices(_mm256_maskz_loadu_epi16(lanes, src + x)));
  }
}

// GreyRowWide sixteen pixels to a register; sea and void, rare, are set
// only where a block has them.
struct TGrey512 {
  __m512i spread, alpha, i254, c254, c255;
  DELVA_AVX512_TARGET __m512i Colours(__m128i bytes) const {
    const __m512i idx = _mm512_cvtepu8_epi32(bytes);
    __m512i c = _mm512_or_si512(_mm512_shuffle_epi8(idx, spread), alpha);
    if (_mm512_cmpge_epu32_mask(idx, i254) != 0) {
      c = _mm512_mask_mov_epi32(c, _mm512_cmpeq_epi32_mask(idx, i254), c254);
      c = _mm512_mask_mov_epi32(c, _mm512_cmpgt_epu32_mask(idx, i254), c255);
    }
    return c;
  }
};

DELVA_AVX512_TARGET void GreyRow512(const uint8_t* src, uint32_t* dst, int32_t n,
                                    const uint32_t* pal) {
  const TGrey512 g{
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1)),
      _mm512_set1_epi32(int(0xFF000000u)), _mm512_set1_epi32(254), _mm512_set1_epi32(int(pal[254])),
      _mm512_set1_epi32(int(pal[255]))};
  int32_t i = 0;
  for (; i + 16 <= n; i += 16)
    _mm512_storeu_si512(dst + i,
                        g.Colours(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i))));
  if (i < n) {
    const __mmask16 lanes = __mmask16((1u << (n - i)) - 1);
    _mm512_mask_storeu_epi32(dst + i, lanes, g.Colours(_mm_maskz_loadu_epi8(lanes, src + i)));
  }
}

bool IsGreyRamp(const uint32_t* pal) { return std::equal(pal, pal + 254, MeshPalette().begin()); }
#endif

// Runs fn over rows [begin, end) of `width` cells, in two halves on two
// threads when there are a million cells or more: past that the second
// thread costs less than it saves.
template <class F>
void SplitRows(int64_t begin, int64_t end, int64_t width, const F& fn) {
  if ((end - begin) * width >= (int64_t(1) << 20) && end - begin >= 2) {
    const int64_t mid = begin + (end - begin) / 2;
    RunBeside([&] { fn(mid, end); }, [&] { fn(begin, mid); });
    return;
  }
  fn(begin, end);
}

// The paint-box pixels [x0, x1) x [y0, y1) that a view of width x height
// from (originX, originY) shows of the zoomed image.
struct TBoxPixels {
  int64_t x0, y0, x1, y1;
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};
TBoxPixels BoxPixels(const TTViewSampler& s, int64_t originX, int64_t originY, int32_t width,
                     int32_t height) {
  if (width <= 0 || height <= 0) return TBoxPixels{0, 0, 0, 0};
  return TBoxPixels{std::max<int64_t>(originX, 0), std::max<int64_t>(originY, 0),
                    std::min<int64_t>(originX + width, ZoomedExtent(s.ImageWidth, s.Zoom)),
                    std::min<int64_t>(originY + height, ZoomedExtent(s.ImageHeight, s.Zoom))};
}

}  // namespace

const TTPalette& MeshPalette() {
  static const TTPalette palette = BuildPalette();
  return palette;
}

uint8_t NearestPaletteIndex(uint8_t r, uint8_t g, uint8_t b) {
  const TTPalette& p = MeshPalette();
  int best = 0;
  int64_t bestD = INT64_MAX;
  for (int i = 0; i < 256; ++i) {
    int dr = int((p[i] >> 16) & 255) - r, dg = int((p[i] >> 8) & 255) - g, db = int(p[i] & 255) - b;
    int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return uint8_t(best);
}

uint8_t HatchIndex() {
  static const uint8_t index = NearestPaletteIndex(128, 128, 0);
  return index;
}

uint8_t ColorIndex(int16_t sample, int16_t colorMin, int16_t colorMax, int16_t voidValue,
                   bool seaAsBlue) {
  if (sample == voidValue) return kVoidIndex;
  if (seaAsBlue && sample <= 0) return kSeaIndex;
  return uint8_t(IndexOfProduct((int(sample) - int(colorMin)) * ColorScale(colorMin, colorMax)));
}

void ColorCells(const TTMesh& mesh, const TCellRect& rect, bool seaAsBlue, uint8_t* image,
                ptrdiff_t stride) {
  if (mesh.Samples.Empty() || rect.IsEmpty()) return;
  const bool wide = CpuHasAvx2(), widest = CpuHasAvx512();
  // The table and the float scale depend on the range alone, and a view
  // coloured band by band asks for the same one again and again: each
  // thread keeps the last. Finding the float scale costs as much as a few
  // thousand cells, the table as much as its 65536 entries.
  const uint8_t* t = nullptr;
  if (!wide) {
    thread_local std::vector<uint8_t> table;
    thread_local std::tuple<int16_t, int16_t, int16_t, bool> tableFor;
    const auto range = std::tuple(mesh.ColorMin, mesh.ColorMax, mesh.VoidValue, seaAsBlue);
    if (table.empty() || tableFor != range) {
      table.resize(65536);
      BuildTable(table.data(), mesh.ColorMin, mesh.ColorMax, mesh.VoidValue, seaAsBlue);
      tableFor = range;
    }
    t = table.data();
  }
  const int32_t w = static_cast<int32_t>(rect.Width());
  float single = 0;
  if (wide && rect.CellCount() >= (int64_t(1) << 15)) {
    thread_local int32_t lastMin = 1, lastMax = 0;  // no range yet
    thread_local float lastSingle = 0;
    if (lastMin != mesh.ColorMin || lastMax != mesh.ColorMax)
      lastSingle = SingleScale(mesh.ColorMin, mesh.ColorMax), lastMin = mesh.ColorMin,
      lastMax = mesh.ColorMax;
    single = lastSingle;
  }
  auto rows = [&](int32_t top, int32_t bottom) {
    for (int32_t y = top; y <= bottom; ++y) {
      const int16_t* src = mesh.RowStart(y) + rect.Left;
      uint8_t* dst = image + ptrdiff_t(y) * stride + rect.Left;
      // A view's part of a row is shorter than a page, too short for the
      // processor to fetch it ahead on its own.
      if (y < bottom) {
        const char* next = reinterpret_cast<const char*>(mesh.RowStart(y + 1) + rect.Left);
        for (int32_t b = 0; b < w * 2; b += 64) __builtin_prefetch(next + b);
      }
#if DELVA_HAVE_AVX2_TARGET
      if (widest && single != 0) {
        ColorRow512(src, dst, w, mesh.ColorMin, mesh.VoidValue, seaAsBlue, single);
        continue;
      }
      if (wide) {
        ColorRowWide(src, dst, w, mesh.ColorMin, mesh.ColorMax, mesh.VoidValue, seaAsBlue, single);
        continue;
      }
#endif
      for (int32_t x = 0; x < w; ++x) dst[x] = t[uint16_t(src[x])];
    }
  };
  // Rows are independent: a first view's worth of them is split in two.
  SplitRows(rect.Top, int64_t(rect.Bottom) + 1, w,
            [&](int64_t a, int64_t b) { rows(int32_t(a), int32_t(b - 1)); });
}

void HatchRect(const TCellRect& r, uint8_t ink, uint8_t* image, ptrdiff_t stride,
               const TCellRect* clip) {
  if (r.IsEmpty()) return;
  // The outline and the pattern belong to the whole rectangle; a clip only
  // limits what is written.
  const int32_t top = clip ? std::max(r.Top, clip->Top) : r.Top;
  const int32_t bottom = clip ? std::min(r.Bottom, clip->Bottom) : r.Bottom;
  const int32_t left = clip ? std::max(r.Left, clip->Left) : r.Left;
  const int32_t right = clip ? std::min(r.Right, clip->Right) : r.Right;
  if (left > right) return;
  for (int32_t y = top; y <= bottom; ++y) {
    uint8_t* row = image + ptrdiff_t(y) * stride;
    if (y == r.Top || y == r.Bottom) {
      std::memset(row + left, ink, size_t(right - left + 1));
      continue;
    }
    if (left == r.Left) row[r.Left] = ink;
    if (right == r.Right) row[r.Right] = ink;
    // Lines rising to the right: pixels with (x + y) mod 8 == 7, the
    // pattern anchored at the image origin so that neighbouring bands meet.
    const int32_t x0 = std::max(r.Left + 1, left);
    const int32_t first = x0 + ((7 - (x0 + y) % 8) + 8) % 8;
    for (int32_t x = first; x < r.Right && x <= right; x += 8) row[x] = ink;
  }
}

void HatchAdjoBands(const TTMesh& mesh, uint8_t ink, uint8_t* image, ptrdiff_t stride,
                    const TCellRect* clip) {
  const TCellRect& g = mesh.GridRect;
  auto band = [&](int32_t l, int32_t r, int32_t t, int32_t b) {
    TCellRect rc{std::max(l, g.Left), std::min(r, g.Right), std::max(t, g.Top),
                 std::min(b, g.Bottom)};
    HatchRect(rc, ink, image, stride, clip);
  };
  if (mesh.AdjoNorth != 0) band(g.Left, g.Right, g.Top, g.Top + mesh.AdjoNorth - 1);
  if (mesh.AdjoSouth != 0) band(g.Left, g.Right, g.Bottom - mesh.AdjoSouth + 1, g.Bottom);
  if (mesh.AdjoEast != 0) band(g.Right - mesh.AdjoEast + 1, g.Right, g.Top, g.Bottom);
  if (mesh.AdjoWest != 0) band(g.Left, g.Left + mesh.AdjoWest - 1, g.Top, g.Bottom);
}

void HatchMissingTiles(const TTMesh& mesh, const TTMissingTiles& missing, const TCellRect& rect,
                       uint8_t* image, ptrdiff_t stride) {
  if (mesh.Samples.Empty()) return;
  for (const TCellRect& tile : missing.Rects) {
    const TCellRect r{
        std::max({tile.Left, rect.Left, 0}), std::min({tile.Right, rect.Right, mesh.Cols - 1}),
        std::max({tile.Top, rect.Top, 0}), std::min({tile.Bottom, rect.Bottom, mesh.Rows - 1})};
    if (r.IsEmpty()) continue;
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
      const int16_t* src = mesh.RowStart(y);
      uint8_t* row = image + ptrdiff_t(y) * stride;
      // Pixels with (x - y) mod 5 == 0, anchored at the image origin so that
      // neighbouring tiles' lines meet.
      const int32_t first =
          r.Left + int32_t(((int64_t(y) - r.Left) % kMissingHatchStep + kMissingHatchStep) %
                           kMissingHatchStep);
      for (int32_t x = first; x <= r.Right; x += kMissingHatchStep)
        if (src[x] == missing.Value)
          row[x] = row[x] < 128 || row[x] > 253 ? kMissingInkLight : kMissingInkDark;
    }
  }
}

void SampleView(const TTViewSampler& s, int64_t originX, int64_t originY, int32_t width,
                int32_t height, uint32_t* out, ptrdiff_t outStride,
                const std::function<void(const TCellRect& cells)>& ready) {
  if (!s.Image) return;
  const TBoxPixels b = BoxPixels(s, originX, originY, width, height);
  if (b.Empty()) return;
  const TCellRect cells = ViewCells(s, originX, originY, width, height);
  const int64_t x0 = b.x0;
  const int32_t n = static_cast<int32_t>(b.x1 - x0);
  // Source column of each view column, computed once per paint.
  std::vector<int32_t> col(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    int64_t c = PixelToCell(x0 + i, s.Zoom);
    col[i] = static_cast<int32_t>(std::min<int64_t>(c, s.ImageWidth - 1));
  }
  const uint32_t* pal = s.Palette;
#if DELVA_HAVE_AVX2_TARGET
  const bool wide = CpuHasAvx2() && IsGreyRamp(pal), widest = wide && CpuHasAvx512();
#endif
  auto rows = [&](int64_t ya, int64_t yb) {
    int64_t prevRow = -1;
    const uint32_t* prevOut = nullptr;
    for (int64_t py = ya; py < yb; ++py) {
      const int64_t r = std::min<int64_t>(PixelToCell(py, s.Zoom), s.ImageHeight - 1);
      uint32_t* dst = out + (py - originY) * outStride + (x0 - originX);
      if (r == prevRow) {
        // Magnified rows repeat: copy the row just made.
        std::memcpy(dst, prevOut, size_t(n) * sizeof(uint32_t));
        continue;
      }
      const uint8_t* src = s.Image + r * s.ImageStride;
      if (s.Zoom != 1) {
        for (int32_t i = 0; i < n; ++i) dst[i] = pal[src[col[i]]];
#if DELVA_HAVE_AVX2_TARGET
      } else if (widest) {
        GreyRow512(src + x0, dst, n, pal);
      } else if (wide) {
        GreyRowWide(src + x0, dst, n, pal);
#endif
      } else {
        for (int32_t i = 0; i < n; ++i) dst[i] = pal[src[x0 + i]];
      }
      prevRow = r;
      prevOut = dst;
    }
  };
  // The first pixel row showing a cell row at or below `cell`.
  auto firstPixel = [&](int64_t cell) {
    return s.Zoom >= 1 ? cell * s.Zoom : (cell - s.Zoom - 1) / -s.Zoom;
  };
  // Bands of about 64 K cells: their indices, just written, are still in
  // the cache when their pixels are sampled. A reduction samples one row in
  // k: its bands hold up to k times more, or the bands' own cost would show,
  // yet stay below the million cells that ColorCells would split in two.
  const int64_t bandCells = std::min<int64_t>(int64_t(65536) * std::max(1, -s.Zoom), 1 << 19);
  const int64_t band = ready ? std::max<int64_t>(1, bandCells / cells.Width()) : cells.Height();
  auto bands = [&](int64_t top, int64_t end) {
    for (int64_t y = top; y < end; y += band) {
      const int64_t stop = std::min(end, y + band);
      if (ready) ready(TCellRect{cells.Left, cells.Right, int32_t(y), int32_t(stop - 1)});
      rows(std::max(b.y0, firstPixel(y)), std::min(b.y1, firstPixel(stop)));
    }
  };
  // Rows are independent: a view of a million pixels, or cells to make
  // ready, is split in two (the work per cell row, rounded up).
  const int64_t work = std::max((b.y1 - b.y0) * n, ready ? cells.CellCount() : 0);
  SplitRows(cells.Top, int64_t(cells.Bottom) + 1, (work + cells.Height() - 1) / cells.Height(),
            bands);
}

TCellRect ViewCells(const TTViewSampler& s, int64_t originX, int64_t originY, int32_t width,
                    int32_t height) {
  const TBoxPixels b = BoxPixels(s, originX, originY, width, height);
  if (b.Empty()) return TCellRect{0, -1, 0, -1};
  auto cell = [](int64_t pixel, int zoom, int32_t count) {
    return static_cast<int32_t>(std::min<int64_t>(PixelToCell(pixel, zoom), count - 1));
  };
  return TCellRect{cell(b.x0, s.Zoom, s.ImageWidth), cell(b.x1 - 1, s.Zoom, s.ImageWidth),
                   cell(b.y0, s.Zoom, s.ImageHeight), cell(b.y1 - 1, s.Zoom, s.ImageHeight)};
}
