// The main window's "Create BGL..." and "More Preferences" commands.

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/edit/undo_list.h"
#include "core/settings/prog_cfg.h"
#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_main.h"
#include "ui/commands/form_bgl_command.h"
#include "ui/dialogs/form_create_bgl_opt.h"
#include "ui/dialogs/form_prog_cfg.h"
#include "ui/dialogs/form_resample_output.h"
#include "ui/main/form_view_mesh.h"

namespace {

std::unique_ptr<TTMesh> SmallTile() {
  TTestMeshLayout s;
  s.Cols = s.Rows = 121;
  s.RowsPerDeg = s.ColsPerDeg = 120;
  return MakeTestMesh(s, [](int32_t x, int32_t y) { return int16_t(x * 3 + y); });
}

TFormResampleOutput* OutputWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* o = qobject_cast<TFormResampleOutput*>(w)) return o;
  return nullptr;
}

}  // namespace

class FormViewMeshSceneryTest : public QObject {
  Q_OBJECT

 private slots:
  void createBglRunsTheCompilerAndRestoresTheWindow() {
    QTemporaryDir dir;
    qputenv("STANDIN_DURATION_MS", "200");
    TMessageRecorder rec;
    // Not shown: the start-up configuration stays out of this test.
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(SmallTile()));
    ProgCfg.ResamplePath = STANDIN_RESAMPLE_PATH;
    ProgCfg.BGLFolder = dir.path().toStdString();
    bool userInputDuringRun = true;
    QString proposed;
    int ticks = 0;
    QTimer alive;  // the event loop keeps running while the compiler works
    connect(&alive, &QTimer::timeout, [&] { ++ticks; });
    alive.start(20);
    SetBglOptionsHook([&](TFormCreateBGLOpt& d) {
      proposed = d.BglPath;
      // The output window appears only after the dialog; menus go off with
      // the raster and stay off while the compiler runs.
      QTimer::singleShot(150, [&] { userInputDuringRun = f.UserInputEnabled(); });
      return int(QDialog::Accepted);
    });
    f.miCreateBGLFromCurrentMesh->trigger();
    SetBglOptionsHook({});
    alive.stop();
    QVERIFY(ticks > 5);
    QCOMPARE(proposed, dir.filePath("N48W123_N47W122.bgl"));
    QVERIFY(rec.Texts().isEmpty());
    QVERIFY(!userInputDuringRun);
    QVERIFY(f.UserInputEnabled());
    TFormResampleOutput* out = OutputWindow();
    QVERIFY(out);
    QVERIFY(out->LabelStatus->text().startsWith("Resample has finished.  Resulting BGL has "));
    QVERIFY(out->MemoOut->toPlainText().contains("Processing LOD 9: 100%"));
    QVERIFY(!out->MemoOut->toPlainText().contains('\r'));
    QVERIFY(QFileInfo(proposed).size() > 64);
    QPointer<TFormResampleOutput> guard = out;
    out->BitBtnCloseClick();
    QTRY_VERIFY(!guard);
  }

  // The Windows build of the stand-in through the real Wine, in the prefix
  // CI makes ($DELVA_WINEPREFIX): Z:\ paths, the INF files it reads back and
  // the final status from the BGL it wrote.
  void createBglThroughTheRealWine() {
    const QString prefix = qEnvironmentVariable("DELVA_WINEPREFIX");
    if (prefix.isEmpty() || !QFileInfo::exists(STANDIN_RESAMPLE_WINDOWS_PATH) ||
        QStandardPaths::findExecutable("wine").isEmpty())
      QSKIP("needs wine, the Windows stand-in (tools/dev.sh windows) and DELVA_WINEPREFIX");
    qputenv("WINEPREFIX", prefix.toLocal8Bit());
    qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
    qputenv("STANDIN_DURATION_MS", "200");
    QTemporaryDir dir;
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(SmallTile()));
    ProgCfg.ResamplePath = STANDIN_RESAMPLE_WINDOWS_PATH;
    ProgCfg.BGLFolder = dir.path().toStdString();
    SetBglOptionsHook([](TFormCreateBGLOpt&) { return int(QDialog::Accepted); });
    f.miCreateBGLFromCurrentMesh->trigger();
    SetBglOptionsHook({});
    QVERIFY2(rec.Texts().isEmpty(), qPrintable(rec.Texts().join('|')));
    QVERIFY(f.UserInputEnabled());
    TFormResampleOutput* out = OutputWindow();
    QVERIFY(out);
    QVERIFY2(out->LabelStatus->text().startsWith("Resample has finished.  Resulting BGL has "),
             qPrintable(out->LabelStatus->text() + "\n" + out->MemoOut->toPlainText()));
    QVERIFY(out->MemoOut->toPlainText().contains("Reading Z:\\"));
    QVERIFY(QFileInfo(dir.filePath("N48W123_N47W122.bgl")).size() > 64);
    QPointer<TFormResampleOutput> guard = out;
    out->BitBtnCloseClick();
    QTRY_VERIFY(!guard);
  }

  void preferencesApplyTheUndoLimit() {
    TMessageRecorder rec;
    TTProgCfg saved = ProgCfg;
    TFormViewMesh f;
    ProgCfg.MaxMemUndo = 8;
    QVERIFY(f.AttachMesh(SmallTile()));
    QVERIFY(f.UndoList);
    f.EnableUndoCommands(true);
    SetProgCfgDialogHook([](TFormProgCfg& d) {
      d.SpinEditMaxMemUndo->setValue(0);
      return int(QDialog::Accepted);
    });
    f.miMorePrefs->trigger();
    SetProgCfgDialogHook({});
    QCOMPARE(ProgCfg.MaxMemUndo, 0u);
    QCOMPARE(f.UndoList->Limit(), 0);
    QVERIFY(!f.miUndo->isEnabled());
    TTProgCfg written;
    QVERIFY(LoadProgCfg(written, SettingsFolder()));
    QCOMPARE(written.MaxMemUndo, 0u);
    ProgCfg = saved;
  }
};

DELVA_TEST_MAIN(FormViewMeshSceneryTest)
#include "form_view_mesh_scenery_test.moc"
