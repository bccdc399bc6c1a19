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
  ShowPendingPosition();
  QCoreApplication::processEvents();
  last.start();
}

void TTWindowProgress::BarPositionChanged(int position) {
  if (!Bar) return;
  // The bar repaints at once whenever its percentage changes, and a tile's
  // load reports a hundred of them in a few milliseconds: it moves at most
  // every 10 ms (the rest waits for the next pump), and always to its end.
  pending_position_ = position;
  if (position < Bar->maximum() && bar_moved_.isValid() && bar_moved_.elapsed() < 10) return;
  ShowPendingPosition();
}

void TTWindowProgress::ShowPendingPosition() {
  if (!Bar || pending_position_ < 0) return;
  Bar->setValue(pending_position_);
  pending_position_ = -1;
  bar_moved_.start();
}

void TTWindowProgress::LabelTextChanged(const std::string& text) {
  if (PercentLabel) PercentLabel->setText(QString::fromStdString(text));
}

void TTWindowProgress::VisibilityChanged(bool visible) {
  if (visible) ShowPendingPosition();
  if (Bar) Bar->setVisible(visible);
  if (PercentLabel) PercentLabel->setVisible(visible);
}
