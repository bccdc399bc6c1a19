#include "ui/widgets/window_progress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

void TTWindowProgress::Pump() {
  // The loops call this once per row, thousands of times a second; letting
  // Qt look at its queues every 10 ms keeps the window just as lively (and
  // Esc as quick) at a fraction of the cost.
  static QElapsedTimer last;
  if (last.isValid() && last.elapsed() < 10) return;
  QCoreApplication::processEvents();
  last.start();
}

void TTWindowProgress::BarPositionChanged(int position) {
  if (Bar) Bar->setValue(position);
}

void TTWindowProgress::LabelTextChanged(const std::string& text) {
  if (PercentLabel) PercentLabel->setText(QString::fromStdString(text));
}

void TTWindowProgress::VisibilityChanged(bool visible) {
  if (Bar) Bar->setVisible(visible);
  if (PercentLabel) PercentLabel->setVisible(visible);
}
