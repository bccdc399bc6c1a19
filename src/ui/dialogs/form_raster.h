#pragma once

#include <QDialog>
#include <QString>

#include "core/formats/raster_rules.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The dialog of "Load Raster...": file, bounds, size, byte order, void value
// and bands of a headerless raster. Starts from the same values every time.
class TFormOpenRaster : public QDialog {
  Q_OBJECT
 public:
  explicit TFormOpenRaster(QWidget* parent);

  QString FilePath;  // the chosen raster file, empty until "Locate"
  TTDegreeRect Rect() const;
  TTBandFlags Bands() const;
  TTRasterImport Import() const;

  QGroupBox* GroupBoxFile;
  QPushButton* BitBtnLocateFile;
  QLabel* LabelLocateFile;
  QSpinBox* SpinEditMaxLat;
  QSpinBox* SpinEditMinLat;
  QSpinBox* SpinEditMaxLon;
  QSpinBox* SpinEditMinLon;
  QLabel* LabelMaxLat;
  QLabel* LabelMinLat;
  QLabel* LabelMaxLon;
  QLabel* LabelMinLon;
  QLabel* LabelRectWarning;
  QSpinBox* SpinEditSizeRows;
  QSpinBox* SpinEditSizeCols;
  QGroupBox* RadioGroupByteOrder;
  QRadioButton* RadioButtonMsbFirst;
  QRadioButton* RadioButtonLsbFirst;
  QSpinBox* SpinEditVoidVal;
  QGroupBox* GroupBoxAdjo;
  QCheckBox* CheckBoxAdjoNorth;
  QCheckBox* CheckBoxAdjoWest;
  QCheckBox* CheckBoxAdjoSouth;
  QCheckBox* CheckBoxAdjoEast;
  QPushButton* BitBtnOK;
  QPushButton* BitBtnCancel;
  QPushButton* BitBtnHelp;

 public slots:
  void BitBtnLocateFileClick();
  void SpinEditMaxLatChange();
  void SpinEditMinLatChange();
  void SpinEditMaxLonChange();
  void SpinEditMinLonChange();
  void CheckBoxAdjoClick();
  // The close check for " Load ": true when the file has the stated size.
  bool FormCloseQuery();
  void accept() override;

 signals:
  // "Help": the owner opens this page of the help.
  void helpRequested(const QString& page);

 private:
  void AfterBoundChange();
  void ApplyBandRules();
  void UpdateLoadButton();
};

// The dialog of "Save Mesh to Raster...": output file, byte order and the
// value written for voids.
class TFormSaveAsRaw : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSaveAsRaw(QWidget* parent);

  // The name the save dialog proposes (set by the command).
  QString ProposedName;
  QString FilePath;  // chosen with "Select"
  bool BigEndian() const;
  int16_t VoidAs() const;

  QGroupBox* GroupBoxOutput;
  QPushButton* BitBtnSelect;
  QLabel* LabelFilePath;
  QGroupBox* RadioGroupByteOrder;
  QRadioButton* RadioButtonMsbFirst;
  QRadioButton* RadioButtonLsbFirst;
  QSpinBox* SpinEditVoidVal;
  QPushButton* BitBtnSave;
  QPushButton* BitBtnCancel;
  QPushButton* BitBtnHelp;

 public slots:
  void BitBtnSelectClick();

 signals:
  // "Help": the owner opens this page of the help.
  void helpRequested(const QString& page);
};
