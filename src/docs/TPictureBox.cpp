// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/TPictureBox.h"

#include <QScrollBar>
#include <algorithm>

namespace vantor {

TPictureBox::TPictureBox(QWidget* parent) : QScrollArea(parent), image_(new TImage) {
  image_->setObjectName("Image1");
  setWidgetResizable(false);
  setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  setFrameShape(QFrame::NoFrame);
  setWidget(image_);
  // A new picture is shown from its top left corner.
  image_->onPictureChanged = [this] {
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
  };
  UpdateAvailableWidth();
}

void TPictureBox::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  UpdateAvailableWidth();
}

void TPictureBox::UpdateAvailableWidth() {
  // The vertical scroll bar's room is always kept, so a fitted picture that turns out
  // taller than the window does not change the width it was fitted to.
  const int bar = verticalScrollBar()->sizeHint().width();
  image_->SetAvailableWidth(std::max(1, width() - 2 * frameWidth() - bar));
}

}  // namespace vantor
