#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "core/tiles/multi_hgt.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The dialog of "Load Multiple HGT...": source folder, tile rectangle, bands
// and fill value. The sides and the fill value are remembered for the rest of
// the run when it closes with "Load".
class TFormOpenMultiHGT : public QDialog {
  Q_OBJECT
 public:
  // hgtFolder: the configured default folder; used when it exists.
  explicit TFormOpenMultiHGT(QWidget* parent, const QString& hgtFolder);

  // The values kept while the program runs, with their start values.
  static int16_t LastMinLat, LastMaxLat, LastMinLon, LastMaxLon, LastFillValue;

  QString SourceFolder;

  // Replaces the folder browser (tests); returns the chosen folder or empty.
  std::function<QString(const QString& title, const QString& start)> ChooseFolder;

  TTDegreeRect Rect() const;
  TTBandFlags Bands() const;
  int16_t FillValue() const;
  TTMultiHGTRequest Request() const;

  QGroupBox* GroupBoxInputFolder;
  QPushButton* BitBtnLocateInputFolder;
  QLabel* LabelLocateInputFolder;
  QGroupBox* GroupBoxCoords;
  QSpinBox* SpinEditMaxLat;
  QSpinBox* SpinEditMinLat;
  QSpinBox* SpinEditMinLon;
  QSpinBox* SpinEditMaxLon;
  QLabel* LabelMaxLat;
  QLabel* LabelMinLat;
  QLabel* LabelMaxLon;
  QLabel* LabelMinLon;
  QLabel* Image1;
  QLabel* LabelMosaicBaseDim;
  QLabel* LabelMosaicTotalDim;
  QGroupBox* GroupBoxAdjo;
  QCheckBox* CheckBoxAdjoNorth;
  QCheckBox* CheckBoxAdjoWest;
  QCheckBox* CheckBoxAdjoEast;
  QCheckBox* CheckBoxAdjoSouth;
  QGroupBox* GroupBoxFillVal;
  QSpinBox* SpinEditFillValue;
  QPushButton* BitBtnCheckMissingFiles;
  QPushButton* BitBtnHelp;
  QPushButton* BitBtnOK;
  QPushButton* BitBtnCancel;

 public slots:
  void BitBtnLocateInputFolderClick();
  void BitBtnCheckMissingFilesClick();
  void BitBtnHelpClick();
  void SpinEditMaxLatChange();
  void SpinEditMinLatChange();
  void SpinEditMaxLonChange();
  void SpinEditMinLonChange();
  void CheckBoxAdjoNorthClick();
  void CheckBoxAdjoSouthClick();
  void CheckBoxAdjoWestClick();
  void CheckBoxAdjoEastClick();
  void UpdateTileCounts();
  // The close check for "Load": true when the dialog may close.
  bool FormCloseQuery();
  void accept() override;
  // The debug key combination Ctrl+Alt+Q: a fixed preset of the sides, the
  // folder and the fill value (bands and buttons unchanged).
  void FormKeyDownDebugPreset();

 signals:
  // "Help": the owner opens this page of the help.
  void helpRequested(const QString& page);

 private:
  void ShowFolder();
  void EnableFolderButtons();
};

// Lists the absent tiles of the list in TFormMissingFiles, or tells that
// none is missing.
void ShowMissingFiles(QWidget* parent, const std::vector<std::string>& paths);

// The small list of missing tile files.
class TFormMissingFiles : public QDialog {
  Q_OBJECT
 public:
  explicit TFormMissingFiles(QWidget* parent);
  void SetNames(const std::vector<std::string>& names);

  class QPlainTextEdit* MemoMissingFiles;
  QLabel* Label1;
  QLabel* LabelTotalFiles;
  QPushButton* BitBtn1;
};
