// Zoom, scrolling, painting, selection and read-out of the main window,
// driven through its slots and mouse handlers.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>

#include "core/view/mesh_image.h"
#include "core/view/view_geometry.h"
#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_main.h"
#include "ui/main/form_view_mesh.h"
#include "ui/main/mesh_view.h"

class FormViewMeshViewTest : public QObject {
  Q_OBJECT

  static std::unique_ptr<TTMesh> Mesh(int32_t n, float spanDeg = 1) {
    TTestMeshLayout s;
    s.Cols = s.Rows = n;
    s.MaxLat = s.MinLat + spanDeg;
    s.MaxLon = s.MinLon + spanDeg;
    s.RowsPerDeg = s.ColsPerDeg = (n - 1) / spanDeg;
    return MakeTestMesh(s, [](int32_t x, int32_t y) { return int16_t((x * 7 + y * 3) % 2000); });
  }

  static void Click(TFormViewMesh& f, int x, int y) {
    f.PaintBoxMeshMouseDown(Qt::LeftButton, x, y);
    f.PaintBoxMeshMouseUp(Qt::LeftButton, x, y);
  }

 private slots:
  void zoomSequenceButtonsAndLabels() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(1201)));
    f.msiZoom1div32xClick();
    QCOMPARE(f.Zoom, -32);
    QCOMPARE(f.PaintBoxWidth(), 37);
    QCOMPARE(f.PaintBoxHeight(), 37);
    QCOMPARE(f.LabelZoom->text(), QString("1/32x"));
    QVERIFY(f.ToolButtonZoomIn->isEnabled());
    QVERIFY(!f.ToolButtonZoomOut->isEnabled());
    QVERIFY(f.ToolButtonZoom1x->isEnabled());
    f.ToolButtonZoomOutClick();  // nothing at the end
    QCOMPARE(f.Zoom, -32);
    const QStringList labels{"1/16x", "1/8x", "1/4x", "1/2x", "1x", "2x", "4x", "8x", "16x"};
    for (int i = 0; i < labels.size(); ++i) {
      f.ToolButtonZoomInClick();
      QCOMPARE(f.LabelZoom->text(), labels[i]);
      QVERIFY(f.ZoomItems[i + 1]->isChecked());
      QCOMPARE(f.ToolButtonZoom1x->isEnabled(), f.Zoom != 1);
      QCOMPARE(f.ToolButtonZoomIn->isEnabled(), f.Zoom <= 8);
      QCOMPARE(f.ToolButtonZoomOut->isEnabled(), f.Zoom >= -16);
    }
    QCOMPARE(f.Zoom, 16);
    QCOMPARE(f.PaintBoxWidth(), 19216);
    f.ToolButtonZoomInClick();
    QCOMPARE(f.Zoom, 16);
    f.ToolButtonZoom1xClick();
    QCOMPARE(f.Zoom, 1);
    QVERIFY(f.msiZoom1x->isChecked());
    QVERIFY(!f.ToolButtonZoom1x->isEnabled());
    f.msiZoom1div2xClick();
    f.ToolButtonZoomInClick();
    QCOMPARE(f.Zoom, 1);
    f.ToolButtonZoomOutClick();
    QCOMPARE(f.Zoom, -2);
  }

  void relativeScrollPositionIsKept() {
    TFormViewMesh f;
    f.resize(900, 700);
    f.show();
    QVERIFY(f.AttachMesh(Mesh(4001)));
    f.msiZoom1div2xClick();
    QScrollBar* h = f.ScrollBoxMesh->horizontalScrollBar();
    QScrollBar* v = f.ScrollBoxMesh->verticalScrollBar();
    QVERIFY(h->maximum() > 0);
    const int oldMaxH = h->maximum(), oldMaxV = v->maximum();
    h->setValue(oldMaxH / 2);
    v->setValue(oldMaxV / 3);
    f.msiZoom1div4xClick();
    QCOMPARE(h->maximum(), 1000 - f.ScrollBoxMesh->viewport()->width());
    QCOMPARE(h->value(), int(KeepRelativeScroll(oldMaxH / 2, oldMaxH, h->maximum())));
    QCOMPARE(v->value(), int(KeepRelativeScroll(oldMaxV / 3, oldMaxV, v->maximum())));
    // Arrow keys scroll by 4 x |Zoom|.
    const int before = h->value();
    f.FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    QCOMPARE(h->value(), before + 16);
    f.msiZoom8xClick();
    const int vb = v->value();
    f.FormKeyDown(Qt::Key_Down, Qt::NoModifier);
    QCOMPARE(v->value(), vb + 32);
  }

  void paintShowsImageOutlineAndGrid() {
    TFormViewMesh f;
    f.resize(900, 700);
    f.show();
    QVERIFY(f.AttachMesh(Mesh(2401, 2)));
    QVERIFY(f.miShowGrid->isEnabled());
    f.ScrollBoxMesh->RenderBuffer();
    const TTPalette& pal = MeshPalette();
    QCOMPARE(f.ScrollBoxMesh->Buffer().pixel(300, 200) | 0xFF000000u,
             pal[f.MeshBitmap.pixelIndex(300, 200)]);
    // Grid on: lines at 1200 and 2400 (yellow), none at 0.
    f.ToolButtonShowGrid->setChecked(true);
    f.ToolButtonShowGridClick();
    QVERIFY(f.miShowGrid->isChecked());
    f.ScrollBoxMesh->SetScroll(1000, 1000);
    f.ScrollBoxMesh->RenderBuffer();
    const QImage& g = f.ScrollBoxMesh->Buffer();
    QCOMPARE(QColor(g.pixel(50, 200)), QColor(255, 255, 0));  // y = 1200
    QCOMPARE(QColor(g.pixel(200, 50)), QColor(255, 255, 0));  // x = 1200
    QVERIFY(QColor(g.pixel(50, 201)) != QColor(255, 255, 0));
    f.miShowGrid->trigger();  // the item checks itself and releases the button
    QVERIFY(!f.ToolButtonShowGrid->isChecked());
    f.ScrollBoxMesh->RenderBuffer();
    QVERIFY(QColor(f.ScrollBoxMesh->Buffer().pixel(50, 200)) != QColor(255, 255, 0));
    // A rectangle selection is outlined in aqua at 1x.
    f.ScrollBoxMesh->SetScroll(0, 0);
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 10, 20);
    f.PaintBoxMeshMouseMove(40, 60);
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 40, 60);
    f.ScrollBoxMesh->RenderBuffer();
    const QImage& s = f.ScrollBoxMesh->Buffer();
    QCOMPARE(QColor(s.pixel(10, 20)), QColor(0, 255, 255));
    QCOMPARE(QColor(s.pixel(40, 60)), QColor(0, 255, 255));
    QCOMPARE(QColor(s.pixel(25, 60)), QColor(0, 255, 255));
    QVERIFY(QColor(s.pixel(25, 40)) != QColor(0, 255, 255));
  }

  void rectangleSelection() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(1201)));
    f.msiZoom2xClick();
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 0, 0);
    QVERIFY(f.RectDragging);
    f.PaintBoxMeshMouseMove(20, 21);
    QVERIFY(f.LabelCursor->text().isEmpty());  // no read-out while dragging
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 20, 21);
    QVERIFY(f.RectSelected && !f.RectDragging);
    QCOMPARE(f.Mesh->SelRect, (TCellRect{0, 10, 0, 10}));
    QVERIFY(f.miUnselect->isEnabled() && f.miFillSelection->isEnabled());
    QVERIFY(f.ToolButtonFillAll->isEnabled());
    TFormViewMesh::TEditSelection e = f.EditSelection();
    QCOMPARE(e.Rect, (TCellRect{0, 10, 0, 10}));
    QVERIFY(e.Mask == nullptr);
    // The reverse drag selects the same rectangle.
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 21, 20);
    QVERIFY(!f.RectSelected);
    QCOMPARE(f.Mesh->SelRect, f.Mesh->GridRect);
    f.PaintBoxMeshMouseMove(1, 0);
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 1, 0);
    QCOMPARE(f.Mesh->SelRect, (TCellRect{0, 10, 0, 10}));
    // A click without movement leaves nothing selected.
    Click(f, 30, 30);
    QVERIFY(!f.RectSelected);
    QCOMPARE(f.Mesh->SelRect, f.Mesh->GridRect);
    QVERIFY(!f.miUnselect->isEnabled());
    // Moves beyond the paint box are limited to it.
    f.msiZoom1xClick();
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 1190, 1195);
    f.PaintBoxMeshMouseMove(5000, 9000);
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 5000, 9000);
    QCOMPARE(f.Mesh->SelRect, (TCellRect{1190, 1200, 1195, 1200}));
    // Esc drops it.
    f.FormKeyDown(Qt::Key_Escape, Qt::NoModifier);
    QVERIFY(!f.RectSelected);
    QCOMPARE(f.Mesh->SelRect, f.Mesh->GridRect);
    // Mouse input off: presses are ignored.
    f.MouseInputEnabled = false;
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 5, 5);
    QVERIFY(!f.RectDragging);
  }

  void polygonSelection() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(1201)));
    f.ToolButtonSelPoly->setChecked(true);
    f.ToolButtonSelPolyClick();
    // At 1x: a click 5.66 pixels from the first vertex closes the polygon.
    for (QPoint p : {QPoint(10, 10), QPoint(50, 10), QPoint(50, 50)}) Click(f, p.x(), p.y());
    QCOMPARE(f.PolySel.Count, 3);
    QVERIFY(!f.miFillSelection->isEnabled());
    Click(f, 14, 14);
    QVERIFY(f.PolySel.Closed);
    QCOMPARE(f.PolySel.Count, 4);
    QCOMPARE(f.PolySel.Points[3], (TTCellPoint{10, 10}));
    QVERIFY(f.miFillSelection->isEnabled());
    // ... 8.49 pixels away adds a vertex instead.
    f.Unselect();
    for (QPoint p : {QPoint(10, 10), QPoint(50, 10), QPoint(50, 50), QPoint(16, 16)})
      Click(f, p.x(), p.y());
    QVERIFY(!f.PolySel.Closed);
    QCOMPARE(f.PolySel.Count, 4);
    // A press after closing starts a new polygon at the press.
    Click(f, 10, 10);
    QVERIFY(f.PolySel.Closed);
    Click(f, 200, 300);
    QVERIFY(!f.PolySel.Closed);
    QCOMPARE(f.PolySel.Count, 1);
    QCOMPARE(f.PolySel.Points[0], (TTCellPoint{200, 300}));
    QVERIFY(!f.miFillSelection->isEnabled());

    // At 4x a click inside the block of cell (3, 5) stores (3, 5); closing is
    // measured against pixel (12, 20).
    f.Unselect();
    f.msiZoom4xClick();
    Click(f, 14, 23);
    QCOMPARE(f.PolySel.Points[0], (TTCellPoint{3, 5}));
    Click(f, 40, 20);
    Click(f, 40, 60);
    Click(f, 19, 27);  // snapped to (16, 24): 5.66 from (12, 20)
    QVERIFY(f.PolySel.Closed);

    // The triangle's mask goes to the edit with its bounds.
    f.Unselect();
    f.msiZoom1xClick();
    for (QPoint p : {QPoint(0, 0), QPoint(10, 0), QPoint(0, 10), QPoint(1, 1)})
      Click(f, p.x(), p.y());
    QVERIFY(f.PolySel.Closed);
    TFormViewMesh::TEditSelection e = f.EditSelection();
    QCOMPARE(e.Rect, (TCellRect{0, 10, 0, 10}));
    QVERIFY(e.Mask && e.Mask->Get(0, 10) && !e.Mask->Get(10, 10));
    // Switching the tool drops the polygon.
    f.ToolButtonSelRect->setChecked(true);
    f.ToolButtonSelRectClick();
    QCOMPARE(f.PolySel.Count, 0);
    QVERIFY(!f.PolySel.Closed);
    QCOMPARE(f.EditSelection().Rect, f.Mesh->GridRect);
  }

  void polygonClosedOnOneVertexSelectsOneCell() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(101)));
    f.ToolButtonSelPoly->setChecked(true);
    Click(f, 20, 30);
    Click(f, 22, 31);
    QVERIFY(f.PolySel.Closed);
    QCOMPARE(f.PolySel.Count, 2);
    TFormViewMesh::TEditSelection e = f.EditSelection();
    QCOMPARE(e.Rect, (TCellRect{20, 20, 30, 30}));
    QVERIFY(e.Mask && e.Mask->Get(20, 30));
  }

  void cursorReadout() {
    TFormViewMesh f;
    TTestMeshLayout s;  // 47 N, 123 W, 1201 rows, 1200 per degree
    auto m = MakeTestMesh(s, [](int32_t x, int32_t y) {
      return int16_t(x == 300 && y == 601 ? 123 : (x == 5 && y == 5 ? -32768 : 0));
    });
    QVERIFY(f.AttachMesh(std::move(m)));
    // The texts themselves are pinned by the core test; here the wiring.
    f.msiGeoRefFmt_DClick();
    QVERIFY(f.msiGeoRefFmt_D->isChecked());
    f.PaintBoxMeshMouseMove(300, 600);  // row 600 of 0..1200 is half way
    QVERIFY(f.LabelCursor->text().contains("(+47.5000) (-122.7500)"));
    f.PaintBoxMeshMouseMove(5, 5);
    QVERIFY(f.LabelCursor->text().endsWith("(void)"));
    // At 2x the read-out takes the unsnapped pixel's cell.
    f.msiZoom2xClick();
    f.PaintBoxMeshMouseMove(601, 1203);
    QVERIFY(f.LabelCursor->text().startsWith("(X,Y) = (300) (601) "));
    // Outside the paint box the label is cleared.
    f.PaintBoxMeshMouseMove(f.PaintBoxWidth() + 5, 3);
    QVERIFY(f.LabelCursor->text().isEmpty());
  }

  void realMouseEventsOnTheScrolledView() {
    TFormViewMesh f;
    f.resize(900, 700);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(f.AttachMesh(Mesh(1201)));
    f.msiZoom2xClick();
    f.ScrollBoxMesh->SetScroll(100, 60);
    QWidget* vp = f.ScrollBoxMesh->viewport();
    // Viewport (10, 20) is paint-box pixel (110, 80): cell (55, 40).
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QTest::mouseMove(vp, QPoint(31, 45));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(31, 45));
    QVERIFY(f.RectSelected);
    QCOMPARE(f.Mesh->SelRect, (TCellRect{55, 65, 40, 52}));
    // A move with no button shows the read-out of the cell under the mouse.
    QTest::mouseMove(vp, QPoint(11, 21));
    QVERIFY(f.LabelCursor->text().startsWith("(X,Y) = (55) (40) "));
    // The tool bar is over no cell.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(f.ToolBarMain, &enter);
    QVERIFY(f.LabelCursor->text().isEmpty());
    // While a long command runs, presses on the image and menu shortcuts
    // do nothing.
    f.EnableUserInput(false);
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QVERIFY(f.RectSelected && !f.RectDragging);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    f.activateWindow();
    if (QTest::qWaitForWindowActive(&f)) {
      QTest::keyClick(vp, Qt::Key_S, Qt::ControlModifier);
      QVERIFY(f.RectSelected);
      f.EnableUserInput(true);
      QTest::keyClick(vp, Qt::Key_S, Qt::ControlModifier);  // Unselect
      QVERIFY(!f.RectSelected);
    }
    f.EnableUserInput(true);
  }

  // The colour rule and the hatch pattern are the core's; here the
  // commands that recolour and the band item's state.
  void recolourCommandsAndHatchItem() {
    TFormViewMesh f;
    TTestMeshLayout s;
    s.Cols = 40;
    s.Rows = 30;
    s.AdjoNorth = 5;
    auto m = MakeTestMesh(s, [](int32_t x, int32_t) { return int16_t(x * 100 - 500); });
    QVERIFY(f.AttachMesh(std::move(m)));
    QCOMPARE(f.MeshBitmap.pixelIndex(5, 10), 254);  // 0: sea
    QCOMPARE(f.MeshBitmap.pixelIndex(10, 0), HatchIndex());
    // Sea colouring off: the whole mesh is recoloured, selection or not.
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 0, 10);
    f.PaintBoxMeshMouseMove(3, 13);
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 3, 13);
    f.miSeaAsBlue->trigger();
    QVERIFY(!f.miSeaAsBlue->isChecked());
    QCOMPARE(f.MeshBitmap.pixelIndex(0, 10), 0);
    QCOMPARE(f.MeshBitmap.pixelIndex(5, 10), 500 * 253 / 3900);  // 0 m, outside the rectangle
    // Raised above the range: light gray until the range is recomputed.
    f.Unselect();
    f.Mesh->SetCell(3, 12, 10000);
    f.RecolorSelRect();
    QCOMPARE(f.MeshBitmap.pixelIndex(39, 12), 253);
    f.miRecompTerrainColorsClick();
    QCOMPARE(f.Mesh->ColorMax, int16_t(10000));
    QVERIFY(f.MeshBitmap.pixelIndex(39, 12) < 253);
    // Hatch unchecked: the next recolour leaves the band plain.
    f.miHatchAdjoQuad->trigger();
    QVERIFY(f.MeshBitmap.pixelIndex(10, 0) != HatchIndex());
    f.CloseMesh();
    QVERIFY(f.miHatchAdjoQuad->isChecked() && !f.miHatchAdjoQuad->isVisible());
  }
};

DELVA_TEST_MAIN(FormViewMeshViewTest)
#include "form_view_mesh_view_test.moc"
