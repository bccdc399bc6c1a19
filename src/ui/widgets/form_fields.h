#pragma once

#include <functional>

#include "core/mesh/band_flags.h"

class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QObject;
class QPushButton;
class QLabel;
class QSpinBox;
class QString;
class QWidget;

// Reads a whole-number field: text that is not a whole number in the field's
// range counts as the field's minimum.
int SpinFieldValue(const QSpinBox* field);

// Calls `handler` on every change of the field's text: set by the program,
// typed, or typed text that is not a number (which the field's own signal
// leaves out).
void OnFieldChange(QSpinBox* field, QObject* context, std::function<void()> handler);

// A whole-number field for a side of a rectangle in whole degrees, at most
// `chars` characters long.
QSpinBox* NewDegreeField(QWidget* parent, int lo, int hi, int chars);

// Shows a path shortened with an ellipsis to the label's width (the full
// path as its tool tip).
void ShowShortenedPath(QLabel* label, const QString& path, int width);
// The same to the label's current width (its minimum width before it is laid
// out).
void ShowShortenedPath(QLabel* label, const QString& path);

// A side's degrees with its hemisphere letter, as the side labels show it
// ("47 N", "123 W").
QString LatText(int lat);
QString LonText(int lon);

// The rectangle of the four side fields (each read as SpinFieldValue does).
TTDegreeRect FieldsRect(const QSpinBox* maxLat, const QSpinBox* minLat, const QSpinBox* minLon,
                        const QSpinBox* maxLon);

// The group of the four adjacent-tile tick boxes, laid out as a compass.
QGroupBox* NewAdjacentTilesBox(QWidget* parent, const QString& caption, QCheckBox*& north,
                               QCheckBox*& west, QCheckBox*& east, QCheckBox*& south);
// The ticked state of those boxes.
TTBandFlags TickedBands(const QCheckBox* north, const QCheckBox* south, const QCheckBox* west,
                        const QCheckBox* east);

// The dialog button row: help on the left, confirm and cancel on the right.
QHBoxLayout* NewHelpOkCancelRow(QPushButton* help, QPushButton* ok, QPushButton* cancel);
