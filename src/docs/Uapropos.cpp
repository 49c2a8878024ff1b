// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/Uapropos.h"

#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPolygon>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "common/Version.h"

namespace vantor {

namespace {

// The colours of the classic 16-colour palette the icon keeps to.
const QColor kBlack(0, 0, 0);
const QColor kGray(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kNavy(0, 0, 128);

}  // namespace

QImage ProgramIconImage() {
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  QPainter p(&icon);
  p.setRenderHint(QPainter::Antialiasing, false);

  // Instrument face: silver with a light top-left and a dark bottom-right edge.
  p.fillRect(QRect(1, 1, 30, 30), kSilver);
  p.setPen(kWhite);
  p.drawLine(1, 1, 30, 1);
  p.drawLine(1, 1, 1, 30);
  p.setPen(kBlack);
  p.drawLine(31, 1, 31, 31);
  p.drawLine(1, 31, 31, 31);
  p.setPen(kGray);
  p.drawLine(30, 2, 30, 30);
  p.drawLine(2, 30, 30, 30);

  // Screen with its axes.
  p.fillRect(QRect(4, 4, 24, 23), kWhite);
  p.setPen(kNavy);
  p.drawLine(6, 5, 6, 25);    // vertical axis
  p.drawLine(6, 25, 27, 25);  // time axis

  // Setpoint step (red) at t = 9, from 0 up to level 12.
  const int base = 24, level = 12;
  p.setPen(kRed);
  p.drawLine(7, base, 9, base);
  p.drawLine(9, base, 9, level);
  p.drawLine(9, level, 27, level);

  // Feedback (blue): a damped second-order answer with about 40 % overshoot.
  QPolygon response;
  for (int x = 9; x <= 27; ++x) {
    const double t = (x - 9) / 3.0;
    const double y = 1.0 - std::exp(-0.28 * t) * std::cos(1.0 * t);
    response << QPoint(x, static_cast<int>(std::lround(base - y * (base - level))));
  }
  p.setPen(kBlue);
  p.drawPolyline(response);
  p.end();
  return icon;
}

TAboutBox::TAboutBox(QWidget& owner) : QDialog(&owner) {
  setObjectName("AboutBox");
  setWindowTitle("A propos....");
  // Fixed dialog border: no resizing, close button only.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // The designed 298 x 213, and two lines below the panel for the working folder.
  setFixedSize(298, 247);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));

  // The panel: a lowered outer bevel around a raised inner one.
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(8, 8, 282, 161);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  auto* inner = new QFrame(Panel1);
  inner->setGeometry(1, 1, 280, 159);
  inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
  inner->setLineWidth(1);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(8, 8, 65, 57);
  ProgramIcon->setPixmap(QPixmap::fromImage(
      ProgramIconImage().scaled(65, 57, Qt::IgnoreAspectRatio, Qt::FastTransformation)));

  QFont big = font();
  big.setBold(true);
  big.setPointSizeF(font().pointSizeF() * 1.25);

  ProductName = new QLabel("Regulateur Vantor", Panel1);
  ProductName->setObjectName("ProductName");
  ProductName->setFont(big);
  ProductName->setGeometry(88, 14, 186, 24);

  Version = new QLabel(QString("Version ") + kProgramVersion, Panel1);
  Version->setObjectName("Version");
  Version->setGeometry(88, 40, 186, 18);

  Copyright =
      new QLabel(QString::fromUtf8("Conçu par l'équipe Régulateur Vantor pour l'enseignement de "
                                   "l'automatique"),
                 Panel1);
  Copyright->setObjectName("Copyright");
  Copyright->setWordWrap(true);
  Copyright->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Copyright->setGeometry(8, 72, 266, 36);

  // No address is shipped that would reach no one: on a lab bench the contact is the
  // teacher in charge of it.
  Comments = new QLabel(QString::fromUtf8("le professeur responsable du poste"), Panel1);
  Comments->setObjectName("Comments");
  Comments->setWordWrap(true);
  QPalette blue = Comments->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Comments->setPalette(blue);
  Comments->setGeometry(8, 110, 266, 20);

  Label1 = new QLabel("pour commentaires et informations...", Panel1);
  Label1->setObjectName("Label1");
  Label1->setGeometry(8, 134, 266, 20);

  // Where the settings and the course material are read (and the settings written):
  // the teacher looks here for the folder to back up or to share.
  FolderCaption = new QLabel("Dossier de travail :", this);
  FolderCaption->setObjectName("FolderCaption");
  FolderCaption->setGeometry(8, 172, 282, 16);
  WorkingFolder = new QLabel(this);
  WorkingFolder->setObjectName("WorkingFolder");
  WorkingFolder->setGeometry(8, 188, 282, 16);
  WorkingFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  const QString folder = QDir::toNativeSeparators(QDir::currentPath());
  WorkingFolder->setToolTip(folder);
  WorkingFolder->setText(
      QFontMetrics(WorkingFolder->font()).elidedText(folder, Qt::ElideMiddle, 282));

  CardInUse = new QLabel(this);
  CardInUse->setObjectName("CardInUse");
  CardInUse->setGeometry(8, 206, 282, 16);
  CardInUse->setTextInteractionFlags(Qt::TextSelectableByMouse);
  CardInUse->setVisible(false);

  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry(111, 212, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::ShowCard(const QString& text) {
  const QString line = "Carte : " + text;
  CardInUse->setToolTip(line);
  CardInUse->setText(QFontMetrics(CardInUse->font()).elidedText(line, Qt::ElideMiddle, 282));
  if (!CardInUse->isVisible() && CardInUse->isHidden()) {
    CardInUse->setVisible(true);
    OKButton->move(OKButton->x(), OKButton->y() + 20);
    setFixedSize(width(), height() + 20);
  }
}

}  // namespace vantor
