#pragma once

#include <QSet>
#include <QString>

class QMenuBar;
class QMenu;

// Alt+letter access without changing a caption's words: the first letter
// not yet taken among its siblings, preferring the start of a word. A caption
// that already has one keeps it; one with no free letter stays as it is.
QString WithMnemonic(const QString& caption, QSet<QChar>& taken);
// The bar's menus, then each menu's items and submenus, recursively.
void AddMnemonics(QMenuBar* bar);
void AddMnemonics(QMenu* menu);
