#include "ui/dialogs/form_prog_cfg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/base/app_name.h"
#include "core/scenery/file_version.h"
#include "core/scenery/resample_tool.h"
#include "ui/widgets/app_folders.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/form_fields.h"
#include "ui/widgets/message_box.h"

namespace {

TProgCfgDialogHook& DialogHook() {
  static TProgCfgDialogHook hook;
  return hook;
}

QLabel* PathLabel(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setMinimumWidth(280);
  l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return l;
}

// The version rule of the compiler: tested versions pass, known bad ones are
// refused, others are the user's decision.
bool AcceptResampleVersion(QWidget* owner, const TFileVersion& v) {
  switch (ClassifyResampleVersion(v)) {
    case TVersionVerdict::Accepted:
      return true;
    case TVersionVerdict::Refused:
      ShowMessage(owner, TMsgKind::Error, QString::fromStdString(RefusedVersionText(v, AppName)));
      return false;
    case TVersionVerdict::Ask:
      return ShowMessage(owner, TMsgKind::WarningQuestion,
                         QString::fromStdString(UntestedVersionText(v, AppName)));
  }
  return false;
}

}  // namespace

TFormProgCfg::TFormProgCfg(const TTProgCfg& cfg, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Preferences");
  setObjectName("TFormProgCfg");
  ResamplePath = cfg.ResamplePath;
  HGTFolder = cfg.HGTFolder;
  BGLFolder = cfg.BGLFolder;
  start_hgt_ = cfg.HGTFolder;
  start_bgl_ = cfg.BGLFolder;

  PageControl = new QTabWidget(this);
  TabSheetFilesAndFolders = new QWidget;
  TabSheetUndo = new QWidget;
  PageControl->addTab(TabSheetFilesAndFolders, "Files and Folders");
  PageControl->addTab(TabSheetUndo, "Undo");

  // Files and Folders
  auto* groupResample = new QGroupBox(" Location of RESAMPLE.EXE ", TabSheetFilesAndFolders);
  LabelLocateResample = PathLabel(groupResample, "LabelLocateResample");
  LabelResampleVersion = new QLabel(groupResample);
  LabelResampleVersion->setObjectName("LabelResampleVersion");
  BitBtnLocateResample = new QPushButton("Locate", groupResample);
  auto* gr = new QGridLayout(groupResample);
  gr->addWidget(LabelLocateResample, 0, 0);
  gr->addWidget(LabelResampleVersion, 1, 0);
  gr->addWidget(BitBtnLocateResample, 0, 1, 2, 1);
  gr->setColumnStretch(0, 1);

  auto folderGroup = [&](const char* caption, QLabel*& label, const char* name,
                         QPushButton*& button) {
    auto* g = new QGroupBox(caption, TabSheetFilesAndFolders);
    label = PathLabel(g, name);
    button = new QPushButton("Change", g);
    auto* l = new QHBoxLayout(g);
    l->addWidget(label, 1);
    l->addWidget(button);
    return g;
  };
  QGroupBox* groupHgt = folderGroup(" Default HGT Source Folder ", LabelLocateHGTFolder,
                                    "LabelLocateHGTFolder", BitBtnLocateHGTFolder);
  QGroupBox* groupBgl = folderGroup(" Default BGL Destination Folder ", LabelLocateBGLFolder,
                                    "LabelLocateBGLFolder", BitBtnLocateBGLFolder);
  auto* files = new QVBoxLayout(TabSheetFilesAndFolders);
  files->addWidget(groupResample);
  files->addWidget(groupHgt);
  files->addWidget(groupBgl);
  files->addStretch();

  // Undo
  SpinEditMaxMemUndo = new QSpinBox(TabSheetUndo);
  SpinEditMaxMemUndo->setRange(0, 4096);
  SpinEditMaxMemUndo->setValue(int(cfg.MaxMemUndo > 4096 ? 4096 : cfg.MaxMemUndo));
  CheckBoxWarnNoUndo = new QCheckBox("Warn if operation cannot be undone", TabSheetUndo);
  CheckBoxWarnNoUndo->setChecked(cfg.WarnNoUndo);
  auto* undo = new QGridLayout(TabSheetUndo);
  undo->addWidget(new QLabel("Maximum undo memory", TabSheetUndo), 0, 0);
  undo->addWidget(SpinEditMaxMemUndo, 0, 1);
  undo->addWidget(new QLabel("MB", TabSheetUndo), 0, 2);
  undo->addWidget(CheckBoxWarnNoUndo, 1, 0, 1, 3);
  undo->setRowStretch(2, 1);
  undo->setColumnStretch(3, 1);

  BitBtnOK = new QPushButton("OK", this);
  BitBtnOK->setDefault(true);
  BitBtnCancel = new QPushButton("Cancel", this);
  BitBtnHelp = new QPushButton("Help", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtnOK);
  buttons->addWidget(BitBtnCancel);
  buttons->addWidget(BitBtnHelp);
  auto* main = new QVBoxLayout(this);
  main->addWidget(PageControl, 1);
  main->addLayout(buttons);

  ChooseResample = [this] {
    TFileDialogRequest r;
    r.kind = TFileDialogRequest::Open;
    r.title = "Locate RESAMPLE.EXE";
    r.folder = QFileInfo(QString::fromStdString(ResamplePath)).absolutePath();
    if (ResamplePath.empty()) r.folder.clear();
    r.filter = "Program Files|resample.exe";
    r.proposedName = "resample.exe";
    r.anyCase = true;  // RESAMPLE.EXE, Resample.exe ...
    return RunFileDialog(this, r);
  };
  ChooseFolder = [this](const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(this, title, start, QFileDialog::ShowDirsOnly);
  };

  connect(BitBtnLocateResample, &QPushButton::clicked, this,
          &TFormProgCfg::BitBtnLocateResampleClick);
  connect(BitBtnLocateHGTFolder, &QPushButton::clicked, this,
          &TFormProgCfg::BitBtnLocateHGTFolderClick);
  connect(BitBtnLocateBGLFolder, &QPushButton::clicked, this,
          &TFormProgCfg::BitBtnLocateBGLFolderClick);
  connect(SpinEditMaxMemUndo, &QSpinBox::valueChanged, this,
          &TFormProgCfg::SpinEditMaxMemUndoChange);
  connect(CheckBoxWarnNoUndo, &QCheckBox::clicked, this, &TFormProgCfg::CheckBoxWarnNoUndoClick);
  connect(BitBtnHelp, &QPushButton::clicked, this, &TFormProgCfg::BitBtnHelpClick);
  connect(BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  SpinEditMaxMemUndoChange();
  resize(480, 360);
  ShowResample();
}

void TFormProgCfg::ShowResample() {
  // The file is looked at once per chosen path, not on every resize.
  const QString resample = QString::fromStdString(ResamplePath);
  const bool exists = !ResamplePath.empty() && QFileInfo(resample).isFile();
  shown_resample_ = exists ? resample : QString();
  TFileVersion v;
  if (exists && GetFileVersion(ResamplePath, v))
    LabelResampleVersion->setText("Version " + QString::fromStdString(VersionText(v)));
  else
    LabelResampleVersion->clear();
  ShowPaths();
}

void TFormProgCfg::ShowPaths() {
  ShowShortenedPath(LabelLocateResample, shown_resample_);
  ShowShortenedPath(LabelLocateHGTFolder, QString::fromStdString(HGTFolder));
  ShowShortenedPath(LabelLocateBGLFolder, QString::fromStdString(BGLFolder));
}

void TFormProgCfg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ShowPaths();
}

void TFormProgCfg::BitBtnLocateResampleClick() {
  const QString file = ChooseResample ? ChooseResample() : QString();
  if (file.isEmpty()) return;
  TFileVersion v;
  if (!GetFileVersion(file.toStdString(), v)) {
    ShowMessage(this, TMsgKind::Error,
                QFileInfo(file).fileName() +
                    " cannot be used: it has no version information, so it is not a "
                    "version of Resample that can be checked.");
    return;
  }
  if (!AcceptResampleVersion(this, v)) return;
  ResamplePath = file.toStdString();
  ShowResample();
}

void TFormProgCfg::LocateFolder(const QString& title, const std::string& start,
                                std::string& folder) {
  const QString chosen =
      ChooseFolder ? ChooseFolder(title, QString::fromStdString(start)) : QString();
  if (chosen.isEmpty()) return;
  folder = chosen.toStdString();
  ShowPaths();
}

void TFormProgCfg::BitBtnLocateHGTFolderClick() {
  LocateFolder("Default HGT source folder", start_hgt_, HGTFolder);
}

void TFormProgCfg::BitBtnLocateBGLFolderClick() {
  LocateFolder("Default BGL destination folder", start_bgl_, BGLFolder);
}

void TFormProgCfg::SpinEditMaxMemUndoChange() {
  if (SpinEditMaxMemUndo->value() == 0) CheckBoxWarnNoUndo->setChecked(false);
}

void TFormProgCfg::CheckBoxWarnNoUndoClick() { SpinEditMaxMemUndoChange(); }

void TFormProgCfg::BitBtnHelpClick() {
  QString page;
  if (PageControl->currentWidget() == TabSheetFilesAndFolders)
    page = "progsettings_filesfolders.htm";
  else if (PageControl->currentWidget() == TabSheetUndo)
    page = "progsettings_undo.htm";
  if (page.isEmpty()) return;
  emit helpRequested(page);
  ShowHelpTopic(this, page);
}

void TFormProgCfg::ApplyTo(TTProgCfg& cfg) const {
  cfg.ResamplePath = ResamplePath;
  cfg.HGTFolder = HGTFolder;
  cfg.BGLFolder = BGLFolder;
  cfg.MaxMemUndo = uint32_t(SpinEditMaxMemUndo->value());
  cfg.WarnNoUndo = CheckBoxWarnNoUndo->isChecked();
}

TProgCfgDialogHook SetProgCfgDialogHook(TProgCfgDialogHook hook) {
  TProgCfgDialogHook old = std::move(DialogHook());
  DialogHook() = std::move(hook);
  return old;
}

bool RunPreferences(QWidget* owner, TTProgCfg& cfg, const std::string& settingsFolder,
                    const std::function<void(uint32_t megabytes)>& applyUndoLimit) {
  TFormProgCfg dialog(cfg, owner);
  const int answer = DialogHook() ? DialogHook()(dialog) : dialog.exec();
  if (answer != QDialog::Accepted) return false;
  dialog.ApplyTo(cfg);
  if (applyUndoLimit) applyUndoLimit(cfg.MaxMemUndo);
  if (!SaveProgCfg(cfg, settingsFolder))
    ShowMessage(owner, TMsgKind::Warning, "Could not write configurations to disk.");
  return true;
}
