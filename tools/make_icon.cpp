// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's desktop icon: a small instrument whose screen shows a setpoint
// step (red) and the loop's answer with its overshoot (blue). One drawing gives the
// scalable SVG and every PNG size of the hicolor theme, so they always agree. The files
// are committed; run this program again only to change them:
//
//   make-icon <repository folder>
//
// Output: packaging/icons/hicolor/scalable/apps/regulateur-vantor.svg and
// packaging/icons/hicolor/<N>x<N>/apps/regulateur-vantor.png. The output depends on
// nothing but this file (no fonts, no time stamps).
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace {

constexpr double kCanvas = 64;  // drawing units of the SVG's view box
const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Shape {
  enum Kind { RoundedRect, Polyline, Circle } kind;
  QPolygonF points;  // rectangle: top-left and bottom-right; circle: centre
  double radius = 0;
  QColor fill;    // invalid: none
  QColor stroke;  // invalid: none
  double width = 0;
};

// A list of points (QPolygonF's own braces would also read two points as a rectangle).
QPolygonF Points(std::initializer_list<QPointF> points) {
  return QPolygonF(QList<QPointF>(points));
}

// The damped second-order answer to the step: overshoot of about 40 %, settling within
// the screen.
QPolygonF Response(double x0, double x1, double low, double high) {
  QPolygonF points;
  for (double x = x0; x <= x1 + 1e-9; x += 0.5) {
    const double t = (x - x0) / 3.0;
    const double y = 1.0 - std::exp(-0.28 * t) * std::cos(t);
    points << QPointF(x, std::round((low - y * (low - high)) * 100) / 100);
  }
  return points;
}

std::vector<Shape> Drawing() {
  const QColor frame(80, 89, 106), face(223, 228, 234), screen(255, 255, 255);
  const QColor axes(29, 60, 143), setpoint(214, 40, 40), feedback(21, 101, 192);
  const QColor led(46, 157, 71);
  const double low = 42, high = 23, step = 19, end = 51;
  return {
      {Shape::RoundedRect, Points({{3, 3}, {61, 61}}), 9, face, frame, 2},
      {Shape::RoundedRect, Points({{9, 9}, {55, 47}}), 3, screen, frame, 1.5},
      {Shape::Polyline, Points({{13, 13}, {13, 44}, {52, 44}}), 0, {}, axes, 1.5},
      {Shape::Polyline,
       Points({{14, low}, {step, low}, {step, high}, {end, high}}),
       0,
       {},
       setpoint,
       2.5},
      {Shape::Polyline, Response(step, end, low, high), 0, {}, feedback, 2.5},
      {Shape::Circle, Points({{15, 54}}), 2.5, led, {}, 0},
      {Shape::Circle, Points({{40, 54}}), 3, frame, {}, 0},
      {Shape::Circle, Points({{50, 54}}), 3, frame, {}, 0},
  };
}

QString Number(double v) {
  QString s = QString::number(v, 'f', 2);
  while (s.endsWith('0')) s.chop(1);
  if (s.endsWith('.')) s.chop(1);
  return s;
}

QString Paint(const Shape& s) {
  QString style = QString(" fill=\"%1\"").arg(s.fill.isValid() ? s.fill.name() : "none");
  if (s.stroke.isValid())
    style += QString(" stroke=\"%1\" stroke-width=\"%2\"").arg(s.stroke.name(), Number(s.width));
  return style;
}

QString Svg(const std::vector<Shape>& shapes) {
  QString svg = QString(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                    "viewBox=\"0 0 %1 %1\">\n")
                    .arg(Number(kCanvas));
  for (const Shape& s : shapes) {
    switch (s.kind) {
      case Shape::RoundedRect: {
        const QRectF r(s.points[0], s.points[1]);
        svg += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"%6/>\n")
                   .arg(Number(r.x()), Number(r.y()), Number(r.width()), Number(r.height()),
                        Number(s.radius), Paint(s));
        break;
      }
      case Shape::Polyline: {
        QString points;
        for (const QPointF& p : s.points)
          points += (points.isEmpty() ? "" : " ") + Number(p.x()) + "," + Number(p.y());
        svg += QString(
                   "  <polyline points=\"%1\"%2 stroke-linecap=\"round\" "
                   "stroke-linejoin=\"round\"/>\n")
                   .arg(points, Paint(s));
        break;
      }
      case Shape::Circle:
        svg +=
            QString("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\"%4/>\n")
                .arg(Number(s.points[0].x()), Number(s.points[0].y()), Number(s.radius), Paint(s));
        break;
    }
  }
  return svg + "</svg>\n";
}

QImage Png(const std::vector<Shape>& shapes, int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / kCanvas, size / kCanvas);
  for (const Shape& s : shapes) {
    p.setBrush(s.fill.isValid() ? QBrush(s.fill) : Qt::NoBrush);
    if (s.stroke.isValid())
      p.setPen(QPen(s.stroke, s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
      p.setPen(Qt::NoPen);
    switch (s.kind) {
      case Shape::RoundedRect:
        p.drawRoundedRect(QRectF(s.points[0], s.points[1]), s.radius, s.radius);
        break;
      case Shape::Polyline:
        p.drawPolyline(s.points);
        break;
      case Shape::Circle:
        p.drawEllipse(s.points[0], s.radius, s.radius);
        break;
    }
  }
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage : make-icon <dossier du dépôt>\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]) + "/packaging/icons/hicolor/";
  const std::vector<Shape> shapes = Drawing();
  const QString svgPath = root + "scalable/apps/regulateur-vantor.svg";
  QDir().mkpath(root + "scalable/apps");
  QFile svg(svgPath);
  if (!svg.open(QIODevice::WriteOnly) || svg.write(Svg(shapes).toUtf8()) < 0) {
    std::fprintf(stderr, "Impossible d'écrire %s\n", qPrintable(svgPath));
    return 1;
  }
  for (int size : kSizes) {
    const QString folder = root + QString("%1x%1/apps").arg(size);
    QDir().mkpath(folder);
    const QString path = folder + "/regulateur-vantor.png";
    if (!Png(shapes, size).save(path, "PNG")) {
      std::fprintf(stderr, "Impossible d'écrire %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
