#pragma once

#include <QDialog>

class QTextBrowser;

// The built-in help window: the pages of the help folder in a text browser
// with a contents button. One window serves all help requests.
class THelpWindow : public QDialog {
  Q_OBJECT

 public:
  explicit THelpWindow(const QString& folder, QWidget* parent = nullptr);
  // Shows the page (a file name of the help folder) and raises the window.
  void ShowPage(const QString& page);
  QTextBrowser* Browser() const { return browser_; }
  // The open help window, or null.
  static THelpWindow* Instance();

 private:
  QString folder_;
  QTextBrowser* browser_;
};
