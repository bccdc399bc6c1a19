// Raw, BMP and clipboard export, and the edge comparison, driven through the
// main window's commands.

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "core/formats/raster_rules.h"
#include "core/view/mesh_image.h"
#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "support/ui/test_files.h"
#include "support/ui/test_main.h"
#include "ui/dialogs/form_raster.h"
#include "ui/main/form_view_mesh.h"

namespace {
uint32_t U32(const QByteArray& b, int at) {
  return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
}  // namespace

class FormViewMeshExportTest : public QObject {
  Q_OBJECT

  // 2 x 2 degrees of 3 arc-second cells, some voids, a north band.
  static std::unique_ptr<TTMesh> TestMesh() {
    TTestMeshLayout s;
    s.Cols = 61;
    s.Rows = 43;
    s.MinLat = 44, s.MaxLat = 46, s.MinLon = -122, s.MaxLon = -120;
    s.RowsPerDeg = s.ColsPerDeg = 20;
    s.AdjoNorth = 11;
    s.FileName = "";
    return MakeTestMesh(s, [](int32_t x, int32_t y) {
      return (x + y) % 17 == 0 ? int16_t(-32768) : int16_t(x * 10 - y * 3);
    });
  }

 private slots:
  void rawExport() {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.raw");
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(TestMesh()));
    TDialogAnswers dlg({path, dir.filePath("no/x.raw")});
    int voidShown = 0;
    auto save = [&](TFormSaveAsRaw& d) {
      voidShown = d.SpinEditVoidVal->value();
      d.BitBtnSelectClick();
      d.BitBtnSave->click();
    };
    OnNextDialog<TFormSaveAsRaw>(save);
    f.miSaveAsRawClick();
    QVERIFY(rec.Texts().isEmpty());
    QCOMPARE(dlg.requests[0].proposedName, QString("N46W122_N44W120_43R_61C"));
    QCOMPARE(voidShown, -32768);
    QCOMPARE(ReadAll(path).size(), 61 * 43 * 2);

    // A folder that does not exist: nothing is written.
    OnNextDialog<TFormSaveAsRaw>(save);
    f.miSaveAsRawClick();
    QCOMPARE(rec.Texts(), QStringList{"Could not create file."});
    QVERIFY(f.UserInputEnabled());
  }

  void bmpExportHoldsTheImageWithItsHatch() {
    QTemporaryDir dir;
    const QString path = dir.filePath("img.bmp");
    WriteAll(path, "old");
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(TestMesh()));
    TDialogAnswers dlg({path, dir.filePath("no/img.bmp")});
    f.miSaveAsBMPClick();
    QVERIFY(rec.Texts().isEmpty());
    QCOMPARE(dlg.requests[0].proposedName, QString("N46W122_N44W120"));

    const QByteArray b = ReadAll(path);
    const int stride = 64;  // 61 padded to a multiple of 4
    QCOMPARE(b.size(), 1078 + stride * 43);
    const TTPalette& pal = MeshPalette();
    for (int i : {0, 100, 254, 255}) QCOMPARE(U32(b, 54 + 4 * i), pal[i] & 0x00FFFFFFu);
    bool hatchSeen = false;
    for (int y = 0; y < 43; ++y) {
      const uchar* row = f.MeshBitmap.constScanLine(y);
      const int at = 1078 + (42 - y) * stride;
      for (int x = 0; x < 61; ++x) QCOMPARE(uchar(b[at + x]), row[x]);
      if (y < 11) hatchSeen = hatchSeen || row[0] == HatchIndex();
    }
    QVERIFY(hatchSeen);  // the band's outline is part of the saved image

    // An unwritable target: the error, and menus back on.
    f.miSaveAsBMPClick();
    QCOMPARE(rec.Texts().size(), 1);
    QVERIFY(rec.Texts()[0].startsWith("Cannot create file"));
    QVERIFY(f.UserInputEnabled());
  }

  void clipboardCopy() {
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.AttachMesh(TestMesh()));
    f.Zoom = 4;  // the copy is one pixel per cell whatever the zoom
    f.miCopyToClipboardClick();
    QCOMPARE(rec.Texts(), QStringList{"The mesh image has been copied to the Clipboard."});
    QCOMPARE(rec.Entries()[0].kind, TMsgKind::Information);
    const QImage img = QApplication::clipboard()->image();
    QCOMPARE(img.size(), QSize(61, 43));
    QCOMPARE(img.pixel(5, 30), f.MeshBitmap.pixel(5, 30));
    QApplication::clipboard()->clear();
  }

  void compareEdges() {
    const QString north = SharedFile("srtm/nomilous-srtm/S33E018.hgt");
    const QString south = SharedFile("srtm/nomilous-srtm/S34E018.hgt");
    if (north.isEmpty() || south.isEmpty()) QSKIP("shared test data not found");
    TMessageRecorder rec;
    TFormViewMesh f;
    TDialogAnswers dlg({south, north});
    f.miCmpHGTedgesClick();
    QCOMPARE(dlg.requests[1].title, QString("Select the second HGT (left or top neighbour)"));
    QCOMPARE(rec.Texts(), (QStringList{"S34E018.hgt left column <> S33E018.hgt right column",
                                       "S34E018.hgt top row = S33E018.hgt bottom row"}));
    QVERIFY(!f.Mesh);  // the current mesh is neither needed nor made

    QTemporaryDir dir;
    WriteAll(dir.filePath("big.hgt"), "x");
    rec.Clear();
    dlg.answers = QStringList{dir.filePath("big.hgt")};
    f.miCmpHGTedgesClick();
    QCOMPARE(rec.Texts(), QStringList{"Invalid file size"});
    rec.Clear();
    dlg.answers = QStringList{south};  // the second dialog is cancelled
    f.miCmpHGTedgesClick();
    QVERIFY(rec.Texts().isEmpty());
  }
};

DELVA_TEST_MAIN(FormViewMeshExportTest)
#include "form_view_mesh_export_test.moc"
