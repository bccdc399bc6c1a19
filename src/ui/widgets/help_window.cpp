#include "ui/widgets/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/base/app_name.h"
#include "ui/widgets/app_folders.h"

namespace {
QPointer<THelpWindow>& Current() {
  static QPointer<THelpWindow> window;
  return window;
}
}  // namespace

namespace {
QString& Override() {
  static QString folder;
  return folder;
}
}  // namespace

void SetHelpFolderOverride(const QString& folder) { Override() = folder; }

QString HelpFolder() {
  if (!Override().isEmpty())
    return QFileInfo::exists(QDir(Override()).filePath("index.htm")) ? Override() : QString();
  const QString exeDir = QCoreApplication::applicationDirPath();
  // Beside the executable (build tree, portable install), else the
  // installed data folder (prefix/bin/../share/delva/help).
  for (const QString& candidate :
       {QDir(exeDir).filePath("help"), QDir(exeDir).filePath("../share/delva/help")}) {
    if (QFileInfo::exists(QDir(candidate).filePath("index.htm")))
      return QDir(candidate).canonicalPath();
  }
  return QString();
}

bool HelpFileExists() { return !HelpFolder().isEmpty(); }

namespace {
void Reparent(THelpWindow* w, QWidget* parent) {
  if (w->parentWidget() == parent) return;
  const bool visible = w->isVisible();
  const QRect geometry = w->geometry();
  w->setParent(parent, Qt::Window);
  w->setGeometry(geometry);
  if (visible) w->show();
}
}  // namespace

void ShowHelpTopic(QWidget* owner, const QString& page) {
  const QString folder = HelpFolder();
  if (folder.isEmpty()) return;
  // Parented to the main window so that it closes with it. Asked for by a
  // modal dialog, it lives inside that dialog until the dialog ends: any
  // other window is blocked (no scrolling, no links, no Close) meanwhile.
  QWidget* top = owner ? owner->window() : nullptr;
  QWidget* main = top;
  while (main && main->parentWidget()) main = main->parentWidget()->window();
  auto* dialog = qobject_cast<QDialog*>(top);
  const bool insideDialog = dialog && dialog->isModal() && dialog->isVisible();
  QWidget* parent = insideDialog ? top : main;
  THelpWindow* w = Current();
  if (!w) {
    w = new THelpWindow(folder, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    Current() = w;
  } else {
    Reparent(w, parent);
  }
  if (insideDialog)
    QObject::connect(dialog, &QDialog::finished, w, [w, main] { Reparent(w, main); });
  w->ShowPage(page);
}

void CloseHelpWindows() {
  if (THelpWindow* w = Current()) w->close();
}

THelpWindow* THelpWindow::Instance() { return Current(); }

THelpWindow::THelpWindow(const QString& folder, QWidget* parent)
    : QDialog(parent, Qt::Window), folder_(folder), browser_(new QTextBrowser) {
  setObjectName("HelpWindow");
  setWindowTitle(QString::fromUtf8(AppName) + " Help");
  setModal(false);
  resize(760, 620);
  browser_->setObjectName("HelpBrowser");
  browser_->setSearchPaths({folder});
  browser_->setOpenExternalLinks(true);
  auto* contents = new QPushButton("Contents");
  auto* back = new QPushButton("Back");
  auto* closeButton = new QPushButton("Close");
  closeButton->setObjectName("HelpClose");
  connect(contents, &QPushButton::clicked, this, [this] { ShowPage("index.htm"); });
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
  back->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addStretch(1);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_, 1);
}

void THelpWindow::ShowPage(const QString& page) {
  QString name = page.isEmpty() ? QStringLiteral("index.htm") : page;
  browser_->setSource(QUrl::fromLocalFile(QDir(folder_).filePath(name)));
  show();
  raise();
  activateWindow();
}
