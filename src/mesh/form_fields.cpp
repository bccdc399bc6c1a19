#include "mesh/form_fields.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

int SpinFieldValue(const QSpinBox* field) {
  bool ok = false;
  const int v = field->cleanText().trimmed().toInt(&ok);
  if (!ok || v < field->minimum() || v > field->maximum()) return field->minimum();
  return v;
}

QSpinBox* NewDegreeField(QWidget* parent, int lo, int hi, int chars) {
  auto* s = new QSpinBox(parent);
  s->setRange(lo, hi);
  if (auto* edit = s->findChild<QLineEdit*>()) edit->setMaxLength(chars);
  s->setFixedWidth(64);
  return s;
}

void ShowShortenedPath(QLabel* label, const QString& path, int width) {
  label->setToolTip(path);
  label->setText(label->fontMetrics().elidedText(path, Qt::ElideMiddle, width));
}
