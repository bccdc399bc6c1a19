#include "ui/dialogs/form_about.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/app_name.h"
#include "ui/widgets/icons.h"
#include "version.h"

QString FormatVersionLabel(bool known, unsigned major, unsigned minor, unsigned build) {
  if (!known) return QStringLiteral("Version ?");
  return QStringLiteral("Version %1.%2  (build %3)").arg(major).arg(minor).arg(build);
}

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowTitle(QString());
  setFixedSize(335, 221);
  auto* bevel = new QFrame;
  bevel->setFrameShape(QFrame::StyledPanel);
  bevel->setFrameShadow(QFrame::Sunken);
  auto* icon = new QLabel;
  icon->setPixmap(AppIcon().pixmap(QSize(32, 32), devicePixelRatioF()));
  LabelProgName = new QLabel(QString::fromUtf8(AppName));
  LabelProgName->setObjectName("LabelProgName");
  QFont f = LabelProgName->font();
  f.setPointSize(10);
  f.setBold(true);
  LabelProgName->setFont(f);
  LabelProgName->setAlignment(Qt::AlignCenter);
  // The program's own version as the build records it (major.minor, with
  // the patch number as the build number).
  LabelVersion = new QLabel(
      FormatVersionLabel(true, DELVA_VERSION_MAJOR, DELVA_VERSION_MINOR, DELVA_VERSION_PATCH));
  LabelVersion->setObjectName("LabelVersion");
  LabelVersion->setAlignment(Qt::AlignCenter);
  LabelVersion->setMinimumWidth(135);
  auto* texts = new QVBoxLayout;
  texts->addStretch(1);
  texts->addWidget(LabelProgName);
  texts->addWidget(LabelVersion);
  texts->addStretch(1);
  auto* inner = new QHBoxLayout(bevel);
  inner->addWidget(icon, 0, Qt::AlignTop | Qt::AlignLeft);
  inner->addLayout(texts, 1);
  inner->addSpacing(32);
  auto* ok = new QPushButton("OK");
  ok->setObjectName("BitBtnOK");
  ok->setFixedSize(112, 31);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bevel, 1);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
}
