// The simple elevation operations of TTMesh. They clip their rectangle to the
// grid so that a caller's mistake can never write outside the samples.
#include "edit/mesh_edit.h"

#include <algorithm>

#include "mesh/cell_mask.h"
#include "mesh/mesh.h"
#include "settings/progress.h"

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

}  // namespace

void TTMesh::ChangeValue(const TCellRect& rect, int16_t current, int16_t replacement,
                         const TTCellMask* mask, TTProgress* progress) {
  TCellRect r = ClipToGrid(*this, rect);
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    int16_t* row = RowStart(y);
    TRowSelection sel(mask, y);
    for (int32_t x = r.Left; x <= r.Right; ++x)
      if (row[x] == current && sel.Selected(x)) row[x] = replacement;
    PumpMessages(progress);
  }
}

void TTMesh::RestrictHeight(const TCellRect& rect, int16_t lower, int16_t upper, uint16_t flags,
                            const TTCellMask* mask, TTProgress* progress) {
  if ((flags & 3) == 0) return;
  const bool applyLower = flags & 1, applyUpper = flags & 2;
  TCellRect r = ClipToGrid(*this, rect);
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    int16_t* row = RowStart(y);
    TRowSelection sel(mask, y);
    for (int32_t x = r.Left; x <= r.Right; ++x) {
      int16_t s = row[x];
      if (s == VoidValue || !sel.Selected(x)) continue;
      // The upper limit applies first, so lower > upper ends at lower.
      if (applyUpper && s > upper) s = upper;
      if (applyLower && s < lower) s = lower;
      row[x] = s;
    }
    PumpMessages(progress);
  }
}

bool TTMesh::AddVertOffset(const TCellRect& rect, int32_t offset, const TTCellMask* mask,
                           TTProgress* progress) {
  bool clipped = false;
  TCellRect r = ClipToGrid(*this, rect);
  if (r.IsEmpty()) return false;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    int16_t* row = RowStart(y);
    TRowSelection sel(mask, y);
    for (int32_t x = r.Left; x <= r.Right; ++x) {
      int16_t s = row[x];
      if (s == VoidValue || !sel.Selected(x)) continue;
      // 64-bit sum: exact for every 32-bit offset.
      int64_t sum = int64_t(s) + offset;
      if (sum > INT16_MAX) {
        sum = INT16_MAX;
        clipped = true;
      } else if (sum < INT16_MIN) {
        sum = INT16_MIN;
        clipped = true;
      }
      row[x] = static_cast<int16_t>(sum);
    }
    PumpMessages(progress);
  }
  return clipped;
}

void TTMesh::FillRect(const TCellRect& rect, int16_t value, int16_t mode) {
  TCellRect r = ClipToGrid(*this, rect);
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    int16_t* row = RowStart(y);
    for (int32_t x = r.Left; x <= r.Right; ++x) {
      bool isVoid = row[x] == VoidValue;
      if (mode == kFillKeepVoids ? !isVoid : mode == kFillVoidsOnly ? isVoid : true) row[x] = value;
    }
  }
}

void FillMasked(const TTCellMask& mask, TTMesh& mesh, int16_t value, int16_t voidValue,
                int16_t mode) {
  TCellRect r = ClipToGrid(mesh, mask.Bounds());
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    int16_t* row = mesh.RowStart(y);
    TRowSelection sel(&mask, y);
    for (int32_t x = r.Left; x <= r.Right; ++x) {
      if (!sel.Selected(x)) continue;
      bool isVoid = row[x] == voidValue;
      if (mode == kFillKeepVoids ? !isVoid : mode == kFillVoidsOnly ? isVoid : true) row[x] = value;
    }
  }
}
