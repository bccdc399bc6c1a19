#include "core/document/document.h"

#include <algorithm>

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
  b.Bits = AllocateLargeArray<uint8_t>(size_t(b.Stride) * size_t(rows));
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
  try {
    pending_.assign(size_t(Mesh->Rows), TPending{});
  } catch (const std::bad_alloc&) {
    Close();
    return TAttach::NoMemory;
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
  pending_ = std::vector<TPending>{};
  pendingTop_ = 0, pendingBottom_ = -1;
  MaskBitmap.Reset(TCellRect{});
  PolySel.Clear();
  RectSelected = false;
  MissingTiles = TTMissingTiles{};
  modified_ = false;
}

void TTDocument::Recolor(const TCellRect& rect) {
  if (!Mesh || Mesh->Samples.Empty() || !image_.Bits) return;
  const TCellRect g{0, Mesh->Cols - 1, 0, Mesh->Rows - 1};
  TCellRect r = Hillshade ? ShadeRect(*Mesh, rect) : rect;
  r = TCellRect{std::max(r.Left, g.Left), std::min(r.Right, g.Right), std::max(r.Top, g.Top),
                std::min(r.Bottom, g.Bottom)};
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    TPending& p = pending_[size_t(y)];
    if (p.First > p.Last)
      p = TPending{r.Left, r.Right};
    else
      p = TPending{std::min(p.First, r.Left), std::max(p.Last, r.Right)};
  }
  if (pendingTop_ > pendingBottom_) {
    pendingTop_ = r.Top, pendingBottom_ = r.Bottom;
  } else {
    pendingTop_ = std::min(pendingTop_, r.Top), pendingBottom_ = std::max(pendingBottom_, r.Bottom);
  }
}

void TTDocument::ColorNow(const TCellRect& r) {
  ColorCells(*Mesh, r, SeaAsBlue, image_.Bits.get(), image_.Stride);
  if (Hillshade) ShadeCells(*Mesh, r, image_.Bits.get(), image_.Stride);
  HatchMissingTiles(*Mesh, MissingTiles, r, image_.Bits.get(), image_.Stride);
  if (Mesh->HasAdjoBands() && HatchBands)
    HatchAdjoBands(*Mesh, HatchIndex(), image_.Bits.get(), image_.Stride, &r);
}

void TTDocument::ColorPending(const TCellRect& cells) {
  const int32_t top = std::max(cells.Top, pendingTop_);
  const int32_t bottom = std::min(cells.Bottom, pendingBottom_);
  // Rows wanting the same columns are coloured as one rectangle: after a
  // load or a new colour range that is the whole view at once.
  TCellRect run{0, -1, 0, -1};
  auto flush = [&] {
    if (!run.IsEmpty()) ColorNow(run);
    run = TCellRect{0, -1, 0, -1};
  };
  for (int32_t y = top; y <= bottom; ++y) {
    TPending& p = pending_[size_t(y)];
    const int32_t from = std::max(p.First, cells.Left), to = std::min(p.Last, cells.Right);
    if (from > to) {
      flush();
      continue;
    }
    // What stays pending must remain one span: a view inside the span takes
    // the span's right part with it.
    TCellRect want{from, p.Last, y, y};
    if (from == p.First && to < p.Last) want.Right = to;
    if (want.Left == p.First)
      p.First = want.Right + 1;
    else
      p.Last = want.Left - 1;
    if (!run.IsEmpty() && run.Left == want.Left && run.Right == want.Right && run.Bottom == y - 1) {
      run.Bottom = y;
    } else {
      flush();
      run = want;
    }
  }
  flush();
}

void TTDocument::TrimPending() {
  while (pendingTop_ <= pendingBottom_ &&
         pending_[size_t(pendingTop_)].First > pending_[size_t(pendingTop_)].Last)
    ++pendingTop_;
  while (pendingBottom_ >= pendingTop_ &&
         pending_[size_t(pendingBottom_)].First > pending_[size_t(pendingBottom_)].Last)
    --pendingBottom_;
}

const TTImageBuffer& TTDocument::ImageOver(const TCellRect& cells) {
  if (!Mesh || !image_.Bits) return image_;
  ColorPending(cells);
  TrimPending();
  return image_;
}

void TTDocument::PaintView(const TTViewSampler& s, int64_t originX, int64_t originY, int32_t width,
                           int32_t height, uint32_t* out, ptrdiff_t outStride) {
  if (!Mesh || !image_.Bits) return SampleView(s, originX, originY, width, height, out, outStride);
  // Bands of different rows touch different rows' spans only.
  SampleView(s, originX, originY, width, height, out, outStride,
             [this](const TCellRect& band) { ColorPending(band); });
  TrimPending();
}

const TTImageBuffer& TTDocument::Image() {
  return Mesh ? ImageOver(TCellRect{0, Mesh->Cols - 1, 0, Mesh->Rows - 1}) : image_;
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
