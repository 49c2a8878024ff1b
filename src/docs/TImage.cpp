// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/TImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/JpegDecoder.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

const char* const kFitHint = "Cliquer pour voir l'image en taille réelle";
const char* const kActualHint = "Cliquer pour ajuster l'image à la largeur de la fenêtre";

}  // namespace

QImage LoadJpegImage(const std::string& path) {
  const DecodedPicture decoded = DecodeJpegFile(path);
  QImage image(decoded.width, decoded.height, QImage::Format_RGB888);
  if (image.isNull()) {
    throw VantorError("Mémoire insuffisante pour l'image (" + std::to_string(decoded.width) +
                      " × " + std::to_string(decoded.height) + " pixels)");
  }
  // QImage rows are padded to 4 bytes: copy row by row.
  const std::size_t rowBytes = static_cast<std::size_t>(decoded.width) * 3;
  for (int y = 0; y < decoded.height; ++y)
    std::memcpy(image.scanLine(y), decoded.rgb.data() + static_cast<std::size_t>(y) * rowBytes,
                rowBytes);
  return image;
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
  setToolTip(kActualHint);
  Relayout();
}

void TImage::LoadFromFile(const std::string& path) {
  SetPicture(LoadJpegImage(path));
}

void TImage::SetPicture(const QImage& picture) {
  picture_ = picture;
  scaled_ = QPixmap();
  Relayout();
  if (onPictureChanged) onPictureChanged();
}

void TImage::SetAvailableWidth(int width) {
  if (width == availableWidth_) return;
  availableWidth_ = width;
  Relayout();
}

void TImage::SetActualSize(bool actual) {
  actualSize_ = actual;
  setToolTip(actual ? kActualHint : kFitHint);
  Relayout();
}

QSize TImage::DisplaySize() const {
  if (picture_.isNull()) return QSize(0, 0);
  if (actualSize_ || availableWidth_ <= 0 || availableWidth_ >= picture_.width())
    return picture_.size();
  const int w = std::max(1, availableWidth_);
  const int h = std::max(1, static_cast<int>(std::lround(static_cast<double>(w) *
                                                         picture_.height() / picture_.width())));
  return QSize(w, h);
}

void TImage::Relayout() {
  setFixedSize(DisplaySize());
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  const QSize size = DisplaySize();
  if (scaled_.size() != size) {
    scaled_ =
        QPixmap::fromImage(size == picture_.size() ? picture_
                                                   : picture_.scaled(size, Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation));
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, scaled_);
}

void TImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !picture_.isNull()) {
    SetActualSize(!actualSize_);
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

}  // namespace vantor
