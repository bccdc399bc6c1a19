#include "ui/main/mesh_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/main/form_view_mesh.h"

TMeshView::TMeshView(TFormViewMesh* form) : QAbstractScrollArea(form), form_(form) {
  setObjectName("ScrollBoxMesh");
  viewport()->setObjectName("PaintBoxMesh");
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  horizontalScrollBar()->setSingleStep(16);
  verticalScrollBar()->setSingleStep(16);
  setFocusPolicy(Qt::StrongFocus);
}

void TMeshView::SetContentSize(int w, int h) {
  content_w_ = w;
  content_h_ = h;
  UpdateRanges();
}

void TMeshView::UpdateRanges() {
  QSize vs = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, content_w_ - vs.width()));
  horizontalScrollBar()->setPageStep(std::max(1, vs.width()));
  verticalScrollBar()->setRange(0, std::max(0, content_h_ - vs.height()));
  verticalScrollBar()->setPageStep(std::max(1, vs.height()));
}

int TMeshView::ScrollX() const { return horizontalScrollBar()->value(); }
int TMeshView::ScrollY() const { return verticalScrollBar()->value(); }

void TMeshView::SetScroll(int x, int y) {
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(y);
}

void TMeshView::RepaintNow() { viewport()->repaint(); }

void TMeshView::RenderBuffer() {
  QSize vs = viewport()->size();
  if (buffer_.size() != vs) buffer_ = QImage(vs, QImage::Format_RGB32);
  if (buffer_.isNull()) return;
  form_->PaintArea(buffer_, ScrollX(), ScrollY());
}

void TMeshView::paintEvent(QPaintEvent*) {
  RenderBuffer();
  QPainter p(viewport());
  p.drawImage(0, 0, buffer_);
}

void TMeshView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateRanges();
}

void TMeshView::scrollContentsBy(int, int) { viewport()->update(); }

void TMeshView::mousePressEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  form_->PaintBoxMeshMouseDown(e->button(), p.x() + ScrollX(), p.y() + ScrollY());
}

void TMeshView::mouseMoveEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  form_->PaintBoxMeshMouseMove(p.x() + ScrollX(), p.y() + ScrollY());
}

void TMeshView::mouseReleaseEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  form_->PaintBoxMeshMouseUp(e->button(), p.x() + ScrollX(), p.y() + ScrollY());
}
