#pragma once

// TFormViewMesh: the editor's main window. It builds the menus, the tool bar
// and the status line, wires each action to its command and repaints. What
// it shows and edits is the document (Doc, core/document/document.h): mesh,
// undo list, selection and image; Mesh, PolySel, MaskBitmap, RectSelected and
// UndoList below are names for the document's own members, and MeshBitmap
// wraps the document's image buffer without copying it.
//
// Commands are member slots defined by area in src/ui/commands/: each asks
// its questions (dialog, warnings), runs the core command on the document
// (core/document/edit_commands.h for the edits) and repaints.
//
// Ownership across a load: a loader makes its own std::unique_ptr<TTMesh>,
// loads it (Mesh stays null meanwhile, so paint and mouse handlers never see a
// half-filled mesh) and hands it to AttachMesh. Close Mesh (CloseMesh)
// destroys mesh, undo list and image together.
//
// Long commands: TWaitCursor wait; TInputLock lock(this); ... work with
// Progress .... Message boxes go through ShowMessage.

#include <QImage>
#include <QKeySequence>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/document/document.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/cell_rect.h"
#include "core/mesh/mesh.h"
#include "core/mesh/poly_sel.h"
#include "ui/widgets/app_folders.h"
#include "ui/widgets/wait_cursor.h"
#include "ui/widgets/window_progress.h"

class QAction;
class QKeySequence;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSpinBox;
class QToolBar;
class QPainter;
class TMeshView;
class TTUndoList;

class TFormViewMesh : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFormViewMesh(QWidget* parent = nullptr);
  ~TFormViewMesh() override;

  // ---------------------------------------------------------------- state
  TTDocument Doc;
  std::unique_ptr<TTMesh>& Mesh = Doc.Mesh;  // null while no mesh is loaded
  QImage MeshBitmap;                         // Format_Indexed8 over Doc.Image(); null without mesh
  TTCellMask& MaskBitmap = Doc.MaskBitmap;
  std::unique_ptr<TTUndoList>& UndoList = Doc.UndoList;
  std::unique_ptr<TTWindowProgress> Progress;
  bool AbortRequested = false;    // set by Esc; cleared and polled by long operations
  bool MouseInputEnabled = true;  // false: presses, moves, releases on the image ignored
  QPoint DragStart{-1, -1};
  QPoint DragEnd{0, 0};
  bool RectDragging = false;
  bool& RectSelected = Doc.RectSelected;
  TTPolySel& PolySel = Doc.PolySel;
  int GeoRefFormat = 1;  // 1 degrees and minutes, 2 decimal degrees
  int Zoom = 1;          // -32, -16, -8, -4, -2, 1, 2, 4, 8, 16

  // The paint box: a logical area of the zoomed mesh size inside the scroll area.
  int PaintBoxWidth() const { return paint_box_w_; }
  int PaintBoxHeight() const { return paint_box_h_; }
  bool PaintBoxVisible() const { return paint_box_visible_; }

  // ---------------------------------------------------------- components
  QToolBar* ToolBarMain = nullptr;
  TMeshView* ScrollBoxMesh = nullptr;
  QLabel* LabelCursor = nullptr;
  QLabel* LabelSelection = nullptr;  // the selection's size, beside the read-out
  QLabel* LabelEnding = nullptr;     // how the last long command ended
  QLabel* LabelLegend = nullptr;     // the gray range in metres
  QLabel* LabelProgress = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QLabel* LabelZoom = nullptr;
  QLabel* LabelUndoDebug = nullptr;
  QSpinBox* SpinEditFillVal = nullptr;

  QAction* ToolButtonInfo = nullptr;
  QAction* ToolButtonZoomIn = nullptr;
  QAction* ToolButtonZoomOut = nullptr;
  QAction* ToolButtonZoom1x = nullptr;
  QAction* ToolButtonSelRect = nullptr;
  QAction* ToolButtonSelPoly = nullptr;
  QAction* ToolButtonUndo = nullptr;
  QAction* ToolButtonRedo = nullptr;
  QAction* ToolButtonFillAll = nullptr;
  QAction* ToolButtonFillKeepVoids = nullptr;
  QAction* ToolButtonFillVoidsOnly = nullptr;
  QAction* ToolButtonShowGrid = nullptr;

  QMenu* mFile = nullptr;
  QAction* miOpenSingleHGT = nullptr;
  QAction* miOpenMultiHGT = nullptr;
  QAction* miOpenHGX = nullptr;
  QAction* miOpenRaster = nullptr;
  QMenu* miRecentFiles = nullptr;  // enabled state: miRecentFiles->menuAction()
  QAction* miOpenDEM = nullptr;
  QAction* miOpenMultiDEM = nullptr;
  QAction* miSaveAsGeoTiff = nullptr;
  QAction* miSaveAsHgtTiles = nullptr;
  QAction* miSaveAsHGX = nullptr;
  QAction* miSaveAsRaw = nullptr;
  QAction* miSaveAsBMP = nullptr;
  QAction* miMeshInfo = nullptr;
  QAction* miCmpHGTedges = nullptr;
  QAction* miCloseMesh = nullptr;
  QAction* miExit = nullptr;

  QMenu* mEdit = nullptr;
  QAction* miUndo = nullptr;
  QAction* miRedo = nullptr;
  QAction* miUnselect = nullptr;
  QAction* miFillSelection = nullptr;
  QAction* miCopyToClipboard = nullptr;

  QMenu* mOperations = nullptr;
  QAction* miAddVertOffset = nullptr;
  QAction* miChangeVal = nullptr;
  QAction* miRestrictHeight = nullptr;
  QAction* miInterpolNearestNeighbor = nullptr;
  QAction* miFillVoids = nullptr;

  QMenu* mFS = nullptr;
  QAction* miCreateBGLFromCurrentMesh = nullptr;

  QMenu* mView = nullptr;
  QMenu* miZoom = nullptr;  // enabled state: miZoom->menuAction()
  QAction* msiZoom1div32x = nullptr;
  QAction* msiZoom1div16x = nullptr;
  QAction* msiZoom1div8x = nullptr;
  QAction* msiZoom1div4x = nullptr;
  QAction* msiZoom1div2x = nullptr;
  QAction* msiZoom1x = nullptr;
  QAction* msiZoom2x = nullptr;
  QAction* msiZoom4x = nullptr;
  QAction* msiZoom8x = nullptr;
  QAction* msiZoom16x = nullptr;
  QAction* miZoomToFit = nullptr;
  QAction* miZoomToSelection = nullptr;
  QAction* miShowGrid = nullptr;
  QAction* miRecompTerrainColors = nullptr;
  QAction* miHillshade = nullptr;

  QMenu* mPreferences = nullptr;
  QMenu* miGeoRefFmt = nullptr;
  QAction* msiGeoRefFmt_DM = nullptr;
  QAction* msiGeoRefFmt_D = nullptr;
  QAction* miHatchAdjoQuad = nullptr;
  QAction* miSeaAsBlue = nullptr;
  QAction* miMorePrefs = nullptr;

  QMenu* mHelp = nullptr;
  QAction* miProgHelp = nullptr;
  QAction* miAbout = nullptr;

  // The ten zoom items in the order of kZoomFactors (-32 .. 16).
  std::array<QAction*, 10> ZoomItems{};

  // ------------------------------------------------------------ helpers
  // Takes a freshly loaded mesh: undo list, statistics, colour range, image,
  // command state. On a bitmap failure the mesh is closed again, the error is
  // shown and false is returned. `missing`: tiles a multiple-tile load filled.
  bool AttachMesh(std::unique_ptr<TTMesh> mesh, TTMissingTiles missing = {});
  // Runs `load` on a new mesh with the wait cursor and input off; an error
  // text it returns is shown, else the mesh is attached (with the missing
  // tiles that `load` put into `missing`, when given).
  void LoadNewMesh(const std::function<std::string(TTMesh& mesh)>& load,
                   TTMissingTiles* missing = nullptr);
  void SetMeshState();
  // The commands that work on a mesh: on with one, off without.
  std::vector<QAction*> MeshCommands() const;
  void SetNoMeshState();
  // The elevation-model items of the File menu for the mesh state.
  void EnableDemCommands(bool meshLoaded);
  // miUnselect, miFillSelection, the three fill buttons and SpinEditFillVal.
  void EnableSelectionCommands(bool on);
  // Every top-level menu and the tool bar as a whole; also blocks mouse
  // presses on the image while disabled.
  void EnableUserInput(bool on);
  bool UserInputEnabled() const { return user_input_enabled_; }
  // miUndo and ToolButtonUndo together.
  void EnableUndoCommands(bool on);
  // Undo and Redo (menu and tool bar) from the undo list.
  void UpdateUndoCommands();
  // "DELVA - name", with "*" while the mesh has unsaved changes.
  void UpdateTitle();
  // The save question for a modified mesh; false when the mesh must stay.
  bool AskSaveChanges();
  // A file dropped on the window: .hgt/.zip as one tile, .hgx as HGX; a
  // loaded mesh is closed first when the user agrees.
  void OpenDroppedFile(const QString& path);
  // The Recent Files submenu from the remembered list.
  void FillRecentFiles();
  // A loaded .hgt/.zip/.hgx file goes to the top of Recent Files.
  void RememberLoadedFile();
  // The mesh was written to a file: not modified any more.
  void MarkSaved();
  // A long command's clock, and its ending in the status line.
  void StartCommandClock();
  double CommandSeconds() const;
  void ShowEnding(const QString& text);
  QString LoadedText() const;                             // "Loaded name in 0.3 s"
  QString SavedText(const QString& path, bool ok) const;  // "Saved name in ..." / "Save failed"
  // Repaints the visible part of the image with outlines and grid.
  void PaintMesh();
  // Recomputes the image over Mesh->SelRect (then hatches the bands).
  void RecolorSelRect();
  // Recomputes the image over rect, keeping Mesh->SelRect as it was.
  void RecolorRect(const TCellRect& rect);
  // Drops every selection (only while a mesh is loaded).
  void Unselect();
  // Close Mesh: no-mesh state, mesh, undo list and image destroyed, zoom 1.
  void CloseMesh();

  using TEditSelection = TTDocument::TSelection;
  // What an edit works on (renders the polygon mask when one is closed).
  TEditSelection EditSelection() { return Doc.EditSelection(); }

  void UpdateUndoDebugLabel();
  // False when the user declines an edit that the undo list cannot record.
  bool ProceedWithoutUndo(const TCellRect& rect);

  // Zoom.
  void ApplyZoom(int newZoom);
  void ShowZoomLabel();
  void SetZoom(int newZoom);  // menu check, buttons, ApplyZoom, label
  // Zooms keeping the cell under `anchor` (viewport pixels) where it is.
  void ZoomAt(int newZoom, QPoint anchor);
  // The largest factor that shows `rect` whole, with its middle centred.
  void ZoomToRect(const TCellRect& rect);
  // The closed polygon's bounds, the rectangle, else the whole grid.
  TCellRect SelectionShown() const;
  void UpdateSelectionLabel();
  // LabelLegend from the mesh's colour range (hidden without a mesh).
  void UpdateLegend();

  // Start-up configuration (load, or propose defaults and write them).
  void LoadStartupConfiguration();
  // The configured default HGT folder (may be empty or missing).
  QString ConfiguredHGTFolder() const;
  // "N46W122_N44W120": north-west and south-east corners of the mesh.
  QString ProposedMeshFileName() const;

  // Keys the window sees first; true when handled.
  bool FormKeyDown(int key, Qt::KeyboardModifiers mods);

  // LabelUndoDebug and miCmpHGTedges shown (after Ctrl+Alt+Q).
  bool DebugItemsShown() const;

  // Mouse on the paint box, in paint-box pixels.
  void PaintBoxMeshMouseDown(Qt::MouseButton button, int x, int y);
  void PaintBoxMeshMouseMove(int x, int y);
  void PaintBoxMeshMouseUp(Qt::MouseButton button, int x, int y);
  void ClearCursorLabel();

  // Paints the paint-box area starting at (px, py) into target (an RGB32
  // image of the viewport's size): image, selection outlines, grid.
  void PaintArea(QImage& target, int px, int py);

  // Pixel and cell mapping at the current zoom.
  int PixelToCol(int x) const;
  int PixelToRow(int y) const;
  int Snap(int v) const;

 public slots:
  // File
  void miOpenSingleHGTClick();
  void miOpenMultiHGTClick();
  void miOpenHGXClick();
  void miOpenRasterClick();
  void miOpenDEMClick();
  void miOpenMultiDEMClick();
  void miSaveAsGeoTiffClick();
  void miSaveAsHgtTilesClick();
  void miSaveAsHGXClick();
  void miSaveAsRawClick();
  void miSaveAsBMPClick();
  void miMeshInfoClick();
  void miCmpHGTedgesClick();
  void miCloseMeshClick();
  void miExitClick();
  // Edit
  void miUndoClick();
  void miRedoClick();
  void miUnselectClick();
  void miFillSelectionClick();
  void miCopyToClipboardClick();
  // Operations
  void miAddVertOffsetClick();
  void miChangeValClick();
  void miRestrictHeightClick();
  void miInterpolNearestNeighborClick();
  void miFillVoidsClick();
  // Flight Simulator
  void miCreateBGLFromCurrentMeshClick();
  // View
  void msiZoom1div32xClick();
  void msiZoom1div16xClick();
  void msiZoom1div8xClick();
  void msiZoom1div4xClick();
  void msiZoom1div2xClick();
  void msiZoom1xClick();
  void msiZoom2xClick();
  void msiZoom4xClick();
  void msiZoom8xClick();
  void msiZoom16xClick();
  void miShowGridClick();
  void miZoomToFitClick();
  void miZoomToSelectionClick();
  void miHillshadeClick();
  void miRecompTerrainColorsClick();
  // Preferences
  void msiGeoRefFmt_DMClick();
  void msiGeoRefFmt_DClick();
  void miHatchAdjoQuadClick();
  void miSeaAsBlueClick();
  void miMorePrefsClick();
  // Help
  void miProgHelpClick();
  void miAboutClick();
  // Tool bar
  void ToolButtonInfoClick();
  void ToolButtonZoomInClick();
  void ToolButtonZoomOutClick();
  void ToolButtonZoom1xClick();
  void ToolButtonSelRectClick();
  void ToolButtonSelPolyClick();
  void ToolButtonUndoClick();
  void ToolButtonFillAllClick();
  void ToolButtonFillKeepVoidsClick();
  void ToolButtonFillVoidsOnlyClick();
  void ToolButtonShowGridClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                   void (TFormViewMesh::*slot)(), const QKeySequence& shortcut = {});
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusLine();
  void UpdateZoomButtons();
  void SetPaintBoxSize(int w, int h);
  void UpdateReadout(int x, int y);
  bool GridShown() const;
  bool MeshSpansMoreThanOneDegree() const;

  int paint_box_w_ = 0;
  int paint_box_h_ = 0;
  bool paint_box_visible_ = false;
  bool user_input_enabled_ = true;
  bool shown_once_ = false;
  std::chrono::steady_clock::time_point command_start_{};
  QAction* cmp_separator_ = nullptr;      // the separator after miCmpHGTedges
  QAction* undo_debug_action_ = nullptr;  // shows LabelUndoDebug in the tool bar
};

// Menus and tool bar off for the lifetime of the object, on every path: the
// loops of a long command let events through, so a second command could
// otherwise start on a half-filled mesh.
class TInputLock {
 public:
  // An operation starts: an Esc pressed before it (dropping a selection) must
  // not stop it.
  explicit TInputLock(TFormViewMesh* form) : form_(form) {
    form_->AbortRequested = false;
    form_->EnableUserInput(false);
  }
  ~TInputLock() { form_->EnableUserInput(true); }
  TInputLock(const TInputLock&) = delete;
  TInputLock& operator=(const TInputLock&) = delete;

 private:
  TFormViewMesh* form_;
};
