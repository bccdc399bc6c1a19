#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "core/settings/prog_cfg.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

// "Preferences": where the terrain compiler lives, the default HGT and BGL
// folders, and the undo memory limit with its warning. The dialog works on
// copies; ApplyTo hands them to a record when the user confirms.
class TFormProgCfg : public QDialog {
  Q_OBJECT

 public:
  explicit TFormProgCfg(const TTProgCfg& cfg, QWidget* parent = nullptr);

  QTabWidget* PageControl = nullptr;
  QWidget* TabSheetFilesAndFolders = nullptr;
  QWidget* TabSheetUndo = nullptr;
  QLabel* LabelLocateResample = nullptr;
  QLabel* LabelResampleVersion = nullptr;
  QPushButton* BitBtnLocateResample = nullptr;
  QLabel* LabelLocateHGTFolder = nullptr;
  QPushButton* BitBtnLocateHGTFolder = nullptr;
  QLabel* LabelLocateBGLFolder = nullptr;
  QPushButton* BitBtnLocateBGLFolder = nullptr;
  QSpinBox* SpinEditMaxMemUndo = nullptr;
  QCheckBox* CheckBoxWarnNoUndo = nullptr;
  QPushButton* BitBtnOK = nullptr;
  QPushButton* BitBtnCancel = nullptr;
  QPushButton* BitBtnHelp = nullptr;

  // Working copies of the three paths.
  std::string ResamplePath, HGTFolder, BGLFolder;

  // The file dialog for the compiler and the folder browser; tests replace
  // them. Empty result: cancelled.
  std::function<QString()> ChooseResample;
  std::function<QString(const QString& title, const QString& start)> ChooseFolder;

  // The record takes the working paths, the limit and the warning switch.
  void ApplyTo(TTProgCfg& cfg) const;

 signals:
  void helpRequested(const QString& page);

 public slots:
  void BitBtnLocateResampleClick();
  void BitBtnLocateHGTFolderClick();
  void BitBtnLocateBGLFolderClick();
  void SpinEditMaxMemUndoChange();
  void CheckBoxWarnNoUndoClick();
  void BitBtnHelpClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowResample();  // reads the compiler's version, then ShowPaths
  void ShowPaths();     // the three paths shortened to their labels' widths
  // Browses from `start`; a chosen folder becomes `folder`.
  void LocateFolder(const QString& title, const std::string& start, std::string& folder);
  QString shown_resample_;             // the compiler path when it names a file
  std::string start_hgt_, start_bgl_;  // the record's folders: where browsing starts
};

// Runs the dialog on `cfg`. On OK the record takes the values, `applyUndoLimit`
// gets the new limit (the main window hands it to its undo list) and the file
// is written to `settingsFolder`; a failed write is reported. Returns true on
// OK.
bool RunPreferences(QWidget* owner, TTProgCfg& cfg, const std::string& settingsFolder,
                    const std::function<void(uint32_t megabytes)>& applyUndoLimit);

// Replaces the modal run of the dialog (tests set fields and return
// QDialog::Accepted or Rejected). An empty hook restores exec().
using TProgCfgDialogHook = std::function<int(TFormProgCfg& dialog)>;
TProgCfgDialogHook SetProgCfgDialogHook(TProgCfgDialogHook hook);
