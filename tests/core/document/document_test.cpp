// The editor document without a window: what Attach builds, what an edit
// command records and repaints, and that a failure leaves nothing behind.
#include <gtest/gtest.h>

#include <tuple>

#include "core/document/document.h"
#include "core/document/edit_commands.h"
#include "core/edit/mesh_edit.h"
#include "core/edit/undo_list.h"
#include "core/view/hillshade.h"
#include "core/view/mesh_image.h"
#include "support/mesh_helpers.h"

namespace {

std::unique_ptr<TTMesh> Ramp(int32_t cols, int32_t rows, int16_t base = 0) {
  auto m = std::make_unique<TTMesh>();
  MakeMesh(*m, cols, rows, 0, -32768);
  for (int64_t i = 0; i < m->Samples.Size(); ++i) m->Samples[i] = int16_t(base + i * 10);
  return m;
}

uint8_t Pixel(TTDocument& d, int32_t x, int32_t y) {
  return d.Image().Bits[size_t(y) * size_t(d.Image().Stride) + size_t(x)];
}

}  // namespace

TEST(Document, AttachColoursTheWholeImageAndFailuresCloseIt) {
  TTDocument d;
  ASSERT_EQ(d.Attach(Ramp(5, 3, 5), 1), TTDocument::TAttach::Ok);
  EXPECT_EQ(d.Image().Stride, 8);  // rows padded to 4 bytes for QImage
  EXPECT_EQ(std::tuple(d.Mesh->ColorMin, d.Mesh->ColorMax), std::tuple(5, 145));
  // The last cell: the colour range was set first.
  EXPECT_EQ(std::tuple(Pixel(d, 0, 0), Pixel(d, 4, 2), d.Modified()), std::tuple(0, 253, false));
  d.Mesh->SetCell(4, 2, 280);  // beyond the range: a new range recolours everything
  d.Mesh->SetCell(0, 0, -50), d.RecomputeColors();
  EXPECT_EQ(Pixel(d, 4, 1), ColorIndex(95, -50, 280, -32768, false));

  for (bool oom : {true, false}) {
    d.ImageAllocator = [oom](int32_t, int32_t) { return TTImageBuffer{.OutOfMemory = oom}; };
    EXPECT_EQ(d.Attach(Ramp(5, 3), 1),
              oom ? TTDocument::TAttach::NoMemory : TTDocument::TAttach::ImageFailed);
    EXPECT_FALSE(d.Mesh || d.UndoList);
  }
  bool more = true;  // nothing to undo without a mesh
  EXPECT_FALSE(UndoCommand(d, more).Recorded || more);
}

TEST(Document, EditRecordsRecoloursOnlyItsRectAndUndoGoesBack) {
  TTDocument d;
  ASSERT_EQ(d.Attach(Ramp(6, 4), 1), TTDocument::TAttach::Ok);
  const std::vector<int16_t> before = CopySamples(*d.Mesh);
  d.Mesh->SelRect = TCellRect{1, 2, 1, 2};
  const TTEditOutcome out = ChangeValueCommand(d, 70, 140, nullptr);  // cell (1,1)
  EXPECT_TRUE(out.Recorded && d.Modified() && d.Mesh->GetCell(1, 1) == 140);
  EXPECT_EQ(out.Changed, (TCellRect{1, 2, 1, 2}));
  // The image follows the samples inside the rectangle, with the old range.
  EXPECT_EQ(Pixel(d, 1, 1), ColorIndex(140, 0, 230, -32768, false));

  bool more = true;
  UndoCommand(d, more);
  EXPECT_TRUE(!more && CopySamples(*d.Mesh) == before);
  EXPECT_EQ(Pixel(d, 1, 1), ColorIndex(70, 0, 230, -32768, false));
  EXPECT_EQ(d.Mesh->SelRect, d.Mesh->GridRect);  // undo drops the selection
}

TEST(Document, PolygonSelectionMasksTheEditAndTheFillEndsIt) {
  TTDocument d;
  ASSERT_EQ(d.Attach(Ramp(8, 8), 0), TTDocument::TAttach::Ok);
  for (auto [x, y] : {std::pair{1, 1}, {6, 1}, {1, 6}, {1, 1}}) d.PolySel.AddPoint(x, y);
  EXPECT_EQ(d.EditSelection().Mask, nullptr);  // still being drawn: not a selection yet
  d.PolySel.Closed = true;
  EXPECT_EQ(d.EditSelection().Rect, (TCellRect{1, 6, 1, 6}));
  EXPECT_TRUE(d.UndoFits(d.EditSelection().Rect));  // no limit: nothing to warn about
  const TTEditOutcome out = FillCommand(d, 7, kFillAll);
  EXPECT_TRUE(!out.Recorded && out.SelectionDropped && d.PolySel.Count == 0);  // undo off
  // A corner of the triangle; outside it, inside its bounds; outside the bounds.
  EXPECT_EQ(std::tuple(d.Mesh->GetCell(1, 6), d.Mesh->GetCell(6, 6), d.Mesh->GetCell(0, 0)),
            std::tuple(7, 540, 0));
  // Then the rectangle, here the whole grid: filled, and kept as the selection.
  EXPECT_TRUE(!FillCommand(d, 9, kFillAll).SelectionDropped && d.Mesh->GetCell(6, 6) == 9);
  for (const TTEditOutcome& o : {RestrictHeightCommand(d, 12, 0, 1, nullptr),  // lower only
                                 AddVertOffsetCommand(d, 5, nullptr)})
    EXPECT_TRUE(!o.OutOfMemory && o.Changed == d.Mesh->GridRect && d.Mesh->GetCell(6, 6) == 17);
}

TEST(Document, ModifiedFollowsEditsSavesAndUndoingToTheSavedState) {
  TTDocument d;
  ASSERT_EQ(d.Attach(Ramp(6, 4), 1), TTDocument::TAttach::Ok);
  bool more = false;
  // Edit, Undo, Redo, Save; "u" back to the loaded and later the saved state.
  for (auto [op, modified] :
       {std::pair('e', true), std::pair('u', false), std::pair('r', true), std::pair('s', false),
        std::pair('e', true), std::pair('u', false), std::pair('u', true), std::pair('r', false)}) {
    if (op == 'e') ChangeValueCommand(d, 70, 1, nullptr);
    if (op == 'u') UndoCommand(d, more);
    if (op == 'r') RedoCommand(d, more);
    if (op == 's') d.MarkSaved();
    EXPECT_EQ(d.Modified(), modified) << op;
  }
  // An edit the list could not record: no undoing leads back to the save.
  d.UndoList->SetLimit(0), ChangeValueCommand(d, 90, 3, nullptr), UndoCommand(d, more);
  EXPECT_TRUE(d.Modified() && d.UndoList->RedoCount() == 1);  // the older redo went with it
  d.RectSelected = true;
  // The saved snapshot again, but not the saved samples; its cells recoloured.
  const TCellRect redone = RedoCommand(d, more).Changed;
  EXPECT_TRUE(d.Modified() && !d.RectSelected && !redone.IsEmpty());
  d.Close();  // the changes go with the mesh
  EXPECT_FALSE(d.Modified() || d.Mesh || d.UndoList);
  ASSERT_EQ(d.Attach(Ramp(6, 4), 1), TTDocument::TAttach::Ok);  // and the next one starts saved
  ChangeValueCommand(d, 70, 1, nullptr), UndoCommand(d, more);
  EXPECT_FALSE(d.Modified());
}

TEST(Document, HillshadeRecoloursOneCellBeyondTheEdit) {
  TTDocument d;
  ASSERT_EQ(d.Attach(Ramp(8, 8), 1), TTDocument::TAttach::Ok);
  d.Mesh->RowsPerDeg = d.Mesh->ColsPerDeg = 1200, d.Hillshade = true, d.Recolor(d.Mesh->GridRect);
  const uint8_t neighbour = Pixel(d, 4, 3), outside = Pixel(d, 0, 0);
  d.Mesh->SelRect = TCellRect{3, 3, 3, 3};
  ChangeValueCommand(d, d.Mesh->GetCell(3, 3), 600, nullptr);  // a peak shades its east side
  EXPECT_TRUE(Pixel(d, 4, 3) < neighbour && Pixel(d, 0, 0) == outside);
}

TEST(Document, ColouringWaitsForTheViewAndEndsAsOneWholePass) {
  TTDocument d;
  d.ImageAllocator = [](int32_t cols, int32_t rows) {
    TTImageBuffer b = AllocateImageBuffer(cols, rows);
    std::fill_n(b.Bits.get(), b.Stride * rows, uint8_t(77));  // never a colour of the ramp
    return b;
  };
  ASSERT_EQ(d.Attach(Ramp(40, 30), 1), TTDocument::TAttach::Ok);
  TTMesh& m = *d.Mesh;
  m.RowsPerDeg = m.ColsPerDeg = 1200, m.AdjoNorth = 2, m.AdjoEast = 3, m.AdjoWest = 2;
  m.SetCell(20, 12, 5000);
  d.MissingTiles = TTMissingTiles{{TCellRect{5, 30, 10, 25}}, m.GetCell(7, 12)}, d.Hillshade = true;
  d.Recolor(m.GridRect);
  // Views inside a row's span, over its left and right parts, and one cell of the north band.
  for (TCellRect view : {TCellRect{10, 19, 5, 9}, TCellRect{0, 12, 0, 29},
                         TCellRect{35, 39, 10, 14}, TCellRect{13, 13, 0, 0}})
    d.ImageOver(view);
  const ptrdiff_t stride = d.ImageBuffer().Stride;
  std::vector<uint32_t> out(10 * 6);  // a view coloured as it is painted
  d.PaintView({d.ImageBuffer().Bits.get(), stride, 40, 30, 1, MeshPalette().data()}, 20, 12, 10, 6,
              out.data(), 10);
  auto raw = [&](int x, int y) -> uint8_t& { return d.ImageBuffer().Bits[y * stride + x]; };
  EXPECT_TRUE(raw(25, 25) == 77 && raw(15, 2) == 77);  // never shown
  std::vector<uint8_t> whole(size_t(stride) * 30);
  ColorCells(m, m.GridRect, false, whole.data(), stride);
  ShadeCells(m, m.GridRect, whole.data(), stride);
  HatchMissingTiles(m, d.MissingTiles, m.GridRect, whole.data(), stride);
  HatchAdjoBands(m, HatchIndex(), whole.data(), stride);
  for (int j = 0; j < 6; ++j)
    for (int i = 0; i < 10; ++i)
      ASSERT_EQ(out[j * 10 + i], MeshPalette()[whole[(12 + j) * stride + 20 + i]]);
  EXPECT_TRUE(std::equal(whole.begin(), whole.end(), d.Image().Bits.get()));
  raw(39, 25) = 77;  // nothing left to colour again
  EXPECT_EQ(Pixel(d, 39, 25), 77);
  d.Hillshade = false, d.HatchBands = false;  // two spans of a row, both coloured, unhatched,
  m.SetCell(0, 28, 6000), m.SetCell(38, 28, 6000), m.SetCell(20, 26, 6000);  // and rows above
  d.Recolor({0, 0, 28, 28}), d.Recolor({38, 45, 26, 33}), d.Recolor({20, 20, 26, 26});
  EXPECT_TRUE(Pixel(d, 0, 28) == Pixel(d, 38, 28) && Pixel(d, 20, 26) == Pixel(d, 38, 28));
}
