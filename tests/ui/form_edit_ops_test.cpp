// The edit dialogs and the interpolation dialog: the weight check and the
// values remembered from one instance to the next.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include "core/edit/interpol.h"
#include "support/ui/message_recorder.h"
#include "ui/dialogs/form_edit_ops.h"
#include "ui/dialogs/form_interpol.h"

class FormEditOpsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ResetRememberedEditValues();
    ResetRememberedInterpolValues();
  }

  void editDialogsRememberOnEitherButton() {
    {
      TFormMeshChangeVal c(nullptr);
      c.SpinEditOrgValue->setValue(-32768);
      c.SpinEditNewValue->setValue(12);
      c.reject();
      TFormRestrictHeight r(nullptr);
      QCOMPARE(r.Flags(), uint16_t(0));
      r.CheckBoxLower->setChecked(true);
      r.SpinEditLower->setValue(-5);
      QCOMPARE(r.Flags(), uint16_t(1));
      r.accept();
      TFormAddVertOffset o(nullptr);
      o.SpinEditVertOffset->setValue(-100000);
      o.reject();
      TFormFillRect f(nullptr);
      QCOMPARE(f.Mode(), int16_t(1));  // "Keep voids" at first
      QVERIFY(f.focusWidget() != f.BitBtnExecute);
      f.RadioButtonVoidsOnly->setChecked(true);
      QCOMPARE(f.Mode(), int16_t(2));
      f.RadioButtonFillAll->setChecked(true);
      f.SpinEditFillingVal->setValue(321);
      f.reject();
    }
    TFormMeshChangeVal c(nullptr);
    QCOMPARE(c.SpinEditOrgValue->value(), -32768);
    QCOMPARE(c.SpinEditNewValue->value(), 12);
    TFormRestrictHeight r(nullptr);
    QCOMPARE(r.Flags(), uint16_t(1));
    QCOMPARE(r.SpinEditLower->value(), -5);
    TFormAddVertOffset o(nullptr);
    QCOMPARE(o.SpinEditVertOffset->value(), -100000);
    TFormFillRect f(nullptr);
    QCOMPARE(f.Mode(), int16_t(3));
    QCOMPARE(f.SpinEditFillingVal->value(), 321);
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.BitBtnExecute));
  }

  void interpolWeightCheck() {
    TMessageRecorder rec;
    TFormInterpolNearestNei f(nullptr);
    const std::pair<const char*, const char*> refused[] = {
        {"abc", "Invalid format for Weight."},     {"", "Invalid format for Weight."},
        {"2,5", "Invalid format for Weight."},     {"1", "Weight must be greater than 1."},
        {"0.5", "Weight must be greater than 1."}, {"nan", "Weight must be greater than 1."},
        {"1,000", "Invalid format for Weight."},   {"inf", "Invalid format for Weight."}};
    for (const auto& [text, message] : refused) {
      rec.Clear();
      f.MaskEditPower->setText(text);
      f.accept();
      QCOMPARE(f.result(), int(QDialog::Rejected));
      QCOMPARE(rec.Texts(), QStringList{message});
      QCOMPARE(rec.Entries().front().kind, TMsgKind::Error);
    }
    QCOMPARE(TFormInterpolNearestNei(nullptr).MaskEditPower->text(), QString("6.0"));
    rec.Clear();
    f.SpinEditRadius->setValue(12);
    f.MaskEditPower->setText(" 1.04 ");
    f.accept();
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QCOMPARE(f.Weight(), 1.04);
    TFormInterpolNearestNei g(nullptr);
    QCOMPARE(g.SpinEditRadius->value(), 12);
    QCOMPARE(g.MaskEditPower->text(), QString("1.04"));  // "1.0" would be refused
    g.MaskEditPower->setText("9");
    g.accept();
    TFormInterpolNearestNei h(nullptr);
    QCOMPARE(h.MaskEditPower->text(), QString("9.0"));
    h.SpinEditRadius->setValue(3);
    h.reject();  // Cancel remembers nothing
    QCOMPARE(TFormInterpolNearestNei(nullptr).SpinEditRadius->value(), 12);
  }
};

QTEST_MAIN(FormEditOpsTest)
#include "form_edit_ops_test.moc"
