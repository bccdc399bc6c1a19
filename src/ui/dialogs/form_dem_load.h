#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// The dialog of "Load DEM...": whether and how the raster is resampled onto
// a latitude/longitude grid. A projected raster must be; a geographic one may
// be (for example onto 3600 cells per degree before a split into HGT tiles).
// The density is proposed from the source resolution.
class TFormDemLoad : public QDialog {
  Q_OBJECT
 public:
  TFormDemLoad(QWidget* parent, const QString& fileName, bool geographic, double proposedDensity);

  // Cells per degree, 0 for no resampling.
  double Density() const;
  bool Cubic() const;

  QLabel* LabelSource;
  QCheckBox* CheckBoxWarp;
  QSpinBox* SpinEditDensity;
  QComboBox* ComboBoxMethod;
};
