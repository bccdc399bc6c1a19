#include "support/ui/modal_driver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs) {
  auto* timer = new QTimer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(w);
    } else if (clock->elapsed() > timeoutMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(5);
}
