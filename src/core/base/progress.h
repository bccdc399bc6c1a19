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

// A part of a longer run: its 0..100 % become `from`..`to` % of the parent,
// so "tile k of N" or the steps of a command report one steady bar without
// range arithmetic at the caller. Pump and Esc go to the parent; labels too,
// but an empty one (the end of the part) leaves the parent's label alone,
// and showing or hiding the part leaves the parent's bar as it is. The
// parent must have been given the range 0..100.
class TTSubProgress : public TTProgress {
 public:
  TTSubProgress(TTProgress* parent, double fromPercent, double toPercent)
      : parent_(parent), from_(fromPercent), to_(toPercent) {}
  void Pump() override { PumpParent(); }
  bool AbortRequested() override { return parent_ && parent_->AbortRequested(); }

 protected:
  void BarPositionChanged(int position) override;
  void LabelTextChanged(const std::string& text) override;

 private:
  void PumpParent() {
    if (parent_) parent_->Pump();
  }
  TTProgress* parent_;
  double from_, to_;
};

// Null-tolerant helpers: core operations accept an absent progress object.
inline void PumpMessages(TTProgress* progress) {
  if (progress) progress->Pump();
}
inline bool AbortPending(TTProgress* progress) { return progress && progress->AbortRequested(); }

// "42 %": the percentage as a fixed-point number without decimals.
std::string FormatPercent(double percent);
