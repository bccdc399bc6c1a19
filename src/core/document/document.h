#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/mesh/cell_mask.h"
#include "core/mesh/cell_rect.h"
#include "core/mesh/mesh.h"
#include "core/mesh/poly_sel.h"
#include "core/platform/memory.h"
#include "core/view/mesh_image.h"

class TTProgress;
class TTUndoList;

// The 8-bit image of the mesh: one palette index per cell, rows `Stride`
// bytes apart (a multiple of 4, so a QImage can wrap the buffer as it is).
struct TTImageBuffer {
  TTLargeBlock<uint8_t> Bits{};
  int32_t Width = 0, Height = 0;
  ptrdiff_t Stride = 0;
  // Set by an allocator whose failure was a lack of memory.
  bool OutOfMemory = false;
};

// What the editor shows and edits, without a widget.
//
// Ownership: the document owns the mesh, the undo list, the selection (the
// rectangle in Mesh->SelRect, the polygon and its mask) and the image. The
// undo list borrows the mesh and holds plain copies of samples, so the three
// are made together by Attach and destroyed together by Close; a window only
// wraps the image buffer and never keeps a pointer across a Close.
class TTDocument {
 public:
  TTDocument();
  ~TTDocument();
  TTDocument(const TTDocument&) = delete;
  TTDocument& operator=(const TTDocument&) = delete;

  // Makes the image buffer; replaced by tests to make it fail.
  std::function<TTImageBuffer(int32_t cols, int32_t rows)> ImageAllocator;

  enum class TAttach { Ok, NoMemory, ImageFailed };
  // Takes a freshly loaded mesh: undo list with the limit, statistics,
  // colour range, image. On failure the document is closed again. `missing`:
  // the tiles a multiple-tile load filled, hatched while they hold the fill.
  TAttach Attach(std::unique_ptr<TTMesh> mesh, uint32_t undoLimitMB, TTProgress* progress = nullptr,
                 TTMissingTiles missing = {});
  // Frees mesh, undo list, image and selection together.
  void Close();

  std::unique_ptr<TTMesh> Mesh;  // null while no mesh is loaded
  TTPolySel PolySel;
  TTCellMask MaskBitmap;  // the closed polygon's cells, rendered by EditSelection
  bool RectSelected = false;
  std::unique_ptr<TTUndoList> UndoList;

  // The image and how it is coloured. Colouring waits until the cells are
  // shown: a load or a change of the whole colour range costs only the rows
  // in view. ImageOver colours what is pending within `cells` (the view);
  // Image colours all of it; ImageBuffer is the buffer as it stands, for
  // wrapping it once.
  const TTImageBuffer& ImageOver(const TCellRect& cells);
  // SampleView of the image (wrapped by `s`) with ImageOver's colouring done
  // band by band just before the band's pixels are read: one pass instead
  // of two over a first view.
  void PaintView(const TTViewSampler& s, int64_t originX, int64_t originY, int32_t width,
                 int32_t height, uint32_t* out, ptrdiff_t outStride);
  const TTImageBuffer& Image();
  const TTImageBuffer& ImageBuffer() const { return image_; }
  bool SeaAsBlue = false;
  bool HatchBands = true;
  bool Hillshade = false;  // relief shading over the grays (core/view/hillshade.h)
  TTMissingTiles MissingTiles;
  // The image over `rect` (one cell more with Hillshade, whose lighting
  // depends on the neighbours) is to be coloured again from the samples, with
  // the missing tiles' and the bands' hatch, before it is next shown.
  void Recolor(const TCellRect& rect);
  // New colour range from fresh statistics, and the whole image.
  void RecomputeColors(TTProgress* progress = nullptr);

  // What an edit works on: a closed polygon gives its bounds and its mask
  // (rendered now), otherwise Mesh->SelRect with no mask.
  struct TSelection {
    TCellRect Rect;
    const TTCellMask* Mask = nullptr;  // null: every cell of Rect
  };
  TSelection EditSelection();
  // Drops the rectangle and the polygon; the whole grid is selected.
  void Unselect();

  // True when the undo list can record `rect` (always true without a limit
  // in force or without a list: there is nothing to warn about).
  bool UndoFits(const TCellRect& rect) const;
  // Records `rect` before an edit; false when it could not be recorded.
  bool RecordSnapshot(const TCellRect& rect);

  // Changed since it was loaded or last saved.
  bool Modified() const { return modified_; }
  void SetModified(bool on) { modified_ = on; }
  // An edit changed the samples. One the undo list did not record ends the
  // redo history, and the saved state can no longer be reached by undoing.
  void MarkEdited(bool recorded);
  // The samples were written to a file: this state is the saved one.
  void MarkSaved();
  // After Undo/Redo: modified unless back at the saved state.
  void SyncModified();

 private:
  TTImageBuffer image_;
  // Per image row, the columns still to colour (first > last: none); a row
  // keeps one span, so a view inside a span colours the span's right part too.
  struct TPending {
    int32_t First = 0, Last = -1;
  };
  std::vector<TPending> pending_;
  int32_t pendingTop_ = 0, pendingBottom_ = -1;  // rows that may have a span
  void ColorNow(const TCellRect& rect);
  // ImageOver in two steps: the colouring, safe for different rows at once,
  // and the bounds of the rows still pending.
  void ColorPending(const TCellRect& cells);
  void TrimPending();
  bool modified_ = false;
  static constexpr uint64_t kUnreachable = ~uint64_t(0);
  uint64_t saved_state_ = 0;  // the undo list's State() when last saved
};

// The default allocator: rows padded to 4 bytes, null bits when the memory
// cannot be had.
TTImageBuffer AllocateImageBuffer(int32_t cols, int32_t rows);
