#include "ui/widgets/form_fields.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "core/tiles/multi_hgt.h"

int SpinFieldValue(const QSpinBox* field) {
  bool ok = false;
  const int v = field->cleanText().trimmed().toInt(&ok);
  if (!ok || v < field->minimum() || v > field->maximum()) return field->minimum();
  return v;
}

void OnFieldChange(QSpinBox* field, QObject* context, std::function<void()> handler) {
  QObject::connect(field, &QSpinBox::textChanged, context,
                   [handler](const QString&) { handler(); });
  // The editor's own signal is silent while the field sets its text itself.
  if (auto* edit = field->findChild<QLineEdit*>())
    QObject::connect(edit, &QLineEdit::textEdited, context,
                     [handler](const QString&) { handler(); });
}

QSpinBox* NewDegreeField(QWidget* parent, int lo, int hi, int chars) {
  auto* s = new QSpinBox(parent);
  s->setRange(lo, hi);
  if (auto* edit = s->findChild<QLineEdit*>()) edit->setMaxLength(chars);
  s->setFixedWidth(60);
  return s;
}

void ShowShortenedPath(QLabel* label, const QString& path, int width) {
  label->setToolTip(path);
  label->setText(label->fontMetrics().elidedText(path, Qt::ElideMiddle, width));
}

void ShowShortenedPath(QLabel* label, const QString& path) {
  ShowShortenedPath(label, path, label->width() > 20 ? label->width() : label->minimumWidth());
}

QString LatText(int lat) { return QString::fromStdString(LatLabelText(lat)); }
QString LonText(int lon) { return QString::fromStdString(LonLabelText(lon)); }

TTDegreeRect FieldsRect(const QSpinBox* maxLat, const QSpinBox* minLat, const QSpinBox* minLon,
                        const QSpinBox* maxLon) {
  TTDegreeRect r;
  r.MaxLat = SpinFieldValue(maxLat);
  r.MinLat = SpinFieldValue(minLat);
  r.MinLon = SpinFieldValue(minLon);
  r.MaxLon = SpinFieldValue(maxLon);
  return r;
}

QGroupBox* NewAdjacentTilesBox(QWidget* parent, const QString& caption, QCheckBox*& north,
                               QCheckBox*& west, QCheckBox*& east, QCheckBox*& south) {
  auto* box = new QGroupBox(caption, parent);
  north = new QCheckBox("North", box);
  west = new QCheckBox("West", box);
  east = new QCheckBox("East", box);
  south = new QCheckBox("South", box);
  auto* grid = new QGridLayout(box);
  grid->addWidget(north, 0, 1);
  grid->addWidget(west, 1, 0);
  grid->addWidget(east, 1, 2);
  grid->addWidget(south, 2, 1);
  return box;
}

TTBandFlags TickedBands(const QCheckBox* north, const QCheckBox* south, const QCheckBox* west,
                        const QCheckBox* east) {
  return TTBandFlags{north->isChecked(), south->isChecked(), west->isChecked(), east->isChecked()};
}

QHBoxLayout* NewHelpOkCancelRow(QPushButton* help, QPushButton* ok, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  row->addWidget(help);
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}
