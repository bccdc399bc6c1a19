#pragma once

class QLabel;
class QSpinBox;
class QString;
class QWidget;

// Reads a whole-number field: text that is not a whole number in the field's
// range counts as the field's minimum.
int SpinFieldValue(const QSpinBox* field);

// A whole-number field for a side of a rectangle in whole degrees, at most
// `chars` characters long.
QSpinBox* NewDegreeField(QWidget* parent, int lo, int hi, int chars);

// Shows a path shortened with an ellipsis to the label's width (the full
// path as its tool tip).
void ShowShortenedPath(QLabel* label, const QString& path, int width);
