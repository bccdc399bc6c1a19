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
