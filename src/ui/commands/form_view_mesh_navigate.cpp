// Map-style navigation of the main window: zoom about the cursor, Zoom to
// Fit, Zoom to Selection, the selection's size in the status line,
// Hillshade and the gray-scale legend.

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include "core/base/number_text.h"
#include "core/view/cursor_readout.h"
#include "core/view/mesh_image.h"
#include "core/view/view_geometry.h"
#include "ui/main/form_view_mesh.h"
#include "ui/main/mesh_view.h"

void TFormViewMesh::ZoomAt(int newZoom, QPoint anchor) {
  if (!Mesh || ZoomIndex(newZoom) < 0 || newZoom == Zoom) return;
  const int64_t x = AnchoredScroll(ScrollBoxMesh->ScrollX(), anchor.x(), Zoom, newZoom);
  const int64_t y = AnchoredScroll(ScrollBoxMesh->ScrollY(), anchor.y(), Zoom, newZoom);
  SetZoom(newZoom);
  ScrollBoxMesh->SetScroll(int(std::min<int64_t>(x, INT32_MAX)),
                           int(std::min<int64_t>(y, INT32_MAX)));
}

void TFormViewMesh::ZoomToRect(const TCellRect& rect) {
  if (!Mesh || rect.IsEmpty()) return;
  const QSize view = ScrollBoxMesh->viewport()->size();
  SetZoom(FitZoom(rect.Width(), rect.Height(), view.width(), view.height()));
  // The rectangle's middle in the middle of the view.
  const int64_t cx = CellToPixel((int64_t(rect.Left) + rect.Right + 1) / 2, Zoom);
  const int64_t cy = CellToPixel((int64_t(rect.Top) + rect.Bottom + 1) / 2, Zoom);
  ScrollBoxMesh->SetScroll(int(std::max<int64_t>(0, cx - view.width() / 2)),
                           int(std::max<int64_t>(0, cy - view.height() / 2)));
}

void TFormViewMesh::miZoomToFitClick() {
  if (Mesh) ZoomToRect(Mesh->GridRect);
}

void TFormViewMesh::miZoomToSelectionClick() {
  if (Mesh) ZoomToRect(SelectionShown());
}

TCellRect TFormViewMesh::SelectionShown() const {
  if (!Mesh) return TCellRect{};
  if (PolySel.Closed && PolySel.Count > 0) return PolySel.Bounds;
  if (RectSelected) return Mesh->SelRect;
  return Mesh->GridRect;
}

void TFormViewMesh::UpdateSelectionLabel() {
  if (!LabelSelection) return;
  const bool any = Mesh && ((PolySel.Closed && PolySel.Count > 0) || RectSelected);
  LabelSelection->setText(any ? QString::fromStdString(SelectionSizeText(*Mesh, SelectionShown()))
                              : QString());
}

void TFormViewMesh::miHillshadeClick() {
  Doc.Hillshade = miHillshade->isChecked();
  if (!Mesh) return;
  TWaitCursor wait;
  RecolorRect(Mesh->GridRect);
  PaintMesh();
}

void TFormViewMesh::UpdateLegend() {
  if (!LabelLegend) return;
  LabelLegend->setVisible(Mesh != nullptr);
  if (!Mesh) return;
  const QString low = QString::fromStdString(FormatGrouped(Mesh->ColorMin) + " m");
  const QString high = QString::fromStdString(FormatGrouped(Mesh->ColorMax) + " m");
  const QFontMetrics fm(LabelLegend->font());
  const int bar = 64, gap = 4, h = fm.height();
  const int wl = fm.horizontalAdvance(low), wh = fm.horizontalAdvance(high);
  QPixmap pix(wl + gap + bar + gap + wh, h);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  // The ramp as one row of pixels stretched to the bar's height: one
  // drawing instead of one line per column.
  QImage ramp(bar, 1, QImage::Format_RGB32);
  const TTPalette& pal = MeshPalette();
  for (int x = 0; x < bar; ++x) ramp.setPixel(x, 0, pal[size_t(x * 253 / (bar - 1))]);
  p.drawImage(QRect(wl + gap, 2, bar, h - 4), ramp);
  p.setPen(LabelLegend->palette().color(QPalette::WindowText));
  p.drawText(0, fm.ascent(), low);
  p.drawText(wl + gap + bar + gap, fm.ascent(), high);
  p.end();
  LabelLegend->setPixmap(pix);
  LabelLegend->setToolTip("Gray scale from " + low + " to " + high);
}
