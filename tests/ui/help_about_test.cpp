// The help pages, the help window and the about box.

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "support/ui/test_files.h"
#include "ui/dialogs/form_about.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/help_window.h"

namespace {
QString HelpSource() { return QDir(QT_TESTCASE_SOURCEDIR "/../help").canonicalPath(); }

QString Read(const QString& path) { return QString::fromUtf8(ReadAll(path)); }
}  // namespace

class HelpAboutTest : public QObject {
  Q_OBJECT

 private slots:
  void everyTopicPageExistsAndLinksResolve() {
    const QDir dir(HelpSource());
    QVERIFY(dir.exists("index.htm"));
    // The pages the dialogs open by name.
    for (const char* page :
         {"operations_change_elev_val.htm", "operations_restrict_elev.htm",
          "operations_add_elev_offset.htm", "editing_filling.htm",
          "operations_interpol_inv_dist.htm", "loadingdem_multiple.htm", "loadingdem_raster.htm",
          "exporting_rasterfile.htm", "creatingbgl_overview.htm", "progsettings_filesfolders.htm",
          "progsettings_undo.htm"})
      QVERIFY2(dir.exists(page), page);
    // Every page is reachable from the contents and every link leads to a page.
    const QRegularExpression href("href=\"([^\"#]+)\"");
    const QString index = Read(dir.filePath("index.htm"));
    for (const QString& page : dir.entryList({"*.htm"})) {
      if (page != "index.htm") QVERIFY2(index.contains("href=\"" + page + "\""), qPrintable(page));
      auto it = href.globalMatch(Read(dir.filePath(page)));
      while (it.hasNext()) {
        const QString target = it.next().captured(1);
        QVERIFY2(dir.exists(target), qPrintable(page + " -> " + target));
      }
    }
  }

  void helpWindowShowsTopics() {
    SetHelpFolderOverride(HelpSource());
    QVERIFY(HelpFileExists());
    {
      TFormViewMesh f;
      f.miProgHelpClick();
      THelpWindow* w = THelpWindow::Instance();
      QVERIFY(w);
      QVERIFY(w->Browser()->source().toLocalFile().endsWith("/index.htm"));
      ShowHelpTopic(&f, "editing_filling.htm");
      QCOMPARE(THelpWindow::Instance(), w);  // one window serves every request
      QVERIFY(w->Browser()->source().toLocalFile().endsWith("/editing_filling.htm"));
      QVERIFY(w->Browser()->toPlainText().contains("Fill Selection"));
    }
    // Closing the main window closes the help.
    QVERIFY(!THelpWindow::Instance());
    // Help asked for by a modal dialog can be used (here: closed) while the
    // dialog is open.
    {
      TFormViewMesh f;
      QDialog dialog(&f);
      dialog.setModal(true);
      dialog.show();
      ShowHelpTopic(&dialog, "index.htm");
      QPointer<THelpWindow> w = THelpWindow::Instance();
      QTest::mouseClick(w->findChild<QPushButton*>("HelpClose"), Qt::LeftButton);
      QTRY_VERIFY(!w);
    }
    QVERIFY(!THelpWindow::Instance());
    // Without the help folder the help commands do nothing.
    QTemporaryDir empty;
    SetHelpFolderOverride(empty.path());
    QVERIFY(!HelpFileExists());
    ShowHelpTopic(nullptr, "index.htm");
    QVERIFY(!THelpWindow::Instance());
    SetHelpFolderOverride(QString());
  }

  void aboutBox() {
    QCOMPARE(FormatVersionLabel(true, 1, 1, 5105), QString("Version 1.1  (build 5105)"));
    QCOMPARE(FormatVersionLabel(false, 1, 1, 5105), QString("Version ?"));
  }
};

QTEST_MAIN(HelpAboutTest)
#include "help_about_test.moc"
