// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading back the PDF files the printing tests produce, with poppler's tools.
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <functional>

namespace vantor::testing::pdf {

inline bool HasTools() {
  for (const char* tool : {"pdfinfo", "pdftotext", "pdftoppm"})
    if (QStandardPaths::findExecutable(tool).isEmpty()) return false;
  return true;
}

inline QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// A field of pdfinfo's report ("Pages", "Title", ...), empty when absent.
inline QString Info(const QString& pdf, const QString& field) {
  const QRegularExpression line("^" + QRegularExpression::escape(field) + ":[ \\t]*(.*)$",
                                QRegularExpression::MultilineOption);
  const QRegularExpressionMatch m = line.match(Run("pdfinfo", {pdf}));
  return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

inline QString Text(const QString& pdf) {
  return Run("pdftotext", {pdf, "-"});
}

// Page `page` (from 1) rendered at `dpi`, written beside the PDF.
inline QImage Render(const QString& pdf, int page, int dpi) {
  const QString prefix = pdf + QString(".page%1").arg(page);
  Run("pdftoppm", {"-r", QString::number(dpi), "-png", "-f", QString::number(page), "-l",
                   QString::number(page), "-singlefile", pdf, prefix});
  return QImage(prefix + ".png");
}

// Where a rectangle of the page canvas (printer pixels) lies on `image`, a rendering of
// a whole page printed by `printer`.
inline QRectF OnImage(QPrinter& printer, const QImage& image, const QRect& canvasRect) {
  const QRectF paint = printer.pageLayout().paintRectPixels(printer.resolution());
  const double s = static_cast<double>(image.width()) /
                   printer.pageLayout().fullRectPixels(printer.resolution()).width();
  return QRectF((canvasRect.left() + paint.left()) * s, (canvasRect.top() + paint.top()) * s,
                canvasRect.width() * s, canvasRect.height() * s);
}

// The smallest rectangle holding every pixel of `image` that `ink` accepts.
inline QRect Bounds(const QImage& image, const std::function<bool(QRgb)>& ink) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (ink(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

}  // namespace vantor::testing::pdf
