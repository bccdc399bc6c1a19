#pragma once

#include <QString>
#include <functional>

class QWidget;

// The folder chooser of "Save Mesh as HGT Tiles..."; tests answer in its
// place. Returns the previous chooser; an empty one restores the dialog.
using TFolderChooser = std::function<QString(QWidget* parent, const QString& title)>;
TFolderChooser SetTileFolderChooser(TFolderChooser chooser);
