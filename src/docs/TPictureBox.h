// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scrolling area that carries a TImage across the top of a window, centred
// horizontally. Pictures larger than the window (the course sheets are 1131 × 1600 and
// 1600 × 1131 pixels) scroll both ways at their own size, or, fitted to its width,
// scroll vertically.
#include <QScrollArea>

#include "docs/TImage.h"

namespace vantor {

class TPictureBox : public QScrollArea {
 public:
  explicit TPictureBox(QWidget* parent = nullptr);

  TImage* Image() const { return image_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateAvailableWidth();

  TImage* image_;
};

}  // namespace vantor
