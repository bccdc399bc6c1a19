#include "ui/dialogs/form_interpol.h"
#include "core/edit/interpol.h"

#include <cmath>

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>

#include "ui/widgets/message_box.h"

namespace {
int g_radius = 70;
double g_weight = 6.0;
}  // namespace

void ResetRememberedInterpolValues() {
  g_radius = 70;
  g_weight = 6.0;
}

QString FormatWeight(double weight) {
  // One decimal as a rule; a value that one decimal would change (1.04 would
  // read "1.0" and then be refused) keeps the digits it needs.
  const QLocale c = QLocale::c();
  QString text = c.toString(weight, 'f', 1);
  if (c.toDouble(text) != weight) {
    text = c.toString(weight, 'g', 17);
    for (int digits = 1; digits <= 17; ++digits) {
      QString shorter = c.toString(weight, 'g', digits);
      if (c.toDouble(shorter) == weight) {
        text = shorter;
        break;
      }
    }
  }
  return text;
}

TFormInterpolNearestNei::TFormInterpolNearestNei(QWidget* parent)
    : TFormEditBase(parent, "Interpolation", "operations_interpol_inv_dist.htm") {
  GroupBoxIdw = new QGroupBox(" Inverse Distance Weighted Average ", this);
  GroupBoxIdw->setObjectName("GroupBoxIdw");
  auto* grid = new QGridLayout(GroupBoxIdw);
  SpinEditRadius = new QSpinBox(GroupBoxIdw);
  SpinEditRadius->setObjectName("SpinEditRadius");
  SpinEditRadius->setRange(1, 1000);
  SpinEditRadius->setValue(g_radius);
  MaskEditPower = new QLineEdit(FormatWeight(g_weight), GroupBoxIdw);
  MaskEditPower->setObjectName("MaskEditPower");
  grid->addWidget(new QLabel("Neighborhood radius", GroupBoxIdw), 0, 0);
  grid->addWidget(SpinEditRadius, 0, 1);
  grid->addWidget(new QLabel("Weight", GroupBoxIdw), 1, 0);
  grid->addWidget(MaskEditPower, 1, 1);
  weight_ = g_weight;
  SetFields(GroupBoxIdw);
  // The fields come first when tabbing, the buttons after them.
  setTabOrder(MaskEditPower, BitBtnExecute);
  setTabOrder(BitBtnExecute, BitBtnCancel);
  setTabOrder(BitBtnCancel, BitBtnHelp);
}

int TFormInterpolNearestNei::Radius() const { return SpinEditRadius->value(); }

void TFormInterpolNearestNei::accept() {
  bool ok = false;
  // "1,000" is not a thousand here, and infinity is no weight.
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::RejectGroupSeparator);
  const double p = c.toDouble(MaskEditPower->text().trimmed(), &ok);
  if (!ok || std::isinf(p)) {
    ShowMessage(this, TMsgKind::Error, "Invalid format for Weight.");
    return;
  }
  if (!(p > 1)) {  // NaN too
    ShowMessage(this, TMsgKind::Error, "Weight must be greater than 1.");
    return;
  }
  weight_ = p;
  g_radius = Radius();
  g_weight = p;
  QDialog::accept();
}
