#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/settings/prog_cfg.h"
#include "support/pe_image.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_files.h"
#include "ui/dialogs/form_prog_cfg.h"

class TestProgCfg : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Pe(const QString& name, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    const QString path = dir_.filePath(name);
    pe_test::WritePe(path.toStdString(), a, b, c, d);
    return path;
  }

 private slots:
  void showsTheRecordAndKeepsWorkingCopies() {
    TTProgCfg cfg;
    cfg.ResamplePath = Pe("resample.exe", 1, 0, 0, 4).toStdString();
    cfg.HGTFolder = "/data/hgt";
    cfg.BGLFolder = "/data/bgl";
    cfg.MaxMemUndo = 64;
    cfg.WarnNoUndo = true;
    TFormProgCfg d(cfg);
    QCOMPARE(d.LabelResampleVersion->text(), QString("Version 1.0.0.4"));
    QCOMPARE(d.LabelLocateResample->toolTip(), QString::fromStdString(cfg.ResamplePath));
    QCOMPARE(d.LabelLocateHGTFolder->text(), QString("/data/hgt"));
    QCOMPARE(d.SpinEditMaxMemUndo->value(), 64);
    QVERIFY(d.CheckBoxWarnNoUndo->isChecked());

    // Folders: a chosen folder becomes the working copy; browsing starts at
    // the record's folder; cancel changes nothing.
    QStringList starts;
    QString answer = "/new/bgl";
    d.ChooseFolder = [&](const QString& title, const QString& start) {
      starts << title + "|" + start;
      return answer;
    };
    d.BitBtnLocateBGLFolderClick();
    QCOMPARE(d.BGLFolder, std::string("/new/bgl"));
    QCOMPARE(d.LabelLocateBGLFolder->text(), QString("/new/bgl"));
    answer.clear();
    d.BitBtnLocateHGTFolderClick();
    QCOMPARE(d.HGTFolder, std::string("/data/hgt"));
    d.BitBtnLocateBGLFolderClick();
    QCOMPARE(starts, (QStringList{"Default BGL destination folder|/data/bgl",
                                  "Default HGT source folder|/data/hgt",
                                  "Default BGL destination folder|/data/bgl"}));

    // Undo memory 0 clears the warning and keeps it cleared.
    d.SpinEditMaxMemUndo->setValue(0);
    QVERIFY(!d.CheckBoxWarnNoUndo->isChecked());
    d.CheckBoxWarnNoUndo->click();
    QVERIFY(!d.CheckBoxWarnNoUndo->isChecked());
    d.SpinEditMaxMemUndo->setValue(10);
    d.CheckBoxWarnNoUndo->click();
    QVERIFY(d.CheckBoxWarnNoUndo->isChecked());
  }

  void compilerVersionRule() {
    TMessageRecorder rec;
    TTProgCfg cfg;
    TFormProgCfg d(cfg);
    QString chosen;
    d.ChooseResample = [&] { return chosen; };

    chosen = Pe("old.exe", 1, 0, 0, 1);  // known not to work
    d.BitBtnLocateResampleClick();
    QCOMPARE(rec.Texts(),
             QStringList{"This version (1.0.0.1) of Resample is not compatible with DELVA."});
    QVERIFY(d.ResamplePath.empty());

    rec.Clear();
    rec.QueueAnswers({false});
    chosen = Pe("new.exe", 2, 1, 0, 7);  // untested: No
    d.BitBtnLocateResampleClick();
    QCOMPARE(rec.Texts(), QStringList{"This version (2.1.0.7) of Resample has not been tested "
                                      "with DELVA.\nAccept this program version?"});
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::WarningQuestion);
    QVERIFY(d.ResamplePath.empty());
    rec.QueueAnswers({true});
    d.BitBtnLocateResampleClick();  // Yes
    QCOMPARE(d.ResamplePath, chosen.toStdString());
    QCOMPARE(d.LabelResampleVersion->text(), QString("Version 2.1.0.7"));

    // No readable version: nothing changes, and the user is told why.
    rec.Clear();
    chosen = dir_.filePath("text.exe");
    WriteAll(chosen, "MZ not really");
    d.BitBtnLocateResampleClick();
    QCOMPARE(rec.Texts(), QStringList{"text.exe cannot be used: it has no version information, "
                                      "so it is not a version of Resample that can be checked."});
    QCOMPARE(d.LabelResampleVersion->text(), QString("Version 2.1.0.7"));
  }

  void okSavesAndAppliesCancelKeeps() {
    TMessageRecorder rec;
    TTProgCfg cfg;
    cfg.BGLFolder = "/old";
    cfg.MaxMemUndo = 100;
    const QString folder = dir_.filePath("cfg");
    QDir().mkpath(folder);
    uint32_t applied = 12345;
    auto apply = [&](uint32_t mb) { applied = mb; };

    SetProgCfgDialogHook([](TFormProgCfg& d) {
      d.BGLFolder = "/elsewhere";
      d.SpinEditMaxMemUndo->setValue(0);
      return int(QDialog::Rejected);
    });
    QVERIFY(!RunPreferences(nullptr, cfg, folder.toStdString(), apply));
    QCOMPARE(cfg.BGLFolder, std::string("/old"));
    QCOMPARE(applied, 12345u);
    QVERIFY(!QFile::exists(folder + "/delvacfg.bin"));

    SetProgCfgDialogHook([](TFormProgCfg& d) {
      d.BGLFolder = "/elsewhere";
      d.SpinEditMaxMemUndo->setValue(0);
      return int(QDialog::Accepted);
    });
    QVERIFY(RunPreferences(nullptr, cfg, folder.toStdString(), apply));
    QCOMPARE(cfg.BGLFolder, std::string("/elsewhere"));
    QCOMPARE(cfg.MaxMemUndo, 0u);
    QCOMPARE(applied, 0u);
    QVERIFY(rec.Texts().isEmpty());
    TTProgCfg back;
    QVERIFY(LoadProgCfg(back, folder.toStdString()));
    QCOMPARE(back.BGLFolder, std::string("/elsewhere"));

    // A folder that cannot be written: the record changes, the user is told.
    QVERIFY(RunPreferences(nullptr, cfg, dir_.filePath("no/such").toStdString(), apply));
    QCOMPARE(rec.Texts(), QStringList{"Could not write configurations to disk."});
    SetProgCfgDialogHook({});
  }

  void helpFollowsThePage() {
    TTProgCfg cfg;
    TFormProgCfg d(cfg);
    QStringList pages;
    connect(&d, &TFormProgCfg::helpRequested, [&](const QString& p) { pages << p; });
    d.BitBtnHelpClick();
    d.PageControl->setCurrentWidget(d.TabSheetUndo);
    d.BitBtnHelpClick();
    QCOMPARE(pages, (QStringList{"progsettings_filesfolders.htm", "progsettings_undo.htm"}));
  }
};

QTEST_MAIN(TestProgCfg)
#include "form_prog_cfg_test.moc"
