// The main window through its commands, keys and mouse handlers: what is enabled when, its messages
// and questions, undo, and the state it is left in after a failure, and "Create BGL..." with the
// stand-in compiler. What the core computes is taken from the core itself.

#include "ui/main/form_view_mesh.h"
#include "core/edit/fill_voids.h"
#include "core/edit/interpol.h"
#include "core/edit/mesh_edit.h"
#include "core/edit/undo_list.h"
#include "core/scenery/bgl_build.h"
#include "core/scenery/resample_tool.h"
#include "core/settings/prog_cfg.h"
#include "core/view/mesh_image.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"
#include "support/ui/test_main.h"
#include "ui/commands/form_bgl_command.h"
#include "ui/dialogs/form_create_bgl_opt.h"
#include "ui/dialogs/form_edit_ops.h"
#include "ui/dialogs/form_fill_voids.h"
#include "ui/dialogs/form_interpol.h"
#include "ui/dialogs/form_mesh_info.h"
#include "ui/dialogs/form_open_multi_hgt.h"
#include "ui/dialogs/form_prog_cfg.h"
#include "ui/dialogs/form_raster.h"
#include "ui/dialogs/form_resample_output.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/app_folders.h"

namespace {

constexpr int16_t kVoid = -32768;
using TValue = std::function<int16_t(int32_t, int32_t)>;

// cols x rows samples over spanLat x spanLon degrees from 47 N, 123 W.
std::unique_ptr<TTMesh> Mesh(int32_t cols, int32_t rows, TValue value = {}, float spanLat = 1,
                             float spanLon = 1, std::string name = "N47W123.hgt") {
  if (!value) value = [](int32_t x, int32_t y) { return int16_t((x * 7 + y * 3) % 2000); };
  auto m = MakeTestMesh(cols, rows, value);
  m->FileName = name, m->MaxLat = m->MinLat + spanLat, m->MaxLon = m->MinLon + spanLon;
  m->RowsPerDeg = (rows - 1) / spanLat, m->ColsPerDeg = (cols - 1) / spanLon;
  return m;
}

// 200 x 150 cells; voids on row 100, columns 20..179.
std::unique_ptr<TTMesh> EditMesh() {
  return Mesh(200, 150, [](int32_t x, int32_t y) {
    return y == 100 && x >= 20 && x < 180 ? kVoid : int16_t(10 * (x % 50) + y % 7);
  });
}

// A closed diamond around (100, 100) reaching 40 cells each way.
void SelectDiamond(TFormViewMesh& f) {
  for (auto [x, y] : {std::pair{100, 60}, {140, 100}, {100, 140}, {60, 100}, {100, 60}})
    f.PolySel.AddPoint(x, y);
  f.PolySel.Closed = true, f.EnableSelectionCommands(true);
}

void Click(TFormViewMesh& f, std::initializer_list<QPoint> points) {
  for (QPoint p : points)
    f.PaintBoxMeshMouseDown(Qt::LeftButton, p.x(), p.y()),
        f.PaintBoxMeshMouseUp(Qt::LeftButton, p.x(), p.y());
}

// Sets a dialog's fields by name when it opens, accepts it, then `then`.
void Accept(std::vector<std::pair<const char*, int>> fields, std::function<void()> then = {}) {
  OnNextModal([fields, then](QWidget* d) {
    for (auto [name, v] : fields) {
      QWidget* w = d->findChild<QWidget*>(name);
      if (auto* s = qobject_cast<QSpinBox*>(w)) s->setValue(v);
      if (auto* c = qobject_cast<QCheckBox*>(w)) c->setChecked(v);
      if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(QString::number(v));
      if (auto* b = qobject_cast<QComboBox*>(w)) b->setCurrentIndex(v);
      QVERIFY2(w, name);
    }
    static_cast<QDialog*>(d)->accept();
    if (then) then();
  });
}

QStringList EnabledItems(TFormViewMesh& f) {
  QStringList on;
  for (QAction* a : f.findChildren<QAction*>())
    if (!a->objectName().isEmpty() && a->isEnabled() && a->isVisible()) on << a->objectName();
  on.sort();
  return on;
}

QColor Pixel(TFormViewMesh& f, int x, int y) {
  f.ScrollBoxMesh->RenderBuffer();
  return QColor(f.ScrollBoxMesh->Buffer().pixel(x, y));
}

// N46W123 to N47W122 with a band of a degree all round, 120 cells per degree.
std::unique_ptr<TTMesh> BandedMesh() {
  auto m =
      MakeTestMesh(3 * 120 + 1, 3 * 120 + 1, [](int32_t x, int32_t y) { return int16_t(x + y); });
  m->MinLat = 45, m->MaxLat = 48, m->MinLon = -124, m->MaxLon = -121;
  m->RowsPerDeg = m->ColsPerDeg = 120, m->AdjoNorth = m->AdjoEast = 121;
  m->AdjoSouth = m->AdjoWest = 120;
  return m;
}

bool TempFilesExist(const std::string& tempDir) {
  const TBglTempFiles f = BglTempFiles(tempDir);
  for (const std::string& p : {f.Raster, f.SourceInf, f.DestInf})
    if (QFile::exists(QString::fromStdString(p))) return true;
  return false;
}

}  // namespace

class FormViewMeshTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  TBglCommandEnv Env(const TTMesh& mesh) {
    QDir().mkpath(dir_.filePath("temp"));
    return TBglCommandEnv{.Mesh = &mesh,
                          .TempDir = dir_.filePath("temp").toStdString(),
                          .ResamplePath = STANDIN_RESAMPLE_PATH,
                          .BglFolder = dir_.path().toStdString()};
  }
  // Runs the command, accepting the dialog after `edit`; returns when the
  // output window may be closed.
  static QPointer<TFormResampleOutput> Run(const TBglCommandEnv& env,
                                           std::function<void(TFormCreateBGLOpt&)> edit = {}) {
    SetBglOptionsHook([edit](TFormCreateBGLOpt& d) {
      d.BglPathChosen = true;  // no overwrite question
      if (edit) edit(d);
      return int(QDialog::Accepted);
    });
    QPointer<TFormResampleOutput> w = CreateBglFromMesh(env);
    SetBglOptionsHook({});
    return w;
  }

 private slots:
  void initTestCase() { qputenv("STANDIN_DURATION_MS", "300"); }

  void init() {
    ResetRememberedEditValues(), ResetRememberedInterpolValues(), ResetRememberedFillVoidsValues();
    ProgCfg.MaxMemUndo = 16, ProgCfg.WarnNoUndo = true;
  }

  void commandStatesWithAndWithoutMesh() {
    TFormViewMesh f;
    QStringList none{"mEdit", "mFS", "mFile", "mHelp", "mOperations", "mPreferences", "mView",
                     "miAbout", "miExit", "miGeoRefFmt", "miMorePrefs", "miOpenDEM", "miOpenHGX",
                     "miOpenMultiDEM", "miOpenMultiHGT", "miOpenRaster", "miOpenSingleHGT",
                     "miRecentFiles", "miProgHelp", "msiGeoRefFmt_D", "msiGeoRefFmt_DM",
                     // usable only through their disabled submenu
                     "msiZoom16x", "msiZoom1div16x", "msiZoom1div2x", "msiZoom1div32x",
                     "msiZoom1div4x", "msiZoom1div8x", "msiZoom1x", "msiZoom2x", "msiZoom4x",
                     "msiZoom8x"};
    none.sort();
    QCOMPARE(EnabledItems(f), none);
    QVERIFY(!f.miZoom->menuAction()->isEnabled() && f.windowTitle() == "DELVA");
    QVERIFY(f.FormKeyDown(Qt::Key_Escape, Qt::NoModifier) && f.AbortRequested);
    f.FormKeyDown(Qt::Key_Left, Qt::NoModifier);  // harmless without a mesh

    QVERIFY(f.AttachMesh(Mesh(121, 121)) && f.windowTitle() == QString("DELVA - N47W123.hgt"));
    for (QAction* a : {f.miOpenSingleHGT, f.miOpenMultiHGT, f.miOpenHGX, f.miOpenRaster,
                       f.ToolButtonZoom1x, f.miUnselect, f.miFillSelection, f.ToolButtonFillAll,
                       f.miUndo, f.ToolButtonUndo, f.miShowGrid, f.miHatchAdjoQuad})
      QVERIFY2(!a->isEnabled() || !a->isVisible(), qPrintable(a->objectName()));
    for (QAction* a :
         {f.miSaveAsHGX, f.miSaveAsRaw, f.miSaveAsBMP, f.miMeshInfo, f.miCreateBGLFromCurrentMesh,
          f.miCloseMesh, f.miCopyToClipboard, f.miAddVertOffset, f.miChangeVal, f.miRestrictHeight,
          f.miInterpolNearestNeighbor, f.miZoom->menuAction(), f.miRecompTerrainColors,
          f.miSeaAsBlue, f.ToolButtonInfo, f.ToolButtonZoomIn, f.ToolButtonZoomOut,
          f.ToolButtonSelRect, f.ToolButtonSelPoly})
      QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    f.EnableUserInput(false);
    QVERIFY(!f.mFile->menuAction()->isEnabled() && !f.mHelp->menuAction()->isEnabled());
    QVERIFY(!f.ToolBarMain->isEnabled());
    f.EnableUserInput(true);
    QVERIFY(f.mHelp->menuAction()->isEnabled() && f.ToolBarMain->isEnabled());
    f.SpinEditFillVal->setValue(12), f.EnableUndoCommands(true);
    f.msiZoom4xClick(), f.miCloseMeshClick();
    QCOMPARE(EnabledItems(f), none);
    QVERIFY(!f.Mesh && f.MeshBitmap.isNull() && f.windowTitle() == "DELVA");
    QVERIFY(f.Zoom == 1 && f.msiZoom1x->isChecked() && f.LabelZoom->text() == "1x");
    QCOMPARE(f.SpinEditFillVal->value(), 0);
    // More than a degree: the grid; the title carries the file name only.
    QVERIFY(f.AttachMesh(Mesh(121, 121, {}, 1, 2, "C:\\maps\\N45W123.hgt")));
    QVERIFY(f.miShowGrid->isEnabled() && f.ToolButtonShowGrid->isEnabled());
    QCOMPARE(f.windowTitle(), QString("DELVA - N45W123.hgt"));
  }

  void bitmapFailureAndCloseQuestions() {
    TMessageRecorder rec;
    {
      TFormViewMesh f;
      for (bool outOfMemory : {true, false}) {
        f.Doc.ImageAllocator = [outOfMemory](int32_t, int32_t) {
          return TTImageBuffer{.OutOfMemory = outOfMemory};
        };
        QVERIFY(!f.AttachMesh(Mesh(121, 121)));
        QVERIFY(!f.Mesh && f.miOpenSingleHGT->isEnabled() && !f.miCloseMesh->isEnabled());
      }
      QCOMPARE(rec.Texts(TMsgKind::Error),
               (QStringList{"Error creating bitmaps.\nNot enough memory available.",
                            "Error creating bitmaps."}));
    }
    {
      TFormViewMesh f;
      f.show();
      QVERIFY(f.AttachMesh(Mesh(121, 121)));
      QApplication::clipboard()->clear();
      rec.Clear(), rec.QueueAnswers({false, true});
      QVERIFY(!f.close() && f.Mesh && f.close() && !f.Mesh);  // kept, then gone
      QCOMPARE(rec.Texts(TMsgKind::Confirmation), (QStringList{"Exit DELVA?", "Exit DELVA?"}));
    }
  }

  void zoomScrollAndKeys() {
    TFormViewMesh f;
    f.resize(900, 700), f.show();
    QVERIFY(f.AttachMesh(Mesh(4001, 4001)));
    f.msiZoom1div32xClick();
    f.ToolButtonZoomOutClick();  // nothing at the end
    QVERIFY(f.Zoom == -32 && !f.ToolButtonZoomOut->isEnabled() && f.LabelZoom->text() == "1/32x");
    f.msiZoom8xClick(), f.ToolButtonZoomInClick();
    QVERIFY(f.Zoom == 16 && !f.ToolButtonZoomIn->isEnabled() && f.LabelZoom->text() == "16x");
    QCOMPARE(f.PaintBoxWidth(), 64016);
    f.msiZoom1div2xClick(), f.ToolButtonZoomInClick();
    QCOMPARE(f.Zoom, 1);
    f.ToolButtonZoomOutClick();
    QScrollBar* h = f.ScrollBoxMesh->horizontalScrollBar();  // arrows: 4 x |Zoom|
    QScrollBar* v = f.ScrollBoxMesh->verticalScrollBar();
    const int x = h->value(), y = v->value();
    f.FormKeyDown(Qt::Key_Right, Qt::NoModifier), f.FormKeyDown(Qt::Key_Down, Qt::NoModifier);
    QVERIFY(h->value() == x + 8 && v->value() == y + 8);
  }

  void paintGridAndRectangleSelection() {
    TFormViewMesh f;
    f.resize(900, 700), f.show();
    QVERIFY(f.AttachMesh(Mesh(2401, 2401, {}, 2, 2)));
    const QColor yellow(255, 255, 0), aqua(0, 255, 255);
    f.ToolButtonShowGrid->setChecked(true), f.ToolButtonShowGridClick();
    QVERIFY(f.miShowGrid->isChecked());
    f.ScrollBoxMesh->SetScroll(1000, 1000);  // lines at 1200, none at the edge
    QVERIFY(Pixel(f, 50, 200) == yellow && Pixel(f, 200, 50) == yellow);
    QWidget* vp = f.ScrollBoxMesh->viewport();  // (10, 20) there is paint-box (1010, 1020)
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(vp, QPoint(30, 45));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(30, 45));
    QCOMPARE(f.Mesh->SelRect, (TCellRect{1010, 1030, 1020, 1045}));
    f.Unselect();
    QVERIFY(Pixel(f, 50, 201) != yellow);
    f.miShowGrid->trigger();  // the item checks itself and releases the button
    QVERIFY(!f.ToolButtonShowGrid->isChecked() && Pixel(f, 50, 200) != yellow);

    // A drag either way selects, outlined in aqua; no read-out meanwhile.
    f.ScrollBoxMesh->SetScroll(0, 0), f.PaintBoxMeshMouseMove(30, 50);
    QVERIFY(f.LabelCursor->text().startsWith("(X,Y) = (30) (50) "));
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 40, 60), f.PaintBoxMeshMouseMove(10, 20);
    QVERIFY(f.RectDragging && f.LabelCursor->text().isEmpty());
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 10, 20);
    QVERIFY(f.RectSelected && !f.RectDragging && !f.EditSelection().Mask);
    QCOMPARE(f.EditSelection().Rect, (TCellRect{10, 40, 20, 60}));
    QVERIFY(f.miUnselect->isEnabled() && f.miFillSelection->isEnabled());
    QVERIFY(f.ToolButtonFillAll->isEnabled());
    QVERIFY(Pixel(f, 10, 20) == aqua && Pixel(f, 40, 60) == aqua && Pixel(f, 25, 60) == aqua);
    QVERIFY(Pixel(f, 25, 40) != aqua);
    Click(f, {QPoint(30, 30)});  // no movement: nothing selected
    QVERIFY(!f.RectSelected && !f.miUnselect->isEnabled() && f.Mesh->SelRect == f.Mesh->GridRect);
    f.PaintBoxMeshMouseDown(Qt::LeftButton, 2390, 2395), f.PaintBoxMeshMouseMove(9000, 9000);
    f.PaintBoxMeshMouseUp(Qt::LeftButton, 9000, 9000);  // held to the paint box
    QCOMPARE(f.Mesh->SelRect, (TCellRect{2390, 2400, 2395, 2400}));
    f.FormKeyDown(Qt::Key_Escape, Qt::NoModifier);
    QVERIFY(!f.RectSelected && f.Mesh->SelRect == f.Mesh->GridRect);
    f.MouseInputEnabled = false, f.PaintBoxMeshMouseDown(Qt::LeftButton, 5, 5);
    QVERIFY(!f.RectDragging);
  }

  void polygonSelection() {
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(1201, 1201)));
    f.ToolButtonSelPoly->setChecked(true), f.ToolButtonSelPolyClick();
    // At 1x a click 8.49 pixels from the first vertex adds one, 5.66 closes.
    Click(f, {QPoint(10, 10), QPoint(50, 10), QPoint(50, 50), QPoint(16, 16)});
    QVERIFY(!f.PolySel.Closed && !f.miFillSelection->isEnabled());
    Click(f, {QPoint(14, 14)});
    QVERIFY(f.PolySel.Closed && f.miFillSelection->isEnabled());
    QVERIFY(f.PolySel.Count == 5 && f.PolySel.Points[4] == (TTCellPoint{10, 10}));
    Click(f, {QPoint(200, 300)});  // after closing: a new polygon
    QVERIFY(!f.PolySel.Closed && f.PolySel.Count == 1 && !f.miFillSelection->isEnabled());
    // At 4x cell (3, 5) is stored, closing measured against pixel (12, 20).
    f.Unselect(), f.msiZoom4xClick();
    Click(f, {QPoint(14, 23), QPoint(40, 20), QPoint(40, 60), QPoint(19, 27)});
    QVERIFY(f.PolySel.Points[0] == (TTCellPoint{3, 5}) && f.PolySel.Closed);
    f.Unselect(), f.msiZoom1xClick();
    Click(f, {QPoint(0, 0), QPoint(10, 0), QPoint(0, 10), QPoint(1, 1)});
    TFormViewMesh::TEditSelection e = f.EditSelection();
    QCOMPARE(e.Rect, (TCellRect{0, 10, 0, 10}));
    QVERIFY(e.Mask && e.Mask->Get(0, 10) && !e.Mask->Get(10, 10));
    f.ToolButtonSelRect->setChecked(true), f.ToolButtonSelRectClick();
    QVERIFY(f.PolySel.Count == 0 && !f.PolySel.Closed);
    QCOMPARE(f.EditSelection().Rect, f.Mesh->GridRect);
  }

  // Each edit against its core function on the same selection: the dialog's
  // values reach it, a filled polygon goes, Undo restores.
  void editCommandsMatchTheCore() {
    using F = TFormViewMesh;
    struct TCase {
      const char* name;
      bool polygon;
      void (TFormViewMesh::*slot)();
      std::vector<std::pair<const char*, int>> dialog;
      std::function<void(TTMesh&, const TCellRect&, const TTCellMask*)> core;
    };
    const TCase cases[] = {
        TCase("change value", false, &F::miChangeValClick,
              {{"SpinEditOrgValue", kVoid}, {"SpinEditNewValue", 7}},
              [](auto& m, auto& r, auto k) { ChangeValue(m, r, kVoid, 7, k); }),
        TCase("restrict", true, &F::miRestrictHeightClick,
              {{"CheckBoxUpper", 1}, {"SpinEditUpper", 100}, {"SpinEditLower", 50}},
              [](auto& m, auto& r, auto k) { RestrictHeight(m, r, 50, 100, 2, k); }),
        TCase("offset", true, &F::miAddVertOffsetClick, {{"SpinEditVertOffset", 1000}},
              [](auto& m, auto& r, auto k) { AddVertOffset(m, r, 1000, k); }),
        TCase("interpolate", true, &F::miInterpolNearestNeighborClick,
              {{"SpinEditRadius", 3}, {"MaskEditPower", 2}},
              [](auto& m, auto& r, auto k) { InterpolNearestNei(m, r, 3, nullptr, k, 2.0); }),
        TCase("fill", true, &F::miFillSelectionClick, {{"SpinEditFillingVal", 9}},
              [](auto& m, auto&, auto k) { FillMasked(*k, m, 9, kVoid, kFillKeepVoids); }),
        TCase("fill all", false, &F::ToolButtonFillAllClick, {},
              [](auto& m, auto& r, auto) { FillRect(m, r, -3, kFillAll); }),
        TCase("fill keep voids", false, &F::ToolButtonFillKeepVoidsClick, {},
              [](auto& m, auto& r, auto) { FillRect(m, r, -3, kFillKeepVoids); }),
        TCase("fill voids only", true, &F::ToolButtonFillVoidsOnlyClick, {},
              [](auto& m, auto&, auto k) { FillMasked(*k, m, -3, kVoid, kFillVoidsOnly); }),
        TCase("fill voids", false, &F::miFillVoidsClick, {{"ComboBoxMethod", 1}},
              [](auto& m, auto& r, auto k) {
                FillVoids(m, r, k, {.Method = TFillMethod::Spline}, nullptr, nullptr);
              }),
    };
    for (const auto& c : cases) {
      TMessageRecorder rec;
      TFormViewMesh f;
      QVERIFY(f.AttachMesh(EditMesh()));
      const auto before = CopySamples(*f.Mesh);
      if (c.polygon)
        SelectDiamond(f);
      else
        f.Mesh->SelRect = TCellRect{10, 59, 90, 109};
      const TFormViewMesh::TEditSelection sel = f.EditSelection();
      auto expected = EditMesh();
      c.core(*expected, sel.Rect, sel.Mask);
      f.AbortRequested = true;  // an old Esc must not stop the new run
      f.SpinEditFillVal->setValue(-3);
      QString result;
      const bool fillVoids = c.slot == &TFormViewMesh::miFillVoidsClick;
      if (!c.dialog.empty())
        Accept(c.dialog, [&] {
          if (fillVoids)  // back with the counts
            OnNextDialog<TFormFillVoids>(
                [&](TFormFillVoids& d) { result = d.LabelResult->text(), d.reject(); });
        });
      (f.*c.slot)();
      QVERIFY2(CopySamples(*f.Mesh) == CopySamples(*expected), c.name);
      QVERIFY2(CopySamples(*f.Mesh) != before && rec.Texts().isEmpty(), c.name);
      QVERIFY2(f.UserInputEnabled() && f.MouseInputEnabled, c.name);
      QVERIFY2(f.PolySel.Closed == (c.polygon && !QString(c.name).startsWith("fill")), c.name);
      QVERIFY2(f.miUndo->isEnabled() && f.ToolButtonUndo->isEnabled(), c.name);
      QCOMPARE(f.UndoList->NewestRect(), sel.Rect);
      f.miUndoClick();
      QVERIFY2(CopySamples(*f.Mesh) == before && !f.miUndo->isEnabled(), c.name);
      QVERIFY2(!f.PolySel.Closed, c.name);
      if (fillVoids) QCOMPARE(result, QString("Filled 40 void cells, 0 left."));
    }
  }

  void editsRefusedAskedAndReported() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(EditMesh()));
    const auto before = CopySamples(*f.Mesh);
    SelectDiamond(f);
    Accept({});
    f.miRestrictHeightClick();  // no box ticked
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    f.miFillSelectionClick();
    OnNextDialog<TFormFillVoids>([](TFormFillVoids& d) {
      d.ComboBoxMethod->setCurrentIndex(2), d.EditSecondDem->setText("/nonexistent/N00E000.hgt");
      OnNextDialog<TFormFillVoids>([](TFormFillVoids& again) { again.reject(); });
      d.accept();
    });
    f.miFillVoidsClick();
    QCOMPARE(rec.Texts().size(), 1);  // the second model's
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::Error);
    QVERIFY(CopySamples(*f.Mesh) == before && f.UndoList->Count() == 0 && f.PolySel.Closed);
    QVERIFY(!f.miUndo->isEnabled() && f.MouseInputEnabled);
    rec.Clear(), f.Unselect();
    f.Mesh->SelRect = TCellRect{0, 9, 0, 9};
    Accept({{"SpinEditVertOffset", -40000}});
    f.miAddVertOffsetClick();
    QCOMPARE(rec.Texts(TMsgKind::Warning),
             QStringList{"Some elevation samples have been clipped."});

    // Over the undo memory limit: asked first; undo off never asks.
    rec.Clear(), ProgCfg.MaxMemUndo = 1;
    TFormViewMesh g;
    QVERIFY(g.AttachMesh(Mesh(1024, 520, [](int32_t, int32_t) { return int16_t(5); })));  // > 1 MiB
    rec.QueueAnswers({false, true});
    Accept({{"SpinEditFillingVal", 9}});
    g.miFillSelectionClick();
    QVERIFY(g.Mesh->GetCell(0, 0) == 5 && g.MouseInputEnabled);
    g.ToolButtonFillAllClick();
    QVERIFY(g.Mesh->GetCell(1023, 519) == 0 && !g.miUndo->isEnabled());
    const QString question =
        "The operation cannot be undone because\nthe undo memory limit has been reached.\n\n(You "
        "can increase the undo memory\nlimit in the Preferences menu)\n\nDo you wish to proceed "
        "anyway?";
    QCOMPARE(rec.Texts(TMsgKind::WarningQuestion), (QStringList{question, question}));
    rec.Clear(), g.UndoList->SetLimit(0), ProgCfg.MaxMemUndo = 0;
    g.ToolButtonFillKeepVoidsClick();
    QVERIFY(rec.Texts().isEmpty());
  }

  // Esc or closing the window during a run stops it; the window and its mesh stay, Undo restores.
  void escapeOrCloseStopsTheInterpolation() {
    for (bool close : {false, true}) {
      TMessageRecorder rec;
      TFormViewMesh f;
      QVERIFY(f.AttachMesh(Mesh(
          1201, 400, [](int32_t x, int32_t y) { return y % 4 == 1 ? kVoid : int16_t(x + y); })));
      const auto before = CopySamples(*f.Mesh);
      // Reaches the window at the run's first look at the event queue, which
      // a run that starts within 10 ms of the previous look would skip.
      QTest::qWait(20);
      Accept({{"SpinEditRadius", 60}}, [&f, close] {
        QCoreApplication::postEvent(
            &f, close ? static_cast<QEvent*>(new QCloseEvent)
                      : new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      });
      f.miInterpolNearestNeighborClick();
      QVERIFY(f.AbortRequested && f.Mesh && f.UserInputEnabled());
      QCOMPARE(f.Mesh->GetCell(600, 397), kVoid);  // stopped before the last rows
      f.miUndoClick();
      QCOMPARE(CopySamples(*f.Mesh), before);
    }
  }

  void preferencesApplyTheUndoLimit() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(121, 121)));
    f.EnableUndoCommands(true);
    SetProgCfgDialogHook(
        [](TFormProgCfg& d) { return d.SpinEditMaxMemUndo->setValue(0), int(QDialog::Accepted); });
    f.miMorePrefs->trigger();
    SetProgCfgDialogHook({});
    QVERIFY(f.UndoList->Limit() == 0 && !f.miUndo->isEnabled());
    TTProgCfg written;
    QVERIFY(LoadProgCfg(written, SettingsFolder()) && written.MaxMemUndo == 0);
  }

  void fileCommands() {
    QTemporaryDir dir;
    TDialogAnswers dlg;
    TMessageRecorder rec;
    TFormViewMesh f;
    WriteAll(dir.filePath("N45W123.hgt"), QByteArray(2884801, 0));  // one byte short
    WriteAll(dir.filePath("junk.hgx"), "not a mesh, not even sixty-four bytes of header");
    dlg.answers << dir.filePath("N45W123.hgt") << "" << dir.filePath("junk.hgx");
    f.miOpenSingleHGTClick();
    f.miOpenSingleHGTClick();  // cancelled
    f.miOpenHGXClick();
    QCOMPARE(rec.Texts(TMsgKind::Error),
             (QStringList{"HGT file size is invalid.", "Cannot load HGX."}));
    QVERIFY(!f.Mesh && f.miOpenSingleHGT->isEnabled() && f.mFile->menuAction()->isEnabled());
    rec.Clear();
    QVERIFY(f.AttachMesh(Mesh(61, 41, {}, 2, 2, "")));
    const QString path = dir.filePath("saved.hgx");
    dlg.answers = QStringList{"/nonexistent-folder-of-delva/x.hgx", dir.path(), path, path};
    for (int i = 0; i < 3; ++i) f.miSaveAsHGXClick();
    QCOMPARE(rec.Texts(), (QStringList{"Cannot save mesh.", dir.path() + " is a folder."}));
    QCOMPARE(dlg.requests[3].proposedName, QString("N49W123_N47W121.hgx"));
    QVERIFY(QFileInfo(dir.path()).isDir() && f.ToolBarMain->isEnabled());
    f.miCloseMeshClick(), f.miOpenHGXClick();
    QVERIFY(f.Mesh && f.Mesh->Cols == 61 && f.windowTitle() == "DELVA - saved.hgx");
    // A zipped tile is unpacked in the editor's own temporary folder, and nothing stays there.
    const QString zip = QString::fromStdString(SharedTestData("srtm/graphhopper/N48W125.hgt.zip"));
    if (zip.isEmpty()) QSKIP("shared test data not found");
    f.miCloseMeshClick(), f.show(), dlg.answers = QStringList{zip};
    f.miOpenSingleHGTClick();
    QVERIFY(f.Mesh && f.Mesh->Cols == 3601 && f.windowTitle() == "DELVA - N48W125.hgt");
    QVERIFY(QDir(TempDir()).entryList(QDir::Files).isEmpty());
  }

  void multipleTilesAndRasterLoad() {
    QTemporaryDir dir;
    WriteAll(dir.filePath("N45W123.hgt"), QByteArray(1201 * 1201 * 2, 1));
    TMessageRecorder rec;
    TFormViewMesh f;
    OnNextDialog<TFormOpenMultiHGT>([&](TFormOpenMultiHGT& d) {
      d.ChooseFolder = [&](const QString&, const QString&) { return dir.path(); };
      d.BitBtnLocateInputFolder->click();
      d.SpinEditMaxLat->setValue(46), d.SpinEditMinLat->setValue(45);
      d.SpinEditMinLon->setValue(-123), d.SpinEditMaxLon->setValue(-122);
      d.CheckBoxAdjoEast->click();  // its tile is missing: filled
      d.BitBtnOK->click();
    });
    f.miOpenMultiHGTClick();
    QVERIFY2(rec.Texts().isEmpty(), qPrintable(rec.Texts().join('|')));
    QVERIFY(f.Mesh && f.Mesh->AdjoEast == 1201 && f.Mesh->GetCell(2000, 5) == 0);
    QCOMPARE(f.windowTitle(), QString("DELVA"));  // several tiles: no file name
    QVERIFY(f.miHatchAdjoQuad->isVisible() && f.UserInputEnabled());
    f.CloseMesh();
    // A raster of the wrong size keeps its dialog open.
    const QString path = dir.filePath("terrain.raw");
    QByteArray bytes;  // 2 rows of 3 samples, low byte first
    for (int16_t v : {1, 2, 3, -9999, 500, -7}) bytes.append(char(v & 0xFF)).append(char(v >> 8));
    WriteAll(path, bytes);
    TDialogAnswers dlg({path});
    OnNextDialog<TFormOpenRaster>([](TFormOpenRaster& d) {
      d.BitBtnLocateFile->click(), d.SpinEditMaxLat->setValue(46), d.SpinEditMinLat->setValue(44);
      d.SpinEditMinLon->setValue(-122), d.SpinEditMaxLon->setValue(-120);
      d.SpinEditSizeRows->setValue(2), d.SpinEditSizeCols->setValue(4), d.BitBtnOK->click();
      d.SpinEditSizeCols->setValue(3), d.RadioButtonLsbFirst->setChecked(true);
      d.SpinEditVoidVal->setValue(-9999), d.CheckBoxAdjoNorth->click(), d.BitBtnOK->click();
    });
    f.miOpenRasterClick();
    QCOMPARE(rec.Texts(), QStringList{"File has wrong size"});
    QVERIFY(f.Mesh && f.Mesh->Cols == 3 && f.Mesh->GetCell(2, 1) == -7);
    QVERIFY(f.Mesh->VoidCount == 1 && f.Mesh->AdjoNorth == 1);
    QCOMPARE(f.windowTitle(), QString("DELVA - terrain.raw"));
  }

  // Saved, copied and reported as shown: one pixel per cell at any zoom, counts after an edit.
  void exportAndInformation() {
    QTemporaryDir dir;
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(61, 43, {}, 2, 2, "")));
    TDialogAnswers dlg({dir.filePath("out.raw"), dir.filePath("no/x.raw"), dir.filePath("i.bmp"),
                        dir.filePath("no/i.bmp")});
    for (int i = 0; i < 2; ++i) {
      OnNextDialog<TFormSaveAsRaw>(
          [](TFormSaveAsRaw& d) { d.BitBtnSelect->click(), d.BitBtnSave->click(); });
      f.miSaveAsRawClick();
    }
    f.msiZoom4xClick(), f.miSaveAsBMPClick(), f.miSaveAsBMPClick();
    QCOMPARE(dlg.requests[0].proposedName, QString("N49W123_N47W121_43R_61C"));
    QCOMPARE(dlg.requests[2].proposedName, QString("N49W123_N47W121"));
    QCOMPARE(ReadAll(dir.filePath("out.raw")).size(), 61 * 43 * 2);
    QCOMPARE(QImage(dir.filePath("i.bmp")).pixel(5, 30), f.MeshBitmap.pixel(5, 30));
    QVERIFY(rec.Texts().size() == 2 && rec.Texts()[0] == QString("Could not create file."));
    QVERIFY(rec.Texts()[1].startsWith("Cannot create file") && f.UserInputEnabled());
    rec.Clear(), f.miCopyToClipboardClick();
    QCOMPARE(rec.Texts(TMsgKind::Information),
             QStringList{"The mesh image has been copied to the Clipboard."});
    QCOMPARE(QApplication::clipboard()->image().pixel(5, 30), f.MeshBitmap.pixel(5, 30));
    QApplication::clipboard()->clear();

    f.Mesh->SetCell(6, 6, 3000), f.Mesh->SetCell(7, 6, kVoid);
    const int16_t colorMax = f.Mesh->ColorMax;
    QString text;
    OnNextDialog<TFormMeshInfo>([&](TFormMeshInfo& d) { text = d.RE->toPlainText(), d.close(); });
    f.ToolButtonInfo->trigger();
    QVERIFY(text.contains("\nNumber of voids: 1 (0.0381%)\n"));
    QCOMPARE(f.Mesh->ColorMax, colorMax);  // the colour range stays
  }

  void optionsDialog() {
    TMessageRecorder rec;
    auto plain = Mesh(121, 121), banded = BandedMesh();
    TFormCreateBGLOpt d;
    d.SetupFromMesh(*plain, "/scenery");
    QVERIFY(!d.SpinEditExtraBandNorth->isEnabled() && !d.LabelBandEast->isEnabled());
    TFormCreateBGLOpt b;
    b.SetupFromMesh(*banded, "");
    for (QSpinBox* s : {b.SpinEditExtraBandNorth, b.SpinEditExtraBandSouth, b.SpinEditExtraBandWest,
                        b.SpinEditExtraBandEast})
      QVERIFY(s->isEnabled() && s->maximum() == 120 && s->value() == 120);  // 171, held to 1 deg

    // INF files: no file twice (in any letter case); the marker of the
    // generated one moves but cannot be removed.
    QStringList next = {"/x/Land.inf", "/x/water.inf", "/X/LAND.INF"};
    d.ChooseInfFile = [&] { return next.takeFirst(); };
    for (int i = 0; i < 3; ++i) d.BitBtnInfAdd->click();
    QCOMPARE(rec.Texts(), QStringList{"INF file is already in the list."});
    d.ListBoxInfs->setCurrentRow(0);
    QVERIFY(!d.BitBtnInfDel->isEnabled());
    d.BitBtnInfUp->click();  // at the top: nothing
    for (int i = 0; i < 3; ++i) d.BitBtnInfDown->click();
    QCOMPARE(d.InfEntries(),
             (std::vector<std::string>{"/x/Land.inf", "/x/water.inf", GeneratedInfMarker}));
    d.ListBoxInfs->setCurrentRow(0);
    QVERIFY(d.BitBtnInfDel->isEnabled());
    d.BitBtnInfDel->click();
    QVERIFY(!d.BitBtnInfDel->isEnabled());
    QCOMPARE(d.InfEntries(), (std::vector<std::string>{"/x/water.inf", GeneratedInfMarker}));

    // The proposed name of an existing BGL asks; No keeps the dialog open.
    // Chosen through "Change", the save dialog has asked already.
    const QString existing = dir_.filePath("old.bgl");
    WriteAll(existing, ""), d.BglPath = existing;
    rec.Clear(), rec.QueueAnswers({false});
    d.show(), d.accept();
    QCOMPARE(rec.Texts(), QStringList{"File already exists.\nDo you want to overwrite it?"});
    QVERIFY(d.result() == QDialog::Rejected && d.isVisible());
    d.ChooseBglFile = [&] { return existing; };
    d.BitBtnSelect->click(), d.accept();
    QVERIFY(rec.Texts().size() == 1 && d.result() == int(QDialog::Accepted));

    QPointer<TFormResampleOutput> w = new TFormResampleOutput;
    w->show();
    w->AppendOutput(QString(200000, 'z'));  // one huge chunk: its tail only
    QVERIFY(w->MemoOut->toPlainText().size() <= TFormResampleOutput::kMaxMemoChars && !w->close());
    w->AllowClose();
    QVERIFY(w->close());
    QTRY_VERIFY(!w);
  }

  // The event loop runs on while the compiler works, with the menus off;
  // afterwards they are on again and the temporary files are gone.
  void runFromTheWindowAndRestore() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh(121, 121)));
    ProgCfg.ResamplePath = STANDIN_RESAMPLE_PATH, ProgCfg.BGLFolder = dir_.path().toStdString();
    bool inputDuringRun = true;
    QString proposed;
    int ticks = 0;
    QTimer alive;
    connect(&alive, &QTimer::timeout, [&] { ++ticks; });
    alive.start(20);
    SetBglOptionsHook([&](TFormCreateBGLOpt& d) {
      proposed = d.BglPath;
      QTimer::singleShot(150, [&] { inputDuringRun = f.UserInputEnabled(); });
      return int(QDialog::Accepted);
    });
    f.miCreateBGLFromCurrentMesh->trigger();
    SetBglOptionsHook({});
    QVERIFY(ticks > 5 && !inputDuringRun && f.UserInputEnabled());
    QVERIFY(proposed == dir_.filePath("N48W123_N47W122.bgl") && rec.Texts().isEmpty());
    QPointer<TFormResampleOutput> out;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* o = qobject_cast<TFormResampleOutput*>(w)) out = o;
    QVERIFY(out && out->LabelStatus->text().startsWith("Resample has finished.  Resulting BGL "));
    QVERIFY(out->MemoOut->toPlainText().contains("Processing LOD 9: 100%"));
    QVERIFY(QFileInfo(proposed).size() > 64 && !TempFilesExist(TempDirUtf8()));
    out->BitBtnClose->click();
    QTRY_VERIFY(!out);
  }

  // Where the window's handling differs: no compiler, a declined void
  // question, a program that does not start, a crash.
  void failedRunsLeaveNothingBehind() {
    auto mesh = Mesh(121, 121);
    mesh->SetCell(3, 3, kVoid);
    const QString notExe = dir_.filePath("plain.txt");
    WriteAll(notExe, "just text");
    struct TCase {
      const char* path;
      const char* mode;
      QString message, status;
    } cases[] = {
        {"nothere.exe", "",
         "Please, inform the location of Resample in\nProgram Preferences (Files and Folders).",
         ""},
        {"", "", "The current mesh has voids (null elevation data).\nProceed anyway?", ""},
        {"plain.txt", "", "Could not create BGL file.", ""},
        {"", "crash", "", "Resample stopped abnormally. No BGL file has been created."},
    };
    for (const TCase& c : cases) {
      TMessageRecorder rec;
      rec.QueueAnswers({!c.message.contains("voids")});
      TBglCommandEnv env = Env(*mesh);
      if (*c.path) env.ResamplePath = dir_.filePath(c.path).toStdString();
      qputenv("STANDIN_MODE", c.mode);
      QFile::remove(dir_.filePath("N48W123_N47W122.bgl"));
      QPointer<TFormResampleOutput> w = Run(env);
      if (!c.status.isEmpty()) {
        QVERIFY(w && w->BitBtnClose->isEnabled() && w->LabelStatus->text() == c.status);
        w->close();
      }
      QTRY_VERIFY(!w);
      if (!c.message.isEmpty()) QCOMPARE(rec.Texts().last(), c.message);
      QVERIFY2(!TempFilesExist(env.TempDir), c.mode);
    }
    qunsetenv("STANDIN_MODE");
  }

  // A hanging compiler is stopped from its output window, or by closing the window that started it.
  void stuckCompilerCanBeStopped() {
    auto mesh = Mesh(121, 121);
    TMessageRecorder rec;
    qputenv("STANDIN_DURATION_MS", "120000");
    TFormViewMesh owner;
    TBglCommandEnv env = Env(*mesh);
    for (bool byClose : {false, true}) {
      QTimer::singleShot(300, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* out = qobject_cast<TFormResampleOutput*>(w); out && out->IsRunning())
            byClose ? void(owner.close()) : out->BitBtnStop->click();
      });
      if (byClose) owner.show(), env.Owner = &owner;
      QPointer<TFormResampleOutput> w = Run(env);
      QVERIFY(byClose || w->LabelStatus->text() == "Resample was stopped.");
      if (w) w->close();
    }
    QCOMPARE(rec.Texts().last(), QString("Resample is still running. Stop it and exit?"));
    QTRY_VERIFY(!owner.isVisible());
    qputenv("STANDIN_DURATION_MS", "300");
  }
};

DELVA_TEST_MAIN(FormViewMeshTest)
#include "form_view_mesh_test.moc"
