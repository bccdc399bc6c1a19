#include "ui/main/form_view_mesh.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <clocale>
#include <cmath>

#include "core/base/app_name.h"
#include "core/document/command_endings.h"
#include "core/mesh/poly_raster.h"
#include "core/settings/prog_cfg.h"
#include "core/view/cursor_readout.h"
#include "core/view/mesh_image.h"
#include "core/view/view_geometry.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_resample_output.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/icons.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/mnemonics.h"
#include "ui/widgets/private_temp.h"
#include "ui/widgets/ui_state.h"

// -------------------------------------------------------------- construction

TFormViewMesh::TFormViewMesh(QWidget* parent) : QMainWindow(parent) { FormCreate(); }

TFormViewMesh::~TFormViewMesh() {
  qApp->removeEventFilter(this);
  MeshBitmap = QImage();
  Doc.Close();
  CloseHelpWindows();
}

void TFormViewMesh::FormCreate() {
  setObjectName("FormViewMesh");
  // Numbers are written with "." whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  setWindowTitle(QString::fromUtf8(AppName));
  setMinimumSize(800, 600);
  setAcceptDrops(true);
  resize(800, 600);

  ScrollBoxMesh = new TMeshView(this);
  setCentralWidget(ScrollBoxMesh);
  BuildMenus();
  AddMnemonics(menuBar());
  BuildToolBar();
  BuildStatusLine();

  Progress = std::make_unique<TTWindowProgress>(ProgressBar, LabelProgress, &AbortRequested);
  SetNoMeshState();
  // Key preview: the window sees every key before the focused control.
  qApp->installEventFilter(this);
}

QAction* TFormViewMesh::AddItem(QMenu* menu, const char* name, const QString& caption,
                                void (TFormViewMesh::*slot)(), const QKeySequence& shortcut) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  connect(a, &QAction::triggered, this, slot);
  return a;
}

void TFormViewMesh::BuildMenus() {
  QMenuBar* bar = menuBar();
  // A menu and its item share the name.
  auto named = [](QMenu* m, const char* name) {
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
  };
  auto top = [&](const char* name, const char* caption) {
    return named(bar->addMenu(QString::fromUtf8(caption)), name);
  };
  mFile = top("mFile", "File");
  miOpenSingleHGT =
      AddItem(mFile, "miOpenSingleHGT", "Load Single HGT...", &TFormViewMesh::miOpenSingleHGTClick);
  miOpenMultiHGT =
      AddItem(mFile, "miOpenMultiHGT", "Load Multiple HGT...", &TFormViewMesh::miOpenMultiHGTClick);
  miOpenHGX = AddItem(mFile, "miOpenHGX", "Load HGX...", &TFormViewMesh::miOpenHGXClick);
  miOpenRaster =
      AddItem(mFile, "miOpenRaster", "Load Raster...", &TFormViewMesh::miOpenRasterClick);
  miOpenDEM = AddItem(mFile, "miOpenDEM", "Load DEM...", &TFormViewMesh::miOpenDEMClick);
  miOpenMultiDEM =
      AddItem(mFile, "miOpenMultiDEM", "Load Multiple DEM...", &TFormViewMesh::miOpenMultiDEMClick);
  miRecentFiles = named(mFile->addMenu("Recent Files"), "miRecentFiles");
  connect(miRecentFiles, &QMenu::aboutToShow, this, &TFormViewMesh::FillRecentFiles);
  mFile->addSeparator();
  miSaveAsHGX =
      AddItem(mFile, "miSaveAsHGX", "Save Mesh to HGX...", &TFormViewMesh::miSaveAsHGXClick);
  miSaveAsRaw =
      AddItem(mFile, "miSaveAsRaw", "Save Mesh to Raster...", &TFormViewMesh::miSaveAsRawClick);
  miSaveAsGeoTiff = AddItem(mFile, "miSaveAsGeoTiff", "Save Mesh to GeoTIFF...",
                            &TFormViewMesh::miSaveAsGeoTiffClick);
  miSaveAsHgtTiles = AddItem(mFile, "miSaveAsHgtTiles", "Save Mesh as HGT Tiles...",
                             &TFormViewMesh::miSaveAsHgtTilesClick);
  miSaveAsBMP =
      AddItem(mFile, "miSaveAsBMP", "Save Mesh to BMP...", &TFormViewMesh::miSaveAsBMPClick);
  mFile->addSeparator();
  miMeshInfo = AddItem(mFile, "miMeshInfo", "Mesh Information", &TFormViewMesh::miMeshInfoClick);
  mFile->addSeparator();
  miCmpHGTedges =
      AddItem(mFile, "miCmpHGTedges", "Compare HGT Edges...", &TFormViewMesh::miCmpHGTedgesClick);
  cmp_separator_ = mFile->addSeparator();
  miCloseMesh = AddItem(mFile, "miCloseMesh", "Close Mesh", &TFormViewMesh::miCloseMeshClick);
  mFile->addSeparator();
  miExit = AddItem(mFile, "miExit", "Exit", &TFormViewMesh::miExitClick);
  miCmpHGTedges->setVisible(false);
  cmp_separator_->setVisible(false);

  mEdit = top("mEdit", "Edit");
  miUndo = AddItem(mEdit, "miUndo", "Undo", &TFormViewMesh::miUndoClick,
                   QKeySequence(Qt::CTRL | Qt::Key_Z));
  miRedo = AddItem(mEdit, "miRedo", "Redo", &TFormViewMesh::miRedoClick);
  miRedo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  mEdit->addSeparator();
  miUnselect = AddItem(mEdit, "miUnselect", "Unselect", &TFormViewMesh::miUnselectClick,
                       QKeySequence(Qt::CTRL | Qt::Key_S));
  mEdit->addSeparator();
  miFillSelection =
      AddItem(mEdit, "miFillSelection", "Fill Selection...", &TFormViewMesh::miFillSelectionClick,
              QKeySequence(Qt::CTRL | Qt::Key_F));
  mEdit->addSeparator();
  miCopyToClipboard = AddItem(mEdit, "miCopyToClipboard", "Copy Image to Clipboard",
                              &TFormViewMesh::miCopyToClipboardClick);

  mOperations = top("mOperations", "Operations");
  miAddVertOffset = AddItem(mOperations, "miAddVertOffset", "Add Elevation Offset...",
                            &TFormViewMesh::miAddVertOffsetClick);
  miChangeVal = AddItem(mOperations, "miChangeVal", "Change Elevation Value...",
                        &TFormViewMesh::miChangeValClick);
  miRestrictHeight = AddItem(mOperations, "miRestrictHeight", "Restrict Lower/Upper Elevation...",
                             &TFormViewMesh::miRestrictHeightClick);
  mOperations->addSeparator();
  miInterpolNearestNeighbor =
      AddItem(mOperations, "miInterpolNearestNeighbor", "Interpolate Voids...",
              &TFormViewMesh::miInterpolNearestNeighborClick);
  miFillVoids =
      AddItem(mOperations, "miFillVoids", "Fill Voids...", &TFormViewMesh::miFillVoidsClick);

  mFS = top("mFS", "Flight Simulator");
  miCreateBGLFromCurrentMesh = AddItem(mFS, "miCreateBGLFromCurrentMesh", "Create BGL...",
                                       &TFormViewMesh::miCreateBGLFromCurrentMeshClick);

  mView = top("mView", "View");
  miZoom = named(mView->addMenu("Zoom"), "miZoom");
  auto* zoomGroup = new QActionGroup(this);
  struct ZoomDef {
    const char* name;
    const char* caption;
    void (TFormViewMesh::*slot)();
  };
  const ZoomDef defs[10] = {
      {"msiZoom1div32x", "1/32 x", &TFormViewMesh::msiZoom1div32xClick},
      {"msiZoom1div16x", "1/16 x", &TFormViewMesh::msiZoom1div16xClick},
      {"msiZoom1div8x", "1/8 x", &TFormViewMesh::msiZoom1div8xClick},
      {"msiZoom1div4x", "1/4 x", &TFormViewMesh::msiZoom1div4xClick},
      {"msiZoom1div2x", "1/2 x", &TFormViewMesh::msiZoom1div2xClick},
      {"msiZoom1x", "1 x", &TFormViewMesh::msiZoom1xClick},
      {"msiZoom2x", "2 x", &TFormViewMesh::msiZoom2xClick},
      {"msiZoom4x", "4 x", &TFormViewMesh::msiZoom4xClick},
      {"msiZoom8x", "8 x", &TFormViewMesh::msiZoom8xClick},
      {"msiZoom16x", "16 x", &TFormViewMesh::msiZoom16xClick},
  };
  for (int i = 0; i < 10; ++i) {
    QAction* a = AddItem(miZoom, defs[i].name, defs[i].caption, defs[i].slot);
    a->setCheckable(true);
    zoomGroup->addAction(a);
    ZoomItems[i] = a;
  }
  msiZoom1div32x = ZoomItems[0];
  msiZoom1div16x = ZoomItems[1];
  msiZoom1div8x = ZoomItems[2];
  msiZoom1div4x = ZoomItems[3];
  msiZoom1div2x = ZoomItems[4];
  msiZoom1x = ZoomItems[5];
  msiZoom2x = ZoomItems[6];
  msiZoom4x = ZoomItems[7];
  msiZoom8x = ZoomItems[8];
  msiZoom16x = ZoomItems[9];
  msiZoom1x->setChecked(true);
  miZoomToFit = AddItem(mView, "miZoomToFit", "Zoom to Fit", &TFormViewMesh::miZoomToFitClick);
  miZoomToSelection = AddItem(mView, "miZoomToSelection", "Zoom to Selection",
                              &TFormViewMesh::miZoomToSelectionClick);
  mView->addSeparator();
  miShowGrid = AddItem(mView, "miShowGrid", "Show 1-degree Grid", &TFormViewMesh::miShowGridClick);
  miShowGrid->setCheckable(true);
  mView->addSeparator();
  miRecompTerrainColors = AddItem(mView, "miRecompTerrainColors", "Recompute Gray Scale",
                                  &TFormViewMesh::miRecompTerrainColorsClick);
  miHillshade = AddItem(mView, "miHillshade", "Hillshade", &TFormViewMesh::miHillshadeClick);
  miHillshade->setCheckable(true);

  mPreferences = top("mPreferences", "Preferences");
  miGeoRefFmt = named(mPreferences->addMenu("Cursor Geo. Ref. Format"), "miGeoRefFmt");
  auto* fmtGroup = new QActionGroup(this);
  msiGeoRefFmt_DM = AddItem(miGeoRefFmt, "msiGeoRefFmt_DM", QString::fromUtf8("N 59° 59'. 99"),
                            &TFormViewMesh::msiGeoRefFmt_DMClick);
  msiGeoRefFmt_D =
      AddItem(miGeoRefFmt, "msiGeoRefFmt_D", "+59.9999", &TFormViewMesh::msiGeoRefFmt_DClick);
  for (QAction* a : {msiGeoRefFmt_DM, msiGeoRefFmt_D}) {
    a->setCheckable(true);
    fmtGroup->addAction(a);
  }
  msiGeoRefFmt_DM->setChecked(true);
  miHatchAdjoQuad = AddItem(mPreferences, "miHatchAdjoQuad", "Hatch Adjacent Tiles",
                            &TFormViewMesh::miHatchAdjoQuadClick);
  miHatchAdjoQuad->setCheckable(true);
  miHatchAdjoQuad->setChecked(true);
  miHatchAdjoQuad->setVisible(false);
  // This item toggles itself in its handler (so the handler can be run
  // directly); a click must not toggle it a second time.
  miSeaAsBlue = mPreferences->addAction("Zero Height and Below as Blue");
  miSeaAsBlue->setObjectName("miSeaAsBlue");
  miSeaAsBlue->setCheckable(true);
  miSeaAsBlue->setChecked(true);
  connect(miSeaAsBlue, &QAction::triggered, this, [this](bool checked) {
    miSeaAsBlue->setChecked(!checked);
    miSeaAsBlueClick();
  });
  mPreferences->addSeparator();
  miMorePrefs =
      AddItem(mPreferences, "miMorePrefs", "More Preferences", &TFormViewMesh::miMorePrefsClick);

  mHelp = top("mHelp", "Help");
  miProgHelp = AddItem(mHelp, "miProgHelp", QString::fromUtf8(AppName) + " Help",
                       &TFormViewMesh::miProgHelpClick);
  mHelp->addSeparator();
  miAbout = AddItem(mHelp, "miAbout", "About " + QString::fromUtf8(AppName),
                    &TFormViewMesh::miAboutClick);
}

void TFormViewMesh::BuildToolBar() {
  ToolBarMain = addToolBar("ToolBarMain");
  ToolBarMain->setObjectName("ToolBarMain");
  ToolBarMain->setMovable(false);
  ToolBarMain->setFloatable(false);
  ToolBarMain->setIconSize(QSize(20, 20));
  ToolBarMain->setContextMenuPolicy(Qt::PreventContextMenu);
  ToolBarMain->toggleViewAction()->setVisible(false);

  auto button = [&](const char* name, const char* hint, const char* icon,
                    void (TFormViewMesh::*slot)()) {
    QAction* a = ToolBarMain->addAction(ToolIcon(icon), QString::fromUtf8(hint));
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(QString::fromUtf8(hint));
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  ToolButtonInfo =
      button("ToolButtonInfo", "Mesh Info", "info", &TFormViewMesh::ToolButtonInfoClick);
  ToolBarMain->addSeparator();
  ToolButtonZoomIn =
      button("ToolButtonZoomIn", "Zoom in", "zoom_in", &TFormViewMesh::ToolButtonZoomInClick);
  ToolButtonZoomOut =
      button("ToolButtonZoomOut", "Zoom out", "zoom_out", &TFormViewMesh::ToolButtonZoomOutClick);
  LabelZoom = new QLabel("1x");
  LabelZoom->setObjectName("LabelZoom");
  LabelZoom->setAlignment(Qt::AlignCenter);
  LabelZoom->setMinimumWidth(36);
  LabelZoom->setToolTip("Zoom level");
  ToolBarMain->addWidget(LabelZoom);
  ToolButtonZoom1x =
      button("ToolButtonZoom1x", "Zoom 1x", "zoom_1x", &TFormViewMesh::ToolButtonZoom1xClick);
  ToolBarMain->addSeparator();
  auto* selGroup = new QActionGroup(this);
  ToolButtonSelRect = button("ToolButtonSelRect", "Rectangular selection", "sel_rect",
                             &TFormViewMesh::ToolButtonSelRectClick);
  ToolButtonSelPoly = button("ToolButtonSelPoly", "Polygonal selection", "sel_poly",
                             &TFormViewMesh::ToolButtonSelPolyClick);
  for (QAction* a : {ToolButtonSelRect, ToolButtonSelPoly}) {
    a->setCheckable(true);
    selGroup->addAction(a);
  }
  ToolButtonSelRect->setChecked(true);
  ToolBarMain->addSeparator();
  ToolButtonUndo = button("ToolButtonUndo", "Undo", "undo", &TFormViewMesh::ToolButtonUndoClick);
  ToolButtonRedo = button("ToolButtonRedo", "Redo", "redo", &TFormViewMesh::miRedoClick);
  ToolBarMain->addSeparator();
  SpinEditFillVal = new QSpinBox;
  SpinEditFillVal->setObjectName("SpinEditFillVal");
  SpinEditFillVal->setRange(-32768, 32767);
  SpinEditFillVal->setValue(0);
  SpinEditFillVal->setMinimumWidth(70);
  SpinEditFillVal->setToolTip("Fill value");
  SpinEditFillVal->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  ToolBarMain->addWidget(SpinEditFillVal);
  ToolButtonFillAll =
      button("ToolButtonFillAll", "Fill all", "fill_all", &TFormViewMesh::ToolButtonFillAllClick);
  ToolButtonFillKeepVoids = button("ToolButtonFillKeepVoids", "Fill all except voids",
                                   "fill_keep_voids", &TFormViewMesh::ToolButtonFillKeepVoidsClick);
  ToolButtonFillVoidsOnly = button("ToolButtonFillVoidsOnly", "Fill voids only", "fill_voids_only",
                                   &TFormViewMesh::ToolButtonFillVoidsOnlyClick);
  ToolBarMain->addSeparator();
  ToolButtonShowGrid = button("ToolButtonShowGrid", "Show/Hide 1-degree grid", "grid",
                              &TFormViewMesh::ToolButtonShowGridClick);
  ToolButtonShowGrid->setCheckable(true);
  LabelUndoDebug = new QLabel;
  LabelUndoDebug->setObjectName("LabelUndoDebug");
  LabelUndoDebug->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  undo_debug_action_ = ToolBarMain->addWidget(LabelUndoDebug);
  undo_debug_action_->setVisible(false);
}

void TFormViewMesh::BuildStatusLine() {
  QStatusBar* sb = statusBar();
  sb->setSizeGripEnabled(true);
  LabelCursor = new QLabel;
  LabelCursor->setObjectName("LabelCursor");
  LabelCursor->setMinimumWidth(481);
  sb->addWidget(LabelCursor, 1);
  LabelSelection = new QLabel;
  LabelSelection->setObjectName("LabelSelection");
  sb->addWidget(LabelSelection);
  LabelEnding = new QLabel;
  LabelEnding->setObjectName("LabelEnding");
  sb->addWidget(LabelEnding);
  LabelLegend = new QLabel;
  LabelLegend->setObjectName("LabelLegend");
  sb->addPermanentWidget(LabelLegend);
  LabelProgress = new QLabel;
  LabelProgress->setObjectName("LabelProgress");
  LabelProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LabelProgress->setMinimumWidth(91);
  sb->addPermanentWidget(LabelProgress);
  ProgressBar = new QProgressBar;
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setRange(0, 100);
  ProgressBar->setTextVisible(false);
  ProgressBar->setFixedSize(177, 13);
  ProgressBar->setVisible(false);
  sb->addPermanentWidget(ProgressBar);
}

// --------------------------------------------------------------- start-up

void TFormViewMesh::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_once_) {
    shown_once_ = true;
    FormShow();
  }
}

void TFormViewMesh::FormShow() {
  setWindowTitle(QString::fromUtf8(AppName));
  // A folder of our own inside it: another running editor clears only its own.
  if (!ChooseEditorTempDir()) {
    ShowMessage(this, TMsgKind::Warning, "Cannot create temporary directory.");
  }
  LoadStartupConfiguration();
  restoreGeometry(SavedWindowGeometry());
}

void TFormViewMesh::LoadStartupConfiguration() {
  StartUpProgCfg(ProgCfg, SettingsFolder());
  // Undo off: the undo command stays disabled (it is, until an edit).
  if (ProgCfg.MaxMemUndo == 0) EnableUndoCommands(false);
}

QString TFormViewMesh::ConfiguredHGTFolder() const {
  return QString::fromStdString(ProgCfg.HGTFolder);
}

// ------------------------------------------------------------ mesh state

bool TFormViewMesh::MeshSpansMoreThanOneDegree() const {
  return Mesh && (Mesh->MaxLat - Mesh->MinLat > 1.0 || Mesh->MaxLon - Mesh->MinLon > 1.0);
}

std::vector<QAction*> TFormViewMesh::MeshCommands() const {
  return {miSaveAsHGX,
          miSaveAsRaw,
          miSaveAsBMP,
          miMeshInfo,
          miCreateBGLFromCurrentMesh,
          miCloseMesh,
          miCopyToClipboard,
          miAddVertOffset,
          miChangeVal,
          miRestrictHeight,
          miInterpolNearestNeighbor,
          miFillVoids,
          miRecompTerrainColors,
          miZoom->menuAction(),
          miZoomToFit,
          miZoomToSelection,
          miHillshade,
          miSeaAsBlue,
          ToolButtonInfo,
          ToolButtonZoomIn,
          ToolButtonZoomOut,
          ToolButtonSelRect,
          ToolButtonSelPoly};
}

void TFormViewMesh::SetMeshState() {
  if (!Mesh) return;
  UpdateTitle();
  for (QAction* a :
       {miOpenSingleHGT, miOpenMultiHGT, miOpenHGX, miOpenRaster, miRecentFiles->menuAction()})
    a->setEnabled(false);
  for (QAction* a : MeshCommands()) a->setEnabled(true);
  LabelZoom->setEnabled(true);
  ToolButtonSelRect->setChecked(true);
  bool grid = MeshSpansMoreThanOneDegree();
  miShowGrid->setEnabled(grid);
  ToolButtonShowGrid->setEnabled(grid);
  LabelCursor->setVisible(true);
  paint_box_visible_ = true;
  ScrollBoxMesh->viewport()->update();
  miHatchAdjoQuad->setVisible(Mesh->HasAdjoBands());
  UpdateLegend();
  EnableDemCommands(true);
}

void TFormViewMesh::SetNoMeshState() {
  for (QAction* a :
       {miOpenSingleHGT, miOpenMultiHGT, miOpenHGX, miOpenRaster, miRecentFiles->menuAction()})
    a->setEnabled(true);
  EnableDemCommands(false);
  for (QAction* a : MeshCommands()) a->setEnabled(false);
  // Zoom 1x, undo and redo come on by themselves once there is something to do.
  for (QAction* a : {ToolButtonZoom1x, miUndo, ToolButtonUndo, miRedo, ToolButtonRedo})
    a->setEnabled(false);
  miShowGrid->setChecked(false);
  miShowGrid->setEnabled(false);
  ToolButtonShowGrid->setChecked(false);
  ToolButtonShowGrid->setEnabled(false);
  LabelZoom->setText("1x");
  LabelZoom->setEnabled(false);
  SpinEditFillVal->setValue(0);
  EnableSelectionCommands(false);
  LabelCursor->setVisible(false);
  LabelCursor->clear();
  paint_box_visible_ = false;
  ScrollBoxMesh->viewport()->update();
  miHatchAdjoQuad->setChecked(true);
  miHatchAdjoQuad->setVisible(false);
  UpdateLegend();
  setWindowTitle(QString::fromUtf8(AppName));
}

void TFormViewMesh::EnableSelectionCommands(bool on) {
  for (QAction* a : {miUnselect, miFillSelection, ToolButtonFillAll, ToolButtonFillKeepVoids,
                     ToolButtonFillVoidsOnly})
    a->setEnabled(on);
  SpinEditFillVal->setEnabled(on);
}

void TFormViewMesh::EnableUserInput(bool on) {
  user_input_enabled_ = on;
  for (QMenu* m : {mFile, mEdit, mOperations, mFS, mView, mPreferences, mHelp})
    m->menuAction()->setEnabled(on);
  ToolBarMain->setEnabled(on);
}

void TFormViewMesh::EnableUndoCommands(bool on) {
  miUndo->setEnabled(on);
  ToolButtonUndo->setEnabled(on);
}

bool TFormViewMesh::AttachMesh(std::unique_ptr<TTMesh> mesh, TTMissingTiles missing) {
  if (!mesh) return false;
  if (Mesh) CloseMesh();  // a load is offered only without a mesh; keep one at most
  Doc.SeaAsBlue = miSeaAsBlue->isChecked();
  Doc.HatchBands = miHatchAdjoQuad->isChecked();
  TTDocument::TAttach result =
      Doc.Attach(std::move(mesh), ProgCfg.MaxMemUndo, Progress.get(), std::move(missing));
  if (result == TTDocument::TAttach::Ok) {
    const TTImageBuffer& img = Doc.ImageBuffer();
    MeshBitmap = QImage(img.Bits.get(), img.Width, img.Height, img.Stride, QImage::Format_Indexed8);
    if (MeshBitmap.isNull()) result = TTDocument::TAttach::ImageFailed;
  }
  if (result != TTDocument::TAttach::Ok) {
    CloseMesh();
    ShowMessage(this, TMsgKind::Error,
                result == TTDocument::TAttach::NoMemory
                    ? "Error creating bitmaps.\nNot enough memory available."
                    : "Error creating bitmaps.");
    return false;
  }
  const TTPalette& pal = MeshPalette();
  MeshBitmap.setColorTable(QList<QRgb>(pal.begin(), pal.end()));
  SetPaintBoxSize(Mesh->Cols, Mesh->Rows);
  ScrollBoxMesh->SetScroll(0, 0);
  // The document coloured the image while attaching.
  SetMeshState();
  return true;
}

void TFormViewMesh::CloseMesh() {
  SetNoMeshState();
  // The image wrapper goes before the buffer it wraps.
  MeshBitmap = QImage();
  Doc.Close();
  RectDragging = false;
  DragStart = QPoint(-1, -1);
  DragEnd = QPoint(0, 0);
  ScrollBoxMesh->viewport()->unsetCursor();
  Zoom = 1;
  msiZoom1x->setChecked(true);
  SetPaintBoxSize(0, 0);
}

void TFormViewMesh::miCloseMeshClick() {
  if (AskSaveChanges()) CloseMesh();
}

void TFormViewMesh::miExitClick() { close(); }

bool TFormViewMesh::FormCloseQuery() {
  // "Exit?" only when the save question was not asked.
  const bool saveAsked = Mesh && Doc.Modified();
  if (!AskSaveChanges()) return false;
  if (Mesh && !saveAsked &&
      !ShowMessage(this, TMsgKind::Confirmation, "Exit " + QString::fromUtf8(AppName) + "?"))
    return false;
  QClipboard* cb = QGuiApplication::clipboard();
  const QMimeData* md = cb ? cb->mimeData() : nullptr;
  if (md && md->hasImage() &&
      ShowMessage(this, TMsgKind::Confirmation,
                  "There is a bitmap in the Clipboard.\n\nDo you wish to clear the Clipboard?"))
    cb->clear();
  return true;
}

void TFormViewMesh::closeEvent(QCloseEvent* event) {
  if (StopResampleBeforeClose(this)) {
    event->ignore();
    return;
  }
  // A long operation is running below us (its loop pumps events): closing
  // now would free the mesh under it. Ask it to stop instead.
  if (!user_input_enabled_) {
    AbortRequested = true;
    event->ignore();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  CloseMesh();
  SaveWindowGeometry(saveGeometry());
  event->accept();
}

// ------------------------------------------------------------------ keys

bool TFormViewMesh::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
    // The mouse over the tool bar or the window's background is over no cell.
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w != ScrollBoxMesh->viewport() &&
        (w == this || w == ToolBarMain || ToolBarMain->isAncestorOf(w)))
      ClearCursorLabel();
  }
  if (event->type() == QEvent::Shortcut && !user_input_enabled_) {
    // Menu shortcuts (Ctrl+Z, Ctrl+S, Ctrl+F) would still fire from a
    // disabled menu bar while a long operation pumps events.
    auto* a = qobject_cast<QAction*>(watched);
    if (a && findChildren<QAction*>().contains(a)) return true;
  }
  if (event->type() == QEvent::KeyPress) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->window() == this) {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (FormKeyDown(ke->key(), ke->modifiers())) {
        // The scroll area would scroll a second time; other controls still
        // see the arrows (a spin box steps as well, as the key preview lets it).
        bool arrow = ke->key() == Qt::Key_Left || ke->key() == Qt::Key_Right ||
                     ke->key() == Qt::Key_Up || ke->key() == Qt::Key_Down;
        if (!arrow || w == ScrollBoxMesh || w == ScrollBoxMesh->viewport() || w == this)
          return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TFormViewMesh::FormKeyDown(int key, Qt::KeyboardModifiers mods) {
  const int step = 4 * std::abs(Zoom);
  QScrollBar* h = ScrollBoxMesh->horizontalScrollBar();
  QScrollBar* v = ScrollBoxMesh->verticalScrollBar();
  switch (key) {
    case Qt::Key_Escape:
      AbortRequested = true;
      if (Mesh) Unselect();
      return true;
    case Qt::Key_Left:
      h->setValue(h->value() - step);
      return true;
    case Qt::Key_Right:
      h->setValue(h->value() + step);
      return true;
    case Qt::Key_Up:
      v->setValue(v->value() - step);
      return true;
    case Qt::Key_Down:
      v->setValue(v->value() + step);
      return true;
    case Qt::Key_Q:
      if ((mods & Qt::ControlModifier) && (mods & Qt::AltModifier)) {
        miCmpHGTedges->setVisible(true);
        cmp_separator_->setVisible(true);
        undo_debug_action_->setVisible(true);
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool TFormViewMesh::DebugItemsShown() const { return undo_debug_action_->isVisible(); }

// ------------------------------------------------------------- image

void TFormViewMesh::RecolorSelRect() {
  if (Mesh) RecolorRect(Mesh->SelRect);
}

void TFormViewMesh::RecolorRect(const TCellRect& rect) {
  if (MeshBitmap.isNull()) return;
  Doc.SeaAsBlue = miSeaAsBlue->isChecked();
  Doc.HatchBands = miHatchAdjoQuad->isChecked();
  Doc.Recolor(rect);
}

void TFormViewMesh::miRecompTerrainColorsClick() {
  if (!Mesh) return;
  TWaitCursor wait;
  Doc.SeaAsBlue = miSeaAsBlue->isChecked();
  Doc.HatchBands = miHatchAdjoQuad->isChecked();
  StartCommandClock();
  Doc.RecomputeColors(Progress.get());
  PaintMesh();
  UpdateLegend();
  ShowEnding(QString::fromStdString(
      CommandEndText("Gray scale recomputed", TEnding::Done, CommandSeconds())));
}

void TFormViewMesh::miSeaAsBlueClick() {
  miSeaAsBlue->setChecked(!miSeaAsBlue->isChecked());
  TWaitCursor wait;
  // The whole mesh: a rectangle recoloured alone would leave two seas.
  if (Mesh) RecolorRect(Mesh->GridRect);
  PaintMesh();
}

void TFormViewMesh::miHatchAdjoQuadClick() {
  TWaitCursor wait;
  RecolorSelRect();
  PaintMesh();
}

// ---------------------------------------------------------- forwarders

void TFormViewMesh::ToolButtonInfoClick() { miMeshInfoClick(); }
void TFormViewMesh::ToolButtonUndoClick() { miUndoClick(); }

// ---------------------------------------------------------- help, about

void TFormViewMesh::miProgHelpClick() { ShowHelpTopic(this, QStringLiteral("index.htm")); }

void TFormViewMesh::miAboutClick() {
  TFormAbout about(this);
  about.exec();
}
