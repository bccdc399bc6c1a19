#include "ui/dialogs/form_mesh_info.h"

#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/mesh/mesh.h"
#include "core/mesh/mesh_info.h"

TFormMeshInfo::TFormMeshInfo(QWidget* parent, const TTMesh* mesh) : QDialog(parent), mesh_(mesh) {
  setWindowTitle("Terrain Mesh Information");
  RE = new QTextEdit(this);
  RE->setReadOnly(true);
  RE->setLineWrapMode(QTextEdit::NoWrap);
  RE->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RE->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setDefault(true);
  auto* l = new QVBoxLayout(this);
  l->addWidget(RE, 1);
  l->addWidget(BitBtn1, 0, Qt::AlignHCenter);
  resize(380, 340);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormMeshInfo::showEvent(QShowEvent* event) {
  BuildReport();
  QDialog::showEvent(event);
}

void TFormMeshInfo::BuildReport() {
  RE->clear();
  if (!mesh_) return;
  QTextCursor c(RE->document());
  QTextCharFormat bold, regular;
  bold.setFontWeight(QFont::Bold);
  regular.setFontWeight(QFont::Normal);
  bool first = true;
  for (const TTReportLine& line : MeshInfoReport(*mesh_)) {
    if (!first) c.insertBlock();
    first = false;
    if (line.IsBlank()) continue;
    c.insertText(QString::fromStdString(line.Label), bold);
    c.insertText(QString::fromStdString(line.Value), regular);
  }
  RE->moveCursor(QTextCursor::Start);
}
