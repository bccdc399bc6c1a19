// The simple elevation operations of TTMesh. They clip their rectangle to the
// grid so that a caller's mistake can never write outside the samples.
#include "core/edit/mesh_edit.h"

#include <algorithm>

#include "core/base/progress.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

namespace {

TCellRect ClipToGrid(const TTMesh& mesh, const TCellRect& rect) {
  TCellRect r = rect;
  if (mesh.Samples.Empty() || int64_t(mesh.Cols) * mesh.Rows > mesh.Samples.Size())
    return TCellRect{};
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, mesh.Cols - 1);
  r.Bottom = std::min(r.Bottom, mesh.Rows - 1);
  return r;
}

// Reads the selection bits of one row: Selected(x) for x inside the row's
// part of the rectangle. Without a mask every cell is selected.
class TRowSelection {
 public:
  TRowSelection(const TTCellMask* mask, int32_t y) : mask_(mask) {
    if (!mask_) return;
    const TCellRect& b = mask_->Bounds();
    inside_ = !b.IsEmpty() && y >= b.Top && y <= b.Bottom;
    if (inside_) {
      words_ = mask_->Row(y);
      left_ = b.Left;
      right_ = b.Right;
    }
  }
  bool Selected(int32_t x) const {
    if (!mask_) return true;
    if (!inside_ || x < left_ || x > right_) return false;
    int64_t c = int64_t(x) - left_;
    return (words_[c >> 6] >> (c & 63)) & 1u;
  }

 private:
  const TTCellMask* mask_;
  bool inside_ = false;
  const uint64_t* words_ = nullptr;
  int32_t left_ = 0, right_ = -1;
};

// Calls f(sample) for every selected cell of the rectangle (clipped to the
// grid), rows outer, columns inner; pumps once per row when given progress.
template <typename F>
void ForEachSelected(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
                     TTProgress* progress, F&& f) {
  TCellRect r = ClipToGrid(mesh, rect);
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    int16_t* row = mesh.RowStart(y);
    TRowSelection sel(mask, y);
    for (int32_t x = r.Left; x <= r.Right; ++x)
      if (sel.Selected(x)) f(row[x]);
    PumpMessages(progress);
  }
}

bool FillApplies(int16_t mode, bool isVoid) {
  return mode == kFillKeepVoids ? !isVoid : mode == kFillVoidsOnly ? isVoid : true;
}

}  // namespace

void ChangeValue(TTMesh& mesh, const TCellRect& rect, int16_t current, int16_t replacement,
                 const TTCellMask* mask, TTProgress* progress) {
  ForEachSelected(mesh, rect, mask, progress, [&](int16_t& s) {
    if (s == current) s = replacement;
  });
}

void RestrictHeight(TTMesh& mesh, const TCellRect& rect, int16_t lower, int16_t upper,
                    uint16_t flags, const TTCellMask* mask, TTProgress* progress) {
  if ((flags & 3) == 0) return;
  const bool applyLower = flags & 1, applyUpper = flags & 2;
  const int16_t voidValue = mesh.VoidValue;
  ForEachSelected(mesh, rect, mask, progress, [&](int16_t& s) {
    if (s == voidValue) return;
    // The upper limit applies first, so lower > upper ends at lower.
    if (applyUpper && s > upper) s = upper;
    if (applyLower && s < lower) s = lower;
  });
}

bool AddVertOffset(TTMesh& mesh, const TCellRect& rect, int32_t offset, const TTCellMask* mask,
                   TTProgress* progress) {
  bool clipped = false;
  const int16_t voidValue = mesh.VoidValue;
  ForEachSelected(mesh, rect, mask, progress, [&](int16_t& s) {
    if (s == voidValue) return;
    // 64-bit sum: exact for every 32-bit offset.
    int64_t sum = int64_t(s) + offset;
    if (sum > INT16_MAX || sum < INT16_MIN) {
      sum = std::clamp<int64_t>(sum, INT16_MIN, INT16_MAX);
      clipped = true;
    }
    s = static_cast<int16_t>(sum);
  });
  return clipped;
}

void FillRect(TTMesh& mesh, const TCellRect& rect, int16_t value, int16_t mode) {
  const int16_t voidValue = mesh.VoidValue;
  ForEachSelected(mesh, rect, nullptr, nullptr, [&](int16_t& s) {
    if (FillApplies(mode, s == voidValue)) s = value;
  });
}

void FillMasked(const TTCellMask& mask, TTMesh& mesh, int16_t value, int16_t voidValue,
                int16_t mode) {
  ForEachSelected(mesh, mask.Bounds(), &mask, nullptr, [&](int16_t& s) {
    if (FillApplies(mode, s == voidValue)) s = value;
  });
}
