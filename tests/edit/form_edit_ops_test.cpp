// The edit dialogs and the interpolation dialog: texts, ranges, the weight
// check, and values remembered from one instance to the next.

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>
#include <climits>

#include "edit/form_edit_ops.h"
#include "edit/form_interpol.h"
#include "support/ui/message_recorder.h"

class FormEditOpsTest : public QObject {
  Q_OBJECT

  static QStringList LabelTexts(QWidget* w) {
    QStringList t;
    for (QLabel* l : w->findChildren<QLabel*>()) t << l->text();
    t.sort();
    return t;
  }

 private slots:
  void init() {
    ResetRememberedEditValues();
    ResetRememberedInterpolValues();
  }

  void changeValueRemembersOnEitherButton() {
    {
      TFormMeshChangeVal f(nullptr);
      QCOMPARE(f.windowTitle(), QString("Change Elevation Value"));
      QCOMPARE(LabelTexts(&f), (QStringList{"Current Value", "New Value"}));
      QCOMPARE(f.BitBtnExecute->text(), QString("Execute"));
      QCOMPARE(f.BitBtnHelp->text(), QString("Help"));
      QCOMPARE(f.SpinEditOrgValue->minimum(), -32768);
      QCOMPARE(f.SpinEditNewValue->maximum(), 32767);
      QCOMPARE(f.SpinEditOrgValue->value(), 0);
      f.SpinEditOrgValue->setValue(-32768);
      f.SpinEditNewValue->setValue(12);
      f.reject();
    }
    TFormMeshChangeVal g(nullptr);
    QCOMPARE(g.SpinEditOrgValue->value(), -32768);
    QCOMPARE(g.SpinEditNewValue->value(), 12);
  }

  void restrictTextsFlagsAndMemory() {
    {
      TFormRestrictHeight f(nullptr);
      QCOMPARE(f.windowTitle(), QString("Restrict Elevation"));
      QCOMPARE(f.GroupBoxUpper->title(), QString(" Upper Limit  "));
      QCOMPARE(f.GroupBoxLower->title(), QString(" Lower Limit "));
      QCOMPARE(f.CheckBoxUpper->text(), QString("Restrict to:"));
      QCOMPARE(f.CheckBoxLower->text(), QString("Restrict to:"));
      QCOMPARE(f.Flags(), uint16_t(0));
      f.CheckBoxUpper->setChecked(true);
      QCOMPARE(f.Flags(), uint16_t(2));
      f.CheckBoxLower->setChecked(true);
      QCOMPARE(f.Flags(), uint16_t(3));
      f.CheckBoxUpper->setChecked(false);
      QCOMPARE(f.Flags(), uint16_t(1));
      f.SpinEditLower->setValue(-5);
      f.SpinEditUpper->setValue(900);
      f.accept();
    }
    TFormRestrictHeight g(nullptr);
    QCOMPARE(g.Flags(), uint16_t(1));
    QCOMPARE(g.SpinEditLower->value(), -5);
    QCOMPARE(g.SpinEditUpper->value(), 900);
  }

  void offsetTakesAny32BitNumber() {
    {
      TFormAddVertOffset f(nullptr);
      QCOMPARE(f.windowTitle(), QString("Add Elevation Offset"));
      QCOMPARE(LabelTexts(&f), QStringList{"Offset"});
      QCOMPARE(f.SpinEditVertOffset->minimum(), INT_MIN);
      QCOMPARE(f.SpinEditVertOffset->maximum(), INT_MAX);
      f.SpinEditVertOffset->setValue(-100000);
      f.accept();
    }
    TFormAddVertOffset g(nullptr);
    QCOMPARE(g.SpinEditVertOffset->value(), -100000);
  }

  void fillItemsModesAndFocusWhenRemembered() {
    {
      TFormFillRect f(nullptr);
      QCOMPARE(f.windowTitle(), QString("Fill Selection"));
      QCOMPARE(f.RadioGroupVoids->title(), QString(" Handling of voids "));
      QCOMPARE(f.RadioButtonKeepVoids->text(), QString("Keep voids"));
      QCOMPARE(f.RadioButtonVoidsOnly->text(), QString("Fill voids only"));
      QCOMPARE(f.RadioButtonFillAll->text(), QString("Fill all"));
      QVERIFY(f.RadioButtonKeepVoids->isChecked());
      QCOMPARE(f.Mode(), int16_t(1));
      QVERIFY(f.focusWidget() != f.BitBtnExecute);
      f.RadioButtonVoidsOnly->setChecked(true);
      QCOMPARE(f.Mode(), int16_t(2));
      f.RadioButtonFillAll->setChecked(true);
      QCOMPARE(f.Mode(), int16_t(3));
      f.SpinEditFillingVal->setValue(321);
      f.reject();
    }
    TFormFillRect g(nullptr);
    QVERIFY(g.RadioButtonFillAll->isChecked());
    QCOMPARE(g.SpinEditFillingVal->value(), 321);
    QCOMPARE(g.focusWidget(), static_cast<QWidget*>(g.BitBtnExecute));
  }

  void interpolWeightCheck() {
    TMessageRecorder rec;
    TFormInterpolNearestNei f(nullptr);
    QCOMPARE(f.windowTitle(), QString("Interpolation"));
    QCOMPARE(f.GroupBoxIdw->title(), QString(" Inverse Distance Weighted Average "));
    QCOMPARE(LabelTexts(&f), (QStringList{"Neighborhood radius", "Weight"}));
    QCOMPARE(f.SpinEditRadius->value(), 70);
    QCOMPARE(f.SpinEditRadius->minimum(), 1);
    QCOMPARE(f.SpinEditRadius->maximum(), 1000);
    QCOMPARE(f.MaskEditPower->text(), QString("6.0"));
    const struct {
      const char* text;
      const char* message;
    } refused[] = {
        {"abc", "Invalid format for Weight."},     {"", "Invalid format for Weight."},
        {"2,5", "Invalid format for Weight."},     {"1", "Weight must be greater than 1."},
        {"0.5", "Weight must be greater than 1."}, {"-3", "Weight must be greater than 1."},
        {"nan", "Weight must be greater than 1."}};
    for (const auto& r : refused) {
      rec.Clear();
      f.MaskEditPower->setText(r.text);
      f.accept();
      QCOMPARE(f.result(), int(QDialog::Rejected));
      QCOMPARE(rec.Texts(), QStringList{r.message});
      QCOMPARE(rec.Entries().front().kind, TMsgKind::Error);
    }
    // A refused weight remembered nothing.
    {
      TFormInterpolNearestNei g(nullptr);
      QCOMPARE(g.MaskEditPower->text(), QString("6.0"));
    }
    rec.Clear();
    f.SpinEditRadius->setValue(12);
    f.MaskEditPower->setText(" 1.04 ");
    f.accept();
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QVERIFY(rec.Texts().isEmpty());
    QCOMPARE(f.Weight(), 1.04);
    TFormInterpolNearestNei g(nullptr);
    QCOMPARE(g.SpinEditRadius->value(), 12);
    QCOMPARE(g.MaskEditPower->text(), QString("1.04"));  // "1.0" would be refused
  }

  void interpolCancelRemembersNothingAndWholeWeightsShowOneDecimal() {
    {
      TFormInterpolNearestNei f(nullptr);
      f.MaskEditPower->setText("9");
      f.accept();
    }
    {
      TFormInterpolNearestNei f(nullptr);
      QCOMPARE(f.MaskEditPower->text(), QString("9.0"));
      f.SpinEditRadius->setValue(3);
      f.MaskEditPower->setText("2.5");
      f.reject();
    }
    TFormInterpolNearestNei g(nullptr);
    QCOMPARE(g.SpinEditRadius->value(), 70);
    QCOMPARE(g.MaskEditPower->text(), QString("9.0"));
    QCOMPARE(FormatWeight(2.5), QString("2.5"));
    QCOMPARE(FormatWeight(6), QString("6.0"));
  }
};

QTEST_MAIN(FormEditOpsTest)
#include "form_edit_ops_test.moc"
