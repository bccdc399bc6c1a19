// The dialogs on their own: their checks and messages, the values they
// remember, what they enable, and the help pages they open.

#include "core/settings/prog_cfg.h"
#include "support/pe_image.h"
#include "support/ui/test_main.h"
#include "ui/dialogs/form_edit_ops.h"
#include "ui/dialogs/form_fill_voids.h"
#include "ui/dialogs/form_interpol.h"
#include "ui/dialogs/form_open_multi_hgt.h"
#include "ui/dialogs/form_prog_cfg.h"
#include "ui/dialogs/form_raster.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/help_window.h"

class FormDialogsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Pe(const QString& name, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    pe_test::WritePe(dir_.filePath(name).toStdString(), a, b, c, d);
    return dir_.filePath(name);
  }
  static void Rect(QSpinBox* top, QSpinBox* bottom, QSpinBox* left, QSpinBox* right,
                   std::array<int, 4> v) {
    top->setValue(v[0]), bottom->setValue(v[1]), left->setValue(v[2]), right->setValue(v[3]);
  }

 private slots:
  void editDialogsRememberOnEitherButton() {
    ResetRememberedEditValues();
    {
      TFormMeshChangeVal c(nullptr);
      c.SpinEditNewValue->setValue(12), c.reject();
      TFormRestrictHeight r(nullptr);
      QCOMPARE(r.Flags(), uint16_t(0));
      r.CheckBoxLower->setChecked(true), r.SpinEditLower->setValue(-5), r.accept();
      TFormAddVertOffset o(nullptr);
      o.SpinEditVertOffset->setValue(-100000), o.reject();
      TFormFillRect f(nullptr);
      QCOMPARE(f.Mode(), int16_t(1));  // "Keep voids" at first
      QVERIFY(f.focusWidget() != f.BitBtnExecute);
      f.RadioButtonVoidsOnly->setChecked(true);
      QCOMPARE(f.Mode(), int16_t(2));
      f.RadioButtonFillAll->setChecked(true), f.SpinEditFillingVal->setValue(321), f.reject();
    }
    QCOMPARE(TFormMeshChangeVal(nullptr).SpinEditNewValue->value(), 12);
    TFormRestrictHeight r(nullptr);
    QVERIFY(r.Flags() == 1 && r.SpinEditLower->value() == -5);
    QCOMPARE(TFormAddVertOffset(nullptr).SpinEditVertOffset->value(), -100000);
    TFormFillRect f(nullptr);
    QVERIFY(f.Mode() == 3 && f.SpinEditFillingVal->value() == 321);
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.BitBtnExecute));
  }

  void interpolationWeightCheck() {
    ResetRememberedInterpolValues();
    TMessageRecorder rec;
    TFormInterpolNearestNei f(nullptr);
    const std::pair<const char*, const char*> refused[] = {
        {"2,5", "Invalid format for Weight."},
        {"1", "Weight must be greater than 1."},
        {"nan", "Weight must be greater than 1."},
        {"1,000", "Invalid format for Weight."},
        {"inf", "Invalid format for Weight."}};
    for (const auto& [text, message] : refused) {
      rec.Clear(), f.MaskEditPower->setText(text), f.accept();
      QVERIFY2(f.result() == QDialog::Rejected && rec.Texts() == QStringList{message} &&
                   rec.Entries().front().kind == TMsgKind::Error,
               text);
    }
    QCOMPARE(TFormInterpolNearestNei(nullptr).MaskEditPower->text(), QString("6.0"));
    f.SpinEditRadius->setValue(12), f.MaskEditPower->setText(" 1.04 "), f.accept();
    QVERIFY(f.result() == QDialog::Accepted && f.Weight() == 1.04);
    TFormInterpolNearestNei g(nullptr);
    // "1.0" would be refused
    QVERIFY(g.SpinEditRadius->value() == 12 && g.MaskEditPower->text() == "1.04");
    g.MaskEditPower->setText("9"), g.accept();
    TFormInterpolNearestNei h(nullptr);
    QCOMPARE(h.MaskEditPower->text(), QString("9.0"));
    h.SpinEditRadius->setValue(3);
    h.reject();  // Cancel remembers nothing
    QCOMPARE(TFormInterpolNearestNei(nullptr).SpinEditRadius->value(), 12);
  }

  void fillVoidsDialogChecksAndRemembers() {
    ResetRememberedFillVoidsValues();
    TMessageRecorder rec;
    {
      TFormFillVoids d(nullptr);
      d.MaskEditPower->setText("1"), d.accept();
      d.ComboBoxMethod->setCurrentIndex(2), d.EditSecondDem->clear(), d.accept();
      QCOMPARE(d.result(), int(QDialog::Rejected));
      d.ComboBoxMethod->setCurrentIndex(1), d.CheckBoxInteriorOnly->setChecked(true);
      d.CheckBoxMaxVoid->setChecked(true), d.SpinEditMaxVoid->setValue(77), d.accept();
    }
    QCOMPARE(rec.Texts(), (QStringList{"Weight must be greater than 1.",
                                       "Choose the file of the second elevation model."}));
    TFormFillVoids d(nullptr);
    QVERIFY(d.ComboBoxMethod->currentIndex() == 1 && d.CheckBoxInteriorOnly->isChecked());
    QVERIFY(d.SpinEditMaxVoid->isEnabled() && d.SpinEditMaxVoid->value() == 77);
  }

  void multipleTilesDialog() {
    TMessageRecorder rec;
    {
      TFormOpenMultiHGT f(nullptr, QString());
      // No folder known: neither "Load" nor the check can be used.
      QVERIFY(!f.BitBtnOK->isEnabled() && !f.BitBtnCheckMissingFiles->isEnabled());
      Rect(f.SpinEditMaxLat, f.SpinEditMinLat, f.SpinEditMinLon, f.SpinEditMaxLon,
           {47, 45, -124, -121});
      f.SpinEditFillValue->setValue(-32768), f.CheckBoxAdjoNorth->click();
      QVERIFY(f.FormCloseQuery());
      TFormOpenMultiHGT g(nullptr, QString());  // a cancelled one writes nothing back
      g.SpinEditMaxLat->setValue(60), g.reject();
    }
    TFormOpenMultiHGT f(nullptr, QString());
    QVERIFY(f.SpinEditMaxLat->value() == 47 && f.SpinEditFillValue->value() == -32768);
    QVERIFY(!f.CheckBoxAdjoNorth->isChecked());  // bands start unticked

    // Each side's band is unticked at its pole or the date line, and cannot be ticked there.
    for (QCheckBox* c : {f.CheckBoxAdjoSouth, f.CheckBoxAdjoWest, f.CheckBoxAdjoEast}) c->click();
    f.SpinEditMaxLon->setValue(180);
    QVERIFY(!f.CheckBoxAdjoEast->isChecked() && f.CheckBoxAdjoWest->isChecked());
    f.SpinEditMinLat->setValue(-90);
    QVERIFY(!f.CheckBoxAdjoSouth->isChecked());
    f.SpinEditMaxLat->setValue(90), f.CheckBoxAdjoNorth->click();
    QVERIFY(!f.CheckBoxAdjoNorth->isChecked());
    // A band left ticked at the limit is refused and unticked on "Load".
    f.CheckBoxAdjoEast->setChecked(true);  // behind the handlers' back
    QVERIFY(!f.FormCloseQuery() && !f.CheckBoxAdjoEast->isChecked());
    // Top equals bottom; text that is not a number reads as the minimum.
    f.SpinEditMaxLat->setValue(-90);
    QVERIFY(!f.FormCloseQuery());
    f.BitBtnCheckMissingFilesClick(), f.SpinEditMaxLat->setValue(5);
    auto* edit = f.SpinEditMaxLat->findChild<QLineEdit*>();
    edit->selectAll(), QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(f.LabelMosaicBaseDim->text(), QString("Invalid"));
    QCOMPARE(rec.Texts(),
             (QStringList{"Invalid extra band.", "Invalid rectangle.", "Invalid rectangle."}));
    TFormOpenMultiHGT::LastMinLat = -1, TFormOpenMultiHGT::LastMaxLat = 1;
    TFormOpenMultiHGT::LastMinLon = -1, TFormOpenMultiHGT::LastMaxLon = 1;
    TFormOpenMultiHGT::LastFillValue = 0;
  }

  void multipleTilesFolderPresetAndMissingTiles() {
    TMessageRecorder rec;
    TFormOpenMultiHGT f(nullptr, dir_.path() + "/absent");
    QVERIFY(f.SourceFolder.isEmpty());
    f.ChooseFolder = [&](const QString&, const QString&) { return QString(); };
    f.BitBtnLocateInputFolder->click();  // cancelled: nothing changes
    QVERIFY(!f.BitBtnOK->isEnabled());
    f.ChooseFolder = [&](const QString&, const QString&) { return dir_.path(); };
    f.BitBtnLocateInputFolder->click();
    QVERIFY(f.SourceFolder == dir_.path() && f.BitBtnOK->isEnabled());
    QVERIFY(f.BitBtnCheckMissingFiles->isEnabled());

    WriteAll(dir_.filePath("N45W123.HGT.zip"), "x");
    WriteAll(dir_.filePath("n46w122.hgt"), "x");  // lower case counts too
    Rect(f.SpinEditMaxLat, f.SpinEditMinLat, f.SpinEditMinLon, f.SpinEditMaxLon,
         {46, 45, -123, -122});
    f.BitBtnCheckMissingFiles->click();
    QCOMPARE(rec.Texts(TMsgKind::Information), QStringList{"No missing tiles/files."});
    f.CheckBoxAdjoNorth->click(), f.CheckBoxAdjoEast->click();
    OnNextDialog<TFormMissingFiles>([](TFormMissingFiles& m) {
      QCOMPARE(m.MemoMissingFiles->toPlainText(), QString("N46W123.HGT\nN45W122.HGT"));
      QCOMPARE(m.LabelTotalFiles->text(), QString("2"));
      m.close();
    });
    f.BitBtnCheckMissingFiles->click();
  }

  void rasterDialogs() {
    TFormOpenRaster f(nullptr);
    QVERIFY(!f.BitBtnOK->isEnabled());
    f.SpinEditMaxLat->setValue(50);
    QCOMPARE(TFormOpenRaster(nullptr).SpinEditMaxLat->value(), 1);  // nothing remembered
    {
      TDialogAnswers dlg({"/some/file.raw"});
      f.BitBtnLocateFile->click();
    }
    f.SpinEditMaxLat->setValue(-1);  // top equals bottom
    QVERIFY(!f.BitBtnOK->isEnabled() && !f.CheckBoxAdjoNorth->isEnabled());
    // Two degrees high: both latitude bands would cover it, one unticks the other.
    Rect(f.SpinEditMaxLat, f.SpinEditMinLat, f.SpinEditMinLon, f.SpinEditMaxLon,
         {46, 44, -122, -121});
    f.CheckBoxAdjoNorth->click(), f.CheckBoxAdjoSouth->click();
    QVERIFY(f.BitBtnOK->isEnabled() && !f.CheckBoxAdjoSouth->isChecked());
    QVERIFY(!f.CheckBoxAdjoNorth->isChecked() && !f.CheckBoxAdjoWest->isEnabled());  // 1 deg wide

    TFormSaveAsRaw s(nullptr);
    TDialogAnswers dlg({"", "/out/x.raw"});
    s.BitBtnSelect->click();  // cancelled: still nothing to save to
    QVERIFY(!s.BitBtnSave->isEnabled());
    s.BitBtnSelect->click();
    QVERIFY(s.BitBtnSave->isEnabled() && s.FilePath == "/out/x.raw" && s.BigEndian());
    s.RadioButtonLsbFirst->setChecked(true);
    QVERIFY(!s.BigEndian());
  }

  void preferencesDialog() {
    TMessageRecorder rec;
    TTProgCfg cfg{.ResamplePath = Pe("resample.exe", 1, 0, 0, 4).toStdString()};
    TFormProgCfg d(cfg);
    QCOMPARE(d.LabelResampleVersion->text(), QString("Version 1.0.0.4"));
    QCOMPARE(d.LabelLocateResample->toolTip(), QString::fromStdString(cfg.ResamplePath));
    // Undo memory 0 clears the warning and keeps it cleared.
    d.SpinEditMaxMemUndo->setValue(0);
    QVERIFY(!d.CheckBoxWarnNoUndo->isChecked());
    d.CheckBoxWarnNoUndo->click();
    QVERIFY(!d.CheckBoxWarnNoUndo->isChecked());

    // Compiler versions: one known not to work, an untested one (No, Yes),
    // a file without version information.
    QString chosen;
    d.ChooseResample = [&] { return chosen; };
    rec.QueueAnswers({false, true});
    QList<bool> taken;
    for (const QString& c : {Pe("old.exe", 1, 0, 0, 1), Pe("new.exe", 2, 1, 0, 7), chosen}) {
      const std::string was = d.ResamplePath;
      chosen = c.isEmpty() ? dir_.filePath("new.exe") : c, d.BitBtnLocateResample->click();
      taken << (d.ResamplePath != was);
    }
    QVERIFY(taken == (QList<bool>{false, false, true}) && d.ResamplePath == chosen.toStdString());
    WriteAll(chosen = dir_.filePath("text.exe"), "MZ not really"), d.BitBtnLocateResample->click();
    QCOMPARE(d.LabelResampleVersion->text(), QString("Version 2.1.0.7"));
    const QString untested =
        "This version (2.1.0.7) of Resample has not been tested with "
        "DELVA.\nAccept this program version?";
    QCOMPARE(rec.Texts(),
             (QStringList{"This version (1.0.0.1) of Resample is not compatible with DELVA.",
                          untested, untested,
                          "text.exe cannot be used: it has no version information, so it is "
                          "not a version of Resample that can be checked."}));
    QCOMPARE(rec.Entries()[1].kind, TMsgKind::WarningQuestion);
  }

  void preferencesOkSavesCancelKeeps() {
    TMessageRecorder rec;
    TTProgCfg cfg{.BGLFolder = "/old"};
    const QString folder = dir_.filePath("cfg");
    QDir().mkpath(folder);
    uint32_t applied = 12345;
    auto apply = [&](uint32_t mb) { applied = mb; };
    for (int result : {QDialog::Rejected, QDialog::Accepted}) {
      SetProgCfgDialogHook([result](TFormProgCfg& d) {
        d.BGLFolder = "/elsewhere", d.SpinEditMaxMemUndo->setValue(0);
        return result;
      });
      QCOMPARE(RunPreferences(nullptr, cfg, folder.toStdString(), apply), bool(result));
      QCOMPARE(cfg.BGLFolder, std::string(result ? "/elsewhere" : "/old"));
      QCOMPARE(applied, result ? 0u : 12345u);
      TTProgCfg back;
      QCOMPARE(LoadProgCfg(back, folder.toStdString()), bool(result));
    }
    QVERIFY(rec.Texts().isEmpty());
    // A folder that cannot be written: the record changes, the user is told.
    QVERIFY(RunPreferences(nullptr, cfg, dir_.filePath("no/such").toStdString(), apply));
    QCOMPARE(rec.Texts(), QStringList{"Could not write configurations to disk."});
    SetProgCfgDialogHook({});
  }

  void helpWindow() {
    const QDir dir(QDir(QT_TESTCASE_SOURCEDIR "/../help").canonicalPath());
    SetHelpFolderOverride(dir.path());
    {
      TFormViewMesh f;
      f.miProgHelpClick();
      THelpWindow* w = THelpWindow::Instance();
      QVERIFY(w && w->Browser()->source().toLocalFile().endsWith("/index.htm"));
      ShowHelpTopic(&f, "editing_filling.htm");
      QCOMPARE(THelpWindow::Instance(), w);  // one window serves every request
      QVERIFY(w->Browser()->toPlainText().contains("Fill Selection"));
      // Asked for by a modal dialog, it can be used (here: closed).
      QDialog dialog(&f);
      dialog.setModal(true), dialog.show(), ShowHelpTopic(&dialog, "index.htm");
      QTest::mouseClick(w->findChild<QPushButton*>("HelpClose"), Qt::LeftButton);
      QTRY_VERIFY(!THelpWindow::Instance());
      f.miProgHelpClick();
    }
    QVERIFY(!THelpWindow::Instance());  // closed with the main window
    // Without the help folder the help commands do nothing.
    SetHelpFolderOverride(dir_.path());
    QVERIFY(!HelpFileExists());
    ShowHelpTopic(nullptr, "index.htm");
    QVERIFY(!THelpWindow::Instance());
    SetHelpFolderOverride(QString());
  }
};

DELVA_TEST_MAIN(FormDialogsTest)
#include "form_dialogs_test.moc"
