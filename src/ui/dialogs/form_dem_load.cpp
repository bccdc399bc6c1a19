#include "ui/dialogs/form_dem_load.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

TFormDemLoad::TFormDemLoad(QWidget* parent, const QString& fileName, bool geographic,
                           double proposedDensity)
    : QDialog(parent) {
  setWindowTitle("Load DEM");
  auto* layout = new QVBoxLayout(this);
  LabelSource = new QLabel(
      fileName + (geographic ? "\nLatitude/longitude grid"
                             : "\nProjected: it is resampled onto a latitude/longitude grid"),
      this);
  layout->addWidget(LabelSource);
  CheckBoxWarp = new QCheckBox("Resample to a latitude/longitude grid", this);
  CheckBoxWarp->setChecked(!geographic);
  CheckBoxWarp->setEnabled(geographic);
  layout->addWidget(CheckBoxWarp);
  auto* form = new QFormLayout;
  SpinEditDensity = new QSpinBox(this);
  SpinEditDensity->setRange(1, 36000);
  SpinEditDensity->setValue(int(std::lround(proposedDensity > 0 ? proposedDensity : 1200)));
  SpinEditDensity->setSuffix(" cells per degree");
  ComboBoxMethod = new QComboBox(this);
  ComboBoxMethod->addItems({"Bilinear", "Cubic"});
  form->addRow("Density", SpinEditDensity);
  form->addRow("Resampling", ComboBoxMethod);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(" Load ");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto update = [this] {
    SpinEditDensity->setEnabled(CheckBoxWarp->isChecked());
    ComboBoxMethod->setEnabled(CheckBoxWarp->isChecked());
  };
  connect(CheckBoxWarp, &QCheckBox::toggled, this, update);
  update();
}

double TFormDemLoad::Density() const {
  return CheckBoxWarp->isChecked() ? SpinEditDensity->value() : 0.0;
}

bool TFormDemLoad::Cubic() const { return ComboBoxMethod->currentIndex() == 1; }
