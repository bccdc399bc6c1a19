#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>

class TFormViewMesh;

// The scroll area of the main window. The paint box (the zoomed mesh) is
// only a logical size: the viewport paints just its visible part, so a mesh
// of 230000 pixels square at 16x costs no more than a small one.
class TMeshView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TMeshView(TFormViewMesh* form);

  // Sets the scroll ranges for a paint box of w x h pixels.
  void SetContentSize(int w, int h);
  int ScrollX() const;
  int ScrollY() const;
  void SetScroll(int x, int y);
  // Repaints the viewport now (the tests and the long commands want the
  // picture without waiting for the event loop) or later.
  void RepaintNow();

  // The buffer the last paint sampled into (for tests and benchmarks).
  const QImage& Buffer() const { return buffer_; }
  // Paints the visible part into the buffer without a widget paint event.
  void RenderBuffer();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  // Ctrl+wheel zooms about the cursor, Shift+wheel scrolls across.
  void wheelEvent(QWheelEvent* event) override;
  // Space held for a left-button pan, wherever the focus is in the window.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateRanges();

  TFormViewMesh* form_;
  bool space_held_ = false;
  bool panning_ = false;
  QPoint pan_from_;     // viewport position at the last pan step
  int wheel_zoom_ = 0;  // angle delta gathered towards one zoom step
  int content_w_ = 0;
  int content_h_ = 0;
  QImage buffer_;
};
