// The main window's view: zoom, painting of the visible part with its
// outlines and grid, and the selection by mouse.

#include "ui/main/form_view_mesh.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <clocale>
#include <cmath>

#include "core/base/app_name.h"
#include "core/mesh/poly_raster.h"
#include "core/settings/prog_cfg.h"
#include "core/view/cursor_readout.h"
#include "core/view/mesh_image.h"
#include "core/view/view_geometry.h"
#include "ui/dialogs/form_about.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/icons.h"
#include "ui/widgets/message_box.h"

namespace {
const QColor kAqua(0, 255, 255);
const QColor kYellow(255, 255, 0);
}  // namespace

// -------------------------------------------------------- zoom and paint

void TFormViewMesh::SetPaintBoxSize(int w, int h) {
  paint_box_w_ = w;
  paint_box_h_ = h;
  ScrollBoxMesh->SetContentSize(w, h);
}

void TFormViewMesh::PaintMesh() {
  if (MeshBitmap.isNull()) return;
  ScrollBoxMesh->RepaintNow();
}

void TFormViewMesh::ApplyZoom(int newZoom) {
  QScrollBar* h = ScrollBoxMesh->horizontalScrollBar();
  QScrollBar* v = ScrollBoxMesh->verticalScrollBar();
  const int ph = h->value(), eh = h->maximum();
  const int pv = v->value(), ev = v->maximum();
  Zoom = newZoom;
  if (Mesh)
    SetPaintBoxSize(int(ZoomedExtent(Mesh->Cols, Zoom)), int(ZoomedExtent(Mesh->Rows, Zoom)));
  {
    TWaitCursor wait;
    if (eh > 0) h->setValue(int(KeepRelativeScroll(ph, eh, h->maximum())));
    if (ev > 0) v->setValue(int(KeepRelativeScroll(pv, ev, v->maximum())));
    PaintMesh();
  }
}

void TFormViewMesh::ShowZoomLabel() { LabelZoom->setText(QString::fromStdString(ZoomLabel(Zoom))); }

void TFormViewMesh::UpdateZoomButtons() {
  ToolButtonZoomIn->setEnabled(Zoom <= 8);
  ToolButtonZoomOut->setEnabled(Zoom >= -16);
  ToolButtonZoom1x->setEnabled(Zoom != 1);
}

void TFormViewMesh::SetZoom(int newZoom) {
  int i = ZoomIndex(newZoom);
  if (i < 0) return;
  ZoomItems[i]->setChecked(true);
  ApplyZoom(newZoom);
  UpdateZoomButtons();
  ShowZoomLabel();
}

void TFormViewMesh::msiZoom1div32xClick() { SetZoom(-32); }
void TFormViewMesh::msiZoom1div16xClick() { SetZoom(-16); }
void TFormViewMesh::msiZoom1div8xClick() { SetZoom(-8); }
void TFormViewMesh::msiZoom1div4xClick() { SetZoom(-4); }
void TFormViewMesh::msiZoom1div2xClick() { SetZoom(-2); }
void TFormViewMesh::msiZoom1xClick() { SetZoom(1); }
void TFormViewMesh::msiZoom2xClick() { SetZoom(2); }
void TFormViewMesh::msiZoom4xClick() { SetZoom(4); }
void TFormViewMesh::msiZoom8xClick() { SetZoom(8); }
void TFormViewMesh::msiZoom16xClick() { SetZoom(16); }

void TFormViewMesh::ToolButtonZoomInClick() {
  if (!Mesh || Zoom == 16) return;
  SetZoom(ZoomInFrom(Zoom));
}

void TFormViewMesh::ToolButtonZoomOutClick() {
  if (!Mesh || Zoom == -32) return;
  SetZoom(ZoomOutFrom(Zoom));
}

void TFormViewMesh::ToolButtonZoom1xClick() {
  if (!Mesh) return;
  SetZoom(1);
}

bool TFormViewMesh::GridShown() const {
  return ToolButtonShowGrid->isChecked() && MeshSpansMoreThanOneDegree();
}

void TFormViewMesh::ToolButtonShowGridClick() {
  miShowGrid->setChecked(ToolButtonShowGrid->isChecked());
  PaintMesh();
}

void TFormViewMesh::miShowGridClick() {
  ToolButtonShowGrid->setChecked(miShowGrid->isChecked());
  PaintMesh();
}

namespace {
// An outline of the pixel rectangle (l, t)-(r, b) as the selection shows it.
void DrawSelRectOutline(QPainter& p, int64_t l, int64_t t, int64_t r, int64_t b, int zoom) {
  if (zoom <= 1) {
    p.fillRect(QRectF(l, t, r - l + 1, 1), kAqua);
    p.fillRect(QRectF(l, b, r - l + 1, 1), kAqua);
    p.fillRect(QRectF(l, t, 1, b - t + 1), kAqua);
    p.fillRect(QRectF(r, t, 1, b - t + 1), kAqua);
    return;
  }
  if (!(zoom < r - l && zoom < b - t)) return;
  p.fillRect(QRectF(l, t, r + zoom - l, zoom), kAqua);
  p.fillRect(QRectF(r, t, zoom, b + zoom - t), kAqua);
  p.fillRect(QRectF(l, b, r + zoom - l, zoom), kAqua);
  p.fillRect(QRectF(l, t, zoom, b + zoom - t), kAqua);
}

QPointF VertexPixel(const TTCellPoint& v, int zoom, double half) {
  return QPointF(double(CellToPixel(v.X, zoom)) + half, double(CellToPixel(v.Y, zoom)) + half);
}
}  // namespace

void TFormViewMesh::PaintArea(QImage& target, int px, int py) {
  const QColor background = palette().color(QPalette::Window);
  if (MeshBitmap.isNull() || !paint_box_visible_) {
    target.fill(background);
    return;
  }
  {
    // Only the parts of the view beyond the paint box show the background;
    // the rest is written once, by the sampling below.
    const int boxRight = paint_box_w_ - px, boxBottom = paint_box_h_ - py;
    QPainter bg(&target);
    if (boxRight < target.width())
      bg.fillRect(QRect(std::max(boxRight, 0), 0, target.width(), target.height()), background);
    if (boxBottom < target.height())
      bg.fillRect(QRect(0, std::max(boxBottom, 0), target.width(), target.height()), background);
  }

  TTViewSampler s;
  s.Image = MeshBitmap.constBits();
  s.ImageStride = MeshBitmap.bytesPerLine();
  s.ImageWidth = MeshBitmap.width();
  s.ImageHeight = MeshBitmap.height();
  s.Zoom = Zoom;
  s.Palette = MeshPalette().data();
  Doc.PaintView(s, px, py, target.width(), target.height(),
                reinterpret_cast<uint32_t*>(target.bits()), target.bytesPerLine() / 4);

  QPainter p(&target);
  p.translate(-px, -py);
  if (RectSelected && Mesh) {
    TPixelRect r = ScaleRect(Mesh->SelRect, Zoom);
    DrawSelRectOutline(p, r.Left, r.Top, r.Right, r.Bottom, Zoom);
  }
  if (RectDragging) {
    int l = std::min(DragStart.x(), DragEnd.x()), r = std::max(DragStart.x(), DragEnd.x());
    int t = std::min(DragStart.y(), DragEnd.y()), b = std::max(DragStart.y(), DragEnd.y());
    if (r > l && b > t) DrawSelRectOutline(p, l, t, r, b, Zoom);
  }
  if (PolySel.Count > 0) {
    const int w = Zoom >= 2 ? Zoom : 1;
    // Lines through pixel centres for a one-pixel pen, along the block's
    // middle for a wider one.
    const double half = w / 2.0;
    QPen pen(kAqua, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    for (int32_t i = 1; i < PolySel.Count; ++i)
      p.drawLine(VertexPixel(PolySel.Points[i - 1], Zoom, half),
                 VertexPixel(PolySel.Points[i], Zoom, half));
    if (PolySel.Count == 1) p.drawPoint(VertexPixel(PolySel.Points[0], Zoom, half));
    if (!PolySel.Closed)
      p.drawLine(VertexPixel(PolySel.Points[PolySel.Count - 1], Zoom, half),
                 VertexPixel(PolySel.RubberEnd, Zoom, half));
  }
  if (GridShown() && Mesh) {
    TGridLines g = ComputeGridLines(Mesh->ColsPerDeg, Mesh->RowsPerDeg, Mesh->Cols, Mesh->Rows,
                                    Zoom, paint_box_w_, paint_box_h_);
    const int w = g.PenWidth;
    const int64_t lo = w / 2;
    for (int64_t y : g.Horizontal)
      if (y + w > py && y - w < py + target.height())
        p.fillRect(QRectF(0, y - lo, g.EndX + 1, w), kYellow);
    for (int64_t x : g.Vertical)
      if (x + w > px && x - w < px + target.width())
        p.fillRect(QRectF(x - lo, 0, w, g.EndY + 1), kYellow);
  }
}

// ------------------------------------------------------------ selection

int TFormViewMesh::PixelToCol(int x) const {
  return Mesh ? PixelToCellClamped(x, Zoom, Mesh->Cols) : 0;
}
int TFormViewMesh::PixelToRow(int y) const {
  return Mesh ? PixelToCellClamped(y, Zoom, Mesh->Rows) : 0;
}
int TFormViewMesh::Snap(int v) const { return int(SnapPixel(v, Zoom)); }

void TFormViewMesh::ClearCursorLabel() { LabelCursor->clear(); }

void TFormViewMesh::Unselect() {
  if (!Mesh) return;
  ScrollBoxMesh->viewport()->unsetCursor();
  RectDragging = false;
  Doc.Unselect();
  EnableSelectionCommands(false);
  PaintMesh();
}

void TFormViewMesh::miUnselectClick() { Unselect(); }

void TFormViewMesh::ToolButtonSelRectClick() {
  ToolButtonSelRect->setChecked(true);
  Unselect();
  ScrollBoxMesh->viewport()->unsetCursor();
}

void TFormViewMesh::ToolButtonSelPolyClick() {
  ToolButtonSelPoly->setChecked(true);
  Unselect();
  ScrollBoxMesh->viewport()->unsetCursor();
}

void TFormViewMesh::msiGeoRefFmt_DMClick() {
  msiGeoRefFmt_DM->setChecked(true);
  GeoRefFormat = 1;
}

void TFormViewMesh::msiGeoRefFmt_DClick() {
  msiGeoRefFmt_D->setChecked(true);
  GeoRefFormat = 2;
}

void TFormViewMesh::PaintBoxMeshMouseDown(Qt::MouseButton button, int x, int y) {
  if (!Mesh || !MouseInputEnabled || !user_input_enabled_ || button != Qt::LeftButton) return;
  if (x < 0 || y < 0 || x >= paint_box_w_ || y >= paint_box_h_) return;
  x = Snap(x);
  y = Snap(y);
  const int c = PixelToCol(x), r = PixelToRow(y);
  Mesh->SelRect = Mesh->GridRect;
  QWidget* vp = ScrollBoxMesh->viewport();
  if (ToolButtonSelPoly->isChecked()) {
    if (PolySel.Closed) {
      Unselect();
      vp->setCursor(PolygonCursor());
      ClearCursorLabel();
      PolySel.AddPoint(c, r);
      PolySel.RubberEnd = {c, r};
      PaintMesh();
      return;
    }
    vp->setCursor(PolygonCursor());
    ClearCursorLabel();
    if (PolySel.Count > 0) {
      const TTCellPoint& f = PolySel.Points[0];
      double dx = double(CellToPixel(f.X, Zoom)) - x, dy = double(CellToPixel(f.Y, Zoom)) - y;
      if (std::sqrt(dx * dx + dy * dy) <= 7.0) {
        PolySel.AddPoint(f.X, f.Y);
        PolySel.Closed = true;
        EnableSelectionCommands(true);
        vp->unsetCursor();
        PaintMesh();
        return;
      }
    }
    PolySel.AddPoint(c, r);
    PolySel.RubberEnd = {c, r};
    PaintMesh();
    return;
  }
  Unselect();
  DragStart = DragEnd = QPoint(x, y);
  RectDragging = true;
  vp->setCursor(Qt::SizeAllCursor);
}

void TFormViewMesh::PaintBoxMeshMouseMove(int X, int Y) {
  if (!Mesh || !MouseInputEnabled) return;
  if (UndoList) UpdateUndoDebugLabel();
  int x = Snap(X), y = Snap(Y);
  if (PolySel.Count > 0 && !PolySel.Closed) {
    ScrollBoxMesh->viewport()->setCursor(PolygonCursor());
    PolySel.RubberEnd = {PixelToCol(x), PixelToRow(y)};
    ScrollBoxMesh->viewport()->update();
  } else if (RectDragging) {
    ClearCursorLabel();
    x = std::clamp(x, 0, std::max(0, paint_box_w_ - 1));
    y = std::clamp(y, 0, std::max(0, paint_box_h_ - 1));
    DragEnd = QPoint(x, y);
    ScrollBoxMesh->viewport()->update();
    return;
  }
  if (X < 0 || Y < 0 || X >= paint_box_w_ || Y >= paint_box_h_) {
    // Over the scroll area outside the paint box.
    ClearCursorLabel();
    return;
  }
  UpdateReadout(X, Y);
}

void TFormViewMesh::UpdateReadout(int X, int Y) {
  LabelCursor->setText(
      QString::fromStdString(CursorReadout(*Mesh, PixelToCol(X), PixelToRow(Y), GeoRefFormat)));
}

void TFormViewMesh::PaintBoxMeshMouseUp(Qt::MouseButton button, int, int) {
  if (!Mesh || !MouseInputEnabled || button != Qt::LeftButton || !RectDragging) return;
  int l = std::min(DragStart.x(), DragEnd.x()), r = std::max(DragStart.x(), DragEnd.x());
  int t = std::min(DragStart.y(), DragEnd.y()), b = std::max(DragStart.y(), DragEnd.y());
  if (r - l > 0 && b - t > 0) {
    Mesh->SelRect = TCellRect{int32_t(PixelToCell(l, Zoom)), int32_t(PixelToCell(r, Zoom)),
                              int32_t(PixelToCell(t, Zoom)), int32_t(PixelToCell(b, Zoom))};
    RectSelected = true;
    EnableSelectionCommands(true);
  }
  RectDragging = false;
  ScrollBoxMesh->viewport()->unsetCursor();
  ScrollBoxMesh->viewport()->update();
}
