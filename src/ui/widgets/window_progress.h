#pragma once

#include <QElapsedTimer>

#include "core/base/progress.h"

class QLabel;
class QProgressBar;

// The progress reporter of the main window: moves its progress bar and
// percentage label. Pump() lets Qt process pending events (so the window
// repaints and Esc is seen); AbortRequested() reports the window's Esc flag.
class TTWindowProgress : public TTProgress {
 public:
  TTWindowProgress(QProgressBar* bar, QLabel* percentLabel, const bool* abortFlag)
      : Bar(bar), PercentLabel(percentLabel), abort_flag_(abortFlag) {}

  QProgressBar* Bar;     // not owned
  QLabel* PercentLabel;  // not owned

  void Pump() override;
  bool AbortRequested() override { return abort_flag_ && *abort_flag_; }

 protected:
  void BarPositionChanged(int position) override;
  void LabelTextChanged(const std::string& text) override;
  void VisibilityChanged(bool visible) override;

 private:
  void ShowPendingPosition();

  const bool* abort_flag_;
  QElapsedTimer bar_moved_;  // since the bar last moved
  int pending_position_ = -1;
};
