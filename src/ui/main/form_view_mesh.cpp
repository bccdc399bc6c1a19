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
#include "core/mesh/poly_raster.h"
#include "core/settings/prog_cfg.h"
#include "core/view/cursor_readout.h"
#include "core/view/mesh_image.h"
#include "core/view/view_geometry.h"
#include "ui/dialogs/form_about.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/icons.h"
#include "ui/widgets/message_box.h"

int TFormViewMesh::TestBitmapFailure = 0;

namespace {
QString& TempDirStorage() {
  static QString dir;
  return dir;
}

const QColor kAqua(0, 255, 255);
const QColor kYellow(255, 255, 0);
}  // namespace

// ------------------------------------------------------------------ globals

namespace {
QString ProgramFolder() {
  // DELVA_PROGRAM_DIR stands in for the executable's folder, so test runs
  // side by side each get their own temp folder and settings file.
  const QString folder = qEnvironmentVariable("DELVA_PROGRAM_DIR");
  return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

QString DefaultTempDir() {
  // "temp" beside the executable for a portable install; else the user's
  // cache folder, as an installed program cannot write beside itself.
  const QString exeDir = ProgramFolder();
  const QString base = QFileInfo(exeDir).isWritable()
                           ? exeDir
                           : QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  return QDir(base).filePath("temp");
}
}  // namespace

const QString& TempDir() {
  // Commands run before the window was first shown (tests) still get the
  // folder; it is created when a file is extracted into it.
  if (TempDirStorage().isEmpty()) TempDirStorage() = DefaultTempDir();
  return TempDirStorage();
}
std::string TempDirUtf8() { return TempDir().toStdString(); }

std::string SettingsFolder() {
  static const std::string folder = ChooseSettingsFolder(
      ProgramFolder().toStdString(),
      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString());
  return folder;
}

// -------------------------------------------------------------- construction

TFormViewMesh::TFormViewMesh(QWidget* parent) : QMainWindow(parent) { FormCreate(); }

TFormViewMesh::~TFormViewMesh() {
  qApp->removeEventFilter(this);
  DestroyUndoList();
  CloseHelpWindows();
}

void TFormViewMesh::FormCreate() {
  setObjectName("FormViewMesh");
  // Numbers are written with "." whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  setWindowTitle(QString::fromUtf8(AppName));
  setMinimumSize(800, 600);
  resize(800, 600);

  ScrollBoxMesh = new TMeshView(this);
  setCentralWidget(ScrollBoxMesh);
  BuildMenus();
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
  mFile->addSeparator();
  miSaveAsHGX =
      AddItem(mFile, "miSaveAsHGX", "Save Mesh to HGX...", &TFormViewMesh::miSaveAsHGXClick);
  miSaveAsRaw =
      AddItem(mFile, "miSaveAsRaw", "Save Mesh to Raster...", &TFormViewMesh::miSaveAsRawClick);
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
  mView->addSeparator();
  miShowGrid = AddItem(mView, "miShowGrid", "Show 1-degree Grid", &TFormViewMesh::miShowGridClick);
  miShowGrid->setCheckable(true);
  mView->addSeparator();
  miRecompTerrainColors = AddItem(mView, "miRecompTerrainColors", "Recompute Gray Scale",
                                  &TFormViewMesh::miRecompTerrainColorsClick);

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
  TempDirStorage() = DefaultTempDir();
  if (!QDir().mkpath(TempDirStorage()))
    ShowMessage(this, TMsgKind::Warning, "Cannot create temporary directory.");
  LoadStartupConfiguration();
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

void TFormViewMesh::SetMeshState() {
  if (!Mesh) return;
  QString name = QString::fromStdString(Mesh->FileName);
  if (!name.trimmed().isEmpty()) {
    // Both separators end a folder part, whatever the host.
    QString base = name.mid(std::max(name.lastIndexOf('/'), name.lastIndexOf('\\')) + 1);
    setWindowTitle(QString::fromUtf8(AppName) + " - " + base);
  }
  for (QAction* a : {miOpenSingleHGT, miOpenMultiHGT, miOpenHGX, miOpenRaster})
    a->setEnabled(false);
  for (QAction* a :
       {miSaveAsHGX, miSaveAsRaw, miSaveAsBMP, miMeshInfo, miCreateBGLFromCurrentMesh, miCloseMesh,
        miCopyToClipboard, miAddVertOffset, miChangeVal, miRestrictHeight,
        miInterpolNearestNeighbor, miZoom->menuAction(), miRecompTerrainColors, miSeaAsBlue,
        ToolButtonInfo, ToolButtonZoomIn, ToolButtonZoomOut, ToolButtonSelRect, ToolButtonSelPoly})
    a->setEnabled(true);
  LabelZoom->setEnabled(true);
  ToolButtonSelRect->setChecked(true);
  bool grid = MeshSpansMoreThanOneDegree();
  miShowGrid->setEnabled(grid);
  ToolButtonShowGrid->setEnabled(grid);
  LabelCursor->setVisible(true);
  paint_box_visible_ = true;
  ScrollBoxMesh->viewport()->update();
  miHatchAdjoQuad->setVisible(Mesh->HasAdjoBands());
}

void TFormViewMesh::SetNoMeshState() {
  for (QAction* a : {miOpenSingleHGT, miOpenMultiHGT, miOpenHGX, miOpenRaster}) a->setEnabled(true);
  for (QAction* a : {miSaveAsHGX,
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
                     miRecompTerrainColors,
                     miZoom->menuAction(),
                     miSeaAsBlue,
                     ToolButtonInfo,
                     ToolButtonZoomIn,
                     ToolButtonZoomOut,
                     ToolButtonZoom1x,
                     ToolButtonSelRect,
                     ToolButtonSelPoly,
                     miUndo,
                     ToolButtonUndo})
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

bool TFormViewMesh::AttachMesh(std::unique_ptr<TTMesh> mesh) {
  if (!mesh) return false;
  if (Mesh) CloseMesh();  // a load is offered only without a mesh; keep one at most
  Mesh = std::move(mesh);
  CreateUndoList();
  Mesh->UpdateStats(Progress.get());
  Mesh->ColorMax = Mesh->MaxElev;
  Mesh->ColorMin = Mesh->MinElev;

  QString error;
  int failure = TestBitmapFailure;
  TestBitmapFailure = 0;
  if (failure == 0) {
    MeshBitmap = QImage(Mesh->Cols, Mesh->Rows, QImage::Format_Indexed8);
    if (MeshBitmap.isNull()) failure = 1;
  }
  if (failure == 0) {
    const TTPalette& pal = MeshPalette();
    MeshBitmap.setColorTable(QList<QRgb>(pal.begin(), pal.end()));
    MaskBitmap.Reset(TCellRect{});
  }
  if (failure != 0) {
    error = failure == 1 ? "Error creating bitmaps.\nNot enough memory available."
                         : "Error creating bitmaps.";
    CloseMesh();
    ShowMessage(this, TMsgKind::Error, error);
    return false;
  }
  SetPaintBoxSize(Mesh->Cols, Mesh->Rows);
  ScrollBoxMesh->SetScroll(0, 0);
  RecolorSelRect();
  SetMeshState();
  return true;
}

void TFormViewMesh::CloseMesh() {
  SetNoMeshState();
  DestroyUndoList();
  Mesh.reset();
  MeshBitmap = QImage();
  MaskBitmap.Reset(TCellRect{});
  RectDragging = false;
  RectSelected = false;
  PolySel.Clear();
  DragStart = QPoint(-1, -1);
  DragEnd = QPoint(0, 0);
  ScrollBoxMesh->viewport()->unsetCursor();
  Zoom = 1;
  msiZoom1x->setChecked(true);
  SetPaintBoxSize(0, 0);
}

void TFormViewMesh::miCloseMeshClick() { CloseMesh(); }

void TFormViewMesh::miExitClick() { close(); }

bool TFormViewMesh::FormCloseQuery() {
  if (Mesh &&
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
  if (!Mesh || Mesh->Samples.Empty() || MeshBitmap.isNull()) return;
  uint8_t* bits = MeshBitmap.bits();
  const ptrdiff_t stride = MeshBitmap.bytesPerLine();
  ColorCells(*Mesh, Mesh->SelRect, miSeaAsBlue->isChecked(), bits, stride);
  if (Mesh->HasAdjoBands() && miHatchAdjoQuad->isChecked())
    HatchAdjoBands(*Mesh, HatchIndex(), bits, stride);
}

void TFormViewMesh::RecolorRect(const TCellRect& rect) {
  if (!Mesh) return;
  TCellRect saved = Mesh->SelRect;
  Mesh->SelRect = rect;
  RecolorSelRect();
  Mesh->SelRect = saved;
}

void TFormViewMesh::miRecompTerrainColorsClick() {
  if (!Mesh) return;
  TWaitCursor wait;
  Mesh->UpdateStats(Progress.get());
  Mesh->ColorMax = Mesh->MaxElev;
  Mesh->ColorMin = Mesh->MinElev;
  RecolorSelRect();
  PaintMesh();
}

void TFormViewMesh::miSeaAsBlueClick() {
  miSeaAsBlue->setChecked(!miSeaAsBlue->isChecked());
  TWaitCursor wait;
  RecolorSelRect();
  PaintMesh();
}

void TFormViewMesh::miHatchAdjoQuadClick() {
  TWaitCursor wait;
  RecolorSelRect();
  PaintMesh();
}

// -------------------------------------------------------- zoom and paint

void TFormViewMesh::SetPaintBoxSize(int w, int h) {
  paint_box_w_ = w;
  paint_box_h_ = h;
  ScrollBoxMesh->SetContentSize(w, h);
}

void TFormViewMesh::PaintMesh() {
  if (MeshBitmap.isNull()) return;
  ScrollBoxMesh->RepaintNow();
}

void TFormViewMesh::ApplyZoom(int newZoom) {
  QScrollBar* h = ScrollBoxMesh->horizontalScrollBar();
  QScrollBar* v = ScrollBoxMesh->verticalScrollBar();
  const int ph = h->value(), eh = h->maximum();
  const int pv = v->value(), ev = v->maximum();
  Zoom = newZoom;
  if (Mesh)
    SetPaintBoxSize(int(ZoomedExtent(Mesh->Cols, Zoom)), int(ZoomedExtent(Mesh->Rows, Zoom)));
  {
    TWaitCursor wait;
    if (eh > 0) h->setValue(int(KeepRelativeScroll(ph, eh, h->maximum())));
    if (ev > 0) v->setValue(int(KeepRelativeScroll(pv, ev, v->maximum())));
    PaintMesh();
  }
}

void TFormViewMesh::ShowZoomLabel() { LabelZoom->setText(QString::fromStdString(ZoomLabel(Zoom))); }

void TFormViewMesh::UpdateZoomButtons() {
  ToolButtonZoomIn->setEnabled(Zoom <= 8);
  ToolButtonZoomOut->setEnabled(Zoom >= -16);
  ToolButtonZoom1x->setEnabled(Zoom != 1);
}

void TFormViewMesh::SetZoom(int newZoom) {
  int i = ZoomIndex(newZoom);
  if (i < 0) return;
  ZoomItems[i]->setChecked(true);
  ApplyZoom(newZoom);
  UpdateZoomButtons();
  ShowZoomLabel();
}

void TFormViewMesh::msiZoom1div32xClick() { SetZoom(-32); }
void TFormViewMesh::msiZoom1div16xClick() { SetZoom(-16); }
void TFormViewMesh::msiZoom1div8xClick() { SetZoom(-8); }
void TFormViewMesh::msiZoom1div4xClick() { SetZoom(-4); }
void TFormViewMesh::msiZoom1div2xClick() { SetZoom(-2); }
void TFormViewMesh::msiZoom1xClick() { SetZoom(1); }
void TFormViewMesh::msiZoom2xClick() { SetZoom(2); }
void TFormViewMesh::msiZoom4xClick() { SetZoom(4); }
void TFormViewMesh::msiZoom8xClick() { SetZoom(8); }
void TFormViewMesh::msiZoom16xClick() { SetZoom(16); }

void TFormViewMesh::ToolButtonZoomInClick() {
  if (!Mesh || Zoom == 16) return;
  SetZoom(ZoomInFrom(Zoom));
}

void TFormViewMesh::ToolButtonZoomOutClick() {
  if (!Mesh || Zoom == -32) return;
  SetZoom(ZoomOutFrom(Zoom));
}

void TFormViewMesh::ToolButtonZoom1xClick() {
  if (!Mesh) return;
  SetZoom(1);
}

bool TFormViewMesh::GridShown() const {
  return ToolButtonShowGrid->isChecked() && MeshSpansMoreThanOneDegree();
}

void TFormViewMesh::ToolButtonShowGridClick() {
  miShowGrid->setChecked(ToolButtonShowGrid->isChecked());
  PaintMesh();
}

void TFormViewMesh::miShowGridClick() {
  ToolButtonShowGrid->setChecked(miShowGrid->isChecked());
  PaintMesh();
}

namespace {
// An outline of the pixel rectangle (l, t)-(r, b) as the selection shows it.
void DrawSelRectOutline(QPainter& p, int64_t l, int64_t t, int64_t r, int64_t b, int zoom) {
  if (zoom <= 1) {
    p.fillRect(QRectF(l, t, r - l + 1, 1), kAqua);
    p.fillRect(QRectF(l, b, r - l + 1, 1), kAqua);
    p.fillRect(QRectF(l, t, 1, b - t + 1), kAqua);
    p.fillRect(QRectF(r, t, 1, b - t + 1), kAqua);
    return;
  }
  if (!(zoom < r - l && zoom < b - t)) return;
  p.fillRect(QRectF(l, t, r + zoom - l, zoom), kAqua);
  p.fillRect(QRectF(r, t, zoom, b + zoom - t), kAqua);
  p.fillRect(QRectF(l, b, r + zoom - l, zoom), kAqua);
  p.fillRect(QRectF(l, t, zoom, b + zoom - t), kAqua);
}

QPointF VertexPixel(const TTCellPoint& v, int zoom, double half) {
  return QPointF(double(CellToPixel(v.X, zoom)) + half, double(CellToPixel(v.Y, zoom)) + half);
}
}  // namespace

void TFormViewMesh::PaintArea(QImage& target, int px, int py) {
  const QColor background = palette().color(QPalette::Window);
  if (MeshBitmap.isNull() || !paint_box_visible_) {
    target.fill(background);
    return;
  }
  {
    // Only the parts of the view beyond the paint box show the background;
    // the rest is written once, by the sampling below.
    const int boxRight = paint_box_w_ - px, boxBottom = paint_box_h_ - py;
    QPainter bg(&target);
    if (boxRight < target.width())
      bg.fillRect(QRect(std::max(boxRight, 0), 0, target.width(), target.height()), background);
    if (boxBottom < target.height())
      bg.fillRect(QRect(0, std::max(boxBottom, 0), target.width(), target.height()), background);
  }

  TTViewSampler s;
  s.Image = MeshBitmap.constBits();
  s.ImageStride = MeshBitmap.bytesPerLine();
  s.ImageWidth = MeshBitmap.width();
  s.ImageHeight = MeshBitmap.height();
  s.Zoom = Zoom;
  s.Palette = MeshPalette().data();
  SampleView(s, px, py, target.width(), target.height(), reinterpret_cast<uint32_t*>(target.bits()),
             target.bytesPerLine() / 4);

  QPainter p(&target);
  p.translate(-px, -py);
  if (RectSelected && Mesh) {
    TPixelRect r = ScaleRect(Mesh->SelRect, Zoom);
    DrawSelRectOutline(p, r.Left, r.Top, r.Right, r.Bottom, Zoom);
  }
  if (RectDragging) {
    int l = std::min(DragStart.x(), DragEnd.x()), r = std::max(DragStart.x(), DragEnd.x());
    int t = std::min(DragStart.y(), DragEnd.y()), b = std::max(DragStart.y(), DragEnd.y());
    if (r > l && b > t) DrawSelRectOutline(p, l, t, r, b, Zoom);
  }
  if (PolySel.Count > 0) {
    const int w = Zoom >= 2 ? Zoom : 1;
    // Lines through pixel centres for a one-pixel pen, along the block's
    // middle for a wider one.
    const double half = w / 2.0;
    QPen pen(kAqua, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    for (int32_t i = 1; i < PolySel.Count; ++i)
      p.drawLine(VertexPixel(PolySel.Points[i - 1], Zoom, half),
                 VertexPixel(PolySel.Points[i], Zoom, half));
    if (PolySel.Count == 1) p.drawPoint(VertexPixel(PolySel.Points[0], Zoom, half));
    if (!PolySel.Closed)
      p.drawLine(VertexPixel(PolySel.Points[PolySel.Count - 1], Zoom, half),
                 VertexPixel(PolySel.RubberEnd, Zoom, half));
  }
  if (GridShown() && Mesh) {
    TGridLines g = ComputeGridLines(Mesh->ColsPerDeg, Mesh->RowsPerDeg, Mesh->Cols, Mesh->Rows,
                                    Zoom, paint_box_w_, paint_box_h_);
    const int w = g.PenWidth;
    const int64_t lo = w / 2;
    for (int64_t y : g.Horizontal)
      if (y + w > py && y - w < py + target.height())
        p.fillRect(QRectF(0, y - lo, g.EndX + 1, w), kYellow);
    for (int64_t x : g.Vertical)
      if (x + w > px && x - w < px + target.width())
        p.fillRect(QRectF(x - lo, 0, w, g.EndY + 1), kYellow);
  }
}

// ------------------------------------------------------------ selection

int TFormViewMesh::PixelToCol(int x) const {
  return Mesh ? PixelToCellClamped(x, Zoom, Mesh->Cols) : 0;
}
int TFormViewMesh::PixelToRow(int y) const {
  return Mesh ? PixelToCellClamped(y, Zoom, Mesh->Rows) : 0;
}
int TFormViewMesh::Snap(int v) const { return int(SnapPixel(v, Zoom)); }

void TFormViewMesh::ClearCursorLabel() { LabelCursor->clear(); }

void TFormViewMesh::Unselect() {
  if (!Mesh) return;
  ScrollBoxMesh->viewport()->unsetCursor();
  RectSelected = false;
  RectDragging = false;
  PolySel.Clear();
  Mesh->SelRect = Mesh->GridRect;
  EnableSelectionCommands(false);
  PaintMesh();
}

void TFormViewMesh::miUnselectClick() { Unselect(); }

void TFormViewMesh::ToolButtonSelRectClick() {
  ToolButtonSelRect->setChecked(true);
  Unselect();
  ScrollBoxMesh->viewport()->unsetCursor();
}

void TFormViewMesh::ToolButtonSelPolyClick() {
  ToolButtonSelPoly->setChecked(true);
  Unselect();
  ScrollBoxMesh->viewport()->unsetCursor();
}

void TFormViewMesh::msiGeoRefFmt_DMClick() {
  msiGeoRefFmt_DM->setChecked(true);
  GeoRefFormat = 1;
}

void TFormViewMesh::msiGeoRefFmt_DClick() {
  msiGeoRefFmt_D->setChecked(true);
  GeoRefFormat = 2;
}

TFormViewMesh::TEditSelection TFormViewMesh::EditSelection() {
  TEditSelection sel;
  if (!Mesh) return sel;
  if (PolySel.Closed && PolySel.Count > 0) {
    // A polygon closed on its first vertex alone has fewer than three
    // vertices: its mask holds just the cells of its outline (one cell)
    // instead of whatever an earlier polygon left there.
    MaskBitmap.Reset(PolySel.Bounds);
    RasterizePolygon(PolySel.Points.data(), PolySel.Count, MaskBitmap);
    sel.Rect = PolySel.Bounds;
    sel.Mask = &MaskBitmap;
  } else {
    sel.Rect = Mesh->SelRect;
  }
  return sel;
}

void TFormViewMesh::PaintBoxMeshMouseDown(Qt::MouseButton button, int x, int y) {
  if (!Mesh || !MouseInputEnabled || !user_input_enabled_ || button != Qt::LeftButton) return;
  if (x < 0 || y < 0 || x >= paint_box_w_ || y >= paint_box_h_) return;
  x = Snap(x);
  y = Snap(y);
  const int c = PixelToCol(x), r = PixelToRow(y);
  Mesh->SelRect = Mesh->GridRect;
  QWidget* vp = ScrollBoxMesh->viewport();
  if (ToolButtonSelPoly->isChecked()) {
    if (PolySel.Closed) {
      Unselect();
      vp->setCursor(PolygonCursor());
      ClearCursorLabel();
      PolySel.AddPoint(c, r);
      PolySel.RubberEnd = {c, r};
      PaintMesh();
      return;
    }
    vp->setCursor(PolygonCursor());
    ClearCursorLabel();
    if (PolySel.Count > 0) {
      const TTCellPoint& f = PolySel.Points[0];
      double dx = double(CellToPixel(f.X, Zoom)) - x, dy = double(CellToPixel(f.Y, Zoom)) - y;
      if (std::sqrt(dx * dx + dy * dy) <= 7.0) {
        PolySel.AddPoint(f.X, f.Y);
        PolySel.Closed = true;
        EnableSelectionCommands(true);
        vp->unsetCursor();
        PaintMesh();
        return;
      }
    }
    PolySel.AddPoint(c, r);
    PolySel.RubberEnd = {c, r};
    PaintMesh();
    return;
  }
  Unselect();
  DragStart = DragEnd = QPoint(x, y);
  RectDragging = true;
  vp->setCursor(Qt::SizeAllCursor);
}

void TFormViewMesh::PaintBoxMeshMouseMove(int X, int Y) {
  if (!Mesh || !MouseInputEnabled) return;
  if (UndoList) UpdateUndoDebugLabel();
  int x = Snap(X), y = Snap(Y);
  if (PolySel.Count > 0 && !PolySel.Closed) {
    ScrollBoxMesh->viewport()->setCursor(PolygonCursor());
    PolySel.RubberEnd = {PixelToCol(x), PixelToRow(y)};
    ScrollBoxMesh->viewport()->update();
  } else if (RectDragging) {
    ClearCursorLabel();
    x = std::clamp(x, 0, std::max(0, paint_box_w_ - 1));
    y = std::clamp(y, 0, std::max(0, paint_box_h_ - 1));
    DragEnd = QPoint(x, y);
    ScrollBoxMesh->viewport()->update();
    return;
  }
  if (X < 0 || Y < 0 || X >= paint_box_w_ || Y >= paint_box_h_) {
    // Over the scroll area outside the paint box.
    ClearCursorLabel();
    return;
  }
  UpdateReadout(X, Y);
}

void TFormViewMesh::UpdateReadout(int X, int Y) {
  LabelCursor->setText(
      QString::fromStdString(CursorReadout(*Mesh, PixelToCol(X), PixelToRow(Y), GeoRefFormat)));
}

void TFormViewMesh::PaintBoxMeshMouseUp(Qt::MouseButton button, int, int) {
  if (!Mesh || !MouseInputEnabled || button != Qt::LeftButton || !RectDragging) return;
  int l = std::min(DragStart.x(), DragEnd.x()), r = std::max(DragStart.x(), DragEnd.x());
  int t = std::min(DragStart.y(), DragEnd.y()), b = std::max(DragStart.y(), DragEnd.y());
  if (r - l > 0 && b - t > 0) {
    Mesh->SelRect = TCellRect{int32_t(PixelToCell(l, Zoom)), int32_t(PixelToCell(r, Zoom)),
                              int32_t(PixelToCell(t, Zoom)), int32_t(PixelToCell(b, Zoom))};
    RectSelected = true;
    EnableSelectionCommands(true);
  }
  RectDragging = false;
  ScrollBoxMesh->viewport()->unsetCursor();
  ScrollBoxMesh->viewport()->update();
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
