#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "core/mesh/mesh.h"
#include "core/scenery/bgl_build.h"
#include "core/scenery/resample_tool.h"
#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_files.h"
#include "ui/commands/form_bgl_command.h"
#include "ui/dialogs/form_create_bgl_opt.h"
#include "ui/dialogs/form_resample_output.h"
#include "ui/main/form_view_mesh.h"

namespace {

// A one-tile 3-arc-second mesh of N45W122 shrunk to a tenth (120 cells per
// degree), optionally with all four bands, samples a gentle slope.
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

}  // namespace

class TestCreateBgl : public QObject {
  Q_OBJECT

 private:
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
  static bool TempFilesExist(const TBglCommandEnv& env) {
    const TBglTempFiles f = BglTempFiles(env.TempDir);
    return QFile::exists(QString::fromStdString(f.Raster)) ||
           QFile::exists(QString::fromStdString(f.SourceInf)) ||
           QFile::exists(QString::fromStdString(f.DestInf));
  }
  // Runs the command, accepting the dialog after `edit`, and waits until the
  // output window may be closed.
  QPointer<TFormResampleOutput> Run(const TBglCommandEnv& env,
                                    std::function<void(TFormCreateBGLOpt&)> edit = {}) {
    SetBglOptionsHook([edit](TFormCreateBGLOpt& d) {
      if (edit) edit(d);
      return int(QDialog::Accepted);
    });
    QPointer<TFormResampleOutput> w = CreateBglFromMesh(env);
    SetBglOptionsHook({});
    return w;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("STANDIN_DURATION_MS", "300");
    qunsetenv("STANDIN_MODE");
  }
  void cleanup() { qunsetenv("STANDIN_MODE"); }

  void dialogProposalsAndBands() {
    auto plain = MakeMesh(false);
    TFormCreateBGLOpt d;
    d.SetupFromMesh(*plain, "/scenery");
    QCOMPARE(d.BglPath, QString("/scenery/N46W122_N45W121.bgl"));
    d.SpinEditLOD->setValue(12);
    QCOMPARE(d.LabelLODmeters->text(), QString("9.60 m"));
    QVERIFY(!d.SpinEditExtraBandNorth->isEnabled() && !d.LabelBandEast->isEnabled());

    auto banded = MakeMesh(true);
    TFormCreateBGLOpt b;
    b.SetupFromMesh(*banded, "");
    for (QSpinBox* s : {b.SpinEditExtraBandNorth, b.SpinEditExtraBandSouth, b.SpinEditExtraBandWest,
                        b.SpinEditExtraBandEast}) {
      QVERIFY(s->isEnabled());
      QCOMPARE(s->maximum(), 120);
      QCOMPARE(s->value(), 120);  // the 171 proposal, held to one degree
    }
  }

  void dialogInfListAndOverwrite() {
    TMessageRecorder rec;
    TFormCreateBGLOpt d;
    QStringList next = {"/x/Land.inf", "/x/water.inf", "/X/LAND.INF"};
    d.ChooseInfFile = [&] { return next.takeFirst(); };
    d.BitBtnInfAddClick();
    d.BitBtnInfAddClick();
    d.BitBtnInfAddClick();  // same file in other letter case
    QCOMPARE(rec.Texts(), QStringList{"INF file is already in the list."});
    QCOMPARE(d.ListBoxInfs->count(), 3);

    // The marker can be moved but not removed.
    d.ListBoxInfs->setCurrentRow(0);
    QVERIFY(!d.BitBtnInfDel->isEnabled());
    d.BitBtnInfUpClick();  // at the top: nothing
    QCOMPARE(d.ListBoxInfs->item(0)->text(), QString(GeneratedInfMarker));
    d.BitBtnInfDownClick();
    d.BitBtnInfDownClick();
    d.BitBtnInfDownClick();  // at the bottom: nothing
    QCOMPARE(d.ListBoxInfs->currentRow(), 2);
    QCOMPARE(d.InfEntries(),
             (std::vector<std::string>{"/x/Land.inf", "/x/water.inf", GeneratedInfMarker}));
    d.ListBoxInfs->setCurrentRow(0);
    QVERIFY(d.BitBtnInfDel->isEnabled());
    d.BitBtnInfDelClick();
    QVERIFY(!d.BitBtnInfDel->isEnabled());
    QCOMPARE(d.InfEntries(), (std::vector<std::string>{"/x/water.inf", GeneratedInfMarker}));

    // The proposed name of an existing BGL asks; No keeps the dialog open.
    const QString existing = dir_.filePath("old.bgl");
    WriteAll(existing, "");
    d.BglPath = existing;
    rec.Clear();
    rec.QueueAnswers({false});
    d.show();
    d.accept();
    QCOMPARE(rec.Texts(), QStringList{"File already exists.\nDo you want to overwrite it?"});
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(d.isVisible());
    // Chosen through "Change": the save dialog has asked already.
    d.ChooseBglFile = [&] { return existing; };
    d.BitBtnSelectClick();
    QVERIFY(d.BglPathChosen);
    rec.Clear();
    d.accept();
    QVERIFY(rec.Texts().isEmpty());
    QCOMPARE(d.result(), int(QDialog::Accepted));
  }

  void outputWindowClosesOnlyWhenAllowed() {
    QPointer<TFormResampleOutput> w = new TFormResampleOutput;
    w->show();
    w->AppendOutput(QString(200000, 'z'));  // one huge chunk: its tail only
    QVERIFY(w->MemoOut->toPlainText().size() <= TFormResampleOutput::kMaxMemoChars);
    QVERIFY(!w->close());
    w->AllowClose();
    QVERIFY(w->close());
    QTRY_VERIFY(!w);
  }

  void endToEndWithTheStandIn() {
    auto mesh = MakeMesh(true);
    TBglCommandEnv env = Env(*mesh);
    const QString log = dir_.filePath("standin.log");
    qputenv("STANDIN_LOG", log.toUtf8());
    int enables = 0, disables = 0, ticks = 0;
    env.EnableUserInput = [&](bool on) { on ? ++enables : ++disables; };
    QTimer alive;  // the event loop keeps running while the compiler works
    connect(&alive, &QTimer::timeout, [&] { ++ticks; });
    alive.start(20);
    TMessageRecorder rec;
    QPointer<TFormResampleOutput> w = Run(env, [](TFormCreateBGLOpt& d) {
      d.SpinEditExtraBandNorth->setValue(17);
      d.SpinEditExtraBandSouth->setValue(0);
      d.SpinEditExtraBandWest->setValue(120);
      d.SpinEditExtraBandEast->setValue(5);
      d.SpinEditBaseValue->setValue(-3);
    });
    alive.stop();
    qunsetenv("STANDIN_LOG");
    QVERIFY(rec.Texts().isEmpty());
    QVERIFY(w);
    QVERIFY(ticks > 5);
    QCOMPARE(disables, 1);
    QCOMPARE(enables, 1);
    QVERIFY(w->BitBtnClose->isEnabled());
    QVERIFY(w->MemoOut->toPlainText().contains("Processing LOD 9: 100%"));
    QVERIFY(!w->MemoOut->toPlainText().contains('\r'));
    // Cut: 17 + 121 + 0 rows, 120 + 121 + 5 columns -> BGL of 64 + bytes/32.
    const qint64 bytes = qint64(17 + 121) * (120 + 121 + 5) * 2;
    const QString bgl = dir_.filePath("N46W122_N45W121.bgl");
    QCOMPARE(QFileInfo(bgl).size(), 64 + bytes / 32);
    QCOMPARE(w->LabelStatus->text(),
             QString::fromStdString(ResampleFinishedText(bgl.toStdString())));
    QVERIFY(w->LabelStatus->text().startsWith("Resample has finished.  Resulting BGL has "));
    QVERIFY(!TempFilesExist(env));

    // Only the generated INF files (the order and folder are pinned by the CLI test).
    const QString text = QString::fromUtf8(ReadAll(log));
    QCOMPARE(text.split('\n').filter(QRegularExpression("^arg ")).size(), 2);
    QVERIFY(text.contains("key Source.NumOfLines=138\n"));
    QVERIFY(text.contains("key Source.BaseValue=-3\n"));
    QVERIFY(!text.contains("error"));

    QVERIFY(w->close());
    QTRY_VERIFY(!w);
  }

  void badRunsEndWithTheirStatus() {
    auto mesh = MakeMesh(false, true);
    TBglCommandEnv env = Env(*mesh);
    TMessageRecorder rec;
    const QString bgl = dir_.filePath("N46W122_N45W121.bgl");

    // Compiler location unknown or gone.
    env.ResamplePath = dir_.filePath("nothere.exe").toStdString();
    QVERIFY(!Run(env));
    QCOMPARE(rec.Texts(), QStringList{"Please, inform the location of Resample in\n"
                                      "Program Preferences (Files and Folders)."});

    // Voids: No stops before the dialog.
    env = Env(*mesh);
    rec.Clear();
    rec.QueueAnswers({false});
    bool shown = false;
    SetBglOptionsHook([&](TFormCreateBGLOpt&) {
      shown = true;
      return int(QDialog::Accepted);
    });
    QVERIFY(!CreateBglFromMesh(env));
    SetBglOptionsHook({});
    QVERIFY(!shown);
    QCOMPARE(rec.Texts(),
             QStringList{"The current mesh has voids (null elevation data).\nProceed anyway?"});
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::WarningQuestion);

    // A file that cannot be started.
    const QString notExe = dir_.filePath("plain.txt");
    WriteAll(notExe, "just text");
    env.ResamplePath = notExe.toStdString();
    rec.Clear();
    QPointer<TFormResampleOutput> w = Run(env);
    QTRY_VERIFY(!w);  // the output window is closed again
    QCOMPARE(rec.Texts().last(), QString("Could not create BGL file."));
    QVERIFY(!TempFilesExist(env));

    // A crash (a missing BGL is told apart by the core's status text test).
    env = Env(*mesh);
    QFile::remove(bgl);
    qputenv("STANDIN_MODE", "crash");
    rec.Clear();
    w = Run(env, [](TFormCreateBGLOpt& d) { d.BglPathChosen = true; });
    QVERIFY(w);
    QCOMPARE(w->LabelStatus->text(),
             QString("Resample stopped abnormally. No BGL file has been created."));
    QVERIFY(w->BitBtnClose->isEnabled());
    QVERIFY(!TempFilesExist(env));
    w->close();
    QTRY_VERIFY(!w);

    // Megabytes of output: the memo stays small, the run ends normally; the
    // temporary files stay when the box is cleared.
    qputenv("STANDIN_MODE", "flood");
    qputenv("STANDIN_FLOOD_MB", "4");
    w = Run(env, [](TFormCreateBGLOpt& d) {
      d.BglPathChosen = true;
      d.CheckBoxDeleteTemp->setChecked(false);
    });
    qunsetenv("STANDIN_FLOOD_MB");
    QVERIFY(w);
    QVERIFY(w->MemoOut->toPlainText().size() <= 2 * TFormResampleOutput::kMaxMemoChars);
    QVERIFY(w->MemoOut->toPlainText().contains("100%"));
    QVERIFY(w->LabelStatus->text().startsWith("Resample has finished.  Resulting BGL has "));
    QVERIFY(TempFilesExist(env));
    DeleteBglTempFiles(BglTempFiles(env.TempDir));
    w->close();
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
    QPointer<TFormResampleOutput> w =
        Run(env, [](TFormCreateBGLOpt& d) { d.BglPathChosen = true; });
    QVERIFY(w);
    QCOMPARE(w->LabelStatus->text(), QString("Resample was stopped."));
    w->close();

    TFormViewMesh owner;
    owner.show();
    env.Owner = &owner;
    rec.QueueAnswers({true});
    stopLater([&owner](TFormResampleOutput*) { owner.close(); });
    w = Run(env, [](TFormCreateBGLOpt& d) { d.BglPathChosen = true; });
    QCOMPARE(rec.Texts().last(), QString("Resample is still running. Stop it and exit?"));
    QTRY_VERIFY(!owner.isVisible());
    qputenv("STANDIN_DURATION_MS", "300");
  }
};

QTEST_MAIN(TestCreateBgl)
#include "form_create_bgl_test.moc"
