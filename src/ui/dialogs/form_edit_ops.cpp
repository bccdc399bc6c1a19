#include "ui/dialogs/form_edit_ops.h"
#include "core/edit/mesh_edit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "ui/widgets/app_folders.h"

namespace {

// Values shared by all instances for the program's run.
struct TChangeValMemory {
  int org = 0, replacement = 0;
} g_change;
struct TRestrictMemory {
  bool upper = false, lower = false;
  int upperValue = 0, lowerValue = 0;
} g_restrict;
struct TOffsetMemory {
  int offset = 0;
} g_offset;
struct TFillMemory {
  bool remembered = false;
  int value = 0, item = 0;
} g_fill;

QSpinBox* SampleField(QWidget* parent, const char* name, int value) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(name);
  s->setRange(-32768, 32767);
  s->setValue(value);
  return s;
}

}  // namespace

void ResetRememberedEditValues() {
  g_change = {};
  g_restrict = {};
  g_offset = {};
  g_fill = {};
}

TFormEditBase::TFormEditBase(QWidget* parent, const QString& caption, const QString& helpPage)
    : QDialog(parent), help_page_(helpPage) {
  setWindowTitle(caption);
  BitBtnExecute = new QPushButton("Execute", this);
  BitBtnExecute->setObjectName("BitBtnExecute");
  BitBtnExecute->setDefault(true);
  BitBtnCancel = new QPushButton("Cancel", this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  BitBtnHelp = new QPushButton("Help", this);
  BitBtnHelp->setObjectName("BitBtnHelp");
  BitBtnHelp->setAutoDefault(false);
  connect(BitBtnExecute, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(BitBtnHelp, &QPushButton::clicked, this, &TFormEditBase::BitBtnHelpClick);

  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtnExecute);
  buttons->addWidget(BitBtnCancel);
  buttons->addWidget(BitBtnHelp);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormEditBase::SetFields(QWidget* fields) {
  static_cast<QVBoxLayout*>(layout())->insertWidget(0, fields);
}

void TFormEditBase::BitBtnHelpClick() { ShowHelpTopic(this, help_page_); }

// ---------------------------------------------------------------- change

TFormMeshChangeVal::TFormMeshChangeVal(QWidget* parent)
    : TFormEditBase(parent, "Change Elevation Value", "operations_change_elev_val.htm") {
  auto* fields = new QWidget(this);
  auto* grid = new QGridLayout(fields);
  SpinEditOrgValue = SampleField(fields, "SpinEditOrgValue", g_change.org);
  SpinEditNewValue = SampleField(fields, "SpinEditNewValue", g_change.replacement);
  grid->addWidget(new QLabel("Current Value", fields), 0, 0);
  grid->addWidget(SpinEditOrgValue, 0, 1);
  grid->addWidget(new QLabel("New Value", fields), 1, 0);
  grid->addWidget(SpinEditNewValue, 1, 1);
  SetFields(fields);
}

void TFormMeshChangeVal::done(int result) {
  g_change.org = SpinEditOrgValue->value();
  g_change.replacement = SpinEditNewValue->value();
  TFormEditBase::done(result);
}

// -------------------------------------------------------------- restrict

TFormRestrictHeight::TFormRestrictHeight(QWidget* parent)
    : TFormEditBase(parent, "Restrict Elevation", "operations_restrict_elev.htm") {
  auto* fields = new QWidget(this);
  auto* col = new QVBoxLayout(fields);
  auto group = [&](const char* name, const QString& title, QCheckBox*& check, const char* spinName,
                   QSpinBox*& spin, bool on, int value) {
    auto* g = new QGroupBox(title, fields);
    g->setObjectName(name);
    auto* row = new QHBoxLayout(g);
    check = new QCheckBox("Restrict to:", g);
    check->setChecked(on);
    spin = SampleField(g, spinName, value);
    row->addWidget(check);
    row->addWidget(spin);
    col->addWidget(g);
    return g;
  };
  GroupBoxUpper = group("GroupBoxUpper", " Upper Limit  ", CheckBoxUpper, "SpinEditUpper",
                        SpinEditUpper, g_restrict.upper, g_restrict.upperValue);
  CheckBoxUpper->setObjectName("CheckBoxUpper");
  GroupBoxLower = group("GroupBoxLower", " Lower Limit ", CheckBoxLower, "SpinEditLower",
                        SpinEditLower, g_restrict.lower, g_restrict.lowerValue);
  CheckBoxLower->setObjectName("CheckBoxLower");
  SetFields(fields);
}

uint16_t TFormRestrictHeight::Flags() const {
  return uint16_t((CheckBoxLower->isChecked() ? 1 : 0) | (CheckBoxUpper->isChecked() ? 2 : 0));
}

void TFormRestrictHeight::done(int result) {
  g_restrict = {CheckBoxUpper->isChecked(), CheckBoxLower->isChecked(), SpinEditUpper->value(),
                SpinEditLower->value()};
  TFormEditBase::done(result);
}

// ---------------------------------------------------------------- offset

TFormAddVertOffset::TFormAddVertOffset(QWidget* parent)
    : TFormEditBase(parent, "Add Elevation Offset", "operations_add_elev_offset.htm") {
  auto* fields = new QWidget(this);
  auto* row = new QHBoxLayout(fields);
  SpinEditVertOffset = new QSpinBox(fields);
  SpinEditVertOffset->setObjectName("SpinEditVertOffset");
  SpinEditVertOffset->setRange(INT_MIN, INT_MAX);
  SpinEditVertOffset->setValue(g_offset.offset);
  row->addWidget(new QLabel("Offset", fields));
  row->addWidget(SpinEditVertOffset);
  SetFields(fields);
}

void TFormAddVertOffset::done(int result) {
  g_offset.offset = SpinEditVertOffset->value();
  TFormEditBase::done(result);
}

// ------------------------------------------------------------------ fill

TFormFillRect::TFormFillRect(QWidget* parent)
    : TFormEditBase(parent, "Fill Selection", "editing_filling.htm") {
  auto* fields = new QWidget(this);
  auto* col = new QVBoxLayout(fields);
  auto* row = new QHBoxLayout;
  SpinEditFillingVal = SampleField(fields, "SpinEditFillingVal", g_fill.value);
  row->addWidget(new QLabel("Fill Value", fields));
  row->addWidget(SpinEditFillingVal);
  row->addStretch();
  col->addLayout(row);
  RadioGroupVoids = new QGroupBox(" Handling of voids ", fields);
  RadioGroupVoids->setObjectName("RadioGroupVoids");
  auto* items = new QHBoxLayout(RadioGroupVoids);  // three columns
  RadioGroupVoidsItems = new QButtonGroup(this);
  RadioButtonKeepVoids = new QRadioButton("Keep voids", RadioGroupVoids);
  RadioButtonVoidsOnly = new QRadioButton("Fill voids only", RadioGroupVoids);
  RadioButtonFillAll = new QRadioButton("Fill all", RadioGroupVoids);
  int id = 0;
  for (QRadioButton* b : {RadioButtonKeepVoids, RadioButtonVoidsOnly, RadioButtonFillAll}) {
    RadioGroupVoidsItems->addButton(b, id++);
    items->addWidget(b);
  }
  RadioGroupVoidsItems->button(g_fill.item)->setChecked(true);
  col->addWidget(RadioGroupVoids);
  SetFields(fields);
  if (g_fill.remembered) BitBtnExecute->setFocus();
}

int16_t TFormFillRect::Mode() const { return int16_t(RadioGroupVoidsItems->checkedId() + 1); }

void TFormFillRect::done(int result) {
  g_fill = {true, SpinEditFillingVal->value(), RadioGroupVoidsItems->checkedId()};
  TFormEditBase::done(result);
}

int16_t TFormMeshChangeVal::OrgValue() const { return int16_t(SpinEditOrgValue->value()); }
int16_t TFormMeshChangeVal::NewValue() const { return int16_t(SpinEditNewValue->value()); }
int16_t TFormRestrictHeight::Lower() const { return int16_t(SpinEditLower->value()); }
int16_t TFormRestrictHeight::Upper() const { return int16_t(SpinEditUpper->value()); }
int32_t TFormAddVertOffset::Offset() const { return SpinEditVertOffset->value(); }
int16_t TFormFillRect::Value() const { return int16_t(SpinEditFillingVal->value()); }
