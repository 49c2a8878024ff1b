// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/LiveTraceView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantor {

namespace {

constexpr int kMarginLeft = 44, kMarginRight = 44, kMarginTop = 26, kMarginBottom = 34;
constexpr int kTickLabelHalfWidth = 20;
const QColor kGrid(220, 220, 220);
const QColor kZeroOrderLine(170, 170, 170);  // 0 V of the order, half-way up
// Opaque (a translucent fill over the whole plot costs more than the curves); the volt
// grid is drawn again over it.
const QColor kSensorLimitGround(255, 225, 187);

// Left scale 0..10 V and right scale -10..10 V share their grid lines: every 2.5 V on the
// left is every 5 V on the right, and 0 V of the order is half-way up (line i = 2).
int GridY(const QRect& plot, int i) {
  return plot.bottom() - static_cast<int>(std::lround(i / 4.0 * plot.height()));
}

// The plot's white ground, its volt grid and its frame.
void DrawVoltGrid(QPainter& p, const QRect& plot) {
  p.fillRect(plot, Qt::white);
  for (int i = 0; i <= 4; ++i) {
    p.setPen(i == 2 ? kZeroOrderLine : kGrid);
    p.drawLine(plot.left(), GridY(plot, i), plot.right(), GridY(plot, i));
  }
  p.setPen(Qt::black);
  p.drawRect(plot.adjusted(0, 0, -1, -1));
}

constexpr int kLegendLine = 18, kLegendGap = 4, kLegendSpacing = 16;

}  // namespace

QStringList FittingLegend(const QFontMetrics& fm, int width) {
  static const QStringList wordings[] = {
      {"consigne (V)", "retour (V)", "ordre total (V, échelle de droite)"},
      {"consigne (V)", "retour (V)", "ordre total (V, à droite)"},
      {"consigne", "retour", "ordre (à droite)"}};
  for (const QStringList& texts : wordings)
    if (LegendWidth(fm, texts) <= width) return texts;
  return wordings[2];
}

int LegendWidth(const QFontMetrics& fm, const QStringList& texts) {
  int w = 0;
  for (const QString& text : texts)
    w += (w == 0 ? 0 : kLegendSpacing) + kLegendLine + kLegendGap + fm.horizontalAdvance(text);
  return w;
}

LiveTraceView::LiveTraceView(QWidget* parent) : QWidget(parent) {
  setObjectName("LiveTraceView");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(400, 200);
  line_.reserve(kCapacity);
}

void LiveTraceView::Clear() {
  head_ = 0;
  count_ = 0;
  update();
}

void LiveTraceView::Push(const LiveSample& sample) {
  if (count_ == kCapacity) {
    ring_[static_cast<std::size_t>(head_)] = sample;
    head_ = (head_ + 1) % kCapacity;
  } else {
    ring_[static_cast<std::size_t>((head_ + count_) % kCapacity)] = sample;
    ++count_;
  }
  update(ScrollingRect());
}

void LiveTraceView::MarkLast(int n) {
  for (int i = std::max(0, count_ - n); i < count_; ++i)
    ring_[static_cast<std::size_t>((head_ + i) % kCapacity)].atSensorLimit = true;
  update(ScrollingRect());
}

QRect LiveTraceView::ScrollingRect() const {
  // The time labels are centred on their ticks: half a label beyond each side.
  return PlotRect().adjusted(-kTickLabelHalfWidth, 0, kTickLabelHalfWidth, kMarginBottom);
}

const LiveSample& LiveTraceView::At(int i) const {
  return ring_[static_cast<std::size_t>((head_ + i) % kCapacity)];
}

double LiveTraceView::WindowStart() const {
  if (count_ == 0) return 0;
  const double last = At(count_ - 1).cycle * periodMs_ / 1000.0;
  return std::max(0.0, last - kWindowSeconds);
}

const QStaticText& LiveTraceView::TickLabel(int seconds) {
  auto it = tickLabels_.find(seconds);
  if (it == tickLabels_.end()) {
    if (tickLabels_.size() > 64) tickLabels_.clear();  // a long run: labels long gone
    it = tickLabels_.insert(seconds, QStaticText(QString::number(seconds)));
    it->prepare(QTransform(), font());
  }
  return *it;
}

QRect LiveTraceView::PlotRect() const {
  return QRect(kMarginLeft, kMarginTop, std::max(1, width() - kMarginLeft - kMarginRight),
               std::max(1, height() - kMarginTop - kMarginBottom));
}

void LiveTraceView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  background_ = QImage();
}

// Frame, volt grid and both scales, legend: everything that does not scroll.
void LiveTraceView::DrawBackground() {
  const qreal dpr = devicePixelRatioF();
  background_ = QImage(size() * dpr, QImage::Format_RGB32);
  background_.setDevicePixelRatio(dpr);
  background_.fill(palette().color(QPalette::Window));
  QPainter p(&background_);
  const QRect plot = PlotRect();
  const QFontMetrics fm = p.fontMetrics();
  DrawVoltGrid(p, plot);
  for (int i = 0; i <= 4; ++i) {
    const int y = GridY(plot, i);
    p.drawText(QRect(0, y - fm.height() / 2, kMarginLeft - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(i * 2.5));
    p.drawText(QRect(plot.right() + 6, y - fm.height() / 2, kMarginRight - 6, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QString::number(i * 5 - 10));
  }
  // Legend above the plot: the units of each scale go with its curves, in fewer words
  // when the window is narrow.
  int x = plot.left();
  const int y = kMarginTop / 2;
  const QStringList texts = FittingLegend(fm, plot.width());
  const QColor colors[] = {Qt::red, Qt::blue, Qt::black};
  for (int i = 0; i < texts.size(); ++i) {
    p.setPen(QPen(colors[i], 2));
    p.drawLine(x, y, x + kLegendLine, y);
    p.setPen(Qt::black);
    const int w = fm.horizontalAdvance(texts[i]);
    p.drawText(x + kLegendLine + kLegendGap, y - fm.height() / 2, w, fm.height(), Qt::AlignVCenter,
               texts[i]);
    x += kLegendLine + kLegendGap + w + kLegendSpacing;
  }
  p.drawText(QRect(plot.left(), height() - fm.height() - 2, plot.width(), fm.height()),
             Qt::AlignRight | Qt::AlignVCenter, "temps depuis « Début » (s)");
}

void LiveTraceView::paintEvent(QPaintEvent*) {
  if (background_.isNull() || background_.size() != size() * devicePixelRatioF()) DrawBackground();
  QPainter p(this);
  p.drawImage(0, 0, background_);
  const QRect plot = PlotRect();
  const double start = WindowStart();
  const double xScale = plot.width() / static_cast<double>(kWindowSeconds);
  const double period = periodMs_ / 1000.0;

  // The stretches taken at a sensor limit, under the grid and the curves.
  for (int i = 0; i < count_; ++i) {
    if (!At(i).atSensorLimit) continue;
    int j = i;
    while (j + 1 < count_ && At(j + 1).atSensorLimit) ++j;
    const double t0 = (At(i).cycle - 1) * period, t1 = At(j).cycle * period;
    const int x0 =
        plot.left() + static_cast<int>(std::lround((std::max(t0, start) - start) * xScale));
    const int x1 = plot.left() + static_cast<int>(std::lround((t1 - start) * xScale));
    if (x1 > x0) {
      p.fillRect(QRect(x0, plot.top() + 1, x1 - x0, plot.height() - 2), kSensorLimitGround);
      for (int g = 1; g < 4; ++g) {
        p.setPen(g == 2 ? kZeroOrderLine : kGrid);
        p.drawLine(x0, GridY(plot, g), x1 - 1, GridY(plot, g));
      }
    }
    i = j;
  }

  // Time grid and labels every 2 s, scrolling with the window.
  for (int t = static_cast<int>(std::ceil(start / 2)) * 2; t <= start + kWindowSeconds; t += 2) {
    const int x = plot.left() + static_cast<int>(std::lround((t - start) * xScale));
    p.setPen(kGrid);
    p.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
    p.setPen(Qt::black);
    const QStaticText& label = TickLabel(t);
    p.drawStaticText(QPointF(x - label.size().width() / 2, plot.bottom() + 3), label);
  }
  if (count_ == 0) return;

  p.setClipRect(plot);
  const double bottom = plot.bottom(), h = plot.height();
  auto curve = [&](const QColor& color, auto value) {
    line_.clear();
    for (int i = 0; i < count_; ++i) {
      const LiveSample& s = At(i);
      const double t = s.cycle * period;
      if (t < start - period) continue;
      // Off the scale, a value is drawn at its edge, as a pen recorder at its stop.
      line_.append(
          QPointF(plot.left() + (t - start) * xScale, bottom - std::clamp(value(s), 0.0, 1.0) * h));
    }
    p.setPen(QPen(color, 1));
    p.drawPolyline(line_);
  };
  // Left scale: 0..10 V is 0..1000 hundredths; right scale: -10..10 V is -1000..1000.
  // In double: a record read from a file may hold any 32-bit value.
  curve(Qt::black,
        [](const LiveSample& s) { return (static_cast<double>(s.order) + 1000) / 2000.0; });
  curve(Qt::red, [](const LiveSample& s) { return s.setpoint / 1000.0; });
  curve(Qt::blue, [](const LiveSample& s) { return s.feedback / 1000.0; });
}

}  // namespace vantor
