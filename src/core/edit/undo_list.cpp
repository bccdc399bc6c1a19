#include "core/edit/undo_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/mesh/mesh.h"

TTUndoList::TTUndoList(TTMesh& mesh) : mesh_(mesh), slots_(new TSnapshot[kCapacity]) {}

void TTUndoList::SetLimit(uint32_t megabytes) { limit_ = int64_t(megabytes) << 20; }

bool TTUndoList::Fits(const TCellRect& rect) const { return 2 * rect.CellCount() <= limit_; }

void TTUndoList::Free(TSnapshot& s) {
  s.samples.reset();
  allocated_ -= s.size;
  s.size = 0;
}

void TTUndoList::DropRedo() {
  for (; redo_ > 0; --redo_) Free(slots_[(head_ + redo_ - 1) % kCapacity]);
}

void TTUndoList::DropOldest() {
  Free(slots_[tail_]);
  tail_ = uint16_t((tail_ + 1) % kCapacity);
  --count_;
}

bool TTUndoList::Push(const TCellRect& rect) {
  if (limit_ <= 0 || !Fits(rect) || rect.IsEmpty()) return false;
  if (rect.Left < 0 || rect.Top < 0 || rect.Right >= mesh_.Cols || rect.Bottom >= mesh_.Rows ||
      mesh_.Samples.Size() < int64_t(mesh_.Cols) * mesh_.Rows)
    return false;
  const int64_t n = rect.CellCount();
  const int64_t bytes = 2 * n;

  // The copy is made before anything is dropped: a failed allocation leaves
  // every older snapshot in place (dropping first would lose history for an
  // edit that is then not recorded anyway).
  if (AllocGate && !AllocGate(n)) return false;
  if (uint64_t(n) > SIZE_MAX / sizeof(int16_t)) return false;
  std::unique_ptr<int16_t[]> copy(new (std::nothrow) int16_t[size_t(n)]);
  if (!copy) return false;
  const size_t rowBytes = size_t(rect.Width()) * sizeof(int16_t);
  int16_t* dst = copy.get();
  for (int32_t y = rect.Top; y <= rect.Bottom; ++y, dst += rect.Width())
    std::memcpy(dst, mesh_.RowStart(y) + rect.Left, rowBytes);

  DropRedo();
  while (allocated_ + bytes > limit_ && count_ > 0) DropOldest();
  if (count_ == kCapacity) DropOldest();

  TSnapshot& s = slots_[head_];
  s.samples = std::move(copy);
  s.size = bytes;
  s.rect = rect;
  s.before = state_;
  s.after = state_ = ++last_state_;
  allocated_ += bytes;
  ++count_;
  head_ = uint16_t((head_ + 1) % kCapacity);
  return true;
}

void TTUndoList::Swap(TSnapshot& s) {
  const TCellRect& r = s.rect;
  int16_t* snap = s.samples.get();
  for (int32_t y = r.Top; y <= r.Bottom; ++y, snap += r.Width()) {
    int16_t* row = mesh_.RowStart(y) + r.Left;
    std::swap_ranges(row, row + r.Width(), snap);
  }
}

bool TTUndoList::Undo() {
  if (count_ == 0) return false;
  head_ = uint16_t((head_ + kCapacity - 1) % kCapacity);
  TSnapshot& s = slots_[head_];
  Swap(s);
  state_ = s.before;
  --count_;
  ++redo_;
  return count_ > 0;
}

bool TTUndoList::Redo() {
  if (redo_ == 0) return false;
  TSnapshot& s = slots_[head_];
  Swap(s);
  state_ = s.after;
  head_ = uint16_t((head_ + 1) % kCapacity);
  ++count_;
  --redo_;
  return redo_ > 0;
}

TCellRect TTUndoList::NextRedoRect() const {
  if (redo_ == 0) return TCellRect{};
  return slots_[head_].rect;
}

TCellRect TTUndoList::NewestRect() const {
  if (count_ == 0) return TCellRect{};
  return slots_[(head_ + kCapacity - 1) % kCapacity].rect;
}
