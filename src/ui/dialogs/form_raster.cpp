#include "ui/dialogs/form_raster.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <filesystem>

#include "core/tiles/multi_hgt.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/form_fields.h"
#include "ui/widgets/message_box.h"

namespace {

constexpr int kPathLabelWidth = 360;

QGroupBox* ByteOrderGroup(QWidget* parent, QRadioButton*& msb, QRadioButton*& lsb, bool rows) {
  auto* g = new QGroupBox(" Byte Order ", parent);
  msb = new QRadioButton("MSB first", g);
  lsb = new QRadioButton("LSB first", g);
  msb->setChecked(true);
  QBoxLayout* l = rows ? static_cast<QBoxLayout*>(new QVBoxLayout(g))
                       : static_cast<QBoxLayout*>(new QHBoxLayout(g));
  l->addWidget(msb);
  l->addWidget(lsb);
  return g;
}

}  // namespace

TFormOpenRaster::TFormOpenRaster(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Load Raster File");

  GroupBoxFile = new QGroupBox(" Raster File ", this);
  BitBtnLocateFile = new QPushButton("Locate", GroupBoxFile);
  LabelLocateFile = new QLabel(GroupBoxFile);
  LabelLocateFile->setFixedWidth(kPathLabelWidth);
  auto* fileRow = new QHBoxLayout(GroupBoxFile);
  fileRow->addWidget(BitBtnLocateFile);
  fileRow->addWidget(LabelLocateFile, 1);

  auto* coords = new QGroupBox(" Bounding Rectangle ", this);
  SpinEditMaxLat = NewDegreeField(coords, -90, 90, 3);
  SpinEditMinLat = NewDegreeField(coords, -90, 90, 3);
  SpinEditMaxLon = NewDegreeField(coords, -180, 180, 4);
  SpinEditMinLon = NewDegreeField(coords, -180, 180, 4);
  SpinEditMaxLat->setValue(1);
  SpinEditMinLat->setValue(-1);
  SpinEditMaxLon->setValue(1);
  SpinEditMinLon->setValue(-1);
  LabelMaxLat = new QLabel(LatText(1), coords);
  LabelMinLat = new QLabel(LatText(-1), coords);
  LabelMaxLon = new QLabel(LonText(1), coords);
  LabelMinLon = new QLabel(LonText(-1), coords);
  LabelRectWarning = new QLabel(coords);
  LabelRectWarning->setStyleSheet("color: red; font-weight: bold;");
  auto* cg = new QGridLayout(coords);
  int row = 0;
  for (auto [caption, field, label] : {std::tuple{"Top side", SpinEditMaxLat, LabelMaxLat},
                                       std::tuple{"Bottom side", SpinEditMinLat, LabelMinLat},
                                       std::tuple{"Left side", SpinEditMinLon, LabelMinLon},
                                       std::tuple{"Right side", SpinEditMaxLon, LabelMaxLon}}) {
    cg->addWidget(new QLabel(caption, coords), row, 0);
    cg->addWidget(field, row, 1);
    cg->addWidget(label, row, 2);
    ++row;
  }
  cg->addWidget(LabelRectWarning, row, 0, 1, 3, Qt::AlignCenter);

  auto* dims = new QGroupBox(" Dimensions ", this);
  SpinEditSizeRows = new QSpinBox(dims);
  SpinEditSizeCols = new QSpinBox(dims);
  for (QSpinBox* s : {SpinEditSizeRows, SpinEditSizeCols}) {
    s->setRange(1, 2000000000);
    s->setValue(1);
  }
  auto* dg = new QGridLayout(dims);
  dg->addWidget(new QLabel("Rows", dims), 0, 0);
  dg->addWidget(SpinEditSizeRows, 0, 1);
  dg->addWidget(new QLabel("Columns", dims), 1, 0);
  dg->addWidget(SpinEditSizeCols, 1, 1);

  RadioGroupByteOrder = ByteOrderGroup(this, RadioButtonMsbFirst, RadioButtonLsbFirst, true);

  auto* voids = new QGroupBox(" Assume Voids As", this);
  SpinEditVoidVal = new QSpinBox(voids);
  SpinEditVoidVal->setRange(-32768, 32767);
  SpinEditVoidVal->setValue(-32768);
  (new QHBoxLayout(voids))->addWidget(SpinEditVoidVal);

  GroupBoxAdjo = NewAdjacentTilesBox(this, " Adjacent Tiles ", CheckBoxAdjoNorth, CheckBoxAdjoWest,
                                     CheckBoxAdjoEast, CheckBoxAdjoSouth);

  BitBtnOK = new QPushButton(" Load ", this);
  BitBtnOK->setEnabled(false);
  BitBtnOK->setDefault(true);
  BitBtnCancel = new QPushButton("Cancel", this);
  BitBtnHelp = new QPushButton("Help", this);

  auto* grid = new QGridLayout;
  grid->addWidget(coords, 0, 0, 2, 1);
  grid->addWidget(dims, 0, 1);
  grid->addWidget(RadioGroupByteOrder, 1, 1);
  grid->addWidget(voids, 2, 1);
  grid->addWidget(GroupBoxAdjo, 2, 0);
  auto* buttons = NewHelpOkCancelRow(BitBtnHelp, BitBtnOK, BitBtnCancel);
  auto* main = new QVBoxLayout(this);
  main->addWidget(GroupBoxFile);
  main->addLayout(grid);
  main->addLayout(buttons);

  connect(BitBtnLocateFile, &QPushButton::clicked, this, &TFormOpenRaster::BitBtnLocateFileClick);
  OnFieldChange(SpinEditMaxLat, this, [this] { SpinEditMaxLatChange(); });
  OnFieldChange(SpinEditMinLat, this, [this] { SpinEditMinLatChange(); });
  OnFieldChange(SpinEditMaxLon, this, [this] { SpinEditMaxLonChange(); });
  OnFieldChange(SpinEditMinLon, this, [this] { SpinEditMinLonChange(); });
  for (QCheckBox* c : {CheckBoxAdjoNorth, CheckBoxAdjoWest, CheckBoxAdjoSouth, CheckBoxAdjoEast})
    connect(c, &QCheckBox::clicked, this, &TFormOpenRaster::CheckBoxAdjoClick);
  connect(BitBtnOK, &QPushButton::clicked, this, &TFormOpenRaster::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &TFormOpenRaster::reject);
  connect(BitBtnHelp, &QPushButton::clicked, this,
          [this] { emit helpRequested("loadingdem_raster.htm"); });
}

TTDegreeRect TFormOpenRaster::Rect() const {
  return FieldsRect(SpinEditMaxLat, SpinEditMinLat, SpinEditMinLon, SpinEditMaxLon);
}

TTBandFlags TFormOpenRaster::Bands() const {
  return TickedBands(CheckBoxAdjoNorth, CheckBoxAdjoSouth, CheckBoxAdjoWest, CheckBoxAdjoEast);
}

TTRasterImport TFormOpenRaster::Import() const {
  TTRasterImport in;
  in.Path = FilePath.toStdString();
  in.Rect = Rect();
  in.Rows = SpinFieldValue(SpinEditSizeRows);
  in.Cols = SpinFieldValue(SpinEditSizeCols);
  in.MsbFirst = RadioButtonMsbFirst->isChecked();
  in.VoidValue = int16_t(SpinFieldValue(SpinEditVoidVal));
  in.Bands = Bands();
  return in;
}

void TFormOpenRaster::UpdateLoadButton() {
  BitBtnOK->setEnabled(Rect().IsValid() && !FilePath.isEmpty());
}

void TFormOpenRaster::ApplyBandRules() {
  TTBandFlags ticked = Bands(), enabled;
  ApplyRasterBandRules(Rect(), ticked, enabled);
  CheckBoxAdjoNorth->setEnabled(enabled.North);
  CheckBoxAdjoSouth->setEnabled(enabled.South);
  CheckBoxAdjoWest->setEnabled(enabled.West);
  CheckBoxAdjoEast->setEnabled(enabled.East);
  CheckBoxAdjoNorth->setChecked(ticked.North);
  CheckBoxAdjoSouth->setChecked(ticked.South);
  CheckBoxAdjoWest->setChecked(ticked.West);
  CheckBoxAdjoEast->setChecked(ticked.East);
}

void TFormOpenRaster::AfterBoundChange() {
  UpdateLoadButton();
  LabelRectWarning->setText(QString::fromStdString(RasterRectWarning(Rect())));
  ApplyBandRules();
}

void TFormOpenRaster::SpinEditMaxLatChange() {
  AfterBoundChange();
  LabelMaxLat->setText(LatText(Rect().MaxLat));
  if (NorthAtLimit(Rect())) CheckBoxAdjoNorth->setChecked(false);
}

void TFormOpenRaster::SpinEditMinLatChange() {
  AfterBoundChange();
  LabelMinLat->setText(LatText(Rect().MinLat));
  if (SouthAtLimit(Rect())) CheckBoxAdjoSouth->setChecked(false);
}

void TFormOpenRaster::SpinEditMaxLonChange() {
  AfterBoundChange();
  LabelMaxLon->setText(LonText(Rect().MaxLon));
  if (EastAtLimit(Rect())) CheckBoxAdjoEast->setChecked(false);
}

void TFormOpenRaster::SpinEditMinLonChange() {
  AfterBoundChange();
  LabelMinLon->setText(LonText(Rect().MinLon));
  if (WestAtLimit(Rect())) CheckBoxAdjoWest->setChecked(false);
}

void TFormOpenRaster::CheckBoxAdjoClick() {
  ApplyBandRules();
  const TTDegreeRect r = Rect();
  if (NorthAtLimit(r)) CheckBoxAdjoNorth->setChecked(false);
  if (SouthAtLimit(r)) CheckBoxAdjoSouth->setChecked(false);
  if (WestAtLimit(r)) CheckBoxAdjoWest->setChecked(false);
  if (EastAtLimit(r)) CheckBoxAdjoEast->setChecked(false);
}

void TFormOpenRaster::BitBtnLocateFileClick() {
  TFileDialogRequest req;
  req.title = "Open Raster File";
  req.filter = "All files (*.*)|*.*";
  const QString chosen = RunFileDialog(this, req);
  if (chosen.isEmpty()) return;
  FilePath = chosen;
  ShowShortenedPath(LabelLocateFile, FilePath, kPathLabelWidth);
  UpdateLoadButton();
}

bool TFormOpenRaster::FormCloseQuery() {
  std::error_code ec;
  uint64_t size = std::filesystem::file_size(std::filesystem::path(FilePath.toStdString()), ec);
  if (ec) size = 0;
  if (!RasterSizeMatches(size, SpinFieldValue(SpinEditSizeRows),
                         SpinFieldValue(SpinEditSizeCols))) {
    ShowMessage(this, TMsgKind::Error, "File has wrong size");
    return false;
  }
  return true;
}

void TFormOpenRaster::accept() {
  if (FormCloseQuery()) QDialog::accept();
}

TFormSaveAsRaw::TFormSaveAsRaw(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Save Mesh to Raster File");
  GroupBoxOutput = new QGroupBox(" Output File ", this);
  BitBtnSelect = new QPushButton("Select", GroupBoxOutput);
  LabelFilePath = new QLabel(GroupBoxOutput);
  LabelFilePath->setFixedWidth(kPathLabelWidth);
  auto* fileRow = new QHBoxLayout(GroupBoxOutput);
  fileRow->addWidget(BitBtnSelect);
  fileRow->addWidget(LabelFilePath, 1);

  RadioGroupByteOrder = ByteOrderGroup(this, RadioButtonMsbFirst, RadioButtonLsbFirst, false);

  auto* voids = new QWidget(this);
  auto* vl = new QHBoxLayout(voids);
  vl->setContentsMargins(0, 0, 0, 0);
  vl->addWidget(new QLabel("Save Voids As", voids));
  SpinEditVoidVal = new QSpinBox(voids);
  SpinEditVoidVal->setRange(-32768, 32767);
  vl->addWidget(SpinEditVoidVal);
  vl->addStretch(1);

  BitBtnSave = new QPushButton("Save", this);
  BitBtnSave->setEnabled(false);
  BitBtnSave->setDefault(true);
  BitBtnCancel = new QPushButton("Cancel", this);
  BitBtnHelp = new QPushButton("Help", this);
  auto* buttons = NewHelpOkCancelRow(BitBtnHelp, BitBtnSave, BitBtnCancel);
  auto* main = new QVBoxLayout(this);
  main->addWidget(GroupBoxOutput);
  main->addWidget(RadioGroupByteOrder);
  main->addWidget(voids);
  main->addLayout(buttons);

  connect(BitBtnSelect, &QPushButton::clicked, this, &TFormSaveAsRaw::BitBtnSelectClick);
  connect(BitBtnSave, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(BitBtnHelp, &QPushButton::clicked, this,
          [this] { emit helpRequested("exporting_rasterfile.htm"); });
}

bool TFormSaveAsRaw::BigEndian() const { return RadioButtonMsbFirst->isChecked(); }
int16_t TFormSaveAsRaw::VoidAs() const { return int16_t(SpinFieldValue(SpinEditVoidVal)); }

void TFormSaveAsRaw::BitBtnSelectClick() {
  TFileDialogRequest req;
  req.kind = TFileDialogRequest::Save;
  req.title = "Save Mesh to Raster File";
  req.filter = "All files (*.*)|*.*";
  req.proposedName = ProposedName;
  const QString chosen = RunFileDialog(this, req);
  if (chosen.isEmpty()) return;
  FilePath = chosen;
  ShowShortenedPath(LabelFilePath, chosen, kPathLabelWidth);
  BitBtnSave->setEnabled(!chosen.trimmed().isEmpty());
}
