// "Mesh Information": the report's text and its bold labels, through the
// main window's command and its tool button.

#include <QAction>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "support/ui/test_main.h"
#include "ui/dialogs/form_mesh_info.h"
#include "ui/main/form_view_mesh.h"

namespace {
struct TShown {
  QString text;
  QStringList boldParts;  // the bold fragments, in order
};

TShown ReadReport(QWidget* w) {
  TShown s;
  auto* d = qobject_cast<TFormMeshInfo*>(w);
  if (!d) return s;
  s.text = d->RE->toPlainText();
  for (QTextBlock b = d->RE->document()->begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().fontWeight() == QFont::Bold)
        s.boldParts << it.fragment().text();
  return s;
}
}  // namespace

class FormMeshInfoTest : public QObject {
  Q_OBJECT
 private slots:
  void reportOfOneTileWithVoids() {
    TTestMeshLayout layout;  // 1201 x 1201, 47..48 N, 123..122 W
    layout.MinLat = 45, layout.MaxLat = 46, layout.MinLon = -122, layout.MaxLon = -121;
    layout.FileName = "C:\\DEM\\N45W122.hgt";
    auto mesh = MakeTestMesh(layout, [](int32_t x, int32_t y) {
      if (y == 0 && x < 12) return int16_t(-32768);
      if (x == 5 && y == 5) return int16_t(1234);
      return int16_t(12 + (x + y) % 100);
    });
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(std::move(mesh)));
    // An edit after the load: the report counts it without a recompute.
    f.Mesh->SetCell(600, 600, 1500);
    const int16_t colorMax = f.Mesh->ColorMax;
    TShown shown;
    OnNextModal([&](QWidget* w) {
      shown = ReadReport(w);
      w->close();
    });
    f.ToolButtonInfo->trigger();
    // The lines themselves are pinned by the core test; here what the window
    // adds: the counts taken after the edit, the labels in bold.
    QVERIFY(shown.text.startsWith("File name: N45W122.hgt\n\nMaximum latitude: 46.0000\n"));
    QVERIFY(shown.text.contains("\nNumber of voids: 12 (0.0008%)\n"));
    QVERIFY(shown.text.endsWith(
        "\nHighest elevation: 1500 m (4921 ft)\nLowest elevation: 12 m (39 ft)"));
    QCOMPARE(shown.boldParts.first(), QString("File name: "));
    QVERIFY(shown.boldParts.contains("Dimensions:"));
    QVERIFY(!shown.boldParts.contains(" 1201 rows  x  1201 columns"));
    QCOMPARE(shown.boldParts.size(), 10);
    QCOMPARE(f.Mesh->ColorMax, colorMax);  // the colour range stays
    QVERIFY(f.UserInputEnabled());
  }
};

DELVA_TEST_MAIN(FormMeshInfoTest)
#include "form_mesh_info_test.moc"
