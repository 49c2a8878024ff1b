// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the course pictures shipped in aide/ and méthode/: the wiring diagrams of a
// position loop and of a speed loop, the wiring of the USB interface board, and the two
// tuning-method sheets. The files are
// committed; run this program again only to change them:
//
//   make-pictures <repository folder>
//
// Pictures are A4-proportioned (1600 pixels on the long side, see kPixelsPerUnit) so they
// read at their own size and print sharply, and written as JPEG, quality 90. The program that shows them decodes them with libjpeg.
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QColor kInk(20, 20, 20);
const QColor kBlue(20, 60, 170);
const QColor kRed(190, 30, 30);
const QColor kGreen(0, 120, 60);
const QColor kTimer(110, 40, 150);
const QColor kCardFill(232, 240, 252);
const QColor kBlockFill(255, 255, 255);
const QColor kProcessFill(255, 246, 225);
const QColor kNoteFill(245, 245, 245);

// The pictures are drawn in frames of 2000 × 1414 (or 1414 × 2000) units with text of
// 17 units and more, and written at 0.8 pixel a unit: 1600 × 1131 pixels, whose smallest
// text is 13.6 pixels high at the picture's own size, on a 1280 × 1024 screen as on a
// larger one, while an A4 page still gets about 150 pixels an inch.
constexpr double kPixelsPerUnit = 0.8;

QFont Font(int pixels, bool bold = false, bool italic = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setItalic(italic);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

// French typography: no-break spaces inside « » and before : ; ! ?, so that a line
// never starts with a closing guillemet or a colon.
QString FrenchSpacing(QString s) {
  static const QChar kNoBreak(0x00A0);
  s.replace(QStringLiteral("« "), QStringLiteral("«") + kNoBreak);
  for (const QString& mark : {QStringLiteral("»"), QStringLiteral(":"), QStringLiteral(";"),
                             QStringLiteral("!"), QStringLiteral("?")})
    s.replace(QLatin1Char(' ') + mark, kNoBreak + mark);
  return s;
}

// Drawing helpers shared by the pictures.
class Sheet {
 public:
  // Drawn in a frame of `width` × `height` units, written at `scale` pixels a unit.
  Sheet(int width, int height, double scale = kPixelsPerUnit)
      : image_(static_cast<int>(std::lround(width * scale)),
               static_cast<int>(std::lround(height * scale)), QImage::Format_RGB32),
        width_(width) {
    image_.fill(Qt::white);
    p_.begin(&image_);
    p_.setRenderHint(QPainter::Antialiasing);
    p_.setRenderHint(QPainter::TextAntialiasing);
    p_.scale(scale, scale);
  }

  QPainter& painter() { return p_; }
  // Width of the drawing frame, in units.
  int width() const { return width_; }

  bool Save(const QString& path) {
    p_.end();
    return image_.save(path, "JPG", 90);
  }

  void Text(const QRectF& r, const QString& s, const QFont& f, const QColor& c = kInk,
            int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap) {
    p_.setFont(f);
    p_.setPen(c);
    p_.drawText(r, flags, FrenchSpacing(s));
  }

  void TextAt(QPointF at, const QString& s, const QFont& f, const QColor& c = kInk,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(s) + 4, h = fm.height();
    double x = at.x(), y = at.y();
    if (align & Qt::AlignHCenter) x -= w / 2;
    if (align & Qt::AlignRight) x -= w;
    if (align & Qt::AlignVCenter) y -= h / 2;
    if (align & Qt::AlignBottom) y -= h;
    Text(QRectF(x, y, w, h), s, f, c, Qt::AlignLeft | Qt::AlignTop);
  }

  // Text on a white patch, for labels that sit on lines.
  void Label(QPointF at, const QString& s, const QFont& f, const QColor& c = kInk,
             Qt::Alignment align = Qt::AlignCenter) {
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(s) + 12, h = fm.height() + 4;
    double x = at.x() - w / 2, y = at.y() - h / 2;
    if (align & Qt::AlignLeft) x = at.x();
    if (align & Qt::AlignRight) x = at.x() - w;
    p_.fillRect(QRectF(x, y, w, h), Qt::white);
    Text(QRectF(x, y, w, h), s, f, c, Qt::AlignCenter);
  }

  void Box(const QRectF& r, const QColor& fill, const QColor& border, double width = 3,
           Qt::PenStyle style = Qt::SolidLine, double radius = 12) {
    p_.setPen(QPen(border, width, style));
    p_.setBrush(fill);
    p_.drawRoundedRect(r, radius, radius);
    p_.setBrush(Qt::NoBrush);
  }

  // A box with a bold title line and text below it.
  void TitledBox(const QRectF& r, const QString& title, const QString& body, const QColor& fill,
                 const QColor& border, int titlePx = 26, int bodyPx = 23,
                 Qt::PenStyle style = Qt::SolidLine) {
    Box(r, fill, border, 3, style);
    const QRectF inner = r.adjusted(16, 10, -16, -10);
    const QFont tf = Font(titlePx, true);
    const QRectF titleRect =
        QFontMetricsF(tf).boundingRect(inner, Qt::AlignHCenter | Qt::TextWordWrap, title);
    Text(inner, title, tf, border == kInk ? kInk : border,
         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    if (!body.isEmpty())
      Text(inner.adjusted(0, titleRect.height() + 8, 0, 0), body, Font(bodyPx), kInk,
           Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
  }

  void Line(QPointF a, QPointF b, const QColor& c, double width = 3,
            Qt::PenStyle style = Qt::SolidLine) {
    p_.setPen(QPen(c, width, style, Qt::RoundCap, Qt::RoundJoin));
    p_.drawLine(a, b);
  }

  void Polyline(const std::vector<QPointF>& pts, const QColor& c, double width = 3,
                Qt::PenStyle style = Qt::SolidLine) {
    p_.setPen(QPen(c, width, style, Qt::RoundCap, Qt::RoundJoin));
    p_.drawPolyline(pts.data(), static_cast<int>(pts.size()));
  }

  void ArrowHead(QPointF tip, QPointF from, const QColor& c, double size = 18) {
    const double dx = tip.x() - from.x(), dy = tip.y() - from.y();
    const double len = std::hypot(dx, dy);
    if (len == 0) return;
    const double ux = dx / len, uy = dy / len;
    QPolygonF head;
    head << tip
         << QPointF(tip.x() - size * ux + size * 0.45 * uy, tip.y() - size * uy - size * 0.45 * ux)
         << QPointF(tip.x() - size * ux - size * 0.45 * uy, tip.y() - size * uy + size * 0.45 * ux);
    p_.setPen(Qt::NoPen);
    p_.setBrush(c);
    p_.drawPolygon(head);
    p_.setBrush(Qt::NoBrush);
  }

  // A wire along the given points with an arrow at its end.
  void Wire(const std::vector<QPointF>& pts, const QColor& c, double width = 4,
            Qt::PenStyle style = Qt::SolidLine) {
    Polyline(pts, c, width, style);
    ArrowHead(pts.back(), pts[pts.size() - 2], c, 14 + width * 2);
  }

  // A dimension line with arrows at both ends.
  void Dimension(QPointF a, QPointF b, const QColor& c, double width = 2.5) {
    Line(a, b, c, width);
    ArrowHead(a, b, c, 16);
    ArrowHead(b, a, c, 16);
  }

  void Terminal(QPointF at, const QColor& c = kInk) {
    p_.setPen(QPen(c, 3));
    p_.setBrush(Qt::white);
    p_.drawEllipse(at, 10, 10);
    p_.setBrush(Qt::NoBrush);
  }

  void Dot(QPointF at, const QColor& c, double r = 7) {
    p_.setPen(Qt::NoPen);
    p_.setBrush(c);
    p_.drawEllipse(at, r, r);
    p_.setBrush(Qt::NoBrush);
  }

  // Ground symbol hanging below `at`.
  void Ground(QPointF at, const QColor& c = kGreen) {
    Line(at, at + QPointF(0, 26), c, 3);
    for (int i = 0; i < 3; ++i) {
      const double half = 24 - i * 8, y = at.y() + 26 + i * 9;
      Line(QPointF(at.x() - half, y), QPointF(at.x() + half, y), c, 3);
    }
  }

  // A rotating machine: circle with a letter.
  void Machine(QPointF centre, double r, const QString& letter, const QColor& fill) {
    p_.setPen(QPen(kInk, 4));
    p_.setBrush(fill);
    p_.drawEllipse(centre, r, r);
    p_.setBrush(Qt::NoBrush);
    Text(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), letter, Font(int(r * 0.9), true),
         kInk, Qt::AlignCenter);
  }

  // Two meshing gear wheels inside a box.
  void Gears(const QRectF& r) {
    Box(r, kProcessFill, kInk, 3);
    const QPointF c1(r.left() + r.width() * 0.34, r.center().y() - 8);
    const QPointF c2(r.left() + r.width() * 0.68, r.center().y() - 8);
    const double r1 = r.height() * 0.26, r2 = r.height() * 0.16;
    for (auto [c, rr, teeth] : {std::tuple{c1, r1, 12}, std::tuple{c2, r2, 8}}) {
      QPolygonF g;
      for (int i = 0; i < teeth * 2; ++i) {
        const double a = M_PI * i / teeth;
        const double rad = (i % 2 == 0) ? rr : rr * 0.78;
        g << QPointF(c.x() + rad * std::cos(a), c.y() + rad * std::sin(a));
      }
      p_.setPen(QPen(kInk, 2.5));
      p_.setBrush(QColor(200, 200, 210));
      p_.drawPolygon(g);
      p_.setBrush(Qt::white);
      p_.drawEllipse(c, rr * 0.2, rr * 0.2);
    }
    p_.setBrush(Qt::NoBrush);
  }

  // A vertical potentiometer: resistor between `top` and `bottom`, wiper arrow from the right.
  void Potentiometer(QPointF top, QPointF bottom, QPointF wiperOut) {
    const double x = top.x();
    const double h = bottom.y() - top.y();
    Line(top, QPointF(x, top.y() + h * 0.2), kInk, 4);
    Line(QPointF(x, bottom.y() - h * 0.2), bottom, kInk, 4);
    p_.setPen(QPen(kInk, 4));
    p_.setBrush(Qt::white);
    p_.drawRect(QRectF(x - 18, top.y() + h * 0.2, 36, h * 0.6));
    p_.setBrush(Qt::NoBrush);
    const QPointF tip(x + 22, top.y() + h * 0.5);
    Line(wiperOut, tip + QPointF(14, 0), kInk, 4);
    ArrowHead(tip, wiperOut, kInk, 22);
  }

 private:
  QImage image_;
  int width_;
  QPainter p_;
};

// ---------------------------------------------------------------------------------------
// Wiring diagrams

enum class Loop { kPosition, kSpeed };

void DrawWiring(Sheet& s, Loop loop) {
  const bool position = loop == Loop::kPosition;
  const QFont small = Font(22), normal = Font(25), bold = Font(26, true);

  // Title.
  s.Text(QRectF(0, 24, s.width(), 60),
         position ? QStringLiteral("Asservissement de POSITION d'un moteur à courant continu")
                  : QStringLiteral("Asservissement de VITESSE d'un moteur à courant continu"),
         Font(44, true), kBlue, Qt::AlignHCenter | Qt::AlignTop);
  s.Text(
      QRectF(0, 86, s.width(), 40),
      position
          ? QStringLiteral("Exemple de branchement : carte d'acquisition, amplificateur, moteur, "
                           "réducteur et potentiomètre de recopie")
          : QStringLiteral("Exemple de branchement : carte d'acquisition, amplificateur, moteur et "
                           "génératrice tachymétrique"),
      Font(26, false, true), kInk, Qt::AlignHCenter | Qt::AlignTop);

  // The card and its two blocks of ports.
  const QRectF card(40, 160, 760, 840);
  s.Box(card, kCardFill, kBlue, 5, Qt::SolidLine, 18);
  s.Text(QRectF(card.left(), card.top() + 12, 616, 44),
         QStringLiteral("Carte d'acquisition (dans le PC)"), Font(31, true), kBlue,
         Qt::AlignHCenter | Qt::AlignTop);
  s.TitledBox(QRectF(64, 230, 576, 300), QStringLiteral("ADR1 $330 : convertisseur, sorties, 8254"),
              QStringLiteral("convertisseur analogique/numérique 12 bits\n(gamme unipolaire "
                             "0-10 V)\n\nsortie analogique 1 (12 bits)\nsortie analogique 2 "
                             "(12 bits, ±10 V)\n\ntemporisateur 8254 (compteurs 0, 1 et 2)"),
              kBlockFill, kBlue, 24, 24);
  s.TitledBox(QRectF(64, 560, 576, 250),
              QStringLiteral("ADR2 $340 : entrées/sorties logiques, multiplexeur"),
              QStringLiteral("multiplexeur 8 voies\n(entrées analogiques 0 à 7)\n8 entrées "
                             "logiques (actives à l'état bas)\n8 sorties logiques"),
              kBlockFill, kBlue, 26, 24);
  s.Text(QRectF(64, 840, 576, 140),
         QStringLiteral("Adresses d'usine $330 et $340 ; à changer dans « Paramétrage » si la "
                        "carte est configurée autrement (prises en compte au redémarrage)."),
         Font(21, false, true), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // Terminal strip on the card's right edge.
  const double stripX = 656, termX = 800;
  s.Box(QRectF(stripX, 200, 144, 760), QColor(210, 218, 235), kInk, 3, Qt::SolidLine, 6);
  s.Text(QRectF(stripX, 205, 144, 30), QStringLiteral("bornier"), Font(20, false, true), kInk,
         Qt::AlignHCenter | Qt::AlignTop);
  struct Term {
    double y;
    QString name;
  };
  const double yE0 = 290, yE1 = 410, yS2 = 560, yS1 = 750, yGnd = 920;
  for (const Term& t :
       {Term{yE0, "E0"}, Term{yE1, "E1"}, Term{yS2, "S2"}, Term{yS1, "S1"}, Term{yGnd, "masse"}}) {
    s.Text(QRectF(stripX + 4, t.y - 20, 118, 40), t.name, Font(24, true), kInk,
           Qt::AlignRight | Qt::AlignVCenter);
    s.Terminal(QPointF(termX, t.y));
  }

  // External setpoint source on input 0 (optional, dashed).
  const QRectF source(1120, 170, 480, 150);
  s.TitledBox(source, QStringLiteral("Source de consigne externe"),
              QStringLiteral("(facultative) tension 0 à 10 V\nchoix « externe » dans le logiciel"),
              kNoteFill, kInk, 25, 22, Qt::DashLine);
  s.Wire({QPointF(source.left(), yE0), QPointF(termX + 10, yE0)}, kInk, 4, Qt::DashLine);
  s.Label(QPointF(termX + 20, yE0 - 32), QStringLiteral("consigne externe 0/10 V"), small, kInk,
          Qt::AlignLeft);
  s.Ground(QPointF(source.left() + 40, source.bottom()));

  // Power amplifier driven by output 2.
  const QRectF amp(1100, 480, 270, 170);
  s.TitledBox(amp, QStringLiteral("Amplificateur de puissance"), QStringLiteral("entrée ±10 V"),
              kProcessFill, kInk, 24, 22);
  s.Wire({QPointF(termX + 10, yS2), QPointF(amp.left(), yS2)}, kRed, 5);
  s.Label(QPointF(termX + 20, yS2 - 34), QStringLiteral("ordre de commande"), small, kRed,
          Qt::AlignLeft);
  s.Label(QPointF(termX + 20, yS2 + 34), QStringLiteral("±10 V"), small, kRed, Qt::AlignLeft);
  s.Text(QRectF(amp.left(), amp.top() - 40, amp.width(), 36),
         QStringLiteral("alimentation de puissance"), Font(20, false, true), kInk,
         Qt::AlignHCenter | Qt::AlignBottom);
  s.Ground(QPointF(amp.right() - 40, amp.bottom()));

  // Motor.
  const QPointF motor(1530, yS2);
  s.Line(QPointF(amp.right(), yS2 - 14), QPointF(motor.x() - 75, yS2 - 14), kRed, 5);
  s.Line(QPointF(amp.right(), yS2 + 14), QPointF(motor.x() - 75, yS2 + 14), kRed, 5);
  s.Machine(motor, 78, QStringLiteral("M"), QColor(250, 225, 200));
  s.Text(QRectF(motor.x() - 150, motor.y() + 88, 300, 70),
         QStringLiteral("Moteur à courant\ncontinu"), Font(23, true), kInk,
         Qt::AlignHCenter | Qt::AlignTop);

  // Feedback sensor and the feedback wire to input 1.
  const double retourY = 410;  // same height as E1
  if (position) {
    const QRectF gear(1680, 480, 190, 130);
    s.Line(QPointF(motor.x() + 78, yS2 - 6), QPointF(gear.left(), yS2 - 6), kInk, 4);
    s.Line(QPointF(motor.x() + 78, yS2 + 6), QPointF(gear.left(), yS2 + 6), kInk, 4);
    s.Gears(gear);
    s.Text(QRectF(gear.left() - 20, gear.bottom() - 40, gear.width() + 40, 36),
           QStringLiteral("réducteur"), Font(22, true), kInk, Qt::AlignHCenter | Qt::AlignTop);
    // Output shaft down to the potentiometer.
    const double shaftX = gear.center().x();
    s.Line(QPointF(shaftX - 6, gear.bottom()), QPointF(shaftX - 6, 700), kInk, 4);
    s.Line(QPointF(shaftX + 6, gear.bottom()), QPointF(shaftX + 6, 700), kInk, 4);
    s.Text(QRectF(shaftX + 18, 620, 140, 60), QStringLiteral("arbre de\nsortie"),
           Font(20, false, true), kInk, Qt::AlignLeft | Qt::AlignVCenter);
    const QPointF potTop(shaftX, 720), potBottom(shaftX, 900);
    s.Text(QRectF(potTop.x() - 200, potTop.y() - 6, 180, 34), QStringLiteral("+10 V"),
           Font(23, true), kRed, Qt::AlignRight | Qt::AlignTop);
    s.Dot(potTop, kRed);
    const QPointF wiper(1940, 810);
    s.Potentiometer(potTop, potBottom, wiper);
    s.Ground(potBottom);
    s.Text(QRectF(shaftX - 330, 800, 300, 70), QStringLiteral("potentiomètre\nde recopie"),
           Font(23, true), kInk, Qt::AlignRight | Qt::AlignTop);
    s.Wire({wiper, QPointF(1940, retourY), QPointF(termX + 10, retourY)}, kBlue, 4);
    s.Label(QPointF(1560, retourY - 30), QStringLiteral("retour : position mesurée (0-10 V)"),
            small, kBlue);
    s.Text(QRectF(1225, 728, 320, 190),
           QStringLiteral("Le potentiomètre, alimenté entre 0 V et +10 V, donne par son curseur "
                          "la position de l'arbre de sortie. Garder le retour entre 0 et 10 V "
                          "(attention aux butées)."),
           Font(20, false, true), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
  } else {
    const QPointF tacho(1790, yS2);
    s.Line(QPointF(motor.x() + 78, yS2 - 6), QPointF(tacho.x() - 70, yS2 - 6), kInk, 4);
    s.Line(QPointF(motor.x() + 78, yS2 + 6), QPointF(tacho.x() - 70, yS2 + 6), kInk, 4);
    s.Text(QRectF(motor.x() + 60, yS2 - 52, tacho.x() - motor.x() - 120, 30),
           QStringLiteral("arbre"), Font(20, false, true), kInk, Qt::AlignHCenter | Qt::AlignTop);
    s.Text(QRectF(1225, 728, 720, 140),
           QStringLiteral("L'entrée est unipolaire (0 à 10 V) : la génératrice doit donner une "
                          "tension positive dans le sens de rotation utilisé ; le pont diviseur "
                          "ramène la tension de la vitesse maximale à 10 V au plus."),
           Font(21, false, true), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    s.Machine(tacho, 70, QStringLiteral("G"), QColor(215, 235, 215));
    s.Text(QRectF(tacho.x() - 170, tacho.y() + 80, 340, 70),
           QStringLiteral("génératrice\ntachymétrique"), Font(23, true), kInk,
           Qt::AlignHCenter | Qt::AlignTop);
    // Output through a divider so the feedback stays within 0-10 V.
    const QRectF divider(1680, 190, 250, 140);
    s.TitledBox(divider, QStringLiteral("adaptation"), QStringLiteral("pont diviseur\nsi besoin"),
                kNoteFill, kInk, 22, 20);
    s.Wire({QPointF(tacho.x() + 70, yS2), QPointF(1960, yS2), QPointF(1960, divider.center().y()),
            QPointF(divider.right(), divider.center().y())},
           kInk, 3);
    s.Ground(QPointF(divider.right() - 36, divider.bottom()));
    s.Wire({QPointF(divider.left() + 50, divider.bottom()), QPointF(divider.left() + 50, retourY),
            QPointF(termX + 10, retourY)},
           kBlue, 4);
    s.Label(QPointF(1450, retourY - 30), QStringLiteral("retour : vitesse mesurée (0-10 V)"), small,
            kBlue);
  }
  s.Label(QPointF(termX + 20, retourY + 30), QStringLiteral("retour"), Font(22, true), kBlue,
          Qt::AlignLeft);

  // Output 1 and ground.
  s.Line(QPointF(termX + 10, yS1), QPointF(900, yS1), kInk, 3, Qt::DotLine);
  s.Text(QRectF(912, yS1 - 60, 420, 120),
         QStringLiteral("sortie 1 : niveau fixe,\nmenu « Sortie1(10v) »\n(non utilisée ici)"),
         Font(21, false, true), kInk, Qt::AlignLeft | Qt::AlignVCenter);
  s.Line(QPointF(termX + 10, yGnd), QPointF(880, yGnd), kGreen, 4);
  s.Ground(QPointF(880, yGnd));
  s.Text(QRectF(912, yGnd - 10, 560, 80),
         QStringLiteral("masse de la carte : relier toutes les masses\n(amplificateur, capteur, "
                        "source externe)"),
         Font(21), kGreen, Qt::AlignLeft | Qt::AlignTop);

  // Timer chain that paces the loop.
  const QRectF chain(40, 1030, 1000, 360);
  s.Box(chain, QColor(246, 240, 252), kTimer, 3, Qt::SolidLine, 14);
  s.Text(QRectF(chain.left(), chain.top() + 10, chain.width(), 40),
         QStringLiteral("Chaîne de cadencement de la boucle (période 50 ms)"), Font(27, true),
         kTimer, Qt::AlignHCenter | Qt::AlignTop);
  const double by = chain.top() + 64, bh = 170, bw = 205, gap = 46;
  const QStringList titles = {QStringLiteral("Horloge de la carte"),
                              QStringLiteral("8254 compteur 2"), QStringLiteral("8254 compteur 1"),
                              QStringLiteral("Entrée logique 7")};
  const QStringList bodies = {QStringLiteral("≈ 2,458 MHz"),
                              QStringLiteral("mode 3, ÷ 2458\n→ 1 kHz (1 ms)"),
                              QStringLiteral("mode 0, 50 impulsions\n= 50 ms"),
                              QStringLiteral("fin de période,\nlue par le logiciel")};
  for (int i = 0; i < 4; ++i) {
    const QRectF b(chain.left() + 24 + i * (bw + gap), by, bw, bh);
    s.TitledBox(b, titles[i], bodies[i], Qt::white, kTimer, 23, 21);
    if (i < 3)
      s.Wire({QPointF(b.right() + 2, b.center().y()), QPointF(b.right() + gap - 2, b.center().y())},
             kTimer, 4);
  }
  s.Text(QRectF(chain.left() + 24, by + bh + 12, chain.width() - 48, 100),
         QStringLiteral("Sortie OUT2 du compteur 2 → horloge CLK1 du compteur 1 ; sortie OUT1 du "
                        "compteur 1 → entrée logique 7. Le logiciel reprogramme les compteurs à "
                        "chaque période puis attend que la ligne 7 change d'état."),
         Font(21), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // Legend and advice.
  const QRectF legend(1080, 1030, 880, 360);
  s.Box(legend, kNoteFill, kInk, 3, Qt::SolidLine, 14);
  s.Text(QRectF(legend.left() + 20, legend.top() + 10, 400, 40), QStringLiteral("Légende"),
         Font(27, true), kInk, Qt::AlignLeft | Qt::AlignTop);
  struct Item {
    QColor c;
    Qt::PenStyle st;
    double w;
    QString text;
  };
  const std::vector<Item> items = {
      {kRed, Qt::SolidLine, 5, QStringLiteral("ordre de commande et puissance du moteur")},
      {kBlue, Qt::SolidLine, 4, QStringLiteral("retour (mesure du capteur), 0-10 V")},
      {kInk, Qt::DashLine, 4, QStringLiteral("liaison facultative (consigne externe)")},
      {kTimer, Qt::SolidLine, 4, QStringLiteral("signaux du temporisateur")},
      {kGreen, Qt::SolidLine, 4, QStringLiteral("masse commune")},
  };
  double ly = legend.top() + 70;
  for (const Item& it : items) {
    s.Line(QPointF(legend.left() + 24, ly), QPointF(legend.left() + 110, ly), it.c, it.w, it.st);
    s.TextAt(QPointF(legend.left() + 126, ly), it.text, Font(21), kInk);
    ly += 34;
  }
  s.Text(QRectF(legend.left() + 24, ly + 4, legend.width() - 48, 130),
         QStringLiteral("Sortie 2 : 2048 points = 0 V, 205 points par volt. Brancher le moteur "
                        "de sorte qu'un ordre positif fasse croître le retour ; sinon, inverser "
                        "ses deux fils (contre-réaction)."),
         Font(21, true), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
  (void)normal;
  (void)bold;
}

// ---------------------------------------------------------------------------------------
// Tuning-method sheets

// A graph area mapping (t, y) to pixels.
struct Graph {
  QRectF area;
  double t0, t1, y0, y1;
  QPointF At(double t, double y) const {
    return QPointF(area.left() + (t - t0) / (t1 - t0) * area.width(),
                   area.bottom() - (y - y0) / (y1 - y0) * area.height());
  }
};

void DrawAxes(Sheet& s, const Graph& g, const QString& xTitle, const QString& yTitle) {
  const QPointF origin = g.At(g.t0, 0);
  s.Line(QPointF(g.area.left(), g.area.bottom() + 10), QPointF(g.area.left(), g.area.top() - 20),
         kInk, 3);
  s.ArrowHead(QPointF(g.area.left(), g.area.top() - 30), QPointF(g.area.left(), g.area.top()), kInk,
              20);
  s.Line(QPointF(g.area.left() - 10, origin.y()), QPointF(g.area.right() + 20, origin.y()), kInk,
         3);
  s.ArrowHead(QPointF(g.area.right() + 30, origin.y()), QPointF(g.area.right(), origin.y()), kInk,
              20);
  s.TextAt(QPointF(g.area.right() + 30, origin.y() + 34), xTitle, Font(24, false, true), kInk,
           Qt::AlignRight | Qt::AlignVCenter);
  s.TextAt(QPointF(g.area.left() + 14, g.area.top() - 30), yTitle, Font(24, false, true), kInk,
           Qt::AlignLeft | Qt::AlignVCenter);
}

std::vector<QPointF> Curve(const Graph& g, double ta, double tb,
                           const std::function<double(double)>& f) {
  std::vector<QPointF> pts;
  const int n = 600;
  for (int i = 0; i <= n; ++i) {
    const double t = ta + (tb - ta) * i / n;
    pts.push_back(g.At(t, f(t)));
  }
  return pts;
}

// A table of rows × columns, first row as header.
void DrawTable(Sheet& s, const QRectF& r, const std::vector<QStringList>& rows,
               const std::vector<double>& widths, int px) {
  const double rowH = r.height() / static_cast<double>(rows.size());
  double total = 0;
  for (double w : widths) total += w;
  s.painter().fillRect(QRectF(r.left(), r.top(), r.width(), rowH), QColor(220, 230, 248));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    double x = r.left();
    for (std::size_t j = 0; j < widths.size() && j < static_cast<std::size_t>(rows[i].size());
         ++j) {
      const double w = widths[j] / total * r.width();
      const QRectF cell(x, r.top() + i * rowH, w, rowH);
      s.Text(cell.adjusted(6, 2, -6, -2), rows[i][static_cast<int>(j)], Font(px, i == 0 || j == 0),
             i == 0 ? kBlue : kInk, Qt::AlignCenter | Qt::TextWordWrap);
      x += w;
    }
  }
  s.painter().setPen(QPen(kInk, 2.5));
  s.painter().drawRect(r);
  for (std::size_t i = 1; i < rows.size(); ++i)
    s.Line(QPointF(r.left(), r.top() + i * rowH), QPointF(r.right(), r.top() + i * rowH), kInk,
           i == 1 ? 2.5 : 1.5);
  double x = r.left();
  for (std::size_t j = 0; j + 1 < widths.size(); ++j) {
    x += widths[j] / total * r.width();
    s.Line(QPointF(x, r.top()), QPointF(x, r.bottom()), kInk, 1.5);
  }
}

void DrawMethodTitle(Sheet& s, const QString& title, const QString& subtitle) {
  s.painter().fillRect(QRectF(0, 0, s.width(), 150), QColor(225, 235, 250));
  s.Text(QRectF(40, 22, s.width() - 80, 60), title, Font(44, true), kBlue,
         Qt::AlignHCenter | Qt::AlignTop);
  s.Text(QRectF(40, 86, s.width() - 80, 50), subtitle, Font(26, false, true), kInk,
         Qt::AlignHCenter | Qt::AlignTop);
}

void DrawStableMethod(Sheet& s) {
  DrawMethodTitle(
      s, QStringLiteral("Système naturellement stable"),
      QStringLiteral("Méthode de Ziegler et Nichols en boucle ouverte (tangente au point "
                     "d'inflexion)"));
  const double W = s.width();
  s.Text(QRectF(60, 175, W - 120, 130),
         QStringLiteral("1. Relevé : passer en boucle ouverte (menu « Boucle », « ouverte », mot "
                        "de passe), choisir « Echelon » d'amplitude Δu (l'échelon part 2,5 s "
                        "après « Début »), lancer puis arrêter quand le retour est stabilisé. "
                        "Tracer sur le relevé la tangente au point d'inflexion."),
         Font(26), kInk);

  // Order step strip.
  const double tStep = 1.0, tau = 1.0;
  const Graph order{QRectF(150, 360, 1140, 130), 0, 11, 0, 1.3};
  DrawAxes(s, order, QStringLiteral("t"), QStringLiteral("ordre u (V)"));
  s.Polyline({order.At(0, 0.02), order.At(tStep, 0.02), order.At(tStep, 1), order.At(11, 1)}, kRed,
             5);
  s.Dimension(order.At(tStep + 0.6, 0.03), order.At(tStep + 0.6, 0.97), kRed);
  s.TextAt(order.At(tStep + 0.75, 0.5), QStringLiteral("Δu"), Font(28, true), kRed);
  s.TextAt(order.At(6.0, 1.0) + QPointF(0, -24), QStringLiteral("échelon d'ordre"), Font(23), kRed,
           Qt::AlignHCenter | Qt::AlignVCenter);

  // Response: three equal lags; the inflection point is at 2τ after the step.
  const auto y = [&](double t) {
    if (t <= tStep) return 0.0;
    const double u = (t - tStep) / tau;
    return 1.0 - (1.0 + u + u * u / 2.0) * std::exp(-u);
  };
  const double tI = tStep + 2.0 * tau, yI = y(tI);
  const double slope = 2.0 * std::exp(-2.0) / tau;
  const double tA = tI - yI / slope;          // tangent meets the initial value
  const double tB = tI + (1.0 - yI) / slope;  // tangent meets the final value
  const Graph g{QRectF(150, 600, 1140, 560), 0, 11, 0, 1.12};
  DrawAxes(s, g, QStringLiteral("temps (s)"), QStringLiteral("retour y (V)"));
  s.Line(g.At(0, 1.0), g.At(11, 1.0), kInk, 2, Qt::DashLine);
  s.TextAt(g.At(11, 1.0) + QPointF(0, -22), QStringLiteral("valeur finale"), Font(22), kInk,
           Qt::AlignRight | Qt::AlignVCenter);
  s.Line(g.At(tStep, 0), g.At(tStep, 1.1), kInk, 1.5, Qt::DotLine);
  s.Line(g.At(tB, 0), g.At(tB, 1.0), kInk, 1.5, Qt::DotLine);
  s.Line(g.At(tA - 0.25, -slope * 0.25), g.At(tB + 0.35, 1.0 + slope * 0.35), kGreen, 4);
  s.Polyline(Curve(g, 0, 11, y), kBlue, 5);
  s.Dot(g.At(tI, yI), kGreen, 10);
  s.TextAt(g.At(tI, yI) + QPointF(24, 10), QStringLiteral("point d'inflexion"), Font(23, true),
           kGreen, Qt::AlignLeft | Qt::AlignVCenter);
  s.TextAt(g.At(tB + 0.4, 0.82), QStringLiteral("tangente"), Font(23, true), kGreen);
  // Reading T, θ and Δy.
  const double dimY = -0.07;
  s.Dimension(g.At(tStep, dimY), g.At(tA, dimY), kRed);
  s.Dimension(g.At(tA, dimY), g.At(tB, dimY), kRed);
  s.Line(g.At(tA, 0), g.At(tA, dimY - 0.02), kRed, 1.5);
  s.TextAt(g.At((tStep + tA) / 2, dimY - 0.07), QStringLiteral("τ"), Font(30, true), kRed,
           Qt::AlignHCenter | Qt::AlignVCenter);
  s.TextAt(g.At((tA + tB) / 2, dimY - 0.07), QStringLiteral("T"), Font(30, true), kRed,
           Qt::AlignHCenter | Qt::AlignVCenter);
  s.Dimension(g.At(9.8, 0.0), g.At(9.8, 1.0), kRed);
  s.TextAt(g.At(9.95, 0.5), QStringLiteral("Δy"), Font(28, true), kRed);
  s.TextAt(g.At(tStep, 1.1) + QPointF(8, 0), QStringLiteral("instant de l'échelon"), Font(21), kInk,
           Qt::AlignLeft | Qt::AlignVCenter);

  s.Text(QRectF(60, 1255, W - 120, 170),
         QStringLiteral("2. Lecture : τ = retard (de l'échelon au point où la tangente coupe la "
                        "valeur initiale), T = constante de temps (de ce point à celui où elle "
                        "coupe la valeur finale), K = Δy / Δu gain statique (sans unité). "
                        "Mesurer avec un double-clic sur le graphe (origine) puis lire "
                        "« retour/temps: ». Le retard lu comprend les 0,225 s de la moyenne "
                        "du retour."),
         Font(26), kInk);

  s.Text(QRectF(60, 1425, W - 120, 40),
         QStringLiteral("3. Réglages (correcteur Kp·e + Ki·∫e dt + Kd·de/dt du logiciel)"),
         Font(28, true), kBlue);
  DrawTable(s, QRectF(60, 1475, W - 120, 260),
            {{QStringLiteral("Correcteur"), QStringLiteral("Kp (sans unité)"),
              QStringLiteral("Ti (s)"), QStringLiteral("Td (s)"),
              QStringLiteral("Ki = Kp / Ti (s⁻¹)"), QStringLiteral("Kd = Kp·Td (s)")},
             {QStringLiteral("P"), QStringLiteral("T / (K·τ)"), QStringLiteral("—"),
              QStringLiteral("—"), QStringLiteral("0"), QStringLiteral("0")},
             {QStringLiteral("PI"), QStringLiteral("0,9·T / (K·τ)"), QStringLiteral("3,3·τ"),
              QStringLiteral("—"), QStringLiteral("Kp / (3,3·τ)"), QStringLiteral("0")},
             {QStringLiteral("PID"), QStringLiteral("1,2·T / (K·τ)"), QStringLiteral("2·τ"),
              QStringLiteral("0,5·τ"), QStringLiteral("Kp / (2·τ)"), QStringLiteral("0,5·τ·Kp")}},
            {1.1, 1.6, 0.9, 0.9, 1.7, 1.5}, 25);

  s.Text(QRectF(60, 1760, W - 120, 230),
         QStringLiteral("Exemple : Δu = 2 V, Δy = 3 V (K = 1,5), τ = 1,2 s, T = 6 s. "
                        "PID : Kp = 1,2 × 6 / (1,5 × 1,2) = 4 ; Ki = 4 / 2,4 = 1,67 s⁻¹ ; "
                        "Kd = 4 × 0,6 = 2,4 s. À saisir (avec un point) : Kp 4, Kd 2.4, Ki 1.67.\n"
                        "Un coefficient au-delà de sa plage (rappelée à côté de son champ) serait "
                        "ramené au maximum sans message : demander d'abord à l'enseignant "
                        "d'élargir la plage. Ces réglages donnent une réponse assez oscillante "
                        "(rapport ¼ entre deux dépassements) : réduire Kp si le dépassement est "
                        "trop grand. Revenir en boucle fermée (« Boucle », « fermée ») avant "
                        "d'essayer. Pour s'exercer : carte simulée, procédé thermique."),
         Font(24), kInk);
  // ?= --procede ordre1:1.5,6,1.2 --profil réaliste --boucle ouverte --echelon 2 --cycles 1000 --reglages @ graines 1-5
  // ? fiche_PID_kp = 4 ± 0,8 : --reglages
  // ? fiche_PID_ki = 1,67 ± 0,45 : --reglages
  // ? fiche_PID_kd = 2,4 ± 0,35 : --reglages
}

void DrawUnstableMethod(Sheet& s) {
  DrawMethodTitle(
      s, QStringLiteral("Système intégrateur (naturellement instable)"),
      QStringLiteral("Moteur en position : méthode de Ziegler et Nichols sur la réponse en "
                     "rampe"));
  const double W = s.width();
  s.Text(QRectF(60, 175, W - 120, 130),
         QStringLiteral("1. Relevé : en boucle ouverte, un échelon d'ordre Δu fait tourner le "
                        "moteur sans fin : la position croît en rampe. Choisir Δu = 2 V : assez "
                        "grand devant la zone morte du frottement sec (0,5 V d'ordre perdus, "
                        "qui ralentissent la rampe), assez petit pour que la rampe, partie de "
                        "1 V, dure environ 6 s sur le relevé avant la butée du potentiomètre "
                        "(10 V). Arrêter (« Fin ») quand le retour approche 9 V."),
         Font(24), kInk);

  const double tStep = 1.0, tau = 1.4, k = 0.24;  // slope of the ramp, volts per second
  const Graph order{QRectF(150, 360, 1140, 130), 0, 11, 0, 1.3};
  DrawAxes(s, order, QStringLiteral("t"), QStringLiteral("ordre u (V)"));
  s.Polyline({order.At(0, 0.02), order.At(tStep, 0.02), order.At(tStep, 1), order.At(11, 1)}, kRed,
             5);
  s.Dimension(order.At(tStep + 0.6, 0.03), order.At(tStep + 0.6, 0.97), kRed);
  s.TextAt(order.At(tStep + 0.75, 0.5), QStringLiteral("Δu"), Font(28, true), kRed);
  s.TextAt(order.At(6.0, 1.0) + QPointF(0, -24), QStringLiteral("échelon d'ordre"), Font(23), kRed,
           Qt::AlignHCenter | Qt::AlignVCenter);

  // Integrator with a first-order lag: y = k·(t − τ·(1 − e^(−t/τ))); asymptote k·(t − τ).
  const double y0 = 0.1;
  const auto y = [&](double t) {
    if (t <= tStep) return y0;
    const double u = t - tStep;
    return y0 + k * (u - tau * (1.0 - std::exp(-u / tau)));
  };
  const double tA = tStep + tau;  // the asymptote meets the initial value
  const Graph g{QRectF(150, 600, 1140, 560), 0, 11, 0, 2.2};
  DrawAxes(s, g, QStringLiteral("temps (s)"), QStringLiteral("retour y (V)"));
  s.Line(g.At(0, y0), g.At(11, y0), kInk, 2, Qt::DashLine);
  s.TextAt(g.At(0.1, y0) + QPointF(0, -22), QStringLiteral("valeur initiale"), Font(22), kInk,
           Qt::AlignLeft | Qt::AlignVCenter);
  s.Line(g.At(tStep, 0), g.At(tStep, 2.1), kInk, 1.5, Qt::DotLine);
  s.Polyline(Curve(g, 0, 10.6, y), kBlue, 5);
  s.Line(g.At(tA - 0.3, y0 - 0.3 * k), g.At(10.8, y0 + k * (10.8 - tA)), kGreen, 4, Qt::DashLine);
  s.TextAt(g.At(8.2, y0 + k * (8.2 - tA)) + QPointF(-30, -40), QStringLiteral("asymptote"),
           Font(23, true), kGreen, Qt::AlignRight | Qt::AlignVCenter);
  // Slope triangle on the asymptote.
  const double ta = 5.5, tb = 8.5;
  const QPointF pa = g.At(ta, y0 + k * (ta - tA)), pb = g.At(tb, y0 + k * (tb - tA));
  const QPointF pc(pb.x(), pa.y());
  s.Line(pa, pc, kRed, 2.5, Qt::DashLine);
  s.Line(pc, pb, kRed, 2.5, Qt::DashLine);
  s.TextAt((pa + pc) / 2 + QPointF(0, 26), QStringLiteral("Δt"), Font(27, true), kRed,
           Qt::AlignHCenter | Qt::AlignVCenter);
  s.TextAt((pc + pb) / 2 + QPointF(12, 0), QStringLiteral("Δy"), Font(27, true), kRed,
           Qt::AlignLeft | Qt::AlignVCenter);
  // Delay T.
  const double dimY = -0.12;
  s.Dot(g.At(tA, y0), kGreen, 9);
  s.Line(g.At(tA, y0), g.At(tA, dimY - 0.04), kRed, 1.5);
  s.Dimension(g.At(tStep, dimY), g.At(tA, dimY), kRed);
  s.TextAt(g.At((tStep + tA) / 2, dimY - 0.13), QStringLiteral("τ"), Font(30, true), kRed,
           Qt::AlignHCenter | Qt::AlignVCenter);
  s.TextAt(g.At(tStep, 2.1) + QPointF(8, 0), QStringLiteral("instant de l'échelon"), Font(21), kInk,
           Qt::AlignLeft | Qt::AlignVCenter);

  s.Text(QRectF(60, 1255, W - 120, 170),
         QStringLiteral("2. Lecture : pente de l'asymptote a = Δy / Δt (V/s), gain "
                        "intégrateur k = a / Δu (s⁻¹), retard τ = de l'échelon au point où "
                        "l'asymptote coupe la valeur initiale (s). Produit utile : k·τ (sans "
                        "unité). La zone morte fausse k : sur le moteur simulé réaliste "
                        "(k = 1 s⁻¹ sans frottement), on lit k ≈ 0,50 s⁻¹ pour Δu = 1 V et "
                        "0,75 pour 2 V ; retrancher la zone morte si on la "
                        "connaît : k = a / (Δu − 0,5)."),
         Font(24), kInk);
  // ?= --procede position --profil réaliste --boucle ouverte --identification @ graines 1-5
  // ? k = 0,50 ; 0,75 ± 0,03 : --echelon 1 --cycles 200 ; --echelon 2 --cycles 130

  s.Text(QRectF(60, 1425, W - 120, 40),
         QStringLiteral("3. Réglages (correcteur Kp·e + Ki·∫e dt + Kd·de/dt du logiciel)"),
         Font(28, true), kBlue);
  DrawTable(s, QRectF(60, 1475, W - 120, 260),
            {{QStringLiteral("Correcteur"), QStringLiteral("Kp (sans unité)"),
              QStringLiteral("Ti (s)"), QStringLiteral("Td (s)"),
              QStringLiteral("Ki = Kp / Ti (s⁻¹)"), QStringLiteral("Kd = Kp·Td (s)")},
             {QStringLiteral("P"), QStringLiteral("1 / (k·τ)"), QStringLiteral("—"),
              QStringLiteral("—"), QStringLiteral("0"), QStringLiteral("0")},
             {QStringLiteral("PI"), QStringLiteral("0,9 / (k·τ)"), QStringLiteral("3,3·τ"),
              QStringLiteral("—"), QStringLiteral("Kp / (3,3·τ)"), QStringLiteral("0")},
             {QStringLiteral("PID"), QStringLiteral("1,2 / (k·τ)"), QStringLiteral("2·τ"),
              QStringLiteral("0,5·τ"), QStringLiteral("Kp / (2·τ)"), QStringLiteral("0,5·τ·Kp")}},
            {1.1, 1.6, 0.9, 0.9, 1.7, 1.5}, 25);

  s.Text(QRectF(60, 1760, W - 120, 230),
         QStringLiteral("Exemple, le moteur de position simulé (procédé réaliste) : Δu = 2 V, "
                        "pente a = 1,5 V/s (k = 0,75 s⁻¹), τ = 0,43 s (moyenne du retour "
                        "comprise), k·τ = 0,32. P : Kp = 1 / 0,32 ≈ 3,1 (à saisir : Kp 3.1). "
                        "PI : Kp = 2,8 ; Ki = 2,8 / 1,42 ≈ 2 s⁻¹, à la limite de la plage livrée "
                        "(0 à 2) : un coefficient hors plage serait ramené au maximum sans "
                        "message ; demander d'abord à l'enseignant d'élargir la plage.\n"
                        "Le procédé intègre déjà : sans frottement ni charge, un correcteur P "
                        "annule l'erreur statique pour une consigne en échelon ; un frottement "
                        "sec ou une charge laisse une erreur d'environ (seuil ou charge) / Kp, que "
                        "seule l'action intégrale annule. Revenir en boucle fermée avant "
                        "d'essayer."),
         Font(24), kInk);
  // ?= --procede position --profil réaliste --boucle ouverte --echelon 2 --cycles 130 --identification --reglages @ graines 1-5
  // ? k = 0,75 ± 0,03 : --identification
  // ? tangente_Tu = 0,43 ± 0,03 : --identification
  // ? fiche_P_kp = 3,1 ± 0,15 : --reglages
  // ? fiche_PI_kp = 2,8 ± 0,15 : --reglages
  // ? fiche_PI_ki = 2 ± 0,15 : --reglages
}

// ---------------------------------------------------------------------------------------
// Wiring of the USB interface board

const QColor kSpi(110, 40, 150);
const QColor kSupply(200, 100, 0);

// Component symbols (IEC), with their value written inside or next to them.
class Schematic {
 public:
  explicit Schematic(Sheet& s) : s_(s) {}

  // A horizontal resistor between two points on one line; the body is centred.
  void ResistorH(QPointF a, QPointF b, const QString& value, const QColor& c = kInk,
                 double body = 124, bool adjustable = false) {
    const double mid = (a.x() + b.x()) / 2, y = a.y();
    const QRectF r(mid - body / 2, y - 16, body, 32);
    s_.Line(a, QPointF(r.left(), y), c, 3);
    s_.Line(QPointF(r.right(), y), b, c, 3);
    QPainter& p = s_.painter();
    p.setPen(QPen(c, 3));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    s_.Text(r, value, Font(18, true), kInk, Qt::AlignCenter);
    if (adjustable) {
      const QPointF from(r.left() + 8, r.bottom() + 14), to(r.right() - 4, r.top() - 12);
      s_.Line(from, to, kInk, 2.5);
      s_.ArrowHead(to + QPointF(4, -3), from, kInk, 14);
    }
  }

  // A vertical resistor from `top` down to `bottom`, its value written to the right.
  void ResistorV(QPointF top, QPointF bottom, const QString& value, const QColor& c = kInk) {
    const double x = top.x(), mid = (top.y() + bottom.y()) / 2;
    const QRectF r(x - 14, mid - 34, 28, 68);
    s_.Line(top, QPointF(x, r.top()), c, 3);
    s_.Line(QPointF(x, r.bottom()), bottom, c, 3);
    QPainter& p = s_.painter();
    p.setPen(QPen(c, 3));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    s_.TextAt(QPointF(x + 20, mid), value, Font(18, true), kInk);
  }

  // A vertical capacitor from `top` down to `bottom`, its value written to the left.
  void CapacitorV(QPointF top, QPointF bottom, const QString& value, const QColor& c = kInk) {
    const double x = top.x(), mid = (top.y() + bottom.y()) / 2;
    s_.Line(top, QPointF(x, mid - 6), c, 3);
    s_.Line(QPointF(x, mid + 6), bottom, c, 3);
    s_.Line(QPointF(x - 22, mid - 6), QPointF(x + 22, mid - 6), c, 4);
    s_.Line(QPointF(x - 22, mid + 6), QPointF(x + 22, mid + 6), c, 4);
    s_.TextAt(QPointF(x - 26, mid), value, Font(18, true), kInk,
              Qt::AlignRight | Qt::AlignVCenter);
  }

  // A vertical diode, its triangle pointing from `anode` to `cathode` (above or below).
  void DiodeV(QPointF anode, QPointF cathode, const QColor& c = kInk) {
    const double x = anode.x(), mid = (anode.y() + cathode.y()) / 2;
    const double dir = cathode.y() < anode.y() ? -1 : 1, half = 13;
    const QPointF base(x, mid - dir * half), tip(x, mid + dir * half);
    s_.Line(anode, base, c, 3);
    s_.Line(tip, cathode, c, 3);
    QPolygonF t;
    t << QPointF(x - 15, base.y()) << QPointF(x + 15, base.y()) << tip;
    QPainter& p = s_.painter();
    p.setPen(QPen(kInk, 3));
    p.setBrush(Qt::white);
    p.drawPolygon(t);
    p.setBrush(Qt::NoBrush);
    s_.Line(tip - QPointF(17, 0), tip + QPointF(17, 0), kInk, 3.5);
  }

  // An N-channel MOSFET between `drain` (above) and `source` (below); returns the end of
  // its gate lead, on the left.
  QPointF NMos(QPointF drain, QPointF source, const QColor& c = kInk) {
    const double x = drain.x(), top = drain.y() + 12, bottom = source.y() - 12;
    const double mid = (top + bottom) / 2, ch = x - 22, gate = ch - 9;
    s_.Polyline({drain, QPointF(x, top), QPointF(ch, top)}, c, 3);
    s_.Polyline({source, QPointF(x, bottom), QPointF(ch, bottom)}, c, 3);
    s_.Line(QPointF(x, mid), QPointF(x, bottom), c, 3);
    s_.Line(QPointF(ch, mid), QPointF(x, mid), c, 3);
    s_.ArrowHead(QPointF(ch + 2, mid), QPointF(x, mid), c, 12);
    const double seg = (bottom - top + 12) / 3;
    for (int i = 0; i < 3; ++i)
      s_.Line(QPointF(ch, top - 6 + i * seg + 2), QPointF(ch, top - 6 + (i + 1) * seg - 2), kInk,
              4);
    s_.Line(QPointF(gate, top), QPointF(gate, bottom), kInk, 3);
    s_.Line(QPointF(gate, mid), QPointF(gate - 30, mid), c, 3);
    return QPointF(gate - 30, mid);
  }

  // An operational amplifier: triangle with its inputs on the left, pin numbers beside
  // them. `topInput` and `bottomInput` are "−" or "+".
  QPointF OpAmp(QPointF leftTop, double w, double h, const QString& topInput,
                const QString& bottomInput, const QString& topPin, const QString& bottomPin,
                const QString& outPin, const QString& name) {
    QPolygonF t;
    const QPointF tip(leftTop.x() + w, leftTop.y() + h / 2);
    t << leftTop << QPointF(leftTop.x(), leftTop.y() + h) << tip;
    QPainter& p = s_.painter();
    p.setPen(QPen(kInk, 3.5));
    p.setBrush(QColor(250, 250, 235));
    p.drawPolygon(t);
    p.setBrush(Qt::NoBrush);
    const double yTop = leftTop.y() + h * 0.25, yBottom = leftTop.y() + h * 0.75;
    s_.TextAt(QPointF(leftTop.x() + 8, yTop), topInput, Font(28, true), kInk);
    s_.TextAt(QPointF(leftTop.x() + 8, yBottom), bottomInput, Font(28, true), kInk);
    s_.TextAt(QPointF(leftTop.x() + w * 0.36, tip.y()), name, Font(20, true), kInk);
    s_.TextAt(QPointF(leftTop.x() - 4, yTop - 15), topPin, Font(17), kInk,
              Qt::AlignRight | Qt::AlignVCenter);
    s_.TextAt(QPointF(leftTop.x() - 4, yBottom + 15), bottomPin, Font(17), kInk,
              Qt::AlignRight | Qt::AlignVCenter);
    s_.TextAt(tip + QPointF(4, -16), outPin, Font(17), kInk);
    return tip;
  }

  struct Pin {
    double y;
    QString number, name;
  };

  // An integrated circuit: a box with its title, its signal pins on both sides (number
  // outside, above the wire; name inside) and a note on the other pins at the bottom.
  void Chip(const QRectF& r, const QString& title, const QString& kind,
            const std::vector<Pin>& left, const std::vector<Pin>& right, const QString& note) {
    s_.Box(r, Qt::white, kInk, 3.5, Qt::SolidLine, 6);
    s_.Text(QRectF(r.left(), r.top() + 6, r.width(), 34), title, Font(27, true), kInk,
            Qt::AlignHCenter | Qt::AlignTop);
    s_.Text(QRectF(r.left(), r.top() + 38, r.width(), 26), kind, Font(18, false, true), kInk,
            Qt::AlignHCenter | Qt::AlignTop);
    for (const Pin& p : left) {
      s_.TextAt(QPointF(r.left() + 8, p.y), p.name, Font(20, true), kInk);
      s_.TextAt(QPointF(r.left() - 6, p.y - 15), p.number, Font(17), kInk,
                Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const Pin& p : right) {
      s_.TextAt(QPointF(r.right() - 8, p.y), p.name, Font(20, true), kInk,
                Qt::AlignRight | Qt::AlignVCenter);
      s_.TextAt(QPointF(r.right() + 6, p.y - 15), p.number, Font(17), kInk);
    }
    s_.Text(QRectF(r.left() + 10, r.bottom() - 78, r.width() - 20, 72), note, Font(17), kInk,
            Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap);
  }

  // A supply label at the end of a wire: the name on a framed patch, beside the end
  // (AlignLeft, AlignRight) or above it (AlignHCenter | AlignBottom).
  void Flag(QPointF at, const QString& name, const QColor& c, Qt::Alignment side) {
    const QFont f = Font(19, true);
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(name) + 16, h = fm.height() + 6;
    const double x = (side & Qt::AlignRight)     ? at.x() - w
                     : (side & Qt::AlignHCenter) ? at.x() - w / 2
                                                 : at.x();
    const double y = (side & Qt::AlignBottom) ? at.y() - h : at.y() - h / 2;
    const QRectF r(x, y, w, h);
    s_.Box(r, Qt::white, c, 2.5, Qt::SolidLine, 4);
    s_.Text(r, name, f, c, Qt::AlignCenter);
  }

 private:
  Sheet& s_;
};

void DrawUsbWiring(Sheet& s) {
  Schematic sch(s);
  s.Text(QRectF(0, 20, s.width(), 56),
         QStringLiteral("Interface USB : la carte qui remplace la carte ISA"), Font(42, true),
         kBlue, Qt::AlignHCenter | Qt::AlignTop);
  s.Text(QRectF(0, 78, s.width(), 36),
         QStringLiteral("Arduino Uno ou Nano, convertisseurs MCP3204 (entrées) et MCP4822 "
                        "(sorties), double amplificateur TL072 sur ±15 V, bornier du banc"),
         Font(25, false, true), kInk, Qt::AlignHCenter | Qt::AlignTop);

  // The board and its terminal strip.
  const QRectF board(24, 130, 1716, 1046);
  s.Box(board, kCardFill, kBlue, 5, Qt::SolidLine, 18);
  const double stripL = 1584, stripW = 150, termX = 1602;
  s.Box(QRectF(stripL, 150, stripW, 1006), QColor(210, 218, 235), kInk, 3, Qt::SolidLine, 6);
  s.Text(QRectF(stripL, 156, stripW, 30), QStringLiteral("bornier"), Font(20, false, true), kInk,
         Qt::AlignHCenter | Qt::AlignTop);

  // Arduino, its pins on the right edge.
  const QRectF ard(44, 176, 286, 800);
  s.Box(ard, QColor(0, 120, 150), kInk, 3.5, Qt::SolidLine, 10);
  s.Box(QRectF(60, 196, 74, 54), QColor(190, 190, 195), kInk, 3, Qt::SolidLine, 4);
  s.Text(QRectF(60, 196, 74, 54), QStringLiteral("USB"), Font(20, true), kInk, Qt::AlignCenter);
  s.Text(QRectF(142, 190, 180, 70), QStringLiteral("câble USB\nvers le PC"), Font(19, true),
         Qt::white, Qt::AlignLeft | Qt::AlignVCenter);
  const double yD13 = 300, yD12 = 345, yD11 = 390, yD10 = 435, yD9 = 790, y5V = 870,
               yD8 = 918, yGndA = 960;
  s.Text(QRectF(60, 470, 250, 280),
         QStringLiteral("Arduino\nUno ou Nano\n\nATmega328P\n16 MHz\n\nmicrologiciel\n"
                        "interface-usb.hex"),
         Font(23, true), Qt::white, Qt::AlignHCenter | Qt::AlignTop);
  for (auto [y, name] : {std::pair{yD13, "D13 SCK"}, std::pair{yD12, "D12 MISO"},
                         std::pair{yD11, "D11 MOSI"}, std::pair{yD10, "D10 CS CAN"},
                         std::pair{yD9, "D9 CS CNA"}, std::pair{y5V, "5 V"},
                         std::pair{yD8, "D8 VALID."}, std::pair{yGndA, "GND"}})
    s.TextAt(QPointF(ard.right() - 8, y), QString::fromUtf8(name), Font(21, true), Qt::white,
             Qt::AlignRight | Qt::AlignVCenter);

  // The converters.
  const double chipL = 560, chipR = 830;
  const double yCh0 = 300, yCh1 = 360, yVref = 435;
  sch.Chip(QRectF(chipL, 200, chipR - chipL, 330), QStringLiteral("MCP3204"),
           QStringLiteral("CAN 12 bits, 4 voies, DIP-14"),
           {{yD13, "11", "CLK"}, {yD12, "10", "DOUT"}, {yD11, "9", "DIN"}, {yD10, "8", "CS"}},
           {{yCh0, "1", "CH0"}, {yCh1, "2", "CH1"}, {yVref, "13", "VREF"}},
           QStringLiteral("14 VDD : +5 V\n7 DGND, 12 AGND : masse\n3 CH2, 4 CH3 : masse"));
  const double ySck = 690, ySdi = 740, yLdac = 840, yOutB = 765, yOutA = 900;
  sch.Chip(QRectF(chipL, 590, chipR - chipL, 380), QStringLiteral("MCP4822"),
           QStringLiteral("CNA 12 bits, 2 voies, DIP-8"),
           {{ySck, "3", "SCK"}, {ySdi, "4", "SDI"}, {yD9, "2", "CS"}, {yLdac, "5", "LDAC"}},
           {{yOutB, "6", "VOUTB"}, {yOutA, "8", "VOUTA"}},
           QStringLiteral("1 VDD : +5 V\n7 VSS : masse"));

  // SPI bus: straight lines to the MCP3204, branches down to the MCP4822.
  const double laneMosi = 420, laneSck = 470;
  for (double y : {yD13, yD12, yD11, yD10})
    s.Line(QPointF(ard.right(), y), QPointF(chipL, y), kSpi, 4);
  s.Line(QPointF(ard.right(), yD9), QPointF(chipL, yD9), kSpi, 4);
  s.Polyline({QPointF(laneSck, yD13), QPointF(laneSck, ySck), QPointF(chipL, ySck)}, kSpi, 4);
  s.Polyline({QPointF(laneMosi, yD11), QPointF(laneMosi, ySdi), QPointF(chipL, ySdi)}, kSpi, 4);
  s.Dot(QPointF(laneSck, yD13), kSpi);
  s.Dot(QPointF(laneMosi, yD11), kSpi);
  // LDAC to ground; the Arduino's supply pins.
  s.Polyline({QPointF(chipL, yLdac), QPointF(530, yLdac), QPointF(530, yLdac + 10)}, kGreen, 3);
  s.Ground(QPointF(530, yLdac + 10));
  s.Line(QPointF(ard.right(), y5V), QPointF(380, y5V), kSupply, 4);
  sch.Flag(QPointF(380, y5V), QStringLiteral("+5 V"), kSupply, Qt::AlignLeft);
  s.Line(QPointF(ard.right(), yGndA), QPointF(380, yGndA), kGreen, 4);
  s.Ground(QPointF(380, yGndA));
  // D8: an input held low by 10 kΩ through reset and the boot loader, high once the
  // firmware has put the outputs at rest; it drives K1 (see the order terminal).
  const double pullX = 430;
  s.Line(QPointF(ard.right(), yD8), QPointF(480, yD8), kSpi, 4);
  s.Dot(QPointF(pullX, yD8), kSpi);
  sch.ResistorV(QPointF(pullX, yD8), QPointF(pullX, yD8 + 86), QStringLiteral("10 kΩ"), kSpi);
  s.Ground(QPointF(pullX, yD8 + 86));
  sch.Flag(QPointF(480, yD8), QStringLiteral("D8"), kSpi, Qt::AlignLeft);

  // Reference.
  const QRectF ref(872, 400, 206, 70);
  s.Line(QPointF(chipR, yVref), QPointF(ref.left(), yVref), kSupply, 4);
  s.TitledBox(ref, QStringLiteral("MCP1541"), QStringLiteral("référence 4,096 V"), Qt::white,
              kSupply, 21, 18);
  s.Text(QRectF(872, 476, 230, 70),
         QStringLiteral("alimentée en 5 V ; 1 µF en entrée et en sortie"), Font(17, false, true),
         kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // Sensor inputs: 15 kΩ from the terminal, 10 kΩ and 100 nF to ground at the converter,
  // a BAT54S from the converter's side to ground and +5 V (middle pin 3 on the input).
  const double nodeX = 1290, capX = 1210, yIn0 = yCh0, yIn1 = 470, legH = 86, resL = 1475;
  s.Line(QPointF(chipR, yCh0), QPointF(nodeX, yIn0), kBlue, 4);
  s.Polyline({QPointF(chipR, yCh1), QPointF(1120, yCh1), QPointF(1120, yIn1),
              QPointF(nodeX, yIn1)},
             kBlue, 4);
  for (auto [y, clampX] : {std::pair{yIn0, 1390.0}, std::pair{yIn1, 1455.0}}) {
    s.Line(QPointF(nodeX, y), QPointF(resL, y), kBlue, 3);
    sch.ResistorH(QPointF(resL, y), QPointF(termX, y), QStringLiteral("15 kΩ"), kBlue, 90);
    sch.ResistorV(QPointF(nodeX, y), QPointF(nodeX, y + legH), QStringLiteral("10 kΩ"), kBlue);
    sch.CapacitorV(QPointF(capX, y), QPointF(capX, y + legH), QStringLiteral("100 nF"), kBlue);
    s.Dot(QPointF(nodeX, y), kBlue);
    s.Dot(QPointF(capX, y), kBlue);
    s.Ground(QPointF(nodeX, y + legH));
    s.Ground(QPointF(capX, y + legH));
    // The clamp: D1 from ground up to the input, D2 from the input up to +5 V.
    const double clampH = 70;
    sch.DiodeV(QPointF(clampX, y), QPointF(clampX, y - clampH), kSupply);
    sch.DiodeV(QPointF(clampX, y + clampH), QPointF(clampX, y), kGreen);
    sch.Flag(QPointF(clampX, y - clampH), QStringLiteral("+5 V"), kSupply,
             Qt::AlignHCenter | Qt::AlignBottom);
    s.Ground(QPointF(clampX, y + clampH));
    s.Dot(QPointF(clampX, y), kBlue);
    s.TextAt(QPointF(clampX + 18, y - clampH / 2), QStringLiteral("BAT54S"), Font(17, true),
             kInk);
    s.TextAt(QPointF(clampX - 6, y - clampH + 12), QStringLiteral("2"), Font(17), kInk,
             Qt::AlignRight | Qt::AlignVCenter);
    s.TextAt(QPointF(clampX - 6, y - 14), QStringLiteral("3"), Font(17), kInk,
             Qt::AlignRight | Qt::AlignVCenter);
    s.TextAt(QPointF(clampX - 6, y + clampH - 12), QStringLiteral("1"), Font(17), kInk,
             Qt::AlignRight | Qt::AlignVCenter);
  }
  s.Text(QRectF(880, 226, 300, 60), QStringLiteral("diviseurs 2,5:1\n10,24 V → 4,096 V"),
         Font(17, false, true), kBlue, Qt::AlignLeft | Qt::AlignTop);

  // Output 1: non-inverting stage B, gain 1 + 14,7/10,2.
  const QPointF tipB = sch.OpAmp(QPointF(1090, yOutB - 105), 150, 140, QStringLiteral("−"),
                                 QStringLiteral("+"), QStringLiteral("6"), QStringLiteral("5"),
                                 QStringLiteral("7"), QStringLiteral("B"));
  const double yMinusB = yOutB - 70, yFbB = yOutB - 122, outNode = 1290;
  s.Line(QPointF(chipR, yOutB), QPointF(1090, yOutB), kInk, 4);
  s.Line(tipB, QPointF(outNode, tipB.y()), kInk, 4);
  s.Dot(QPointF(outNode, tipB.y()), kInk);
  sch.ResistorH(QPointF(outNode, tipB.y()), QPointF(termX, tipB.y()), QStringLiteral("100 Ω"),
                kInk, 100);
  s.Polyline({QPointF(outNode, tipB.y()), QPointF(outNode, yFbB)}, kInk, 3);
  sch.ResistorH(QPointF(1050, yFbB), QPointF(outNode, yFbB), QStringLiteral("Rf 14,7 kΩ"));
  s.Polyline({QPointF(1050, yFbB), QPointF(1050, yMinusB), QPointF(1090, yMinusB)}, kInk, 3);
  s.Dot(QPointF(1050, yMinusB), kInk);
  sch.ResistorH(QPointF(870, yMinusB), QPointF(1050, yMinusB), QStringLiteral("Rg 10,2 kΩ"),
                kInk, 130);
  s.Ground(QPointF(870, yMinusB));

  // Order: inverting stage A, gain 100/20,5 around 1,700 V.
  const QPointF tipA = sch.OpAmp(QPointF(1090, yOutA - 35), 150, 140, QStringLiteral("−"),
                                 QStringLiteral("+"), QStringLiteral("2"), QStringLiteral("3"),
                                 QStringLiteral("1"), QStringLiteral("A"));
  const double yPlusA = yOutA + 70, yFbA = yOutA - 56, nodeA = 1050;
  sch.ResistorH(QPointF(chipR, yOutA), QPointF(nodeA, yOutA), QStringLiteral("Rin 20,5 kΩ"), kRed,
                130);
  s.Line(QPointF(nodeA, yOutA), QPointF(1090, yOutA), kRed, 4);
  s.Dot(QPointF(nodeA, yOutA), kInk);
  s.Line(QPointF(nodeA, yOutA), QPointF(nodeA, yFbA), kInk, 3);
  sch.ResistorH(QPointF(nodeA, yFbA), QPointF(outNode, yFbA), QStringLiteral("Rf 100 kΩ"));
  s.Line(QPointF(outNode, yFbA), QPointF(outNode, tipA.y()), kInk, 3);
  s.Line(tipA, QPointF(outNode, tipA.y()), kRed, 5);
  s.Dot(QPointF(outNode, tipA.y()), kInk);
  // K1's changeover contact: the common (C) on the terminal, the make contact (T) on the
  // stage's output, the break contact (R) on ground, where it rests.
  const double yOrd = tipA.y(), tX = 1440, cX = 1530, rY = yOrd + 42, yGnd = 1010;
  sch.ResistorH(QPointF(outNode, yOrd), QPointF(1420, yOrd), QStringLiteral("100 Ω"), kRed, 90);
  s.Line(QPointF(1420, yOrd), QPointF(tX - 6, yOrd), kRed, 3);
  s.Line(QPointF(cX, yOrd), QPointF(termX - 10, yOrd), kRed, 5);
  s.Line(QPointF(tX, rY + 6), QPointF(tX, yGnd), kGreen, 3);
  s.Dot(QPointF(tX, yGnd), kGreen);
  s.Line(QPointF(cX, yOrd), QPointF(tX + 9, rY - 4), kInk, 3.5);
  s.Dot(QPointF(cX, yOrd), kInk, 6);
  for (const QPointF& contact : {QPointF(tX, yOrd), QPointF(tX, rY)}) {
    QPainter& p = s.painter();
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(Qt::white);
    p.drawEllipse(contact, 6, 6);
    p.setBrush(Qt::NoBrush);
  }
  s.TextAt(QPointF(tX, yOrd - 20), QStringLiteral("T"), Font(17, true), kInk, Qt::AlignHCenter |
           Qt::AlignVCenter);
  s.TextAt(QPointF(tX - 10, rY), QStringLiteral("R"), Font(17, true), kInk,
           Qt::AlignRight | Qt::AlignVCenter);
  s.TextAt(QPointF(cX, yOrd - 20), QStringLiteral("C"), Font(17, true), kInk, Qt::AlignHCenter |
           Qt::AlignVCenter);
  s.TextAt(QPointF((tX + cX) / 2 + 4, yOrd - 20), QStringLiteral("K1"), Font(19, true), kInk,
           Qt::AlignHCenter | Qt::AlignVCenter);
  // K1's coil from +5 V, switched to ground by a 2N7000 whose gate is D8.
  const double coilX = 1330, diodeX = 1390, yTop = 994, yDrain = 1064;
  sch.Flag(QPointF(coilX, yTop - 6), QStringLiteral("+5 V"), kSupply,
           Qt::AlignHCenter | Qt::AlignBottom);
  s.Polyline({QPointF(coilX, yTop - 6), QPointF(coilX, 1002)}, kSupply, 3);
  s.Polyline({QPointF(coilX, yTop), QPointF(diodeX, yTop)}, kSupply, 3);
  s.Dot(QPointF(coilX, yTop), kSupply, 6);
  s.Box(QRectF(coilX - 18, 1002, 36, 46), Qt::white, kInk, 3, Qt::SolidLine, 0);
  s.TextAt(QPointF(coilX - 24, 1025), QStringLiteral("K1"), Font(19, true), kInk,
           Qt::AlignRight | Qt::AlignVCenter);
  s.Line(QPointF(coilX, 1048), QPointF(coilX, yDrain), kInk, 3);
  sch.DiodeV(QPointF(diodeX, yDrain), QPointF(diodeX, yTop), kInk);
  s.Line(QPointF(coilX, yDrain), QPointF(diodeX, yDrain), kInk, 3);
  s.Dot(QPointF(coilX, yDrain), kInk, 6);
  s.TextAt(QPointF(diodeX + 10, yDrain + 14), QStringLiteral("1N4148"), Font(17, true), kInk);
  const QPointF gate = sch.NMos(QPointF(coilX, yDrain), QPointF(coilX, 1124));
  s.Ground(QPointF(coilX, 1124));
  s.TextAt(QPointF(coilX + 16, 1126), QStringLiteral("2N7000"), Font(17, true), kInk);
  s.Line(gate, gate - QPointF(8, 0), kSpi, 3);
  sch.Flag(gate - QPointF(8, 0), QStringLiteral("D8"), kSpi, Qt::AlignRight);
  // The non-inverting input at 1,700 V from the reference.
  const double yDiv = yPlusA + 50;
  s.Polyline({QPointF(1090, yPlusA), QPointF(1058, yPlusA), QPointF(1058, yDiv)}, kInk, 3);
  s.Dot(QPointF(1058, yDiv), kInk);
  sch.ResistorH(QPointF(954, yDiv), QPointF(1058, yDiv), QStringLiteral("P1 2 kΩ"), kInk, 80,
                true);
  sch.ResistorH(QPointF(812, yDiv), QPointF(954, yDiv), QStringLiteral("R1 4,42 kΩ"), kInk, 110);
  sch.Flag(QPointF(812, yDiv), QStringLiteral("4,096 V"), kSupply, Qt::AlignRight);
  sch.ResistorH(QPointF(1058, yDiv), QPointF(1220, yDiv), QStringLiteral("R2 3,74 kΩ"), kInk,
                120);
  s.Ground(QPointF(1220, yDiv));
  s.Text(QRectF(1300, yOutB + 12, 280, 110),
         QStringLiteral("TL072 : voies A et B d'un même boîtier ; 8 : +15 V, 4 : −15 V, "
                        "100 nF sur chaque alimentation"),
         Font(17, false, true), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
  s.Text(QRectF(840, yDiv + 46, 340, 50),
         QStringLiteral("P1 : 0,000 V sur « Ordre » au repos (compte 2048)"),
         Font(17, false, true), kRed, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // Terminals and what the bench connects to them.
  struct Term {
    double y;
    QString name;
    QColor c;
  };
  for (const Term& t : {Term{yIn0, QStringLiteral("Entrée 0"), kBlue},
                        Term{yIn1, QStringLiteral("Entrée 1"), kBlue},
                        Term{tipB.y(), QStringLiteral("Sortie 1"), kInk},
                        Term{tipA.y(), QStringLiteral("Ordre"), kRed},
                        Term{yGnd, QStringLiteral("Masse"), kGreen}}) {
    s.Terminal(QPointF(termX, t.y), t.c);
    s.TextAt(QPointF(termX + 14, t.y), t.name, Font(20, true), t.c);
  }
  s.Line(QPointF(termX - 10, yGnd), QPointF(tX, yGnd), kGreen, 4);
  s.Text(QRectF(tX + 12, yGnd + 6, 130, 48), QStringLiteral("masse de\nla carte"),
         Font(17, false, true), kGreen, Qt::AlignLeft | Qt::AlignTop);

  const double extL = 1750, extW = 240, stripR = stripL + stripW;
  s.Wire({QPointF(extL + 60, yIn0), QPointF(stripR, yIn0)}, kInk, 4, Qt::DashLine);
  s.Text(QRectF(extL + 4, yIn0 - 130, extW, 116),
         QStringLiteral("consigne externe ou capteur, 0–10 V (facultatif)"), Font(19), kInk,
         Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap);
  s.Wire({QPointF(extL + 60, yIn1), QPointF(stripR, yIn1)}, kBlue, 4);
  s.Text(QRectF(extL + 4, yIn1 + 12, extW, 180),
         QStringLiteral("capteur du procédé, 0–10 V : potentiomètre de recopie (position) ou "
                        "génératrice (vitesse)"),
         Font(19, true), kBlue, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
  s.Line(QPointF(stripR, tipB.y()), QPointF(extL + 60, tipB.y()), kInk, 3, Qt::DotLine);
  s.Text(QRectF(extL + 4, tipB.y() + 12, extW, 80),
         QStringLiteral("sortie 1, 0–10 V : usage libre"), Font(19), kInk,
         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
  s.Wire({QPointF(stripR, tipA.y()), QPointF(extL + 60, tipA.y())}, kRed, 5);
  s.Text(QRectF(extL + 4, tipA.y() - 110, extW, 98),
         QStringLiteral("ordre ±10 V vers l'amplificateur de puissance"), Font(19, true), kRed,
         Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap);
  s.Line(QPointF(stripR, yGnd), QPointF(extL + 60, yGnd), kGreen, 4);
  s.Text(QRectF(extL + 4, yGnd + 8, extW, 80),
         QStringLiteral("masse commune : Arduino, ±15 V, amplificateur, capteurs"), Font(18, true),
         kGreen, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // Setting to work, under the Arduino.
  s.Text(QRectF(48, 1014, 340, 156),
         QStringLiteral("Mettre la carte sous tension avant l'amplificateur, l'éteindre après "
                        "lui. K1 ne relie l'ordre qu'une fois le repos écrit (D8 haut) ; sans "
                        "ordre du PC pendant deux périodes, le micrologiciel remet les sorties "
                        "au repos."),
         Font(17, true), kInk, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // Parts list.
  const QRectF parts(24, 1190, 1240, 210);
  s.Box(parts, kNoteFill, kInk, 3, Qt::SolidLine, 14);
  s.Text(QRectF(parts.left() + 20, parts.top() + 6, 600, 34),
         QStringLiteral("Liste des composants"), Font(24, true), kInk,
         Qt::AlignLeft | Qt::AlignTop);
  const QStringList col1 = {
      QStringLiteral("1 Arduino Uno (ou Nano) et son câble USB"),
      QStringLiteral("1 MCP3204-CI/P (CAN 12 bits, 4 voies, SPI)"),
      QStringLiteral("1 MCP4822-E/P (CNA 12 bits, 2 voies, SPI)"),
      QStringLiteral("1 MCP1541 (référence 4,096 V)"),
      QStringLiteral("1 TL072 (double amplificateur opérationnel)"),
      QStringLiteral("1 alimentation ±15 V (banc ou convertisseur 5 V → ±15 V)"),
      QStringLiteral("5 bornes 4 mm ou BNC"),
  };
  const QStringList col2 = {
      QStringLiteral("2 × 15 kΩ et 2 × 10 kΩ à 0,1 % (diviseurs), 2 BAT54S"),
      QStringLiteral("Rin 20,5 kΩ et Rf 100 kΩ à 1 % (étage de l'ordre)"),
      QStringLiteral("R1 4,42 kΩ, R2 3,74 kΩ à 1 %, P1 multitours 2 kΩ"),
      QStringLiteral("14,7 kΩ et 10,2 kΩ à 1 % (étage de la sortie 1), 2 × 100 Ω"),
      QStringLiteral("K1 relais 5 V à un inverseur (bobine de 40 mA au plus)"),
      QStringLiteral("2N7000, 1N4148, 10 kΩ (D8 à la masse)"),
      QStringLiteral("8 × 100 nF céramique, 2 × 1 µF, 1 × 10 µF (sur le 5 V)"),
  };
  for (const auto& [column, x] : {std::pair{&col1, 24.0}, std::pair{&col2, 630.0}}) {
    double ly = parts.top() + 56;
    for (const QString& line : *column) {
      s.TextAt(QPointF(parts.left() + x, ly), QStringLiteral("• ") + line, Font(17), kInk);
      ly += 23;
    }
  }

  // Legend.
  const QRectF legend(1284, 1190, 692, 210);
  s.Box(legend, kNoteFill, kInk, 3, Qt::SolidLine, 14);
  s.Text(QRectF(legend.left() + 20, legend.top() + 6, 400, 34), QStringLiteral("Légende"),
         Font(24, true), kInk, Qt::AlignLeft | Qt::AlignTop);
  struct Item {
    QColor c;
    double w;
    QString text;
  };
  double iy = legend.top() + 62;
  for (const Item& it :
       {Item{kSpi, 4, QStringLiteral("SPI, sélections et D8 (croisement sans point : non reliés)")},
        Item{kBlue, 4, QStringLiteral("mesures des capteurs, 0–10 V")},
        Item{kRed, 5, QStringLiteral("ordre de commande, ±10 V")},
        Item{kSupply, 4, QStringLiteral("alimentations et référence")},
        Item{kGreen, 4, QStringLiteral("masse commune")}}) {
    s.Line(QPointF(legend.left() + 24, iy), QPointF(legend.left() + 100, iy), it.c, it.w);
    s.TextAt(QPointF(legend.left() + 114, iy), it.text, Font(18), kInk);
    iy += 28;
  }
}

bool Write(Sheet& s, const QString& path) {
  if (!s.Save(path)) {
    std::fprintf(stderr, "Impossible de créer le fichier %s\n", path.toUtf8().constData());
    return false;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  QDir dir(root);
  if (!dir.mkpath(QStringLiteral("aide")) || !dir.mkpath(QStringLiteral("méthode"))) {
    std::fprintf(stderr, "Impossible de créer les dossiers aide et méthode dans %s\n",
                 root.toUtf8().constData());
    return 1;
  }
  bool ok = true;
  {
    Sheet s(2000, 1414);
    DrawWiring(s, Loop::kPosition);
    ok &= Write(s, dir.filePath(QStringLiteral("aide/schémapos.jpg")));
  }
  {
    Sheet s(2000, 1414);
    DrawWiring(s, Loop::kSpeed);
    ok &= Write(s, dir.filePath(QStringLiteral("aide/schémavit.jpg")));
  }
  {
    Sheet s(1414, 2000);
    DrawStableMethod(s);
    ok &= Write(s, dir.filePath(QStringLiteral("méthode/méthostable.jpg")));
  }
  {
    Sheet s(1414, 2000);
    DrawUnstableMethod(s);
    ok &= Write(s, dir.filePath(QStringLiteral("méthode/méthoinstable.jpg")));
  }
  {
    Sheet s(2000, 1414);
    DrawUsbWiring(s);
    ok &= Write(s, dir.filePath(QStringLiteral("aide/schémausb.jpg")));
  }
  return ok ? 0 : 1;
}
