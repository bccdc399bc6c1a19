// "Load Multiple HGT..." and "Load Raster..." driven through their dialogs.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "support/ui/test_files.h"
#include "support/ui/test_main.h"
#include "ui/dialogs/form_open_multi_hgt.h"
#include "ui/dialogs/form_raster.h"
#include "ui/main/form_view_mesh.h"

class FormViewMeshLoadTest : public QObject {
  Q_OBJECT

  static void FillMultiDialog(TFormOpenMultiHGT& d, const QString& folder, int top, int bottom,
                              int left, int right) {
    d.ChooseFolder = [folder](const QString&, const QString&) { return folder; };
    d.BitBtnLocateInputFolderClick();
    d.SpinEditMaxLat->setValue(top);
    d.SpinEditMinLat->setValue(bottom);
    d.SpinEditMinLon->setValue(left);
    d.SpinEditMaxLon->setValue(right);
  }

  // Fills the multiple-tile dialog when it opens and presses "Load".
  static void OnMultiDialog(const QString& folder, int top, int bottom, int left, int right,
                            bool north, bool south) {
    OnNextDialog<TFormOpenMultiHGT>([=](TFormOpenMultiHGT& d) {
      FillMultiDialog(d, folder, top, bottom, left, right);
      if (north) d.CheckBoxAdjoNorth->click();
      if (south) d.CheckBoxAdjoSouth->click();
      d.BitBtnOK->click();
    });
  }

 private slots:
  // A folder of plain and zipped tiles: the missing tiles are listed first,
  // then the rectangle loads with its band.
  void mixedPlainAndZippedTiles() {
    const QString zipped = SharedFile("srtm/graphhopper/N41E001.hgt.zip");
    const QString plain = SharedFile("srtm/nomilous-srtm/S33E018.hgt");
    if (zipped.isEmpty() || plain.isEmpty()) QSKIP("shared test data not found");
    QTemporaryDir dir;
    QFile::copy(zipped, dir.filePath("N41E001.hgt.zip"));
    QFile::copy(plain, dir.filePath("N42E001.hgt"));  // any tile's samples will do
    TMessageRecorder rec;
    TFormViewMesh f;
    f.show();  // makes the temporary folder for extracted tiles
    QString missing;
    OnNextDialog<TFormOpenMultiHGT>([&](TFormOpenMultiHGT& d) {
      FillMultiDialog(d, dir.path(), 43, 41, 1, 2);
      d.CheckBoxAdjoEast->click();
      OnNextModal([&](QWidget* m) {
        if (auto* list = qobject_cast<TFormMissingFiles*>(m))
          missing = list->MemoMissingFiles->toPlainText();
        m->close();
        d.BitBtnOK->click();
      });
      d.BitBtnCheckMissingFilesClick();
    });
    f.miOpenMultiHGTClick();
    QCOMPARE(missing, QString("N42E002.HGT\nN41E002.HGT"));
    QVERIFY2(rec.Texts().isEmpty(), qPrintable(rec.Texts().join("|")));
    QVERIFY(f.Mesh);
    QCOMPARE(f.Mesh->Cols, 2401);
    QCOMPARE(f.Mesh->Rows, 2401);
    QCOMPARE(f.Mesh->AdjoEast, 1201);
    QCOMPARE(f.Mesh->MaxLon, 3.0f);
    QCOMPARE(f.windowTitle(), QString("DELVA"));  // several tiles: no file name
    QVERIFY(f.miHatchAdjoQuad->isVisible());
    QVERIFY(f.UserInputEnabled());
    QCOMPARE(f.Mesh->GetCell(600, 600), int16_t(260));   // the plain tile
    QCOMPARE(f.Mesh->GetCell(600, 1800), int16_t(557));  // the zipped tile
    QCOMPARE(f.Mesh->GetCell(2000, 600), int16_t(0));    // absent band tiles: fill value 0
    QVERIFY(QDir(TempDir()).entryList(QDir::Files).isEmpty());
  }

  void multipleTilesCheckFailsWithoutMesh() {
    QTemporaryDir dir;
    WriteAll(dir.filePath("N45W123.hgt"), "short");
    TMessageRecorder rec;
    TFormViewMesh f;
    OnMultiDialog(dir.path(), 46, 45, -123, -122, false, false);
    f.miOpenMultiHGTClick();
    QCOMPARE(rec.Texts(), QStringList{"At least one HGT file has an invalid size."});
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::Error);
    QVERIFY(!f.Mesh);
    QVERIFY(f.miOpenMultiHGT->isEnabled());

    rec.Clear();
    OnNextModal([](QWidget* w) { w->close(); });  // cancelled
    f.miOpenMultiHGTClick();
    QVERIFY(rec.Texts().isEmpty());
    QVERIFY(!f.Mesh);
  }

  void rasterLoad() {
    QTemporaryDir dir;
    const QString path = dir.filePath("terrain.raw");
    QByteArray bytes;  // 2 rows of 3 samples, low byte first
    for (int16_t v : {1, 2, 3, -9999, 500, -7}) bytes.append(char(v & 0xFF)).append(char(v >> 8));
    WriteAll(path, bytes);
    TMessageRecorder rec;
    TFormViewMesh f;
    TDialogAnswers dlg({path});
    OnNextDialog<TFormOpenRaster>([](TFormOpenRaster& d) {
      d.BitBtnLocateFileClick();
      d.SpinEditMaxLat->setValue(46);
      d.SpinEditMinLat->setValue(44);
      d.SpinEditMinLon->setValue(-122);
      d.SpinEditMaxLon->setValue(-120);
      d.SpinEditSizeRows->setValue(2);
      d.SpinEditSizeCols->setValue(4);  // wrong: the dialog stays open
      d.BitBtnOK->click();
      d.SpinEditSizeCols->setValue(3);
      d.RadioButtonLsbFirst->setChecked(true);
      d.SpinEditVoidVal->setValue(-9999);
      d.CheckBoxAdjoNorth->click();
      d.BitBtnOK->click();
    });
    f.miOpenRasterClick();
    QCOMPARE(rec.Texts(), QStringList{"File has wrong size"});
    QVERIFY(f.Mesh);
    QCOMPARE(f.Mesh->Cols, 3);
    QCOMPARE(f.Mesh->Rows, 2);
    QCOMPARE(f.Mesh->GetCell(0, 1), int16_t(-9999));
    QCOMPARE(f.Mesh->GetCell(2, 1), int16_t(-7));
    QCOMPARE(f.Mesh->VoidCount, int64_t(1));
    QCOMPARE(f.Mesh->AdjoNorth, 1);  // Trunc(2 rows / 2 degrees)
    QCOMPARE(f.windowTitle(), QString("DELVA - terrain.raw"));
  }
};

DELVA_TEST_MAIN(FormViewMeshLoadTest)
#include "form_view_mesh_load_test.moc"
