// The window's file commands: one HGT tile, HGX load and save, with the file
// dialogs answered by a hook and message boxes recorded.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_files.h"
#include "ui/main/form_view_mesh.h"

namespace {
void WriteTile(const QString& path, int n, int16_t base) {
  QByteArray bytes;
  bytes.resize(qsizetype(n) * n * 2);
  for (int i = 0; i < n * n; ++i) {
    int16_t v = int16_t(base + (i % n) + (i / n) % 7);
    bytes[2 * i] = char(uint16_t(v) >> 8);
    bytes[2 * i + 1] = char(v & 0xFF);
  }
  WriteAll(path, bytes);
}
}  // namespace

class FormViewMeshFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void singleTileLoads() {
    QTemporaryDir dir;
    const QString tile = dir.filePath("N45W123.hgt");
    WriteTile(tile, 1201, 100);
    TDialogAnswers dlg;
    TMessageRecorder rec;
    TFormViewMesh f;
    dlg.answers << tile;
    f.miOpenSingleHGTClick();
    QCOMPARE(rec.Texts(), QStringList());
    QVERIFY(f.Mesh);
    QCOMPARE(f.Mesh->MaxLon, -122.0f);
    QCOMPARE(f.windowTitle(), QString("DELVA - N45W123.hgt"));
    QVERIFY(!f.miOpenSingleHGT->isEnabled());
    QVERIFY(f.mFile->menuAction()->isEnabled());  // input back on
    QCOMPARE(f.MeshBitmap.width(), 1201);
  }

  void singleTileFailures() {
    QTemporaryDir dir;
    const QString bad = dir.filePath("N45W123.hgt");
    WriteAll(bad, QByteArray(2884801, 0));  // one byte short
    TDialogAnswers dlg;
    TMessageRecorder rec;
    TFormViewMesh f;
    dlg.answers << bad;
    f.miOpenSingleHGTClick();
    QCOMPARE(rec.Texts(), QStringList{"HGT file size is invalid."});
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::Error);
    QVERIFY(!f.Mesh);
    QVERIFY(f.miOpenSingleHGT->isEnabled());
    // Cancel does nothing.
    rec.Clear();
    f.miOpenSingleHGTClick();
    QVERIFY(rec.Texts().isEmpty());
    QVERIFY(!f.Mesh);
  }

  void zippedTileLoadsAndLeavesNothingBehind() {
    const QString zip = SharedFile("srtm/graphhopper/N48W125.hgt.zip");
    if (zip.isEmpty()) QSKIP("shared test data not found");
    TDialogAnswers dlg;
    TMessageRecorder rec;
    TFormViewMesh f;
    f.show();  // makes the temporary folder, this editor's own
    QVERIFY(QFileInfo(TempDir()).isDir());
    QVERIFY(QFileInfo(TempDir()).fileName().startsWith("delva-"));
    f.FormKeyDown(Qt::Key_Escape, {});  // an earlier Esc does not stop the load
    dlg.answers << zip;
    f.miOpenSingleHGTClick();
    QCOMPARE(rec.Texts(), QStringList());
    QVERIFY(f.Mesh);
    QCOMPARE(f.Mesh->Cols, 3601);  // a 1" tile
    QCOMPARE(f.Mesh->MinLon, -125.0f);
    QVERIFY(
        QDir(TempDir()).entryList(QDir::Files).filter("N48W125", Qt::CaseInsensitive).isEmpty());
  }

  void hgxSaveAndLoadAgain() {
    QTemporaryDir dir;
    TDialogAnswers dlg;
    TMessageRecorder rec;
    TFormViewMesh f;
    TTestMeshLayout s;
    s.Cols = 61;
    s.Rows = 41;
    s.MinLat = 44;
    s.MaxLat = 46;
    s.MinLon = -122;
    s.MaxLon = -120;
    s.AdjoSouth = 3;
    QVERIFY(
        f.AttachMesh(MakeTestMesh(s, [](int32_t x, int32_t y) { return int16_t(x * y - 40); })));
    const QString path = dir.filePath("saved.hgx");
    dlg.answers << path;
    f.miSaveAsHGXClick();
    QCOMPARE(rec.Texts(), QStringList());
    QCOMPARE(dlg.requests[0].proposedName, QString("N46W122_N44W120.hgx"));
    QVERIFY(f.mFile->menuAction()->isEnabled());
    QCOMPARE(QFileInfo(path).size(), qint64(64 + 61 * 41 * 2));
    f.miCloseMeshClick();
    dlg.answers << path;
    f.miOpenHGXClick();
    QVERIFY(f.Mesh);
    QCOMPARE(f.Mesh->GetCell(60, 40), int16_t(60 * 40 - 40));
    QCOMPARE(f.windowTitle(), QString("DELVA - saved.hgx"));
    QVERIFY(f.miHatchAdjoQuad->isVisible() && f.miShowGrid->isEnabled());
    // A file that is not HGX: message, no mesh.
    f.miCloseMeshClick();
    const QString junk = dir.filePath("junk.hgx");
    WriteAll(junk, "not a mesh at all, not even close to sixty-four bytes of header");
    dlg.answers << junk;
    f.miOpenHGXClick();
    QCOMPARE(rec.Texts(), QStringList{"Cannot load HGX."});
    QVERIFY(!f.Mesh);
  }

  void hgxSaveFailureIsReported() {
    TDialogAnswers dlg;
    TMessageRecorder rec;
    TFormViewMesh f;
    TTestMeshLayout s;
    s.Cols = s.Rows = 11;
    QVERIFY(f.AttachMesh(MakeTestMesh(s, [](int32_t, int32_t) { return int16_t(1); })));
    dlg.answers << "/nonexistent-folder-of-delva/x.hgx";
    f.miSaveAsHGXClick();
    QCOMPARE(rec.Texts(), QStringList{"Cannot save mesh."});
    QVERIFY(f.ToolBarMain->isEnabled());
    rec.Clear();
    QTemporaryDir dir;
    dlg.answers << dir.path();
    f.miSaveAsHGXClick();
    QCOMPARE(rec.Texts(), QStringList{dir.path() + " is a folder."});
    QVERIFY(QFileInfo(dir.path()).isDir());
  }

  void filterTranslation() {
    QCOMPARE(QtFileFilter("HGX|*.hgx"), QString("HGX (*.hgx *.HGX)"));
    QCOMPARE(QtFileFilter("Program Files|resample.exe", true),
             QString("Program Files ([Rr][Ee][Ss][Aa][Mm][Pp][Ll][Ee].[Ee][Xx][Ee])"));
    QCOMPARE(
        QtFileFilter("All known file types (*.hgt, *.zip)|*.hgt;*.zip|ZIP files (*.zip)|*.zip"),
        QString("All known file types (*.hgt, *.zip) (*.hgt *.HGT *.zip *.ZIP);;ZIP files "
                "(*.zip) (*.zip *.ZIP)"));
  }
};

QTEST_MAIN(FormViewMeshFilesTest)
#include "form_view_mesh_files_test.moc"
