// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ChartImage.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include "common/VantorError.h"
#include "widgets/Dialogs.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {
int scale_ = 1;
}  // namespace

int ChartImageScale() { return scale_; }
void SetChartImageScale(int scale) { scale_ = scale == 2 ? 2 : 1; }

QImage WidgetImage(QWidget& widget, int scale) {
  QImage image(widget.size() * scale, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(scale, scale);
  // Drawn again at the image's scale (the charts are vectors), not the screen's pixels
  // enlarged.
  widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
  painter.end();
  return image;
}

void SaveWidgetImage(QWidget* parent, QWidget& widget, const QString& name) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  QString path = Dialogs::Current().SaveFileName(parent, "Enregistrer l'image",
                                                 folder + "/" + name + ".png", "Images PNG (*.png)");
  if (path.isEmpty()) return;
  if (!path.endsWith(".png", Qt::CaseInsensitive)) path += ".png";
  const QImage image = WidgetImage(widget, ChartImageScale());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
    throw VantorError("Impossible d'enregistrer l'image dans le fichier " + ToStdString(path) +
                      "\n" + ToStdString(file.errorString()));
}

void CopyWidgetImage(QWidget& widget) {
  QGuiApplication::clipboard()->setImage(WidgetImage(widget, ChartImageScale()));
}

}  // namespace vantor
