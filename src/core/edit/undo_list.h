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
// Undo swaps a snapshot with the samples it covers, so the same buffer then
// holds what Redo puts back: redo snapshots sit in the ring just past the
// undo ones and share its slots and the limit without a second copy. A Push
// drops them (a new edit ends the redo history).
//
// State() names the samples' current version: each Push makes a new one, and
// Undo/Redo return to the one before/after the snapshot, so the document can
// tell when undoing has come back to what was saved.
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

  // Limit in megabytes (x 2^20 bytes). Held snapshots stay until the next push.
  void SetLimit(uint32_t megabytes);
  // 2 bytes per cell of `rect` within the limit (nothing fits a limit of 0).
  bool Fits(const TCellRect& rect) const;
  // Records the samples of `rect`. False when it does not fit, lies outside
  // the grid, or its copy cannot be allocated; then the list is unchanged.
  bool Push(const TCellRect& rect);
  // Writes the newest snapshot back; it becomes the first redo snapshot.
  // True only when undo snapshots remain afterwards.
  bool Undo();
  // Puts back what the last Undo replaced. True only when redo snapshots
  // remain afterwards.
  bool Redo();
  // Forgets the redo snapshots (an edit that could not be recorded).
  void DropRedo();
  uint16_t RedoCount() const { return redo_; }
  uint64_t State() const { return state_; }
  // The rectangle the next Redo restores (empty when there is none).
  TCellRect NextRedoRect() const;

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
    uint64_t before = 0, after = 0;  // State() without and with the edit
  };
  void DropOldest();
  void Free(TSnapshot& s);
  // Exchanges the snapshot's samples with the mesh's over its rectangle.
  void Swap(TSnapshot& s);

  TTMesh& mesh_;
  std::unique_ptr<TSnapshot[]> slots_;
  uint16_t count_ = 0, head_ = 0, tail_ = 0, redo_ = 0;
  uint64_t state_ = 0, last_state_ = 0;
  int64_t allocated_ = 0, limit_ = 0;
};
