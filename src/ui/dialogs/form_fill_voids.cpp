#include "ui/dialogs/form_fill_voids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <climits>

#include "ui/dialogs/form_interpol.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"

namespace {

struct TFillVoidsMemory {
  int method = 0, radius = 70;
  double weight = 6.0;
  QString secondDem;
  bool interiorOnly = false, limit = false;
  int maxVoid = 1000;
} g_fill;

}  // namespace

void ResetRememberedFillVoidsValues() { g_fill = {}; }

TFormFillVoids::TFormFillVoids(QWidget* parent)
    : TFormEditBase(parent, "Fill Voids", "operations_fill_voids.htm") {
  auto* fields = new QWidget(this);
  auto* grid = new QGridLayout(fields);
  ComboBoxMethod = new QComboBox(fields);
  ComboBoxMethod->setObjectName("ComboBoxMethod");
  ComboBoxMethod->addItems({"Inverse distance weighted average", "Spline with tension",
                            "From a second elevation model"});
  SpinEditRadius = new QSpinBox(fields);
  SpinEditRadius->setObjectName("SpinEditRadius");
  SpinEditRadius->setRange(1, 1000);
  SpinEditRadius->setValue(g_fill.radius);
  MaskEditPower = new QLineEdit(FormatWeight(g_fill.weight), fields);
  MaskEditPower->setObjectName("MaskEditPower");
  weight_ = g_fill.weight;
  EditSecondDem = new QLineEdit(g_fill.secondDem, fields);
  EditSecondDem->setObjectName("EditSecondDem");
  BitBtnBrowse = new QPushButton("Browse...", fields);
  BitBtnBrowse->setObjectName("BitBtnBrowse");
  CheckBoxInteriorOnly = new QCheckBox("Leave voids that touch the edge of the mesh", fields);
  CheckBoxInteriorOnly->setObjectName("CheckBoxInteriorOnly");
  CheckBoxInteriorOnly->setChecked(g_fill.interiorOnly);
  CheckBoxMaxVoid = new QCheckBox("Leave voids of more cells than", fields);
  CheckBoxMaxVoid->setObjectName("CheckBoxMaxVoid");
  CheckBoxMaxVoid->setChecked(g_fill.limit);
  SpinEditMaxVoid = new QSpinBox(fields);
  SpinEditMaxVoid->setObjectName("SpinEditMaxVoid");
  SpinEditMaxVoid->setRange(1, INT_MAX);
  SpinEditMaxVoid->setValue(g_fill.maxVoid);
  LabelResult = new QLabel(fields);
  LabelResult->setObjectName("LabelResult");

  auto* second = new QHBoxLayout;
  second->addWidget(EditSecondDem, 1);
  second->addWidget(BitBtnBrowse);
  grid->addWidget(new QLabel("Method", fields), 0, 0);
  grid->addWidget(ComboBoxMethod, 0, 1);
  grid->addWidget(new QLabel("Neighborhood radius", fields), 1, 0);
  grid->addWidget(SpinEditRadius, 1, 1);
  grid->addWidget(new QLabel("Weight", fields), 2, 0);
  grid->addWidget(MaskEditPower, 2, 1);
  grid->addWidget(new QLabel("Second model (HGT, ZIP, HGX)", fields), 3, 0);
  grid->addLayout(second, 3, 1);
  grid->addWidget(CheckBoxInteriorOnly, 4, 0, 1, 2);
  grid->addWidget(CheckBoxMaxVoid, 5, 0);
  grid->addWidget(SpinEditMaxVoid, 5, 1);
  grid->addWidget(LabelResult, 6, 0, 1, 2);
  SetFields(fields);

  connect(ComboBoxMethod, &QComboBox::currentIndexChanged, this, [this] { MethodChanged(); });
  connect(CheckBoxMaxVoid, &QCheckBox::toggled, SpinEditMaxVoid, &QWidget::setEnabled);
  connect(BitBtnBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
  ComboBoxMethod->setCurrentIndex(g_fill.method);
  SpinEditMaxVoid->setEnabled(g_fill.limit);
  MethodChanged();
}

void TFormFillVoids::MethodChanged() {
  const int m = ComboBoxMethod->currentIndex();
  SpinEditRadius->setEnabled(m == 0);
  MaskEditPower->setEnabled(m == 0);
  EditSecondDem->setEnabled(m == 2);
  BitBtnBrowse->setEnabled(m == 2);
}

void TFormFillVoids::BrowseClick() {
  TFileDialogRequest r;
  r.title = "Second Elevation Model";
  r.filter = "Elevation models (*.hgt, *.zip, *.hgx)|*.hgt;*.zip;*.hgx";
  const QString path = RunFileDialog(this, r);
  if (!path.isEmpty()) EditSecondDem->setText(path);
}

TTFillRequest TFormFillVoids::Request() const {
  TTFillRequest q;
  const int m = ComboBoxMethod->currentIndex();
  q.Method = m == 1 ? TFillMethod::Spline : m == 2 ? TFillMethod::Dem : TFillMethod::Idw;
  q.Radius = SpinEditRadius->value();
  q.Weight = weight_;
  q.Options.InteriorOnly = CheckBoxInteriorOnly->isChecked();
  q.Options.MaxVoid = CheckBoxMaxVoid->isChecked() ? SpinEditMaxVoid->value() : 0;
  return q;
}

QString TFormFillVoids::SecondDemPath() const { return EditSecondDem->text().trimmed(); }

void TFormFillVoids::ShowResult(const TTFillRun& run) {
  QString text = QString("Filled %1 void cells, %2 left.").arg(run.Filled).arg(run.Left());
  if (run.Aborted) text += " Stopped by Esc.";
  LabelResult->setText(text);
  BitBtnCancel->setText("Close");
}

void TFormFillVoids::accept() {
  const int m = ComboBoxMethod->currentIndex();
  if (m == 0) {
    bool ok = false;
    const double p = QLocale::c().toDouble(MaskEditPower->text().trimmed(), &ok);
    if (!ok) {
      ShowMessage(this, TMsgKind::Error, "Invalid format for Weight.");
      return;
    }
    if (!(p > 1)) {
      ShowMessage(this, TMsgKind::Error, "Weight must be greater than 1.");
      return;
    }
    weight_ = p;
  }
  if (m == 2 && SecondDemPath().isEmpty()) {
    ShowMessage(this, TMsgKind::Error, "Choose the file of the second elevation model.");
    return;
  }
  g_fill.method = m;
  g_fill.radius = SpinEditRadius->value();
  g_fill.weight = weight_;
  g_fill.secondDem = EditSecondDem->text();
  g_fill.interiorOnly = CheckBoxInteriorOnly->isChecked();
  g_fill.limit = CheckBoxMaxVoid->isChecked();
  g_fill.maxVoid = SpinEditMaxVoid->value();
  QDialog::accept();
}
