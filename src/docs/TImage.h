// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture control of the wiring viewer and the tuning-method window: holds one
// decoded JPEG picture and shows it at its own size (the default), or fitted to the
// width it is given (never enlarged beyond its own size, proportions kept). A click on
// the picture switches between the two.
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <string>

namespace vantor {

// A QImage holding a copy of the pixels of the JPEG file at `path` (RGB, 8 bits a
// channel). Throws the decoder's VantorError ("Impossible d'ouvrir le fichier %s",
// "Erreur JPEG #%d", ...).
QImage LoadJpegImage(const std::string& path);

class TImage : public QWidget {
 public:
  explicit TImage(QWidget* parent = nullptr);

  // Replaces the picture by the file at `path`. On any error the picture held before
  // stays (none if there was none) and the error is thrown.
  void LoadFromFile(const std::string& path);
  void SetPicture(const QImage& picture);
  // The picture held; a null image when none was ever loaded.
  const QImage& Picture() const { return picture_; }

  // The width the picture may take when fitted (the owner's visible width).
  void SetAvailableWidth(int width);
  // True (the default): shown at its own size; false: fitted to the available width.
  bool ActualSize() const { return actualSize_; }
  void SetActualSize(bool actual);
  // Size the picture is shown at (0 × 0 without a picture).
  QSize DisplaySize() const;

  QSize sizeHint() const override { return DisplaySize(); }

  // Called after the picture has been replaced.
  std::function<void()> onPictureChanged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Relayout();

  QImage picture_;
  QPixmap scaled_;  // the picture at the displayed size, made once per size
  int availableWidth_ = 0;
  bool actualSize_ = true;
};

}  // namespace vantor
