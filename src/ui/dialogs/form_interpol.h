#pragma once

#include "ui/dialogs/form_edit_ops.h"

class QGroupBox;
class QLineEdit;
class QSpinBox;

// The dialog of "Interpolate Voids...": neighbourhood radius and weight.
// Closing with "Execute" checks the weight (a number above 1) and then
// remembers both values for the rest of the program's run; Cancel remembers
// nothing.
class TFormInterpolNearestNei : public TFormEditBase {
  Q_OBJECT
 public:
  explicit TFormInterpolNearestNei(QWidget* parent);

  int Radius() const;
  // The weight accepted by the last successful check.
  double Weight() const { return weight_; }

  QGroupBox* GroupBoxIdw;
  QSpinBox* SpinEditRadius;
  QLineEdit* MaskEditPower;

 public slots:
  void accept() override;

 private:
  double weight_ = 6.0;
};

// The weight text as the dialog shows it: fixed-point with one decimal, more
// decimals only where one would change the value ("6.0", "1.25").
QString FormatWeight(double weight);

// Forgets the remembered radius and weight (tests).
void ResetRememberedInterpolValues();
