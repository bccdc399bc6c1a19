#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "core/scenery/bgl_build.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class TTMesh;

// "BGL Options": destination BGL, LOD, base value, the overlap kept of each
// adjoining band, and the order of the INF files on the compiler's command
// line (the marker entry stands for the generated source INF).
class TFormCreateBGLOpt : public QDialog {
  Q_OBJECT

 public:
  explicit TFormCreateBGLOpt(QWidget* parent = nullptr);

  // Proposals from the mesh: BGL name in `bglFolder`, LOD, bands.
  void SetupFromMesh(const TTMesh& mesh, const QString& bglFolder);

  QLabel* LabelSelect = nullptr;
  QPushButton* BitBtnSelect = nullptr;
  QSpinBox* SpinEditLOD = nullptr;
  QLabel* LabelLODmeters = nullptr;
  QSpinBox* SpinEditBaseValue = nullptr;
  QSpinBox* SpinEditExtraBandNorth = nullptr;
  QSpinBox* SpinEditExtraBandSouth = nullptr;
  QSpinBox* SpinEditExtraBandWest = nullptr;
  QSpinBox* SpinEditExtraBandEast = nullptr;
  QLabel* LabelBandNorth = nullptr;
  QLabel* LabelBandSouth = nullptr;
  QLabel* LabelBandWest = nullptr;
  QLabel* LabelBandEast = nullptr;
  QLabel* LabelUnitNorth = nullptr;
  QLabel* LabelUnitSouth = nullptr;
  QLabel* LabelUnitWest = nullptr;
  QLabel* LabelUnitEast = nullptr;
  QCheckBox* CheckBoxDeleteTemp = nullptr;
  QListWidget* ListBoxInfs = nullptr;
  QPushButton* BitBtnInfAdd = nullptr;
  QPushButton* BitBtnInfDel = nullptr;
  QPushButton* BitBtnInfUp = nullptr;
  QPushButton* BitBtnInfDown = nullptr;
  QPushButton* BitBtnHelp = nullptr;
  QPushButton* BitBtnOK = nullptr;
  QPushButton* BitBtnCancel = nullptr;

  // The chosen BGL path and whether it came from the save dialog (which has
  // asked about overwriting already).
  QString BglPath;
  bool BglPathChosen = false;
  // The save dialog's initial folder and file name.
  QString SaveDialogFolder;
  QString SaveDialogFileName;

  // The file dialogs; tests replace them. Empty result: cancelled.
  std::function<QString()> ChooseBglFile;
  std::function<QString()> ChooseInfFile;

  // The values the command needs.
  TBandOverlap Overlap() const;
  std::vector<std::string> InfEntries() const;

 signals:
  void helpRequested(const QString& page);

 public slots:
  void SpinEditLODChange();
  void BitBtnSelectClick();
  void BitBtnInfAddClick();
  void ListBoxInfsClick();
  void BitBtnInfDelClick();
  void BitBtnInfUpClick();
  void BitBtnInfDownClick();
  void BitBtnHelpClick();
  // OK: asks before overwriting a proposed BGL that exists.
  void accept() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowBglPath();
  void MoveSelected(int delta);
};
