// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TPanel.h"

#include <QResizeEvent>

namespace vantor {

QColor Light3DColor() {
  return QColor(227, 227, 227);
}

TPanel::TPanel(QWidget* parent, const QString& name, const QString& caption)
    : QFrame(parent), caption_(new QLabel(caption, this)) {
  setObjectName(name);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setObjectName(name + "_caption");
  caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
  caption_->lower();
}

void TPanel::SetColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, color);
  setPalette(pal);
}

void TPanel::SetCaptionStyle(const QColor& color, bool bold) {
  QPalette pal = caption_->palette();
  pal.setColor(QPalette::WindowText, color);
  caption_->setPalette(pal);
  QFont f = caption_->font();
  f.setBold(bold);
  caption_->setFont(f);
}

void TPanel::SetBorder(bool single) {
  setFrameStyle(single ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
}

void TPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  caption_->setGeometry(contentsRect());
}

}  // namespace vantor
