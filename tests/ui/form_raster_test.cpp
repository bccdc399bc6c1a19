#include "ui/dialogs/form_raster.h"
#include "support/ui/test_main.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include "support/ui/test_files.h"

class FormRasterTest : public QObject {
  Q_OBJECT
 private slots:
  void OpenStartsFromFixedValues();
  void OpenRectangleWarningAndBandRules();
  void SaveDialog();
};

void FormRasterTest::OpenStartsFromFixedValues() {
  TFormOpenRaster f(nullptr);
  QVERIFY(!f.BitBtnOK->isEnabled());
  // Nothing is remembered between uses.
  f.SpinEditMaxLat->setValue(50);
  TFormOpenRaster g(nullptr);
  QCOMPARE(g.SpinEditMaxLat->value(), 1);
}

void FormRasterTest::OpenRectangleWarningAndBandRules() {
  TFormOpenRaster f(nullptr);
  {
    TDialogAnswers dlg({"/some/file.raw"});
    f.BitBtnLocateFileClick();
  }
  QVERIFY(f.BitBtnOK->isEnabled());

  f.SpinEditMaxLat->setValue(-1);  // top equals bottom
  QCOMPARE(f.LabelRectWarning->text(), QString("INVALID"));
  QVERIFY(!f.BitBtnOK->isEnabled());
  QVERIFY(!f.CheckBoxAdjoNorth->isEnabled());
  QVERIFY(!f.CheckBoxAdjoEast->isEnabled());
  QCOMPARE(f.LabelMaxLat->text(), QString("01 S"));

  // 44..46 N, 122..119 W: both latitude bands would cover the whole height.
  f.SpinEditMaxLat->setValue(46);
  f.SpinEditMinLat->setValue(44);
  f.SpinEditMinLon->setValue(-122);
  f.SpinEditMaxLon->setValue(-119);
  QCOMPARE(f.LabelRectWarning->text(), QString());
  QVERIFY(f.CheckBoxAdjoNorth->isEnabled());
  f.CheckBoxAdjoNorth->click();
  QVERIFY(f.CheckBoxAdjoNorth->isChecked());
  f.CheckBoxAdjoSouth->click();
  QVERIFY(!f.CheckBoxAdjoNorth->isChecked());
  QVERIFY(!f.CheckBoxAdjoSouth->isChecked());
  f.CheckBoxAdjoWest->click();
  f.CheckBoxAdjoEast->click();
  QVERIFY(f.CheckBoxAdjoWest->isChecked());
  QVERIFY(f.CheckBoxAdjoEast->isChecked());

  // The pole and the date line clear their own side's band.
  f.CheckBoxAdjoNorth->click();
  f.SpinEditMaxLat->setValue(90);
  QVERIFY(!f.CheckBoxAdjoNorth->isChecked());
  f.SpinEditMinLon->setValue(-180);
  QVERIFY(!f.CheckBoxAdjoWest->isChecked());
  QVERIFY(f.CheckBoxAdjoEast->isChecked());
  f.CheckBoxAdjoNorth->click();  // ticking at the pole is undone at once
  QVERIFY(!f.CheckBoxAdjoNorth->isChecked());

  // One degree wide: west and east disabled.
  f.SpinEditMinLon->setValue(-120);
  QVERIFY(!f.CheckBoxAdjoWest->isEnabled());
  QVERIFY(!f.CheckBoxAdjoEast->isChecked());

  const TTRasterImport in = f.Import();
  QCOMPARE(in.Rect.MaxLat, 90);
  QCOMPARE(in.Path, std::string("/some/file.raw"));
}

void FormRasterTest::SaveDialog() {
  TFormSaveAsRaw f(nullptr);
  QVERIFY(!f.BitBtnSave->isEnabled());
  TDialogAnswers dlg;  // cancelled: still nothing to save to
  f.BitBtnSelectClick();
  QVERIFY(!f.BitBtnSave->isEnabled());
  dlg.answers << "/out/x.raw";
  f.BitBtnSelectClick();
  QVERIFY(f.BitBtnSave->isEnabled());
  QCOMPARE(f.FilePath, QString("/out/x.raw"));
  QVERIFY(f.BigEndian());
  f.RadioButtonLsbFirst->setChecked(true);
  f.SpinEditVoidVal->setValue(-9999);
  QVERIFY(!f.BigEndian());
  QCOMPARE(f.VoidAs(), int16_t(-9999));
}

DELVA_TEST_MAIN(FormRasterTest)
#include "form_raster_test.moc"
