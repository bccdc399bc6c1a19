// The File menu's elevation-model commands through the window: a GeoTIFF made
// by GDAL's own tool is loaded, saved back as HGT tiles and as GeoTIFF.

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>

#include "support/ui/message_recorder.h"
#include "support/ui/modal_driver.h"
#include "support/ui/test_files.h"
#include "ui/commands/dem_commands.h"
#include "ui/dialogs/form_dem_load.h"
#include "ui/main/form_view_mesh.h"

class FormViewMeshDemTest : public QObject {
  Q_OBJECT

  static bool Gdal(const QString& command) {
    return std::system(qPrintable("{ " + command + "; } >/dev/null 2>&1")) == 0;
  }

 private slots:
  void loadSplitAndSave() {
#ifndef DELVA_HAVE_GDAL
    QSKIP("built without GDAL");
#endif
    const QString tile = SharedFile("srtm/nomilous-srtm/S33E018.hgt");
    if (tile.isEmpty()) QSKIP("shared test data not found");
    QTemporaryDir dir;
    if (!Gdal("gdal_translate " + tile + " " + dir.filePath("s33.tif")) ||
        !Gdal("gdalwarp -t_srs EPSG:32734 -tr 90 90 " + tile + " " + dir.filePath("utm.tif")))
      QSKIP("GDAL command-line tools not found");
    TMessageRecorder rec;
    TFormViewMesh f;
    QVERIFY(f.miOpenDEM->isEnabled() && !f.miSaveAsHgtTiles->isEnabled());

    // Projected: resampling is offered at the source's density and cannot be
    // turned off.
    {
      TDialogAnswers answers({dir.filePath("utm.tif")});
      OnNextDialog<TFormDemLoad>([](TFormDemLoad& d) {
        QVERIFY(d.CheckBoxWarp->isChecked() && !d.CheckBoxWarp->isEnabled());
        QCOMPARE(d.SpinEditDensity->value(), 1200);
        d.reject();
      });
      f.miOpenDEMClick();
      QVERIFY(!f.Mesh);
    }
    {
      TDialogAnswers answers({dir.filePath("s33.tif")});
      OnNextDialog<TFormDemLoad>([](TFormDemLoad& d) { d.accept(); });
      f.miOpenDEMClick();
    }
    QVERIFY2(f.Mesh, qPrintable(rec.Texts().join("|")));
    QCOMPARE(int(f.Mesh->Kind), 2);
    QCOMPARE(f.Mesh->MinLat, -33.0f);
    QVERIFY(f.miSaveAsHgtTiles->isEnabled() && !f.miOpenDEM->isEnabled());

    QTemporaryDir out;
    TFolderChooser previous =
        SetTileFolderChooser([&](QWidget*, const QString&) { return out.path(); });
    f.miSaveAsHgtTilesClick();
    SetTileFolderChooser(previous);
    QCOMPARE(rec.Texts(), QStringList{"1 HGT tiles written."});
    QCOMPARE(ReadAll(out.filePath("S33E018.hgt")), ReadAll(tile));

    {
      TDialogAnswers answers({out.filePath("again.tif")});
      f.miSaveAsGeoTiffClick();
    }
    QVERIFY(Gdal("gdal_translate -of SRTMHGT " + out.filePath("again.tif") + " " +
                 out.filePath("S33E018.HGT")));
    QCOMPARE(ReadAll(out.filePath("S33E018.HGT")), ReadAll(tile));
  }
};

QTEST_MAIN(FormViewMeshDemTest)
#include "form_view_mesh_dem_test.moc"
