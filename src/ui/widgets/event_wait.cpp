#include "ui/widgets/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {
bool& Quitting() {
  static bool quitting = false;
  return quitting;
}
}  // namespace

bool WaitWithEvents(int ms) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || Quitting()) return !Quitting();
  static const bool hooked = [app] {
    QObject::connect(app, &QCoreApplication::aboutToQuit, [] { Quitting() = true; });
    return true;
  }();
  (void)hooked;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  QObject::connect(app, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
  loop.exec();
  return !Quitting();
}
