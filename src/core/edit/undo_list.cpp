#include "core/edit/undo_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/mesh/mesh.h"

TTUndoList::TTUndoList(TTMesh& mesh) : mesh_(mesh), slots_(new TSnapshot[kCapacity]) {}

TTUndoList::~TTUndoList() {
  // Newest first, as the history would be undone.
  while (count_ > 0) {
    head_ = uint16_t((head_ + kCapacity - 1) % kCapacity);
    slots_[head_].samples.reset();
    --count_;
  }
}

void TTUndoList::SetLimit(uint32_t megabytes) { limit_ = int64_t(megabytes) << 20; }

bool TTUndoList::Fits(const TCellRect& rect) const { return 2 * rect.CellCount() <= limit_; }

void TTUndoList::DropOldest() {
  TSnapshot& s = slots_[tail_];
  s.samples.reset();
  allocated_ -= s.size;
  s.size = 0;
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

  while (allocated_ + bytes > limit_ && count_ > 0) DropOldest();
  if (count_ == kCapacity) DropOldest();

  TSnapshot& s = slots_[head_];
  s.samples = std::move(copy);
  s.size = bytes;
  s.rect = rect;
  allocated_ += bytes;
  ++count_;
  head_ = uint16_t((head_ + 1) % kCapacity);
  return true;
}

bool TTUndoList::Undo() {
  if (count_ == 0) return false;
  head_ = uint16_t((head_ + kCapacity - 1) % kCapacity);
  TSnapshot& s = slots_[head_];
  const TCellRect& r = s.rect;
  const size_t rowBytes = size_t(r.Width()) * sizeof(int16_t);
  const int16_t* src = s.samples.get();
  for (int32_t y = r.Top; y <= r.Bottom; ++y, src += r.Width())
    std::memcpy(mesh_.RowStart(y) + r.Left, src, rowBytes);
  s.samples.reset();
  allocated_ -= s.size;
  s.size = 0;
  --count_;
  return count_ > 0;
}

TCellRect TTUndoList::NewestRect() const {
  if (count_ == 0) return TCellRect{};
  return slots_[(head_ + kCapacity - 1) % kCapacity].rect;
}
