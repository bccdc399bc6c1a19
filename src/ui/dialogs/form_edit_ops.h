#pragma once

// The dialogs of the four elevation edits. Each remembers its values for the
// rest of the program's run: whichever button closes it, the values are
// stored and the next instance starts from them.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Execute", Cancel and "Help" (opening `helpPage`) under the dialog's fields.
class TFormEditBase : public QDialog {
  Q_OBJECT
 public:
  TFormEditBase(QWidget* parent, const QString& caption, const QString& helpPage);

  QPushButton* BitBtnExecute;
  QPushButton* BitBtnCancel;
  QPushButton* BitBtnHelp;

 public slots:
  void BitBtnHelpClick();

 protected:
  // Puts the fields above the buttons.
  void SetFields(QWidget* fields);

 private:
  QString help_page_;
};

class TFormMeshChangeVal : public TFormEditBase {
  Q_OBJECT
 public:
  explicit TFormMeshChangeVal(QWidget* parent);
  void done(int result) override;
  int16_t OrgValue() const;
  int16_t NewValue() const;

  QSpinBox* SpinEditOrgValue;
  QSpinBox* SpinEditNewValue;
};

class TFormRestrictHeight : public TFormEditBase {
  Q_OBJECT
 public:
  explicit TFormRestrictHeight(QWidget* parent);
  void done(int result) override;
  // Bit 0: lower limit checked, bit 1: upper limit checked.
  uint16_t Flags() const;
  int16_t Lower() const;
  int16_t Upper() const;

  QGroupBox* GroupBoxUpper;
  QCheckBox* CheckBoxUpper;
  QSpinBox* SpinEditUpper;
  QGroupBox* GroupBoxLower;
  QCheckBox* CheckBoxLower;
  QSpinBox* SpinEditLower;
};

class TFormAddVertOffset : public TFormEditBase {
  Q_OBJECT
 public:
  explicit TFormAddVertOffset(QWidget* parent);
  void done(int result) override;
  int32_t Offset() const;

  QSpinBox* SpinEditVertOffset;
};

class TFormFillRect : public TFormEditBase {
  Q_OBJECT
 public:
  explicit TFormFillRect(QWidget* parent);
  void done(int result) override;
  // The fill mode code of the chosen item: 1 keep voids, 2 voids only, 3 all.
  int16_t Mode() const;
  int16_t Value() const;

  QSpinBox* SpinEditFillingVal;
  QGroupBox* RadioGroupVoids;
  QButtonGroup* RadioGroupVoidsItems;  // ids 0, 1, 2 in item order
  QRadioButton* RadioButtonKeepVoids;
  QRadioButton* RadioButtonVoidsOnly;
  QRadioButton* RadioButtonFillAll;
};

// Forgets every remembered value (tests start from the initial values).
void ResetRememberedEditValues();
