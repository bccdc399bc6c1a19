// "Fill Voids..." end to end: the dialog's fields reach the core fill, the
// dialog comes back with the counts, Undo restores, a bad second model is
// refused with a message and changes nothing.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include "core/edit/fill_voids.h"
#include "core/settings/prog_cfg.h"
#include "support/mesh_helpers.h"
#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "ui/dialogs/form_fill_voids.h"
#include "ui/main/form_view_mesh.h"

namespace {

// 120 x 90 cells of a tilted plane; voids on row 40, columns 10..109.
std::unique_ptr<TTMesh> Mesh() {
  TTestMeshLayout s;
  s.Cols = 120;
  s.Rows = 90;
  return MakeTestMesh(s, [](int32_t x, int32_t y) {
    return y == 40 && x >= 10 && x < 110 ? int16_t(-32768) : int16_t(3 * x + y);
  });
}

}  // namespace

class FormFillVoidsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ResetRememberedFillVoidsValues();
    ProgCfg.MaxMemUndo = 16;
  }

  void splineRunShowsCountsAndUndoes() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh()));
    const auto before = CopySamples(*f.Mesh);
    QString result;
    OnNextDialog<TFormFillVoids>([&result](TFormFillVoids& d) {
      d.ComboBoxMethod->setCurrentIndex(1);
      d.CheckBoxMaxVoid->setChecked(true);
      d.SpinEditMaxVoid->setValue(100);
      OnNextDialog<TFormFillVoids>([&result](TFormFillVoids& again) {
        result = again.LabelResult->text();
        again.reject();
      });
      d.accept();
    });
    f.miFillVoidsClick();
    QCOMPARE(result, QString("Filled 100 void cells, 0 left."));
    auto expected = Mesh();
    TTFillRequest q;
    q.Method = TFillMethod::Spline;
    QVERIFY(FillVoids(*expected, expected->GridRect, nullptr, q, nullptr, nullptr));
    QCOMPARE(CopySamples(*f.Mesh), CopySamples(*expected));
    QVERIFY(rec.Texts().isEmpty());
    QVERIFY(f.miUndo->isEnabled());
    f.miUndoClick();
    QCOMPARE(CopySamples(*f.Mesh), before);
  }

  void missingSecondModelIsRefused() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(Mesh()));
    const auto before = CopySamples(*f.Mesh);
    OnNextDialog<TFormFillVoids>([](TFormFillVoids& d) {
      d.ComboBoxMethod->setCurrentIndex(2);
      d.EditSecondDem->setText("/nonexistent/N00E000.hgt");
      OnNextDialog<TFormFillVoids>([](TFormFillVoids& again) { again.reject(); });
      d.accept();
    });
    f.miFillVoidsClick();
    QCOMPARE(rec.Texts().size(), 1);
    QCOMPARE(CopySamples(*f.Mesh), before);
    QVERIFY(!f.miUndo->isEnabled());
  }
};

QTEST_MAIN(FormFillVoidsTest)
#include "form_fill_voids_test.moc"
