#include "core/document/document.h"

#include <new>

#include "core/edit/undo_list.h"
#include "core/mesh/poly_raster.h"
#include "core/view/hillshade.h"
#include "core/view/mesh_image.h"

TTImageBuffer AllocateImageBuffer(int32_t cols, int32_t rows) {
  TTImageBuffer b;
  if (cols <= 0 || rows <= 0) return b;
  b.Width = cols;
  b.Height = rows;
  b.Stride = (ptrdiff_t(cols) + 3) & ~ptrdiff_t(3);
  b.Bits.reset(new (std::nothrow) uint8_t[size_t(b.Stride) * size_t(rows)]);
  b.OutOfMemory = !b.Bits;
  return b;
}

TTDocument::TTDocument() : ImageAllocator(AllocateImageBuffer) {}
TTDocument::~TTDocument() { Close(); }

TTDocument::TAttach TTDocument::Attach(std::unique_ptr<TTMesh> mesh, uint32_t undoLimitMB,
                                       TTProgress* progress, TTMissingTiles missing) {
  Close();
  if (!mesh) return TAttach::ImageFailed;
  Mesh = std::move(mesh);
  MissingTiles = std::move(missing);
  UndoList = std::make_unique<TTUndoList>(*Mesh);
  UndoList->SetLimit(undoLimitMB);
  if (!Mesh->StatsFromLoad) Mesh->UpdateStats(progress);
  Mesh->StatsFromLoad = false;  // from here on the samples change under edits
  Mesh->ColorMax = Mesh->MaxElev;
  Mesh->ColorMin = Mesh->MinElev;
  image_ = ImageAllocator ? ImageAllocator(Mesh->Cols, Mesh->Rows) : TTImageBuffer{};
  if (!image_.Bits || image_.Width != Mesh->Cols || image_.Height != Mesh->Rows) {
    const bool noMemory = image_.OutOfMemory;
    Close();
    return noMemory ? TAttach::NoMemory : TAttach::ImageFailed;
  }
  MaskBitmap.Reset(TCellRect{});
  MarkSaved();
  Recolor(Mesh->SelRect);
  return TAttach::Ok;
}

void TTDocument::Close() {
  // The undo list borrows the mesh: it goes first.
  UndoList.reset();
  Mesh.reset();
  image_ = TTImageBuffer{};
  MaskBitmap.Reset(TCellRect{});
  PolySel.Clear();
  RectSelected = false;
  MissingTiles = TTMissingTiles{};
  modified_ = false;
}

void TTDocument::Recolor(const TCellRect& rect) {
  if (!Mesh || Mesh->Samples.Empty() || !image_.Bits) return;
  const TCellRect r = Hillshade ? ShadeRect(*Mesh, rect) : rect;
  ColorCells(*Mesh, r, SeaAsBlue, image_.Bits.get(), image_.Stride);
  if (Hillshade) ShadeCells(*Mesh, r, image_.Bits.get(), image_.Stride);
  HatchMissingTiles(*Mesh, MissingTiles, r, image_.Bits.get(), image_.Stride);
  if (Mesh->HasAdjoBands() && HatchBands)
    HatchAdjoBands(*Mesh, HatchIndex(), image_.Bits.get(), image_.Stride);
}

void TTDocument::RecomputeColors(TTProgress* progress) {
  if (!Mesh) return;
  Mesh->UpdateStats(progress);
  Mesh->ColorMax = Mesh->MaxElev;
  Mesh->ColorMin = Mesh->MinElev;
  Recolor(Mesh->SelRect);
}

TTDocument::TSelection TTDocument::EditSelection() {
  TSelection sel;
  if (!Mesh) return sel;
  if (PolySel.Closed && PolySel.Count > 0) {
    // A polygon closed on its first vertex alone has fewer than three
    // vertices: its mask holds just the cells of its outline (one cell)
    // instead of whatever an earlier polygon left there.
    MaskBitmap.Reset(PolySel.Bounds);
    RasterizePolygon(PolySel.Points.data(), PolySel.Count, MaskBitmap);
    sel.Rect = PolySel.Bounds;
    sel.Mask = &MaskBitmap;
  } else {
    sel.Rect = Mesh->SelRect;
  }
  return sel;
}

void TTDocument::Unselect() {
  if (!Mesh) return;
  RectSelected = false;
  PolySel.Clear();
  Mesh->SelRect = Mesh->GridRect;
}

bool TTDocument::UndoFits(const TCellRect& rect) const {
  return !UndoList || UndoList->Limit() == 0 || UndoList->Fits(rect);
}

bool TTDocument::RecordSnapshot(const TCellRect& rect) { return UndoList && UndoList->Push(rect); }

void TTDocument::MarkEdited(bool recorded) {
  modified_ = true;
  if (recorded) return;
  saved_state_ = kUnreachable;
  if (UndoList) UndoList->DropRedo();
}

void TTDocument::MarkSaved() {
  modified_ = false;
  saved_state_ = UndoList ? UndoList->State() : 0;
}

void TTDocument::SyncModified() { modified_ = !UndoList || UndoList->State() != saved_state_; }
