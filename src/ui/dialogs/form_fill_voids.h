#pragma once

#include "core/edit/fill_voids.h"
#include "ui/dialogs/form_edit_ops.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The dialog of "Fill Voids...": the method (inverse distance, spline,
// second model), its fields, which voids to leave, and after a run the cells
// filled and left. "Execute" checks the fields and remembers them for the
// rest of the program's run; the command shows the dialog again with the
// result, so a second run (another method on what is left) is one click.
class TFormFillVoids : public TFormEditBase {
  Q_OBJECT
 public:
  explicit TFormFillVoids(QWidget* parent);

  // The request the fields describe (without the second model itself).
  TTFillRequest Request() const;
  QString SecondDemPath() const;
  // "Filled N void cells, M left." under the fields; Cancel becomes Close.
  void ShowResult(const TTFillRun& run);

  QComboBox* ComboBoxMethod;
  QSpinBox* SpinEditRadius;
  QLineEdit* MaskEditPower;
  QLineEdit* EditSecondDem;
  QPushButton* BitBtnBrowse;
  QCheckBox* CheckBoxInteriorOnly;
  QCheckBox* CheckBoxMaxVoid;
  QSpinBox* SpinEditMaxVoid;
  QLabel* LabelResult;

 public slots:
  void accept() override;

 private:
  void MethodChanged();
  void BrowseClick();
  double weight_ = 6.0;
};

// Forgets the remembered fields (tests).
void ResetRememberedFillVoidsValues();
