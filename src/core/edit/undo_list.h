#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/mesh/cell_rect.h"

class TTMesh;

// History of elevation edits as snapshots of rectangles, newest restored
// first. A ring of at most 64 snapshots whose sample bytes (2 per cell) never
// exceed the limit; the oldest go first when a new one needs room.
//
// Ownership: the main window owns the mesh and this list side by side and
// destroys them together; the list only borrows the mesh, and the snapshots
// are plain copies of samples, so nothing here points into the mesh.
class TTUndoList {
 public:
  static constexpr int kCapacity = 64;

  explicit TTUndoList(TTMesh& mesh);
  TTUndoList(const TTUndoList&) = delete;
  TTUndoList& operator=(const TTUndoList&) = delete;
  ~TTUndoList();

  // Limit in megabytes (x 2^20 bytes). Held snapshots stay until the next push.
  void SetLimit(uint32_t megabytes);
  // 2 bytes per cell of `rect` within the limit (nothing fits a limit of 0).
  bool Fits(const TCellRect& rect) const;
  // Records the samples of `rect`. False when it does not fit, lies outside
  // the grid, or its copy cannot be allocated; then the list is unchanged.
  bool Push(const TCellRect& rect);
  // Writes the newest snapshot back and drops it. True only when snapshots
  // remain afterwards.
  bool Undo();

  // The rectangle the next Undo restores (empty when there is none).
  TCellRect NewestRect() const;

  int64_t Allocated() const { return allocated_; }
  int64_t Limit() const { return limit_; }
  uint16_t Count() const { return count_; }
  uint16_t Head() const { return head_; }
  uint16_t Tail() const { return tail_; }

  // Test seam: when set, a snapshot allocation of that many samples fails if
  // this returns false (simulates running out of memory).
  std::function<bool(int64_t samples)> AllocGate;

 private:
  struct TSnapshot {
    std::unique_ptr<int16_t[]> samples;
    int64_t size = 0;
    TCellRect rect;
  };
  void DropOldest();

  TTMesh& mesh_;
  std::unique_ptr<TSnapshot[]> slots_;
  uint16_t count_ = 0, head_ = 0, tail_ = 0;
  int64_t allocated_ = 0, limit_ = 0;
};
