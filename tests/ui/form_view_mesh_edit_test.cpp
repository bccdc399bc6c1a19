// The edit commands of the main window driven end to end: dialogs answered
// offscreen, the selection contract, snapshots, the undo warning, Undo, Esc.

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include "core/edit/interpol.h"
#include "core/edit/undo_list.h"
#include "core/settings/prog_cfg.h"
#include "support/mesh_helpers.h"
#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "support/ui/test_main.h"
#include "ui/dialogs/form_edit_ops.h"
#include "ui/dialogs/form_interpol.h"
#include "ui/main/form_view_mesh.h"

namespace {

constexpr int16_t kVoid = -32768;

// 200 x 150 cells of 10 * (x % 50) + y % 7; voids on row 100, columns 20..179.
std::unique_ptr<TTMesh> Mesh() {
  TTestMeshLayout s;
  s.Cols = 200;
  s.Rows = 150;
  return MakeTestMesh(s, [](int32_t x, int32_t y) {
    return y == 100 && x >= 20 && x < 180 ? kVoid : int16_t(10 * (x % 50) + y % 7);
  });
}

// A closed diamond around (100, 100) reaching 40 cells each way.
void SelectDiamond(TFormViewMesh& f) {
  f.PolySel.Clear();
  for (auto [x, y] : {std::pair{100, 60}, {140, 100}, {100, 140}, {60, 100}, {100, 60}})
    f.PolySel.AddPoint(x, y);
  f.PolySel.Closed = true;
  f.EnableSelectionCommands(true);
}

template <typename Dialog>
void Answer(std::function<void(Dialog*)> fill) {
  OnNextModal([fill](QWidget* w) {
    auto* d = qobject_cast<Dialog*>(w);
    QVERIFY(d);
    fill(d);
    d->accept();
  });
}

}  // namespace

class FormViewMeshEditTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ResetRememberedEditValues();
    ResetRememberedInterpolValues();
    ProgCfg.MaxMemUndo = 16;
    ProgCfg.WarnNoUndo = true;
  }

  void polygonOffsetChangesOnlyInsideAndUndoRestores() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh()));
    QVERIFY(!f.miUndo->isEnabled());
    const auto before = CopySamples(*f.Mesh);
    SelectDiamond(f);
    Answer<TFormAddVertOffset>([](auto* d) { d->SpinEditVertOffset->setValue(1000); });
    f.miAddVertOffsetClick();
    TTCellMask inside;
    f.PolySel.RenderMask(inside);
    int changed = 0;
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) {
        const int16_t was = before[size_t(y) * 200 + x];
        const bool moves = inside.Get(x, y) && was != kVoid;
        QCOMPARE(f.Mesh->GetCell(x, y), int16_t(moves ? was + 1000 : was));
        changed += moves;
      }
    QVERIFY(changed > 3000);
    QVERIFY(rec.Texts().isEmpty());
    QVERIFY(f.PolySel.Closed);                                          // stays selected
    QCOMPARE(f.UndoList->NewestRect(), (TCellRect{60, 140, 60, 140}));  // the bounds
    QVERIFY(f.miUndo->isEnabled() && f.ToolButtonUndo->isEnabled());
    f.miUndoClick();
    QCOMPARE(CopySamples(*f.Mesh), before);
    QVERIFY(!f.miUndo->isEnabled() && !f.ToolButtonUndo->isEnabled());
    QVERIFY(!f.PolySel.Closed);

    f.Mesh->SelRect = TCellRect{0, 9, 0, 9};  // clipping is reported afterwards
    Answer<TFormAddVertOffset>([](auto* d) { d->SpinEditVertOffset->setValue(-40000); });
    f.miAddVertOffsetClick();
    QCOMPARE(rec.Texts(), QStringList{"Some elevation samples have been clipped."});
    QCOMPARE(rec.Entries().front().kind, TMsgKind::Warning);
    QCOMPARE(f.Mesh->GetCell(5, 5), kVoid);
    QCOMPARE(f.Mesh->GetCell(10, 5), before[5 * 200 + 10]);
  }

  void undoWarning() {
    TMessageRecorder rec;
    TTestMeshLayout s;
    s.Cols = 1024;
    s.Rows = 520;  // 1064960 bytes: just over 1 MiB
    ProgCfg.MaxMemUndo = 1;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(MakeTestMesh(s, [](int32_t, int32_t) { return int16_t(5); })));
    rec.QueueAnswers({false});
    Answer<TFormFillRect>([](auto* d) { d->SpinEditFillingVal->setValue(9); });
    f.miFillSelectionClick();
    QCOMPARE(rec.Texts(),
             QStringList{"The operation cannot be undone because\nthe undo memory limit has been "
                         "reached.\n\n(You can increase the undo memory\nlimit in the Preferences "
                         "menu)\n\nDo you wish to proceed anyway?"});
    QCOMPARE(f.Mesh->GetCell(0, 0), int16_t(5));  // declined: nothing changed
    QVERIFY(f.MouseInputEnabled);
    rec.Clear();
    rec.QueueAnswers({true});
    f.SpinEditFillVal->setValue(-3);
    f.ToolButtonFillAllClick();
    QCOMPARE(rec.Texts().size(), 1);
    QCOMPARE(f.Mesh->GetCell(1023, 519), int16_t(-3));  // went ahead unrecorded
    QVERIFY(!f.miUndo->isEnabled());
    // Limit 0 (undo off) never asks, even with the warning switched on.
    rec.Clear();
    f.UndoList->SetLimit(0);
    ProgCfg.MaxMemUndo = 0;
    f.ToolButtonFillKeepVoidsClick();
    QVERIFY(rec.Texts().isEmpty());
    QCOMPARE(f.Mesh->GetCell(0, 0), int16_t(-3));
  }

  void polygonFillDropsThePolygonCancelKeepsIt() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh()));
    const auto before = CopySamples(*f.Mesh);
    SelectDiamond(f);
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    f.miFillSelectionClick();
    QCOMPARE(CopySamples(*f.Mesh), before);
    QVERIFY(f.PolySel.Closed);  // still the selection for the next command
    f.SpinEditFillVal->setValue(55);
    f.ToolButtonFillVoidsOnlyClick();
    QCOMPARE(f.Mesh->GetCell(100, 100), int16_t(55));
    QCOMPARE(f.Mesh->GetCell(59, 100), kVoid);  // a void outside the polygon
    QCOMPARE(f.Mesh->GetCell(100, 99), before[99 * 200 + 100]);
    QCOMPARE(f.PolySel.Count, 0);
    QVERIFY(!f.PolySel.Closed);
    f.miUndoClick();
    QCOMPARE(CopySamples(*f.Mesh), before);
  }

  void restrictAndChangeOnARectangleUndoNewestFirst() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh()));
    const auto before = CopySamples(*f.Mesh);
    Answer<TFormRestrictHeight>([](auto* d) { d->SpinEditUpper->setValue(1); });
    f.miRestrictHeightClick();  // no box checked: nothing, no snapshot
    QCOMPARE(f.UndoList->Count(), 0);
    f.Mesh->SelRect = TCellRect{10, 19, 95, 104};
    Answer<TFormRestrictHeight>([](auto* d) { d->CheckBoxUpper->setChecked(true); });
    f.miRestrictHeightClick();  // upper limit 1, remembered from the last dialog
    QCOMPARE(f.Mesh->GetCell(15, 97), int16_t(1));
    QCOMPARE(f.Mesh->GetCell(25, 97), before[97 * 200 + 25]);
    QCOMPARE(f.Mesh->SelRect, (TCellRect{10, 19, 95, 104}));
    Answer<TFormMeshChangeVal>([](auto* d) {
      d->SpinEditOrgValue->setValue(1);
      d->SpinEditNewValue->setValue(2);
    });
    f.miChangeValClick();
    QCOMPARE(f.Mesh->GetCell(15, 97), int16_t(2));
    f.miUndoClick();
    QCOMPARE(f.Mesh->GetCell(15, 97), int16_t(1));
    QVERIFY(f.miUndo->isEnabled());
    f.miUndoClick();
    QCOMPARE(CopySamples(*f.Mesh), before);
  }

  void interpolationInsidePolygon() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh()));
    const auto before = CopySamples(*f.Mesh);
    SelectDiamond(f);
    f.AbortRequested = true;  // an old Esc must not stop the new run
    Answer<TFormInterpolNearestNei>([](auto* d) {
      d->SpinEditRadius->setValue(3);
      d->MaskEditPower->setText("2");
    });
    f.miInterpolNearestNeighborClick();
    QVERIFY(rec.Texts().isEmpty());
    auto expected = Mesh();  // the core operation over bounds and mask
    TTCellMask mask;
    f.PolySel.RenderMask(mask);
    QVERIFY(InterpolNearestNei(*expected, f.PolySel.Bounds, 3, nullptr, &mask, 2.0));
    QCOMPARE(CopySamples(*f.Mesh), CopySamples(*expected));
    QCOMPARE(f.Mesh->GetCell(59, 100), kVoid);
    QVERIFY(f.PolySel.Closed);
    QVERIFY(f.UserInputEnabled());
    f.miUndoClick();
    QCOMPARE(CopySamples(*f.Mesh), before);
  }

  // Esc, or closing the window, during the run: the run stops, the window and
  // its mesh stay, Undo restores.
  void escapeOrCloseStopsTheInterpolation() {
    for (bool close : {false, true}) {
      TMessageRecorder rec;
      TTestMeshLayout s;
      s.Cols = 1201;
      s.Rows = 400;
      TFormViewMesh f;
      QVERIFY(f.AttachMesh(MakeTestMesh(
          s, [](int32_t x, int32_t y) { return y % 4 == 1 ? kVoid : int16_t(x + y); })));
      const auto before = CopySamples(*f.Mesh);
      OnNextModal([&f, close](QWidget* w) {
        auto* d = qobject_cast<TFormInterpolNearestNei*>(w);
        d->SpinEditRadius->setValue(60);
        d->accept();
        // Reaches the window at the run's first look at the event queue.
        QEvent* e = close ? static_cast<QEvent*>(new QCloseEvent)
                          : new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::postEvent(&f, e);
      });
      f.miInterpolNearestNeighborClick();
      QVERIFY(f.AbortRequested);
      QVERIFY(f.Mesh);
      QCOMPARE(f.Mesh->GetCell(600, 397), kVoid);  // stopped before the last rows
      QVERIFY(f.UserInputEnabled());
      f.miUndoClick();
      QCOMPARE(CopySamples(*f.Mesh), before);
    }
  }
};

DELVA_TEST_MAIN(FormViewMeshEditTest)
#include "form_view_mesh_edit_test.moc"
