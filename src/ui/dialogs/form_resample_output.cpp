#include "ui/dialogs/form_resample_output.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/widgets/message_box.h"

TFormResampleOutput::TFormResampleOutput(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Resample processing status");
  setObjectName("TFormResampleOutput");

  MemoOut = new QPlainTextEdit(this);
  MemoOut->setObjectName("MemoOut");
  MemoOut->setReadOnly(true);
  MemoOut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoOut->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoOut->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QPalette pal = MemoOut->palette();
  pal.setColor(QPalette::Base, QColor(0, 0, 128));
  pal.setColor(QPalette::Text, Qt::white);
  MemoOut->setPalette(pal);

  LabelStatus = new QLabel(this);
  LabelStatus->setObjectName("LabelStatus");
  LabelStatus->setAlignment(Qt::AlignCenter);
  LabelStatus->setWordWrap(true);

  BitBtnClose = new QPushButton("Close", this);
  BitBtnClose->setObjectName("BitBtnClose");
  BitBtnClose->setEnabled(false);
  connect(BitBtnClose, &QPushButton::clicked, this, &TFormResampleOutput::BitBtnCloseClick);

  BitBtnStop = new QPushButton("Stop", this);
  BitBtnStop->setObjectName("BitBtnStop");
  connect(BitBtnStop, &QPushButton::clicked, this, &TFormResampleOutput::BitBtnStopClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtnStop);
  buttons->addWidget(BitBtnClose);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MemoOut, 1);
  layout->addWidget(LabelStatus);
  layout->addLayout(buttons);

  resize(640, 420);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
}

void TFormResampleOutput::AppendOutput(const QString& text) {
  if (text.isEmpty()) return;
  // characterCount() counts the document's closing paragraph separator too.
  if (MemoOut->document()->characterCount() - 1 > kMaxMemoChars) MemoOut->clear();
  QString piece = text;
  if (piece.size() > kMaxMemoChars) {
    // Megabytes in one poll: only the tail can be shown anyway.
    piece = piece.right(kMaxMemoChars);
    const qsizetype nl = piece.indexOf('\n');
    if (nl >= 0 && nl + 1 < piece.size()) piece = piece.mid(nl + 1);
    MemoOut->clear();
  }
  QTextCursor cursor = MemoOut->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(piece);
  MemoOut->setTextCursor(cursor);
  MemoOut->verticalScrollBar()->setValue(MemoOut->verticalScrollBar()->maximum());
}

void TFormResampleOutput::AllowClose() {
  const bool wasRunning = IsRunning();
  BitBtnStop->setEnabled(false);
  BitBtnClose->setEnabled(true);
  BitBtnClose->setFocus();
  if (wasRunning) emit RunEnded();
}

bool TFormResampleOutput::IsRunning() const { return !BitBtnClose->isEnabled(); }

void TFormResampleOutput::BitBtnCloseClick() { close(); }

void TFormResampleOutput::BitBtnStopClick() {
  stop_requested_ = true;
  BitBtnStop->setEnabled(false);
}

bool StopResampleBeforeClose(QWidget* owner) {
  TFormResampleOutput* running = nullptr;
  for (TFormResampleOutput* w : owner->findChildren<TFormResampleOutput*>())
    if (w->IsRunning()) running = w;
  if (!running) return false;
  if (!running->StopRequested() && ShowMessage(owner, TMsgKind::WarningQuestion,
                                               "Resample is still running. Stop it and exit?")) {
    QObject::connect(running, &TFormResampleOutput::RunEnded, owner, &QWidget::close,
                     Qt::QueuedConnection);
    running->BitBtnStopClick();
  }
  return true;
}

void TFormResampleOutput::closeEvent(QCloseEvent* event) {
  if (BitBtnClose->isEnabled())
    event->accept();
  else
    event->ignore();
}
