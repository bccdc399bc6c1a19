#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Resample processing status": the compiler's console output, live, and the
// final status. The window outlives the command that opened it and frees
// itself when the user closes it; it refuses to close while Close is
// disabled (that is, while the compiler runs). Stop ends a compiler that
// hangs: the run polls StopRequested().
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
  QPushButton* BitBtnStop = nullptr;

  // Appends compiler output (clearing the memo first when it is full) and
  // scrolls to the last line.
  void AppendOutput(const QString& text);
  // Enables Close and gives it the focus: the window may now be closed.
  void AllowClose();
  // While the compiler runs (Close disabled).
  bool IsRunning() const;
  bool StopRequested() const { return stop_requested_; }

 signals:
  void RunEnded();

 public slots:
  void BitBtnCloseClick();
  void BitBtnStopClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool stop_requested_ = false;
};

// For the main window's close: when a compiler run of `owner` is going on,
// asks "Resample is still running. Stop it and exit?"; Yes stops it and
// closes `owner` once the run has ended. True when a run was going on (the
// close must wait).
bool StopResampleBeforeClose(QWidget* owner);
