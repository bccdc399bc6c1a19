#pragma once

#include <QDialog>

class QPushButton;
class QTextEdit;
class TTMesh;

// "Terrain Mesh Information": the report of a mesh, labels bold and values
// regular, built when the dialog is shown. The mesh is not owned.
class TFormMeshInfo : public QDialog {
  Q_OBJECT
 public:
  TFormMeshInfo(QWidget* parent, const TTMesh* mesh);

  QTextEdit* RE;
  QPushButton* BitBtn1;

  // Fills RE from the mesh's current statistics.
  void BuildReport();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const TTMesh* mesh_;
};
