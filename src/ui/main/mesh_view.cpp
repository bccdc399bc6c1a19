#include "ui/main/mesh_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "core/view/view_geometry.h"
#include "ui/main/form_view_mesh.h"

TMeshView::TMeshView(TFormViewMesh* form) : QAbstractScrollArea(form), form_(form) {
  setObjectName("ScrollBoxMesh");
  viewport()->setObjectName("PaintBoxMesh");
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  horizontalScrollBar()->setSingleStep(16);
  verticalScrollBar()->setSingleStep(16);
  setFocusPolicy(Qt::StrongFocus);
  qApp->installEventFilter(this);
}

bool TMeshView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* ke = static_cast<QKeyEvent*>(event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (ke->key() == Qt::Key_Space && !ke->isAutoRepeat() && w && w->window() == window())
      space_held_ = event->type() == QEvent::KeyPress;
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void TMeshView::wheelEvent(QWheelEvent* e) {
  const QPoint delta = e->angleDelta();
  if (e->modifiers() & Qt::ControlModifier) {
    wheel_zoom_ += delta.y();
    const QPoint at = e->position().toPoint();
    for (; wheel_zoom_ >= 120; wheel_zoom_ -= 120) form_->ZoomAt(ZoomInFrom(form_->Zoom), at);
    for (; wheel_zoom_ <= -120; wheel_zoom_ += 120) form_->ZoomAt(ZoomOutFrom(form_->Zoom), at);
    e->accept();
    return;
  }
  if (e->modifiers() & Qt::ShiftModifier) {
    // Some systems already turn Shift+wheel into a horizontal delta.
    const int d = delta.y() != 0 ? delta.y() : delta.x();
    QScrollBar* h = horizontalScrollBar();
    h->setValue(h->value() - d * h->singleStep() * 3 / 120);
    e->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(e);
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
  form_->UpdateSelectionLabel();
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
  if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && space_held_)) {
    panning_ = true;
    pan_from_ = p;
    viewport()->setCursor(Qt::ClosedHandCursor);
    return;
  }
  form_->PaintBoxMeshMouseDown(e->button(), p.x() + ScrollX(), p.y() + ScrollY());
}

void TMeshView::mouseMoveEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  if (panning_) {
    SetScroll(ScrollX() - (p.x() - pan_from_.x()), ScrollY() - (p.y() - pan_from_.y()));
    pan_from_ = p;
    return;
  }
  form_->PaintBoxMeshMouseMove(p.x() + ScrollX(), p.y() + ScrollY());
}

void TMeshView::mouseReleaseEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  if (panning_) {
    panning_ = false;
    viewport()->unsetCursor();
    return;
  }
  form_->PaintBoxMeshMouseUp(e->button(), p.x() + ScrollX(), p.y() + ScrollY());
}
