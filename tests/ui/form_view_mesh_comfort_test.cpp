// Unsaved work in the window ("*" in the title, Redo, the save question on
// Close Mesh and Exit), what a second window remembers, map-style navigation,
// the status-line endings and the menus' Alt+letter keys.

#include "core/formats/hgx_format.h"
#include "core/settings/prog_cfg.h"
#include "core/view/view_geometry.h"
#include "support/ui/test_main.h"
#include "ui/commands/form_bgl_command.h"
#include "ui/dialogs/form_fill_voids.h"
#include "ui/main/form_view_mesh.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/mnemonics.h"
#include "ui/widgets/ui_state.h"

namespace {
void Load(TFormViewMesh& f, bool edit) {
  ProgCfg.MaxMemUndo = 16;
  // A 5 x 5 void for the fills.
  QVERIFY(f.AttachMesh(MakeTestMesh(1201, 1201, [](int32_t x, int32_t y) {
    return x / 5 == 2 && y / 5 == 2 ? int16_t(-32768) : int16_t(x);
  })));
  f.SpinEditFillVal->setValue(7);
  if (edit) f.ToolButtonFillAllClick();
}
}  // namespace

class FormViewMeshComfortTest : public QObject {
  Q_OBJECT
 private slots:
  void titleMarkerFollowsEditsUndoRedoAndSave() {
    QTemporaryDir dir;
    TDialogAnswers dlg({dir.filePath("a.hgx")});
    TFormViewMesh f;
    Load(f, true);
    QCOMPARE(f.windowTitle(), QString("DELVA - N47W123.hgt*"));
    QVERIFY(f.miUndo->isEnabled() && !f.miRedo->isEnabled());
    f.miUndoClick();
    QCOMPARE(f.windowTitle(), QString("DELVA - N47W123.hgt"));
    QVERIFY(!f.ToolButtonUndo->isEnabled() && f.ToolButtonRedo->isEnabled());
    f.miRedo->trigger();
    QVERIFY(f.Mesh->GetCell(3, 3) == 7 && f.windowTitle().endsWith('*') && !f.miRedo->isEnabled());
    f.miSaveAsHGXClick();
    QVERIFY(!f.windowTitle().endsWith('*') && f.LabelEnding->text().startsWith("Saved a.hgx in "));
  }

  void saveQuestionOnCloseMeshAndExit() {
    QApplication::clipboard()->clear();
    TMessageRecorder rec;
    TDialogAnswers dlg;
    TFormViewMesh f;
    f.show(), f.setGeometry(30, 40, 820, 610), Load(f, true);
    TAnswer answer = TAnswer::Cancel;
    TAnswerHook previous = SetAnswerHook([&](const QString& text) {
      return text == "Save changes to the mesh before closing?" ? answer : TAnswer::Cancel;
    });
    f.miCloseMeshClick();
    QVERIFY(f.Mesh);
    answer = TAnswer::No, f.miCloseMeshClick();
    QVERIFY(!f.Mesh);
    Load(f, true);
    answer = TAnswer::Yes;  // the file dialog is cancelled: the mesh stays
    QVERIFY(!f.close() && f.Mesh && dlg.requests.size() == 1);
    QTemporaryDir dir;
    dlg.answers << dir.filePath("b.hgx");
    QApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    QVERIFY(f.close());  // saved, then the clipboard; "Exit DELVA?" is not asked as well
    QVERIFY(QFile::exists(dir.filePath("b.hgx")));
    QCOMPARE(rec.Texts(), QStringList{"There is a bitmap in the Clipboard.\n\nDo you wish to "
                                      "clear the Clipboard?"});
    SetAnswerHook(previous);
    TFormViewMesh g;  // a second window: where the first was, its dialogs where they were
    g.show();
    QCOMPARE(g.geometry(), QRect(30, 40, 820, 610));
    Load(g, false), g.miSaveAsHGXClick();
    QCOMPARE(dlg.requests.back().folder, dir.path());
  }

  void droppedFilesOpenAndLongCommandsEndInTheStatusLine() {
    QTemporaryDir dir;
    const QString hgx = dir.filePath("c.hgx");
    TMessageRecorder rec;
    TFormViewMesh f;
    Load(f, false);
    QVERIFY(SaveToFile(*f.Mesh, hgx.toStdString(), true, f.Mesh->GridRect, true, nullptr));
    rec.QueueAnswers({false});  // "Close the mesh and open ...?" No
    f.OpenDroppedFile(hgx);
    QCOMPARE(f.windowTitle(), QString("DELVA - N47W123.hgt"));
    f.OpenDroppedFile(hgx);
    QCOMPARE(f.windowTitle(), QString("DELVA - c.hgx"));
    QVERIFY(f.LabelEnding->text().startsWith("Loaded c.hgx (1,201 x 1,201 cells) in "));
    QCOMPARE(RecentFiles(), QStringList{QFileInfo(hgx).absoluteFilePath()});
    rec.Clear(), f.OpenDroppedFile(dir.filePath("notes.txt"));
    QCOMPARE(rec.Texts(),
             QStringList{"Only .hgt, .zip and .hgx files can be opened by dropping them."});
    rec.Clear();
    OnNextDialog<TFormFillVoids>([](TFormFillVoids& d) {
      d.ComboBoxMethod->setCurrentIndex(1);
      OnNextDialog<TFormFillVoids>([](TFormFillVoids& again) { again.reject(); });
      d.accept();
    });
    f.miFillVoidsClick();
    QVERIFY(f.LabelEnding->text().startsWith("Filled 25 of 25 voids in "));
    QVERIFY(f.windowTitle().endsWith('*'));
    qputenv("STANDIN_DURATION_MS", "100");
    SetBglOptionsHook([](TFormCreateBGLOpt&) { return int(QDialog::Accepted); });
    ProgCfg.BGLFolder = dir.path().toStdString(), ProgCfg.ResamplePath = STANDIN_RESAMPLE_PATH;
    f.miCreateBGLFromCurrentMeshClick();
    QVERIFY(f.LabelEnding->text().startsWith("Created N48W123_N47W122.bgl in "));
    ProgCfg.ResamplePath = hgx.toStdString();  // no program
    f.miCreateBGLFromCurrentMeshClick();
    SetBglOptionsHook({});
    QCOMPARE(f.LabelEnding->text(), QString("Create BGL failed"));
    QCOMPARE(rec.Texts(), QStringList{"Could not create BGL file."});
  }

  void zoomToFitAndSelection() {
    TFormViewMesh f;
    f.resize(900, 700), f.show();
    Load(f, false);  // 1201 cells square
    QWidget* vp = f.ScrollBoxMesh->viewport();
    f.miZoomToFit->trigger();
    QCOMPARE(f.Zoom, FitZoom(1201, 1201, vp->width(), vp->height()));
    f.RectSelected = true, f.Mesh->SelRect = TCellRect{600, 619, 300, 309};
    f.miZoomToSelection->trigger();
    QCOMPARE(f.Zoom, 16);
    f.UpdateSelectionLabel();
    QCOMPARE(f.LabelSelection->text(), QString("Selection 20 x 10 cells, 1.2 x 0.9 km"));
    const int gray = f.Doc.Image().Bits[600 * f.Doc.Image().Stride + 600];
    f.miHillshade->trigger();  // the shown image itself is shaded
    QVERIFY(f.Doc.Image().Bits[600 * f.Doc.Image().Stride + 600] < gray);
    // Ctrl+wheel: one step out, the cell under the cursor stays there.
    const int cellX = (f.ScrollBoxMesh->ScrollX() + 100) / 16;
    QWheelEvent wheel(QPointF(100, 80), vp->mapToGlobal(QPointF(100, 80)), {}, {0, -120},
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp, &wheel);
    QCOMPARE(QPoint(f.Zoom, (f.ScrollBoxMesh->ScrollX() + 100) / 8), QPoint(8, cellX));
    const int x0 = f.ScrollBoxMesh->ScrollX();  // a middle drag pans
    QTest::mousePress(vp, Qt::MiddleButton, {}, QPoint(200, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 200), vp->mapToGlobal(QPointF(150, 200)),
                     Qt::NoButton, Qt::MiddleButton, {});
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::MiddleButton, {}, QPoint(150, 200));
    QCOMPARE(f.ScrollBoxMesh->ScrollX(), x0 + 50);
  }

  void menusGetFreeMnemonicsWithTheirWords() {
    QSet<QChar> taken{'f'};
    QCOMPARE(WithMnemonic("File", taken), QString("F&ile"));
    TFormViewMesh f;
    for (QMenu* m : f.menuBar()->findChildren<QMenu*>()) {
      QList<QChar> keys;  // no key twice in one menu
      for (QAction* a : m->actions())
        if (const qsizetype at = a->text().indexOf('&'); at >= 0)
          keys << a->text()[at + 1].toLower();
      QVERIFY2(QSet<QChar>(keys.begin(), keys.end()).size() == keys.size(), qPrintable(m->title()));
    }
    for (QAction* a : f.menuBar()->actions() + f.mFile->actions() + f.mEdit->actions())
      QVERIFY2(a->isSeparator() || a->text().contains('&'), qPrintable(a->text()));
    QCOMPARE(f.miSaveAsHGX->text().remove('&'), QString("Save Mesh to HGX..."));
  }
};

DELVA_TEST_MAIN(FormViewMeshComfortTest)
#include "form_view_mesh_comfort_test.moc"
