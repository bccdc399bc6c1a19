// "Create BGL...": its options dialog, one run of the stand-in compiler from
// the main window, and what the window does when the run goes wrong.

#include "core/scenery/bgl_build.h"
#include "core/scenery/resample_tool.h"
#include "core/settings/prog_cfg.h"
#include "support/ui/window_test.h"
#include "ui/commands/form_bgl_command.h"
#include "ui/dialogs/form_create_bgl_opt.h"
#include "ui/dialogs/form_resample_output.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/app_folders.h"

namespace {

// One degree at N45W122 of 120 cells per degree, optionally with a band of
// a degree all round and a void.
std::unique_ptr<TTMesh> MakeMesh(bool bands, bool withVoid = false) {
  const int n = 120, extra = bands ? 1 : 0;
  TTestMeshLayout l;
  l.Cols = l.Rows = (1 + 2 * extra) * n + 1;
  l.RowsPerDeg = l.ColsPerDeg = n;
  l.MinLat = 45 - extra, l.MaxLat = 46 + extra, l.MinLon = -122 - extra, l.MaxLon = -121 + extra;
  l.AdjoNorth = l.AdjoEast = extra * (n + 1);
  l.AdjoSouth = l.AdjoWest = extra * n;
  auto m = MakeTestMesh(l, [](int32_t x, int32_t y) { return int16_t(x + y); });
  if (withVoid) m->SetCell(3, 3, -32768);
  return m;
}

bool TempFilesExist(const std::string& tempDir) {
  const TBglTempFiles f = BglTempFiles(tempDir);
  for (const std::string& p : {f.Raster, f.SourceInf, f.DestInf})
    if (QFile::exists(QString::fromStdString(p))) return true;
  return false;
}

}  // namespace

class FormSceneryTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  TBglCommandEnv Env(const TTMesh& mesh) {
    TBglCommandEnv env;
    env.Mesh = &mesh;
    env.TempDir = dir_.filePath("temp").toStdString();
    QDir().mkpath(dir_.filePath("temp"));
    env.ResamplePath = STANDIN_RESAMPLE_PATH;
    env.BglFolder = dir_.path().toStdString();
    return env;
  }
  // Runs the command, accepting the dialog after `edit`; returns when the
  // output window may be closed.
  static QPointer<TFormResampleOutput> Run(const TBglCommandEnv& env,
                                           std::function<void(TFormCreateBGLOpt&)> edit = {}) {
    SetBglOptionsHook([edit](TFormCreateBGLOpt& d) {
      d.BglPathChosen = true;  // no overwrite question
      if (edit) edit(d);
      return int(QDialog::Accepted);
    });
    QPointer<TFormResampleOutput> w = CreateBglFromMesh(env);
    SetBglOptionsHook({});
    return w;
  }

 private slots:
  void initTestCase() { qputenv("STANDIN_DURATION_MS", "300"); }

  void optionsDialog() {
    TMessageRecorder rec;
    auto plain = MakeMesh(false), banded = MakeMesh(true);
    TFormCreateBGLOpt d;
    d.SetupFromMesh(*plain, "/scenery");
    QCOMPARE(d.BglPath, QString("/scenery/N46W122_N45W121.bgl"));
    d.SpinEditLOD->setValue(12);
    QCOMPARE(d.LabelLODmeters->text(), QString("9.60 m"));
    QVERIFY(!d.SpinEditExtraBandNorth->isEnabled() && !d.LabelBandEast->isEnabled());
    TFormCreateBGLOpt b;
    b.SetupFromMesh(*banded, "");
    for (QSpinBox* s : {b.SpinEditExtraBandNorth, b.SpinEditExtraBandSouth, b.SpinEditExtraBandWest,
                        b.SpinEditExtraBandEast})
      QVERIFY(s->isEnabled() && s->maximum() == 120 && s->value() == 120);  // 171, held to 1 deg

    // INF files: no file twice (in any letter case); the marker of the
    // generated one moves but cannot be removed.
    QStringList next = {"/x/Land.inf", "/x/water.inf", "/X/LAND.INF"};
    d.ChooseInfFile = [&] { return next.takeFirst(); };
    for (int i = 0; i < 3; ++i) d.BitBtnInfAddClick();
    QCOMPARE(rec.Texts(), QStringList{"INF file is already in the list."});
    d.ListBoxInfs->setCurrentRow(0);
    QVERIFY(!d.BitBtnInfDel->isEnabled());
    d.BitBtnInfUpClick();  // at the top: nothing
    for (int i = 0; i < 3; ++i) d.BitBtnInfDownClick();
    QCOMPARE(d.InfEntries(),
             (std::vector<std::string>{"/x/Land.inf", "/x/water.inf", GeneratedInfMarker}));
    d.ListBoxInfs->setCurrentRow(0);
    QVERIFY(d.BitBtnInfDel->isEnabled());
    d.BitBtnInfDelClick();
    QVERIFY(!d.BitBtnInfDel->isEnabled());
    QCOMPARE(d.InfEntries(), (std::vector<std::string>{"/x/water.inf", GeneratedInfMarker}));

    // The proposed name of an existing BGL asks; No keeps the dialog open.
    // Chosen through "Change", the save dialog has asked already.
    const QString existing = dir_.filePath("old.bgl");
    WriteAll(existing, "");
    d.BglPath = existing;
    rec.Clear();
    rec.QueueAnswers({false});
    d.show();
    d.accept();
    QCOMPARE(rec.Texts(), QStringList{"File already exists.\nDo you want to overwrite it?"});
    QVERIFY(d.result() == QDialog::Rejected && d.isVisible());
    d.ChooseBglFile = [&] { return existing; };
    d.BitBtnSelectClick();
    d.accept();
    QCOMPARE(rec.Texts().size(), 1);
    QCOMPARE(d.result(), int(QDialog::Accepted));

    QPointer<TFormResampleOutput> w = new TFormResampleOutput;
    w->show();
    w->AppendOutput(QString(200000, 'z'));  // one huge chunk: its tail only
    QVERIFY(w->MemoOut->toPlainText().size() <= TFormResampleOutput::kMaxMemoChars);
    QVERIFY(!w->close());
    w->AllowClose();
    QVERIFY(w->close());
    QTRY_VERIFY(!w);
  }

  // The event loop runs on while the compiler works, with the menus off;
  // afterwards they are on again and the temporary files are gone.
  void runFromTheWindowAndRestore() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(MakeMesh(false)));
    ProgCfg.ResamplePath = STANDIN_RESAMPLE_PATH;
    ProgCfg.BGLFolder = dir_.path().toStdString();
    bool inputDuringRun = true;
    QString proposed;
    int ticks = 0;
    QTimer alive;
    connect(&alive, &QTimer::timeout, [&] { ++ticks; });
    alive.start(20);
    SetBglOptionsHook([&](TFormCreateBGLOpt& d) {
      proposed = d.BglPath;
      QTimer::singleShot(150, [&] { inputDuringRun = f.UserInputEnabled(); });
      return int(QDialog::Accepted);
    });
    f.miCreateBGLFromCurrentMesh->trigger();
    SetBglOptionsHook({});
    QVERIFY(ticks > 5 && !inputDuringRun && f.UserInputEnabled());
    QCOMPARE(proposed, dir_.filePath("N46W122_N45W121.bgl"));
    QVERIFY(rec.Texts().isEmpty());
    QPointer<TFormResampleOutput> out;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* o = qobject_cast<TFormResampleOutput*>(w)) out = o;
    QVERIFY(out && out->LabelStatus->text().startsWith("Resample has finished.  Resulting BGL "));
    QVERIFY(out->MemoOut->toPlainText().contains("Processing LOD 9: 100%"));
    QVERIFY(!out->MemoOut->toPlainText().contains('\r'));
    QVERIFY(QFileInfo(proposed).size() > 64 && !TempFilesExist(TempDirUtf8()));
    out->BitBtnCloseClick();
    QTRY_VERIFY(!out);
  }

  // Where the window's handling differs: no compiler, a declined void
  // question, a program that does not start, a crash.
  void failedRunsLeaveNothingBehind() {
    auto mesh = MakeMesh(false, true);
    const QString notExe = dir_.filePath("plain.txt");
    WriteAll(notExe, "just text");
    struct TCase {
      const char* path;
      const char* mode;
      QString message, status;
    } cases[] = {
        {"nothere.exe", "",
         "Please, inform the location of Resample in\nProgram Preferences (Files and Folders).",
         ""},
        {"", "", "The current mesh has voids (null elevation data).\nProceed anyway?", ""},
        {"plain.txt", "", "Could not create BGL file.", ""},
        {"", "crash", "", "Resample stopped abnormally. No BGL file has been created."},
    };
    for (const TCase& c : cases) {
      TMessageRecorder rec;
      rec.QueueAnswers({!c.message.contains("voids")});
      TBglCommandEnv env = Env(*mesh);
      if (*c.path) env.ResamplePath = dir_.filePath(c.path).toStdString();
      qputenv("STANDIN_MODE", c.mode);
      QFile::remove(dir_.filePath("N46W122_N45W121.bgl"));
      QPointer<TFormResampleOutput> w = Run(env);
      if (!c.status.isEmpty()) {
        QVERIFY(w && w->BitBtnClose->isEnabled());
        QCOMPARE(w->LabelStatus->text(), c.status);
        w->close();
      }
      QTRY_VERIFY(!w);
      if (!c.message.isEmpty()) QCOMPARE(rec.Texts().last(), c.message);
      QVERIFY2(!TempFilesExist(env.TempDir), c.mode);
    }
    qunsetenv("STANDIN_MODE");
  }

  // A compiler that hangs is stopped from its output window, or by closing
  // the window that started it.
  void stuckCompilerCanBeStopped() {
    auto mesh = MakeMesh(false);
    TMessageRecorder rec;
    qputenv("STANDIN_DURATION_MS", "120000");
    auto stopLater = [](std::function<void(TFormResampleOutput*)> stop) {
      QTimer::singleShot(300, [stop] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* out = qobject_cast<TFormResampleOutput*>(w); out && out->IsRunning()) stop(out);
      });
    };
    TBglCommandEnv env = Env(*mesh);
    stopLater([](TFormResampleOutput* out) { out->BitBtnStop->click(); });
    QPointer<TFormResampleOutput> w = Run(env);
    QVERIFY(w);
    QCOMPARE(w->LabelStatus->text(), QString("Resample was stopped."));
    w->close();

    TFormViewMesh owner;
    owner.show();
    env.Owner = &owner;
    stopLater([&owner](TFormResampleOutput*) { owner.close(); });
    Run(env);
    QCOMPARE(rec.Texts().last(), QString("Resample is still running. Stop it and exit?"));
    QTRY_VERIFY(!owner.isVisible());
    qputenv("STANDIN_DURATION_MS", "300");
  }
};

DELVA_TEST_MAIN(FormSceneryTest)
#include "form_scenery_test.moc"
