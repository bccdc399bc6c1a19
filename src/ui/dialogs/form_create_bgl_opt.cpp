#include "ui/dialogs/form_create_bgl_opt.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>
#include <climits>

#include "core/mesh/mesh.h"
#include "ui/widgets/app_folders.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/form_fields.h"
#include "ui/widgets/message_box.h"

namespace {

QLabel* Label(const QString& text, QWidget* parent, const char* name = nullptr) {
  auto* l = new QLabel(text, parent);
  if (name) l->setObjectName(name);
  return l;
}

}  // namespace

TFormCreateBGLOpt::TFormCreateBGLOpt(QWidget* parent) : QDialog(parent) {
  setWindowTitle("BGL Options");
  setObjectName("TFormCreateBGLOpt");

  // Destination BGL
  auto* groupDest = new QGroupBox(" Destination BGL ", this);
  LabelSelect = Label(QString(), groupDest, "LabelSelect");
  LabelSelect->setMinimumWidth(300);
  LabelSelect->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  BitBtnSelect = new QPushButton("Change", groupDest);
  auto* destLayout = new QHBoxLayout(groupDest);
  destLayout->addWidget(LabelSelect, 1);
  destLayout->addWidget(BitBtnSelect);

  // Generated INF
  auto* groupInf = new QGroupBox(" Program Generated INF File ", this);
  SpinEditLOD = new QSpinBox(groupInf);
  SpinEditLOD->setRange(0, 15);
  SpinEditLOD->setToolTip("Level Of Detail");
  LabelLODmeters = Label(QString(), groupInf, "LabelLODmeters");
  SpinEditBaseValue = new QSpinBox(groupInf);
  SpinEditBaseValue->setRange(INT_MIN, INT_MAX);
  SpinEditBaseValue->setToolTip("Resample will add this height to every sample");
  auto* infLayout = new QGridLayout(groupInf);
  infLayout->addWidget(Label("LOD", groupInf), 0, 0);
  infLayout->addWidget(SpinEditLOD, 0, 1);
  infLayout->addWidget(LabelLODmeters, 0, 2);
  infLayout->addWidget(Label("Base Value", groupInf), 1, 0);
  infLayout->addWidget(SpinEditBaseValue, 1, 1);
  infLayout->addWidget(Label("m", groupInf), 1, 2);

  // Bands
  auto* groupBands = new QGroupBox(" Size of Overlapping Bands  ", this);
  auto* bandLayout = new QGridLayout(groupBands);
  auto band = [&](int row, const char* caption, const char* unit, QSpinBox*& spin, QLabel*& label,
                  QLabel*& unitLabel) {
    spin = new QSpinBox(groupBands);
    spin->setRange(0, 0);
    label = Label(caption, groupBands);
    unitLabel = Label(unit, groupBands);
    for (QWidget* w : {static_cast<QWidget*>(spin), static_cast<QWidget*>(label),
                       static_cast<QWidget*>(unitLabel)})
      w->setEnabled(false);
    bandLayout->addWidget(label, row, 0);
    bandLayout->addWidget(spin, row, 1);
    bandLayout->addWidget(unitLabel, row, 2);
  };
  band(0, "North Band", "Rows", SpinEditExtraBandNorth, LabelBandNorth, LabelUnitNorth);
  band(1, "South Band", "Rows", SpinEditExtraBandSouth, LabelBandSouth, LabelUnitSouth);
  band(2, "West Band", "Columns", SpinEditExtraBandWest, LabelBandWest, LabelUnitWest);
  band(3, "East Band", "Columns", SpinEditExtraBandEast, LabelBandEast, LabelUnitEast);

  CheckBoxDeleteTemp = new QCheckBox("Delete temporary files after completion", this);
  CheckBoxDeleteTemp->setChecked(true);

  // INF order
  auto* groupList = new QGroupBox(" Order of INF files in Resample Command Line ", this);
  ListBoxInfs = new QListWidget(groupList);
  ListBoxInfs->setObjectName("ListBoxInfs");
  BitBtnInfAdd = new QPushButton("Add...", groupList);
  BitBtnInfDel = new QPushButton("Remove", groupList);
  BitBtnInfDel->setEnabled(false);
  BitBtnInfUp = new QPushButton(groupList);
  BitBtnInfUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  BitBtnInfUp->setToolTip("Move up");
  BitBtnInfDown = new QPushButton(groupList);
  BitBtnInfDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
  BitBtnInfDown->setToolTip("Move down");
  auto* listButtons = new QVBoxLayout;
  for (QPushButton* b : {BitBtnInfAdd, BitBtnInfDel, BitBtnInfUp, BitBtnInfDown})
    listButtons->addWidget(b);
  listButtons->addStretch();
  auto* listLayout = new QHBoxLayout(groupList);
  listLayout->addWidget(ListBoxInfs, 1);
  listLayout->addLayout(listButtons);

  BitBtnHelp = new QPushButton("Help", this);
  BitBtnOK = new QPushButton("Create BGL", this);
  BitBtnOK->setDefault(true);
  BitBtnCancel = new QPushButton("Cancel", this);
  auto* buttons = NewHelpOkCancelRow(BitBtnHelp, BitBtnOK, BitBtnCancel);

  auto* top = new QHBoxLayout;
  top->addWidget(groupInf);
  top->addWidget(groupBands);
  auto* main = new QVBoxLayout(this);
  main->addWidget(groupDest);
  main->addLayout(top);
  main->addWidget(CheckBoxDeleteTemp);
  main->addWidget(groupList, 1);
  main->addLayout(buttons);

  ChooseBglFile = [this] {
    TFileDialogRequest r;
    r.kind = TFileDialogRequest::Save;
    r.title = "Select File Name";
    r.folder = SaveDialogFolder;
    r.filter = "BGL|*.bgl";
    r.defaultSuffix = "bgl";
    r.proposedName = SaveDialogFileName;
    return RunFileDialog(this, r);
  };
  ChooseInfFile = [this] {
    TFileDialogRequest r;
    r.kind = TFileDialogRequest::Open;
    r.title = "Select an additional INF file";
    r.filter = "INF files (*.inf)|*.inf";
    return RunFileDialog(this, r);
  };

  connect(SpinEditLOD, &QSpinBox::valueChanged, this, &TFormCreateBGLOpt::SpinEditLODChange);
  connect(BitBtnSelect, &QPushButton::clicked, this, &TFormCreateBGLOpt::BitBtnSelectClick);
  connect(BitBtnInfAdd, &QPushButton::clicked, this, &TFormCreateBGLOpt::BitBtnInfAddClick);
  connect(ListBoxInfs, &QListWidget::currentRowChanged, this, &TFormCreateBGLOpt::ListBoxInfsClick);
  connect(BitBtnInfDel, &QPushButton::clicked, this, &TFormCreateBGLOpt::BitBtnInfDelClick);
  connect(BitBtnInfUp, &QPushButton::clicked, this, &TFormCreateBGLOpt::BitBtnInfUpClick);
  connect(BitBtnInfDown, &QPushButton::clicked, this, &TFormCreateBGLOpt::BitBtnInfDownClick);
  connect(BitBtnHelp, &QPushButton::clicked, this, &TFormCreateBGLOpt::BitBtnHelpClick);
  connect(BitBtnOK, &QPushButton::clicked, this, &TFormCreateBGLOpt::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // FormCreate
  SpinEditLODChange();
  ListBoxInfs->addItem(GeneratedInfMarker);
}

void TFormCreateBGLOpt::SetupFromMesh(const TTMesh& mesh, const QString& bglFolder) {
  SaveDialogFolder = bglFolder;
  SaveDialogFileName = QString::fromStdString(DefaultBglName(mesh));
  BglPath = QString::fromStdString(DefaultBglPath(bglFolder.toStdString(), mesh));
  ShowBglPath();
  const int lod = DefaultLod(mesh);
  SpinEditLOD->setValue(lod);
  SpinEditLODChange();
  const TBandChoices c = BandChoices(mesh, lod);
  auto apply = [](const TBandChoice& choice, QSpinBox* spin, QLabel* label, QLabel* unit) {
    if (!choice.Enabled) return;
    spin->setEnabled(true);
    label->setEnabled(true);
    unit->setEnabled(true);
    spin->setRange(0, choice.Maximum);
    spin->setValue(choice.Proposal);
  };
  apply(c.North, SpinEditExtraBandNorth, LabelBandNorth, LabelUnitNorth);
  apply(c.South, SpinEditExtraBandSouth, LabelBandSouth, LabelUnitSouth);
  apply(c.West, SpinEditExtraBandWest, LabelBandWest, LabelUnitWest);
  apply(c.East, SpinEditExtraBandEast, LabelBandEast, LabelUnitEast);
}

TBandOverlap TFormCreateBGLOpt::Overlap() const {
  return TBandOverlap{SpinEditExtraBandNorth->value(), SpinEditExtraBandSouth->value(),
                      SpinEditExtraBandWest->value(), SpinEditExtraBandEast->value()};
}

std::vector<std::string> TFormCreateBGLOpt::InfEntries() const {
  std::vector<std::string> entries;
  for (int i = 0; i < ListBoxInfs->count(); ++i)
    entries.push_back(ListBoxInfs->item(i)->text().toStdString());
  return entries;
}

void TFormCreateBGLOpt::SpinEditLODChange() {
  LabelLODmeters->setText(QString::fromStdString(LodLabelText(SpinEditLOD->value())));
}

void TFormCreateBGLOpt::ShowBglPath() { ShowShortenedPath(LabelSelect, BglPath); }

void TFormCreateBGLOpt::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ShowBglPath();
}

void TFormCreateBGLOpt::BitBtnSelectClick() {
  const QString file = ChooseBglFile ? ChooseBglFile() : QString();
  if (file.isEmpty()) return;
  BglPath = file;
  BglPathChosen = true;
  ShowBglPath();
}

void TFormCreateBGLOpt::accept() {
  if (!BglPathChosen && QFileInfo::exists(BglPath) &&
      !ShowMessage(this, TMsgKind::WarningQuestion,
                   "File already exists.\nDo you want to overwrite it?"))
    return;
  QDialog::accept();
}

void TFormCreateBGLOpt::BitBtnInfAddClick() {
  const QString file = ChooseInfFile ? ChooseInfFile() : QString();
  if (file.isEmpty()) return;
  for (int i = 0; i < ListBoxInfs->count(); ++i) {
    if (ListBoxInfs->item(i)->text().compare(file, Qt::CaseInsensitive) == 0) {
      ShowMessage(this, TMsgKind::Error, "INF file is already in the list.");
      return;
    }
  }
  ListBoxInfs->addItem(file);
}

void TFormCreateBGLOpt::ListBoxInfsClick() {
  const int row = ListBoxInfs->currentRow();
  BitBtnInfDel->setEnabled(row >= 0 && ListBoxInfs->item(row)->text() != GeneratedInfMarker);
}

void TFormCreateBGLOpt::BitBtnInfDelClick() {
  const int row = ListBoxInfs->currentRow();
  if (row >= 0 && ListBoxInfs->item(row)->text() != GeneratedInfMarker)
    delete ListBoxInfs->takeItem(row);
  ListBoxInfs->setCurrentRow(-1);
  BitBtnInfDel->setEnabled(false);
}

void TFormCreateBGLOpt::MoveSelected(int delta) {
  const int row = ListBoxInfs->currentRow();
  const int to = row + delta;
  if (row < 0 || to < 0 || to >= ListBoxInfs->count()) return;
  QListWidgetItem* item = ListBoxInfs->takeItem(row);
  ListBoxInfs->insertItem(to, item);
  ListBoxInfs->setCurrentRow(to);
}

void TFormCreateBGLOpt::BitBtnInfUpClick() { MoveSelected(-1); }
void TFormCreateBGLOpt::BitBtnInfDownClick() { MoveSelected(+1); }

void TFormCreateBGLOpt::BitBtnHelpClick() {
  emit helpRequested("creatingbgl_overview.htm");
  ShowHelpTopic(this, "creatingbgl_overview.htm");
}
