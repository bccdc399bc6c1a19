#include "app/window_progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

void TTWindowProgress::Pump() { QCoreApplication::processEvents(); }

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
