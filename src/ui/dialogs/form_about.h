#pragma once

#include <QDialog>

class QLabel;

// "Version 1.1  (build 5105)", or "Version ?" when no version is known.
QString FormatVersionLabel(bool known, unsigned major, unsigned minor, unsigned build);

// The about box: program icon, name and version, OK.
class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAbout(QWidget* parent = nullptr);
  QLabel* LabelProgName;
  QLabel* LabelVersion;
};
