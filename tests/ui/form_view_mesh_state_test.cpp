// Command states of the main window with and without a mesh, the title,
// the close questions and the keys.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_main.h"
#include "ui/main/form_view_mesh.h"

class FormViewMeshStateTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TTMesh> Flat(float spanLat = 1, float spanLon = 1,
                               std::string name = "N47W123.hgt") {
    TTestMeshLayout s;
    s.Cols = 121;
    s.Rows = 121;
    s.MaxLat = s.MinLat + spanLat;
    s.MaxLon = s.MinLon + spanLon;
    s.FileName = name;
    return MakeTestMesh(s, [](int32_t x, int32_t y) { return int16_t(x + y); });
  }

  // Every item the no-mesh state must leave enabled, and nothing more.
  static QStringList EnabledItems(TFormViewMesh& f) {
    QStringList on;
    for (QAction* a : f.findChildren<QAction*>())
      if (!a->objectName().isEmpty() && a->isEnabled() && a->isVisible()) on << a->objectName();
    on.sort();
    return on;
  }

 private slots:
  void noMeshState() {
    TFormViewMesh f;
    QCOMPARE(f.windowTitle(), QString("DELVA"));
    QStringList expected{
        "mEdit", "mFS", "mFile", "mHelp", "mOperations", "mPreferences", "mView", "miAbout",
        "miExit", "miGeoRefFmt", "miMorePrefs", "miOpenDEM", "miOpenHGX", "miOpenMultiDEM",
        "miOpenMultiHGT", "miOpenRaster", "miOpenSingleHGT", "miRecentFiles", "miProgHelp",
        "msiGeoRefFmt_D", "msiGeoRefFmt_DM",
        // Zoom items sit in a disabled submenu; they are usable
        // only through it.
        "msiZoom16x", "msiZoom1div16x", "msiZoom1div2x", "msiZoom1div32x", "msiZoom1div4x",
        "msiZoom1div8x", "msiZoom1x", "msiZoom2x", "msiZoom4x", "msiZoom8x"};
    expected.sort();
    QCOMPARE(EnabledItems(f), expected);
    QVERIFY(!f.miZoom->menuAction()->isEnabled());
    QVERIFY(!f.miHatchAdjoQuad->isVisible() && !f.miCmpHGTedges->isVisible());
    QVERIFY(f.LabelCursor->isHidden() && f.ProgressBar->isHidden() && !f.PaintBoxVisible());
    // Keys without a mesh do nothing harmful.
    QVERIFY(f.FormKeyDown(Qt::Key_Escape, Qt::NoModifier));
    QVERIFY(f.AbortRequested);
    f.FormKeyDown(Qt::Key_Left, Qt::NoModifier);
    f.FormKeyDown(Qt::Key_Down, Qt::NoModifier);
  }

  void meshStateAndClose() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Flat()));
    QCOMPARE(f.windowTitle(), QString("DELVA - N47W123.hgt"));
    for (QAction* a : {f.miOpenSingleHGT, f.miOpenMultiHGT, f.miOpenHGX, f.miOpenRaster})
      QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    for (QAction* a :
         {f.miSaveAsHGX, f.miSaveAsRaw, f.miSaveAsBMP, f.miMeshInfo, f.miCreateBGLFromCurrentMesh,
          f.miCloseMesh, f.miCopyToClipboard, f.miAddVertOffset, f.miChangeVal, f.miRestrictHeight,
          f.miInterpolNearestNeighbor, f.miZoom->menuAction(), f.miRecompTerrainColors,
          f.miSeaAsBlue, f.ToolButtonInfo, f.ToolButtonZoomIn, f.ToolButtonZoomOut,
          f.ToolButtonSelRect, f.ToolButtonSelPoly})
      QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    // Unchanged by a load: zoom 1x button, selection commands, undo.
    for (QAction* a : {f.ToolButtonZoom1x, f.miUnselect, f.miFillSelection, f.ToolButtonFillAll,
                       f.miUndo, f.ToolButtonUndo})
      QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    QVERIFY(f.LabelZoom->isEnabled() && !f.LabelCursor->isHidden() && f.PaintBoxVisible());
    // A 1 x 1 degree mesh has no grid; no bands, no hatch item.
    QVERIFY(!f.miShowGrid->isEnabled() && !f.ToolButtonShowGrid->isEnabled());
    QVERIFY(!f.miHatchAdjoQuad->isVisible());

    f.SpinEditFillVal->setValue(12);
    f.EnableUndoCommands(true);
    f.msiZoom4xClick();
    f.miCloseMeshClick();
    QCOMPARE(f.windowTitle(), QString("DELVA"));
    QVERIFY(!f.Mesh && f.MeshBitmap.isNull());
    QVERIFY(f.Zoom == 1 && f.msiZoom1x->isChecked() && f.LabelZoom->text() == "1x");
    QVERIFY(!f.miUndo->isEnabled() && !f.ToolButtonUndo->isEnabled());
    QCOMPARE(f.SpinEditFillVal->value(), 0);
    for (QAction* a : {f.miOpenSingleHGT, f.miOpenMultiHGT, f.miOpenHGX, f.miOpenRaster})
      QVERIFY(a->isEnabled());
  }

  void titleAndGridByExtent() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Flat(1, 2, "")));
    QVERIFY(f.miShowGrid->isEnabled() && f.ToolButtonShowGrid->isEnabled());
    for (auto [name, title] : std::vector<std::pair<std::string, QString>>{
             {"", "DELVA"}, {"C:\\maps\\N45W123.hgt", "DELVA - N45W123.hgt"}}) {
      f.CloseMesh();
      QVERIFY(f.AttachMesh(Flat(1, 1, name)));
      QCOMPARE(f.windowTitle(), title);
    }
  }

  void bitmapFailureLeavesNoMesh() {
    TMessageRecorder rec;
    TFormViewMesh f;
    f.Doc.ImageAllocator = [](int32_t, int32_t) {
      TTImageBuffer b;
      b.OutOfMemory = true;
      return b;
    };
    QVERIFY(!f.AttachMesh(Flat()));
    QCOMPARE(rec.Texts(), QStringList{"Error creating bitmaps.\nNot enough memory available."});
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::Error);
    QVERIFY(!f.Mesh);
    QVERIFY(f.miOpenSingleHGT->isEnabled() && f.miOpenHGX->isEnabled());
    QVERIFY(!f.miCloseMesh->isEnabled());
    rec.Clear();
    f.Doc.ImageAllocator = [](int32_t, int32_t) { return TTImageBuffer{}; };
    QVERIFY(!f.AttachMesh(Flat()));
    QCOMPARE(rec.Texts(), QStringList{"Error creating bitmaps."});
  }

  void userInputAndSelectionCommands() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Flat()));
    f.EnableUserInput(false);
    for (QMenu* m : {f.mFile, f.mEdit, f.mOperations, f.mFS, f.mView, f.mPreferences, f.mHelp})
      QVERIFY(!m->menuAction()->isEnabled());
    QVERIFY(!f.ToolBarMain->isEnabled());
    f.EnableUserInput(true);
    QVERIFY(f.mHelp->menuAction()->isEnabled() && f.ToolBarMain->isEnabled());
  }

  void closeQuestions() {
    TMessageRecorder rec;
    {
      TFormViewMesh f;
      f.show();
      QVERIFY(f.AttachMesh(Flat()));
      rec.QueueAnswers({false});
      QVERIFY(!f.close());
      QCOMPARE(rec.Texts(), QStringList{"Exit DELVA?"});
      QCOMPARE(rec.Entries()[0].kind, TMsgKind::Confirmation);
      QVERIFY(f.Mesh);
      rec.Clear();
      QApplication::clipboard()->clear();
      rec.QueueAnswers({true});
      QVERIFY(f.close());
      QVERIFY(!f.Mesh);
      QCOMPARE(rec.Texts(), QStringList{"Exit DELVA?"});
    }
    rec.Clear();
    {
      // No mesh, a bitmap on the clipboard: answering No still exits.
      TFormViewMesh f;
      f.show();
      QImage img(4, 4, QImage::Format_RGB32);
      img.fill(Qt::red);
      QApplication::clipboard()->setImage(img);
      if (!QApplication::clipboard()->mimeData()->hasImage()) QSKIP("no clipboard here");
      rec.QueueAnswers({false});
      QVERIFY(f.close());
      QCOMPARE(rec.Texts(),
               QStringList{
                   "There is a bitmap in the Clipboard.\n\nDo you wish to clear the Clipboard?"});
      QVERIFY(QApplication::clipboard()->mimeData()->hasImage());
    }
  }

  void debugKeyShowsHiddenItems() {
    TFormViewMesh f;
    QVERIFY(!f.FormKeyDown(Qt::Key_Q, Qt::ControlModifier));
    QVERIFY(f.FormKeyDown(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier));
    QVERIFY(f.miCmpHGTedges->isVisible() && f.DebugItemsShown());
  }
};

DELVA_TEST_MAIN(FormViewMeshStateTest)
#include "form_view_mesh_state_test.moc"
