#include "ui/dialogs/form_open_multi_hgt.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/widgets/form_fields.h"
#include "ui/widgets/message_box.h"

int16_t TFormOpenMultiHGT::LastMinLat = -1;
int16_t TFormOpenMultiHGT::LastMaxLat = 1;
int16_t TFormOpenMultiHGT::LastMinLon = -1;
int16_t TFormOpenMultiHGT::LastMaxLon = 1;
int16_t TFormOpenMultiHGT::LastFillValue = 0;

namespace {

constexpr int kFolderLabelWidth = 529;
QPixmap RectangleSketch() {
  QPixmap pm(90, 60);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
  for (int x = 30; x < 90; x += 30) p.drawLine(x, 6, x, 54);
  p.drawLine(6, 30, 84, 30);
  p.setPen(QPen(Qt::black, 2));
  p.drawRect(6, 6, 78, 48);
  return pm;
}

}  // namespace

TFormOpenMultiHGT::TFormOpenMultiHGT(QWidget* parent, const QString& hgtFolder) : QDialog(parent) {
  setWindowTitle("Load Multiple HGT Files");
  setFixedSize(583, 422);

  GroupBoxInputFolder = new QGroupBox(" HGT Source Folder ", this);
  BitBtnLocateInputFolder = new QPushButton("Locate", GroupBoxInputFolder);
  LabelLocateInputFolder = new QLabel(GroupBoxInputFolder);
  LabelLocateInputFolder->setFixedWidth(kFolderLabelWidth);
  auto* folderRow = new QVBoxLayout(GroupBoxInputFolder);
  folderRow->addWidget(BitBtnLocateInputFolder, 0, Qt::AlignLeft);
  folderRow->addWidget(LabelLocateInputFolder);

  GroupBoxCoords = new QGroupBox(" Bounding Rectangle  ", this);
  SpinEditMaxLat = NewDegreeField(GroupBoxCoords, -90, 90, 3);
  SpinEditMinLat = NewDegreeField(GroupBoxCoords, -90, 90, 3);
  SpinEditMinLon = NewDegreeField(GroupBoxCoords, -180, 180, 4);
  SpinEditMaxLon = NewDegreeField(GroupBoxCoords, -180, 180, 4);
  LabelMaxLat = new QLabel(GroupBoxCoords);
  LabelMinLat = new QLabel(GroupBoxCoords);
  LabelMaxLon = new QLabel(GroupBoxCoords);
  LabelMinLon = new QLabel(GroupBoxCoords);
  Image1 = new QLabel(GroupBoxCoords);
  Image1->setPixmap(RectangleSketch());
  LabelMosaicBaseDim = new QLabel(GroupBoxCoords);
  LabelMosaicTotalDim = new QLabel(GroupBoxCoords);
  auto* coords = new QGridLayout(GroupBoxCoords);
  auto sideBox = [&](const char* caption, QSpinBox* field, QLabel* hemi) {
    auto* w = new QWidget(GroupBoxCoords);
    auto* l = new QGridLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setVerticalSpacing(2);
    l->addWidget(new QLabel(caption, w), 0, 0, 1, 2);
    l->addWidget(field, 1, 0);
    hemi->setMinimumWidth(hemi->fontMetrics().horizontalAdvance("000 W") + 4);
    l->addWidget(hemi, 1, 1);
    return w;
  };
  coords->addWidget(sideBox("Top side", SpinEditMaxLat, LabelMaxLat), 0, 1, Qt::AlignCenter);
  coords->addWidget(sideBox("Left side", SpinEditMinLon, LabelMinLon), 1, 0);
  coords->addWidget(Image1, 1, 1, Qt::AlignCenter);
  coords->addWidget(sideBox("Right side", SpinEditMaxLon, LabelMaxLon), 1, 2);
  coords->addWidget(sideBox("Bottom side", SpinEditMinLat, LabelMinLat), 2, 1, Qt::AlignCenter);
  auto* dims = new QGridLayout;
  dims->addWidget(new QLabel("Base Dimensions:", GroupBoxCoords), 0, 0);
  dims->addWidget(LabelMosaicBaseDim, 0, 1);
  dims->addWidget(new QLabel("Full Dimensions:", GroupBoxCoords), 1, 0);
  dims->addWidget(LabelMosaicTotalDim, 1, 1);
  coords->addLayout(dims, 3, 0, 1, 3);

  GroupBoxAdjo = NewAdjacentTilesBox(this, " Load Adjacent Tiles ", CheckBoxAdjoNorth,
                                     CheckBoxAdjoWest, CheckBoxAdjoEast, CheckBoxAdjoSouth);

  GroupBoxFillVal = new QGroupBox(" Fill Value for Missing Tiles ", this);
  SpinEditFillValue = new QSpinBox(GroupBoxFillVal);
  SpinEditFillValue->setRange(-32768, 32767);
  auto* fill = new QHBoxLayout(GroupBoxFillVal);
  fill->addWidget(SpinEditFillValue);
  fill->addWidget(new QLabel("m", GroupBoxFillVal));
  fill->addWidget(new QLabel("Void = -32768", GroupBoxFillVal));
  fill->addStretch(1);

  BitBtnCheckMissingFiles = new QPushButton("Check for Missing Tiles", this);
  BitBtnHelp = new QPushButton("Help", this);
  BitBtnOK = new QPushButton("Load", this);
  BitBtnCancel = new QPushButton("Cancel", this);
  BitBtnCheckMissingFiles->setEnabled(false);
  BitBtnOK->setEnabled(false);
  BitBtnOK->setDefault(true);

  auto* right = new QVBoxLayout;
  right->addWidget(GroupBoxAdjo);
  right->addWidget(GroupBoxFillVal);
  right->addWidget(BitBtnCheckMissingFiles);
  right->addStretch(1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(GroupBoxCoords, 3);
  middle->addLayout(right, 2);
  auto* buttons = NewHelpOkCancelRow(BitBtnHelp, BitBtnOK, BitBtnCancel);
  auto* main = new QVBoxLayout(this);
  main->addWidget(GroupBoxInputFolder);
  main->addLayout(middle, 1);
  main->addLayout(buttons);

  setTabOrder(SpinEditMaxLat, SpinEditMinLon);
  setTabOrder(SpinEditMinLon, SpinEditMaxLon);
  setTabOrder(SpinEditMaxLon, SpinEditMinLat);
  setTabOrder(CheckBoxAdjoNorth, CheckBoxAdjoWest);
  setTabOrder(CheckBoxAdjoWest, CheckBoxAdjoEast);
  setTabOrder(CheckBoxAdjoEast, CheckBoxAdjoSouth);

  ChooseFolder = [this](const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(this, title, start, QFileDialog::ShowDirsOnly);
  };

  // FormCreate: start from the configured folder and the remembered values.
  if (!hgtFolder.isEmpty() && QDir(hgtFolder).exists()) SourceFolder = hgtFolder;
  ShowFolder();
  SpinEditMinLat->setValue(LastMinLat);
  SpinEditMaxLat->setValue(LastMaxLat);
  SpinEditMinLon->setValue(LastMinLon);
  SpinEditMaxLon->setValue(LastMaxLon);
  LabelMaxLat->setText(LatText(LastMaxLat));
  LabelMinLat->setText(LatText(LastMinLat));
  LabelMaxLon->setText(LonText(LastMaxLon));
  LabelMinLon->setText(LonText(LastMinLon));
  if (!SourceFolder.isEmpty()) EnableFolderButtons();
  SpinEditFillValue->setValue(LastFillValue);
  UpdateTileCounts();

  // Ctrl+Alt+Q, seen by the dialog before the focused field can take it.
  auto* preset = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Q), this);
  preset->setContext(Qt::WindowShortcut);
  connect(preset, &QShortcut::activated, this, &TFormOpenMultiHGT::FormKeyDownDebugPreset);

  connect(BitBtnLocateInputFolder, &QPushButton::clicked, this,
          &TFormOpenMultiHGT::BitBtnLocateInputFolderClick);
  connect(BitBtnCheckMissingFiles, &QPushButton::clicked, this,
          &TFormOpenMultiHGT::BitBtnCheckMissingFilesClick);
  connect(BitBtnHelp, &QPushButton::clicked, this, &TFormOpenMultiHGT::BitBtnHelpClick);
  connect(BitBtnOK, &QPushButton::clicked, this, &TFormOpenMultiHGT::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &TFormOpenMultiHGT::reject);
  OnFieldChange(SpinEditMaxLat, this, [this] { SpinEditMaxLatChange(); });
  OnFieldChange(SpinEditMinLat, this, [this] { SpinEditMinLatChange(); });
  OnFieldChange(SpinEditMaxLon, this, [this] { SpinEditMaxLonChange(); });
  OnFieldChange(SpinEditMinLon, this, [this] { SpinEditMinLonChange(); });
  connect(CheckBoxAdjoNorth, &QCheckBox::clicked, this, &TFormOpenMultiHGT::CheckBoxAdjoNorthClick);
  connect(CheckBoxAdjoSouth, &QCheckBox::clicked, this, &TFormOpenMultiHGT::CheckBoxAdjoSouthClick);
  connect(CheckBoxAdjoWest, &QCheckBox::clicked, this, &TFormOpenMultiHGT::CheckBoxAdjoWestClick);
  connect(CheckBoxAdjoEast, &QCheckBox::clicked, this, &TFormOpenMultiHGT::CheckBoxAdjoEastClick);
}

TTDegreeRect TFormOpenMultiHGT::Rect() const {
  return FieldsRect(SpinEditMaxLat, SpinEditMinLat, SpinEditMinLon, SpinEditMaxLon);
}

TTBandFlags TFormOpenMultiHGT::Bands() const {
  return TickedBands(CheckBoxAdjoNorth, CheckBoxAdjoSouth, CheckBoxAdjoWest, CheckBoxAdjoEast);
}

int16_t TFormOpenMultiHGT::FillValue() const { return int16_t(SpinFieldValue(SpinEditFillValue)); }

TTMultiHGTRequest TFormOpenMultiHGT::Request() const {
  TTMultiHGTRequest r;
  r.Folder = SourceFolder.toStdString();
  r.Rect = Rect();
  r.Bands = Bands();
  r.FillValue = FillValue();
  return r;
}

void TFormOpenMultiHGT::ShowFolder() {
  ShowShortenedPath(LabelLocateInputFolder, SourceFolder, LabelLocateInputFolder->width());
}

void TFormOpenMultiHGT::EnableFolderButtons() {
  BitBtnCheckMissingFiles->setEnabled(true);
  BitBtnOK->setEnabled(true);
}

void TFormOpenMultiHGT::BitBtnLocateInputFolderClick() {
  const QString chosen = ChooseFolder("Select HGT source folder", SourceFolder);
  if (chosen.isEmpty()) return;
  SourceFolder = chosen;
  ShowFolder();
  EnableFolderButtons();
}

void TFormOpenMultiHGT::BitBtnCheckMissingFilesClick() {
  const TTDegreeRect r = Rect();
  if (!r.IsValid()) {
    ShowMessage(this, TMsgKind::Error, "Invalid rectangle.");
    return;
  }
  ShowMissingFiles(this, RequestTilePaths(Request()));
}

void TFormOpenMultiHGT::BitBtnHelpClick() { emit helpRequested("loadingdem_multiple.htm"); }

void TFormOpenMultiHGT::SpinEditMaxLatChange() {
  const int v = SpinFieldValue(SpinEditMaxLat);
  LabelMaxLat->setText(LatText(v));
  UpdateTileCounts();
  if (v == 90) CheckBoxAdjoNorth->setChecked(false);
}

void TFormOpenMultiHGT::SpinEditMinLatChange() {
  const int v = SpinFieldValue(SpinEditMinLat);
  LabelMinLat->setText(LatText(v));
  UpdateTileCounts();
  if (v == -90) CheckBoxAdjoSouth->setChecked(false);
}

void TFormOpenMultiHGT::SpinEditMaxLonChange() {
  const int v = SpinFieldValue(SpinEditMaxLon);
  LabelMaxLon->setText(LonText(v));
  UpdateTileCounts();
  if (v == 180) CheckBoxAdjoEast->setChecked(false);
}

void TFormOpenMultiHGT::SpinEditMinLonChange() {
  const int v = SpinFieldValue(SpinEditMinLon);
  LabelMinLon->setText(LonText(v));
  UpdateTileCounts();
  if (v == -180) CheckBoxAdjoWest->setChecked(false);
}

void TFormOpenMultiHGT::CheckBoxAdjoNorthClick() {
  UpdateTileCounts();
  if (NorthAtLimit(Rect())) CheckBoxAdjoNorth->setChecked(false);
}

void TFormOpenMultiHGT::CheckBoxAdjoSouthClick() {
  UpdateTileCounts();
  if (SouthAtLimit(Rect())) CheckBoxAdjoSouth->setChecked(false);
}

void TFormOpenMultiHGT::CheckBoxAdjoWestClick() {
  UpdateTileCounts();
  if (WestAtLimit(Rect())) CheckBoxAdjoWest->setChecked(false);
}

void TFormOpenMultiHGT::CheckBoxAdjoEastClick() {
  UpdateTileCounts();
  if (EastAtLimit(Rect())) CheckBoxAdjoEast->setChecked(false);
}

void TFormOpenMultiHGT::UpdateTileCounts() {
  const TTTileCounts c = TileCountTexts(Rect(), Bands());
  const QString style = c.Valid ? "color: black;" : "color: red;";
  LabelMosaicBaseDim->setText(QString::fromStdString(c.Base));
  LabelMosaicTotalDim->setText(QString::fromStdString(c.Total));
  LabelMosaicBaseDim->setStyleSheet(style);
  LabelMosaicTotalDim->setStyleSheet(style);
}

bool TFormOpenMultiHGT::FormCloseQuery() {
  const TTMultiHGTCloseCheck c = CheckMultiHGTClose(Rect(), Bands());
  if (!c.Message.empty()) {
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(c.Message));
    if (c.Untick.North) CheckBoxAdjoNorth->setChecked(false);
    if (c.Untick.South) CheckBoxAdjoSouth->setChecked(false);
    if (c.Untick.West) CheckBoxAdjoWest->setChecked(false);
    if (c.Untick.East) CheckBoxAdjoEast->setChecked(false);
    return false;
  }
  const TTDegreeRect r = Rect();
  LastMinLat = int16_t(r.MinLat);
  LastMaxLat = int16_t(r.MaxLat);
  LastMinLon = int16_t(r.MinLon);
  LastMaxLon = int16_t(r.MaxLon);
  LastFillValue = FillValue();
  return true;
}

void TFormOpenMultiHGT::accept() {
  if (FormCloseQuery()) QDialog::accept();
}

void TFormOpenMultiHGT::FormKeyDownDebugPreset() {
  SpinEditMaxLat->setValue(-28);
  SpinEditMinLat->setValue(-30);
  SpinEditMaxLon->setValue(-50);
  SpinEditMinLon->setValue(-52);
  SourceFolder = "C:\\DEM\\HGT";
  ShowFolder();
  SpinEditFillValue->setValue(0);
}

TFormMissingFiles::TFormMissingFiles(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Missing Tiles/Files");
  setFixedSize(202, 402);
  MemoMissingFiles = new QPlainTextEdit(this);
  MemoMissingFiles->setReadOnly(true);
  MemoMissingFiles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPixelSize(13);
  MemoMissingFiles->setFont(mono);
  Label1 = new QLabel("Total :", this);
  LabelTotalFiles = new QLabel(this);
  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setDefault(true);
  auto* total = new QHBoxLayout;
  total->addWidget(Label1);
  total->addWidget(LabelTotalFiles, 1);
  auto* l = new QVBoxLayout(this);
  l->addWidget(MemoMissingFiles, 1);
  l->addLayout(total);
  l->addWidget(BitBtn1, 0, Qt::AlignHCenter);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormMissingFiles::SetNames(const std::vector<std::string>& names) {
  QStringList lines;
  for (const auto& n : names) lines << QString::fromStdString(n);
  MemoMissingFiles->setPlainText(lines.join('\n'));
  LabelTotalFiles->setText(QString::number(names.size()));
}

void ShowMissingFiles(QWidget* parent, const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const std::vector<std::string> missing = MissingTileNames(paths);
  if (missing.empty()) {
    ShowMessage(parent, TMsgKind::Information, "No missing tiles/files.");
    return;
  }
  TFormMissingFiles form(parent);
  form.SetNames(missing);
  form.exec();
}
