#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Resample processing status": the compiler's console output, live, and the
// final status. The window outlives the command that opened it and frees
// itself when the user closes it; it refuses to close while Close is
// disabled (that is, while the compiler runs).
class TFormResampleOutput : public QWidget {
  Q_OBJECT

 public:
  // The memo keeps at most this many characters: above it, it is cleared
  // before more output is appended.
  static constexpr int kMaxMemoChars = 62000;

  explicit TFormResampleOutput(QWidget* parent = nullptr);

  QPlainTextEdit* MemoOut = nullptr;
  QLabel* LabelStatus = nullptr;
  QPushButton* BitBtnClose = nullptr;

  // Appends compiler output (clearing the memo first when it is full) and
  // scrolls to the last line.
  void AppendOutput(const QString& text);
  // Enables Close and gives it the focus: the window may now be closed.
  void AllowClose();

 public slots:
  void BitBtnCloseClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
};
