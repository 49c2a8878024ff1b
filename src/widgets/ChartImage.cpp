// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ChartImage.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QBuffer>
#include <QStandardPaths>
#include <QWidget>

#include "common/OutputFile.h"
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
  const QString proposed = ToQString(AcceptableFileName(ToStdString(name + ".png")));
  QString path = Dialogs::Current().SaveFileName(parent, "Enregistrer l'image",
                                                 folder + "/" + proposed, "Images PNG (*.png)");
  if (path.isEmpty()) return;
  if (!path.endsWith(".png", Qt::CaseInsensitive)) path += ".png";
  // Written as every file the program writes for the user: the picture made in memory,
  // then the file replaced whole.
  OutputFile file(ToStdString(path));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!WidgetImage(widget, ChartImageScale()).save(&buffer, "PNG"))
    throw VantorError("Impossible d'enregistrer l'image dans le fichier " + ToStdString(path) +
                      "\nCause : l'image n'a pas pu être codée en PNG");
  file.Write(std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
  file.Commit();
}

void CopyWidgetImage(QWidget& widget) {
  QGuiApplication::clipboard()->setImage(WidgetImage(widget, ChartImageScale()));
}

}  // namespace vantor
