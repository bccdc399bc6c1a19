#include "mesh/form_raster.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>
#include <fstream>

#include "app/file_dialogs.h"
#include "support/ui/message_recorder.h"

class FormRasterTest : public QObject {
  Q_OBJECT
 private slots:
  void OpenStartsFromFixedValues();
  void OpenRectangleWarningAndBandRules();
  void OpenSizeCheck();
  void SaveDialog();
};

void FormRasterTest::OpenStartsFromFixedValues() {
  TFormOpenRaster f(nullptr);
  QCOMPARE(f.windowTitle(), QString("Load Raster File"));
  QCOMPARE(f.LabelMaxLat->text(), QString("01 N"));
  QCOMPARE(f.LabelMinLat->text(), QString("01 S"));
  QCOMPARE(f.LabelMaxLon->text(), QString("001 E"));
  QCOMPARE(f.LabelMinLon->text(), QString("001 W"));
  QCOMPARE(f.LabelRectWarning->text(), QString());
  QVERIFY(!f.BitBtnOK->isEnabled());
  QVERIFY(f.RadioButtonMsbFirst->isChecked());
  QCOMPARE(f.SpinEditVoidVal->value(), -32768);
  QCOMPARE(f.SpinEditSizeRows->value(), 1);
  QCOMPARE(f.SpinEditSizeRows->maximum(), 2000000000);
  QVERIFY(!f.CheckBoxAdjoNorth->isChecked());
  // Nothing is remembered between uses.
  f.SpinEditMaxLat->setValue(50);
  TFormOpenRaster g(nullptr);
  QCOMPARE(g.SpinEditMaxLat->value(), 1);
}

void FormRasterTest::OpenRectangleWarningAndBandRules() {
  TFormOpenRaster f(nullptr);
  TFileDialogRequest asked;
  SetFileDialogHook([&](const TFileDialogRequest& r) {
    asked = r;
    return QString("/some/file.raw");
  });
  f.BitBtnLocateFileClick();
  SetFileDialogHook({});
  QCOMPARE(asked.title, QString("Open Raster File"));
  QCOMPARE(asked.kind, TFileDialogRequest::Open);
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

void FormRasterTest::OpenSizeCheck() {
  QTemporaryDir dir;
  const QString path = dir.filePath("r.raw");
  { std::ofstream(path.toStdString(), std::ios::binary) << std::string(2 * 3 * 2 + 1, 'x'); }
  TMessageRecorder rec;
  TFormOpenRaster f(nullptr);
  SetFileDialogHook([&](const TFileDialogRequest&) { return path; });
  f.BitBtnLocateFileClick();
  SetFileDialogHook({});
  f.SpinEditSizeRows->setValue(2);
  f.SpinEditSizeCols->setValue(3);
  f.BitBtnOK->click();  // one byte too long
  QCOMPARE(rec.Texts(), QStringList{"File has wrong size"});
  QCOMPARE(rec.Entries()[0].kind, TMsgKind::Error);
  QCOMPARE(f.result(), int(QDialog::Rejected));
  QVERIFY(!f.FormCloseQuery());

  { std::ofstream(path.toStdString(), std::ios::binary) << std::string(2 * 3 * 2, 'x'); }
  rec.Clear();
  f.BitBtnOK->click();
  QVERIFY(rec.Texts().isEmpty());
  QCOMPARE(f.result(), int(QDialog::Accepted));
}

void FormRasterTest::SaveDialog() {
  TFormSaveAsRaw f(nullptr);
  QCOMPARE(f.windowTitle(), QString("Save Mesh to Raster File"));
  QVERIFY(!f.BitBtnSave->isEnabled());
  QVERIFY(f.BigEndian());
  f.ProposedName = "N46W122_N44W120_2401R_2401C";
  TFileDialogRequest asked;
  SetFileDialogHook([&](const TFileDialogRequest& r) {
    asked = r;
    return QString();  // cancelled
  });
  f.BitBtnSelectClick();
  QCOMPARE(asked.proposedName, QString("N46W122_N44W120_2401R_2401C"));
  QCOMPARE(asked.kind, TFileDialogRequest::Save);
  QVERIFY(!f.BitBtnSave->isEnabled());
  SetFileDialogHook([](const TFileDialogRequest&) { return QString("/out/x.raw"); });
  f.BitBtnSelectClick();
  SetFileDialogHook({});
  QVERIFY(f.BitBtnSave->isEnabled());
  QCOMPARE(f.FilePath, QString("/out/x.raw"));
  f.RadioButtonLsbFirst->setChecked(true);
  f.SpinEditVoidVal->setValue(-9999);
  QVERIFY(!f.BigEndian());
  QCOMPARE(f.VoidAs(), int16_t(-9999));
}

QTEST_MAIN(FormRasterTest)
#include "form_raster_test.moc"
