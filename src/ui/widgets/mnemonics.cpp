#include "ui/widgets/mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

void AddTo(const QList<QAction*>& actions) {
  QSet<QChar> taken;
  for (QAction* a : actions) {
    const QString t = a->text();
    const int amp = t.indexOf('&');
    if (amp >= 0 && amp + 1 < t.size()) taken.insert(t[amp + 1].toLower());
  }
  for (QAction* a : actions) {
    if (a->isSeparator() || a->text().isEmpty()) continue;
    a->setText(WithMnemonic(a->text(), taken));
    if (QMenu* sub = a->menu()) AddMnemonics(sub);
  }
}

}  // namespace

QString WithMnemonic(const QString& caption, QSet<QChar>& taken) {
  if (caption.contains('&')) return caption;
  int pick = -1;
  for (int pass = 0; pass < 2 && pick < 0; ++pass) {
    for (int i = 0; i < caption.size(); ++i) {
      const QChar c = caption[i];
      const bool wordStart = i == 0 || !caption[i - 1].isLetterOrNumber();
      if (!c.isLetterOrNumber() || taken.contains(c.toLower()) || (pass == 0 && !wordStart))
        continue;
      pick = i;
      break;
    }
  }
  if (pick < 0) return caption;
  taken.insert(caption[pick].toLower());
  return caption.left(pick) + '&' + caption.mid(pick);
}

void AddMnemonics(QMenuBar* bar) { AddTo(bar->actions()); }
void AddMnemonics(QMenu* menu) { AddTo(menu->actions()); }
