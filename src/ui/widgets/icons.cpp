#include "ui/widgets/icons.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>
#include <memory>

// The resources live in a static library; referencing them keeps the
// linker from dropping them. (Must be at global scope.)
static int InitIconResources() {
  Q_INIT_RESOURCE(icons);
  return 1;
}

namespace {
void InitResources() {
  static int done = InitIconResources();
  (void)done;
}

// Renders the SVG at the exact pixel size asked for, so icons stay sharp
// at any scale instead of being stretched from one bitmap. The file is
// parsed at the first paint and kept (copies share it), not parsed again on
// every paint.
class TSvgEngine : public QIconEngine {
 public:
  explicit TSvgEngine(const QString& path) : path_(path) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    if (mode == QIcon::Disabled) painter->setOpacity(0.35);
    if (!renderer_) renderer_ = std::make_shared<QSvgRenderer>(path_);
    renderer_->render(painter, rect);
    painter->setOpacity(1.0);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    QPixmap pm = pixmap(size * scale, mode, state);
    pm.setDevicePixelRatio(scale);
    return pm;
  }
  QIconEngine* clone() const override { return new TSvgEngine(*this); }

 private:
  QString path_;
  std::shared_ptr<QSvgRenderer> renderer_;
};

QPixmap RenderSvg(const QString& path, QSize logical, qreal ratio) {
  QPixmap pm(logical * ratio);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  QSvgRenderer(path).render(&p, QRectF(QPointF(0, 0), QSizeF(pm.size())));
  p.end();
  pm.setDevicePixelRatio(ratio);
  return pm;
}
}  // namespace

QIcon ToolIcon(const char* name) {
  InitResources();
  return QIcon(new TSvgEngine(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(name))));
}

QIcon AppIcon() {
  InitResources();
  return QIcon(new TSvgEngine(QStringLiteral(":/icons/delva.svg")));
}

QCursor PolygonCursor() {
  InitResources();
  qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
  if (ratio < 1) ratio = 1;
  return QCursor(RenderSvg(QStringLiteral(":/icons/polysel_cursor.svg"), QSize(32, 32), ratio), 16,
                 16);
}
