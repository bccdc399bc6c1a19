#include "core/base/progress.h"

#include <cmath>
#include <cstdio>

void TTProgress::SetRange(double lowest, double highest) {
  scale_ = (highest - lowest > 0) ? 100.0 / (highest - lowest) : 0.0;
}

void TTProgress::SetPosition(double value) {
  BarPositionChanged(static_cast<int>(std::trunc(value * scale_)));
}

void TTProgress::SetPositionPercent(double value) {
  double p = value * scale_;
  BarPositionChanged(static_cast<int>(std::trunc(p)));
  LabelTextChanged(FormatPercent(p));
}

void TTProgress::SetText(const std::string& text) { LabelTextChanged(text); }

void TTProgress::Show() { VisibilityChanged(true); }

void TTProgress::Hide() {
  VisibilityChanged(false);
  LabelTextChanged(std::string());
}

void TTSubProgress::BarPositionChanged(int position) {
  if (parent_) parent_->SetPosition(from_ + (to_ - from_) * position / 100.0);
}

void TTSubProgress::LabelTextChanged(const std::string& text) {
  if (parent_ && !text.empty()) parent_->SetText(text);
}

std::string FormatPercent(double percent) {
  // Halves round away from zero, whatever the C library's rounding mode.
  double r = std::round(percent);
  if (r == 0) r = 0;  // no "-0 %"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f %%", r);
  return buf;
}
