#pragma once

#include <string>

// Progress reporting for long core operations. The core never sees a widget:
// the editor derives from this and moves its progress bar and label, the CLI
// prints percentages to stderr, tests record the calls.
//
// Positions are value x Scale (not (value - lowest) x Scale); every caller
// passes 0 as the lowest value. Pump() lets the front end process pending
// events once per row or buffer; AbortRequested() reports a pending Esc.
class TTProgress {
 public:
  virtual ~TTProgress() = default;

  void SetRange(double lowest, double highest);
  void SetPosition(double value);
  void SetPositionPercent(double value);
  void SetText(const std::string& text);
  void Show();
  void Hide();

  double Scale() const { return scale_; }

  virtual void Pump() {}
  virtual bool AbortRequested() { return false; }

 protected:
  // What a front end shows; called by the operations above.
  virtual void BarPositionChanged(int /*position*/) {}
  virtual void LabelTextChanged(const std::string& /*text*/) {}
  virtual void VisibilityChanged(bool /*visible*/) {}

 private:
  double scale_ = 0.0;
};

// Null-tolerant helpers: core operations accept an absent progress object.
inline void PumpMessages(TTProgress* progress) {
  if (progress) progress->Pump();
}
inline bool AbortPending(TTProgress* progress) { return progress && progress->AbortRequested(); }

// "42 %": the percentage as a fixed-point number without decimals.
std::string FormatPercent(double percent);
