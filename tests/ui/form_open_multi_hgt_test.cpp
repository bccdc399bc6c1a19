#include "ui/dialogs/form_open_multi_hgt.h"
#include "support/ui/test_main.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "support/ui/test_files.h"

class FormOpenMultiHgtTest : public QObject {
  Q_OBJECT
 private slots:
  void FirstOpeningAndRememberedValues();
  void BandsUntickAtThePolesAndTheDateLine();
  void InvalidRectangleAndCloseChecks();
  void FolderAndPreset();
  void MissingTiles();
};

void FormOpenMultiHgtTest::FirstOpeningAndRememberedValues() {
  {
    TFormOpenMultiHGT f(nullptr, QString());
    QCOMPARE(f.LabelMinLat->text(), QString("01 S"));
    QCOMPARE(f.LabelMosaicTotalDim->text(), QString("2 x 2  tiles"));
    // No folder known: neither "Load" nor the check can be used.
    QVERIFY(!f.BitBtnOK->isEnabled() && !f.BitBtnCheckMissingFiles->isEnabled());

    f.SpinEditMaxLat->setValue(47);
    f.SpinEditMinLat->setValue(45);
    f.SpinEditMinLon->setValue(-124);
    f.SpinEditMaxLon->setValue(-121);
    f.SpinEditFillValue->setValue(-32768);
    f.CheckBoxAdjoNorth->click();
    QCOMPARE(f.LabelMosaicBaseDim->text(), QString("2 x 3  tiles"));
    QCOMPARE(f.LabelMosaicTotalDim->text(), QString("3 x 3  tiles"));
    QCOMPARE(f.LabelMaxLon->text(), QString("121 W"));
    QVERIFY(f.FormCloseQuery());
  }
  {
    // A cancelled dialog writes nothing back.
    TFormOpenMultiHGT g(nullptr, QString());
    QCOMPARE(g.SpinEditMinLat->value(), 45);
    QCOMPARE(g.SpinEditFillValue->value(), -32768);
    QVERIFY(!g.CheckBoxAdjoNorth->isChecked());  // bands start unticked
    g.SpinEditMaxLat->setValue(60);
    g.reject();
  }
  TFormOpenMultiHGT h(nullptr, QString());
  QCOMPARE(h.SpinEditMaxLat->value(), 47);
  // Start values again for the other tests.
  TFormOpenMultiHGT::LastMinLat = -1, TFormOpenMultiHGT::LastMaxLat = 1;
  TFormOpenMultiHGT::LastMinLon = -1, TFormOpenMultiHGT::LastMaxLon = 1;
  TFormOpenMultiHGT::LastFillValue = 0;
}

void FormOpenMultiHgtTest::BandsUntickAtThePolesAndTheDateLine() {
  TFormOpenMultiHGT f(nullptr, QString());
  for (QCheckBox* c :
       {f.CheckBoxAdjoNorth, f.CheckBoxAdjoSouth, f.CheckBoxAdjoWest, f.CheckBoxAdjoEast})
    c->click();
  QCOMPARE(f.LabelMosaicTotalDim->text(), QString("4 x 4  tiles"));
  f.SpinEditMaxLat->setValue(90);
  QVERIFY(!f.CheckBoxAdjoNorth->isChecked());
  QVERIFY(f.CheckBoxAdjoSouth->isChecked());  // each side tests only its own band
  f.SpinEditMinLat->setValue(-90);
  QVERIFY(!f.CheckBoxAdjoSouth->isChecked());
  f.SpinEditMaxLon->setValue(180);
  QVERIFY(!f.CheckBoxAdjoEast->isChecked());
  QVERIFY(f.CheckBoxAdjoWest->isChecked());
  f.SpinEditMinLon->setValue(-180);
  QVERIFY(!f.CheckBoxAdjoWest->isChecked());
  // Ticking a band whose side is at its limit is undone at once.
  f.CheckBoxAdjoNorth->click();
  QVERIFY(!f.CheckBoxAdjoNorth->isChecked());
  f.CheckBoxAdjoWest->click();
  QVERIFY(!f.CheckBoxAdjoWest->isChecked());
  QCOMPARE(f.LabelMaxLat->text(), QString("90 N"));
  QCOMPARE(f.LabelMinLon->text(), QString("180 W"));
}

void FormOpenMultiHgtTest::InvalidRectangleAndCloseChecks() {
  TMessageRecorder rec;
  TFormOpenMultiHGT f(nullptr, QString());
  f.SpinEditMaxLat->setValue(-1);  // top equals bottom
  QCOMPARE(f.LabelMosaicBaseDim->text(), QString("Invalid"));
  QCOMPARE(f.LabelMosaicTotalDim->text(), QString("Invalid"));
  QVERIFY(f.LabelMosaicBaseDim->styleSheet().contains("red"));
  // The close rule and its messages are the core's; here that both buttons ask it.
  QVERIFY(!f.FormCloseQuery());
  f.BitBtnCheckMissingFilesClick();
  QCOMPARE(rec.Texts(), (QStringList{"Invalid rectangle.", "Invalid rectangle."}));

  // Text that is not a number reads as the field's minimum.
  f.SpinEditMaxLat->setValue(5);
  QCOMPARE(f.LabelMosaicBaseDim->text(), QString("6 x 2  tiles"));
  auto* edit = f.SpinEditMaxLat->findChild<QLineEdit*>();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);  // the user empties the field
  QCOMPARE(f.LabelMosaicBaseDim->text(), QString("Invalid"));
  QCOMPARE(f.LabelMaxLat->text(), QString("90 S"));
  f.SpinEditMaxLat->setValue(5);

  // A band left ticked at the limit is refused and unticked on "Load".
  rec.Clear();
  f.SpinEditMaxLon->setValue(179);
  f.CheckBoxAdjoEast->click();
  f.SpinEditMaxLon->setValue(180);
  f.CheckBoxAdjoEast->setChecked(true);  // set behind the handlers' back
  QVERIFY(!f.FormCloseQuery());
  QCOMPARE(rec.Texts(), QStringList{"Invalid extra band."});
  QVERIFY(!f.CheckBoxAdjoEast->isChecked());
  TFormOpenMultiHGT::LastMaxLat = 1, TFormOpenMultiHGT::LastMaxLon = 1;
}

void FormOpenMultiHgtTest::FolderAndPreset() {
  QTemporaryDir dir;
  {
    TFormOpenMultiHGT f(nullptr, dir.path());
    QCOMPARE(f.SourceFolder, dir.path());
    QVERIFY(f.BitBtnOK->isEnabled());
    QVERIFY(f.BitBtnCheckMissingFiles->isEnabled());
  }
  TFormOpenMultiHGT f(nullptr, dir.path() + "/absent");
  QVERIFY(f.SourceFolder.isEmpty());
  QString title;
  f.ChooseFolder = [&](const QString& t, const QString&) {
    title = t;
    return QString();
  };
  f.BitBtnLocateInputFolderClick();  // cancelled: nothing changes
  QCOMPARE(title, QString("Select HGT source folder"));
  QVERIFY(!f.BitBtnOK->isEnabled());
  f.ChooseFolder = [&](const QString&, const QString&) { return dir.path(); };
  f.BitBtnLocateInputFolderClick();
  QCOMPARE(f.SourceFolder, dir.path());
  QVERIFY(f.BitBtnOK->isEnabled());

  TFormOpenMultiHGT g(nullptr, QString());
  g.CheckBoxAdjoSouth->click();
  g.show();
  QVERIFY(QTest::qWaitForWindowExposed(&g));
  // The dialog sees the keys before its controls: pressed in a side field.
  QLineEdit* edit = g.SpinEditMinLon->findChild<QLineEdit*>();
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(g.SpinEditMaxLat->value(), -28);
  QCOMPARE(g.SpinEditMinLat->value(), -30);
  QCOMPARE(g.SpinEditMaxLon->value(), -50);
  QCOMPARE(g.SpinEditMinLon->value(), -52);
  QCOMPARE(g.SourceFolder, QString("C:\\DEM\\HGT"));
  QCOMPARE(g.SpinEditFillValue->value(), 0);
  QVERIFY(g.CheckBoxAdjoSouth->isChecked());
  QVERIFY(!g.BitBtnOK->isEnabled());  // the preset does not enable the buttons
}

void FormOpenMultiHgtTest::MissingTiles() {
  QTemporaryDir dir;
  WriteAll(dir.filePath("N45W123.HGT.zip"), "x");
  TMessageRecorder rec;
  TFormOpenMultiHGT f(nullptr, dir.path());
  f.SpinEditMaxLat->setValue(46);
  f.SpinEditMinLat->setValue(45);
  f.SpinEditMinLon->setValue(-123);
  f.SpinEditMaxLon->setValue(-122);
  f.BitBtnCheckMissingFilesClick();
  QCOMPARE(rec.Texts(), QStringList{"No missing tiles/files."});
  QCOMPARE(rec.Entries()[0].kind, TMsgKind::Information);

  // With North and East ticked two tiles are missing; a plain tile with a
  // lower-case name counts as present.
  WriteAll(dir.filePath("n46w122.hgt"), "x");
  f.CheckBoxAdjoNorth->click();
  f.CheckBoxAdjoEast->click();
  QString memo, total;
  OnNextModal([&](QWidget* w) {
    auto* m = qobject_cast<TFormMissingFiles*>(w);
    if (m) {
      memo = m->MemoMissingFiles->toPlainText();
      total = m->LabelTotalFiles->text();
    }
    w->close();
  });
  f.BitBtnCheckMissingFilesClick();
  QCOMPARE(memo, QString("N46W123.HGT\nN45W122.HGT"));
  QCOMPARE(total, QString("2"));
}

DELVA_TEST_MAIN(FormOpenMultiHgtTest)
#include "form_open_multi_hgt_test.moc"
