// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TChart.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/ChartDrawing.h"
#include "widgets/ChartLegend.h"
#include "widgets/PixelWriter.h"

namespace vantor {

namespace {

constexpr int kZoomThreshold = 16;  // pixels a left drag must exceed in both directions
// Value -> pixel along one axis of a layout (doubles, for drawing).
struct AxisMap {
  ChartScale scale;
  AxisMap(const TChartAxis& axis, const QRect& plot) : scale(axis.Scale(plot)) {}
  double operator()(double v) const { return DrawnPixel(scale, v); }
};

// The surface inside the chart's margins.
QRect InsideMargins(const TChart& chart, QSize surface) {
  const int w = std::max(surface.width(), 1);
  const int h = std::max(surface.height(), 1);
  const int top = h * std::max(chart.MarginTop, 0) / 100;
  const int bottom = h - 1 - h * std::max(chart.MarginBottom, 0) / 100;
  const int left = w * std::max(chart.MarginLeft, 0) / 100;
  const int right = w - 1 - w * std::max(chart.MarginRight, 0) / 100;
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

QString LegendText(const TFastLineSeries& s) {
  return s.Title;
}

// Nearest whole pixel, halves up, for coordinates already kept within +-kChartFar.
inline double Snap(double p) {
  constexpr double offset = 4194304.0;  // 2^22 > kChartFar: the sum stays positive
  return static_cast<double>(static_cast<long long>(p + offset + 0.5)) - offset;
}

}  // namespace

TChart::TChart(QWidget* parent) : QWidget(parent), bottomAxis_(this, true), leftAxis_(this, false) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  bottomAxis_.SetMinMax(0, 100);
  leftAxis_.SetMinMax(0, 100);
}

TChart::~TChart() = default;

TFastLineSeries* TChart::AddSeries(const QString& name, const QString& title, const QColor& color,
                                   bool showInLegend) {
  series_.push_back(std::make_unique<TFastLineSeries>(this, name, title, color, showInLegend));
  update();
  return series_.back().get();
}

TFastLineSeries* TChart::InsertSeries(int index, const QString& name, const QString& title,
                                      const QColor& color, bool showInLegend) {
  const auto at = series_.begin() + std::clamp<std::ptrdiff_t>(index, 0, SeriesCount());
  TFastLineSeries* s =
      series_.insert(at, std::make_unique<TFastLineSeries>(this, name, title, color, showInLegend))
          ->get();
  update();
  return s;
}

TFastLineSeries* TChart::Series(const QString& name) {
  for (auto& s : series_)
    if (s->Name == name) return s.get();
  return nullptr;
}

void TChart::SeriesChanged() {
  // A fill adds thousands of points: one pending update is enough.
  if (!updatePending_) {
    updatePending_ = true;
    update();
  }
}

QFont TChart::EffectiveFont(const QFont& f) const {
  // Layout sizes are pixels of the layout surface, so every font is sized in pixels.
  if (f.pixelSize() > 0) return f;
  QFont pixel(f);
  const double points = f.pointSizeF() > 0 ? f.pointSizeF() : 8.0;
  pixel.setPixelSize(std::max(1, static_cast<int>(std::lround(points * logicalDpiY() / 72.0))));
  return pixel;
}

// Everything a layout depends on: the layout is computed again only when one changes.
struct TChart::LayoutCache {
  struct AxisKey {
    double minimum, maximum;
    bool labels;
    int separation, tickLength;
    QString title;
    QFont titleFont, labelsFont;
    bool operator==(const AxisKey&) const = default;
  };
  struct Key {
    QSize surface;
    int dpi;
    AxisKey bottom, left;
    bool titleShown;
    QString title;
    QFont titleFont, font;
    bool legend;
    int swatch;
    QStringList legendTexts;
    int margins[4];
    bool operator==(const Key&) const = default;
  };
  Key key;
  ChartLayout layout;
};

ChartLayout TChart::Layout(QSize surface) const {
  auto axisKey = [](const TChartAxis& a) {
    return LayoutCache::AxisKey{a.Minimum(),  a.Maximum(), a.Labels,    a.LabelsSeparation,
                                a.TickLength, a.Title,     a.TitleFont, a.LabelsFont};
  };
  LayoutCache::Key key{surface,
                       logicalDpiY(),
                       axisKey(bottomAxis_),
                       axisKey(leftAxis_),
                       TitleVisible,
                       TitleText,
                       TitleFont,
                       font(),
                       LegendVisible,
                       LegendSwatchPercent,
                       {},
                       {MarginTop, MarginBottom, MarginLeft, MarginRight}};
  if (LegendVisible)
    for (const auto& s : series_)
      if (s->ShowInLegend) key.legendTexts.append(LegendText(*s));
  if (layoutCache_ && layoutCache_->key == key) return layoutCache_->layout;
  ChartLayout layout = ComputeLayout(surface);
  if (!layoutCache_) layoutCache_ = std::make_unique<LayoutCache>();
  layoutCache_->key = std::move(key);
  layoutCache_->layout = layout;
  return layout;
}

ChartLayout TChart::ComputeLayout(QSize surface) const {
  ChartLayout layout;
  const QRect inside = InsideMargins(*this, surface);
  int top = inside.top();
  int bottom = inside.bottom();
  int left = inside.left();
  int right = inside.right();

  if (TitleVisible && !TitleText.isEmpty()) {
    const QFontMetricsF fm(EffectiveFont(TitleFont));
    const int th = static_cast<int>(std::ceil(fm.height()));
    layout.title = QRect(left, top, std::max(right - left + 1, 1), th);
    top += th + 2 * kChartGap;
  }

  if (LegendVisible) {
    const LegendLayout legend = LegendGeometry(surface);
    if (legend.rows > 0) {
      const int lw = legend.size.width(), lh = legend.size.height();
      const int lx = left + (right - left + 1 - lw) / 2;
      layout.legend = QRect(lx, bottom - lh + 1, lw, lh);
      bottom -= lh + 2 * kChartGap;
    }
  }

  const QFontMetricsF labelsBottom(EffectiveFont(bottomAxis_.LabelsFont));
  const QFontMetricsF labelsLeft(EffectiveFont(leftAxis_.LabelsFont));
  auto widestLabel = [](const AxisTicks& ticks, const QFontMetricsF& fm) {
    double widest = 0;
    for (const QString& label : ticks.labels)
      widest = std::max(widest, fm.horizontalAdvance(label));
    return widest;
  };
  // Bottom axis under the plot, its labels one line high.
  bottom -= AxisDepth(bottomAxis_, labelsBottom.height());
  // Room for half of the top label of the left axis.
  if (leftAxis_.Labels) top += static_cast<int>(std::ceil(labelsLeft.height() / 2));
  if (bottom < top) bottom = top;

  // Left axis: its labels' width depends on the ticks, which depend on the height.
  layout.left = ComputeAxisTicks(leftAxis_.Minimum(), leftAxis_.Maximum(), bottom - top,
                                 labelsLeft.height(), leftAxis_.LabelsSeparation);
  left += AxisDepth(leftAxis_, leftAxis_.Labels ? widestLabel(layout.left, labelsLeft) : 0);

  // Bottom axis: the labels' width sets the step; guess it from the range's ends, then
  // measure the labels actually chosen and choose again if they are wider.
  const double bmin = bottomAxis_.Minimum(), bmax = bottomAxis_.Maximum();
  double guess =
      std::max(labelsBottom.horizontalAdvance(FormatAxisLabel(bmin, (bmax - bmin) / 10)),
               labelsBottom.horizontalAdvance(FormatAxisLabel(bmax, (bmax - bmin) / 10)));
  int plotWidth = std::max(right - left, 1);
  layout.bottom = ComputeAxisTicks(bmin, bmax, plotWidth, guess, bottomAxis_.LabelsSeparation);
  const double measured = widestLabel(layout.bottom, labelsBottom);
  if (measured > guess)
    layout.bottom = ComputeAxisTicks(bmin, bmax, plotWidth, measured, bottomAxis_.LabelsSeparation);
  // Room for half of the last label of the bottom axis.
  if (bottomAxis_.Labels)
    right -= static_cast<int>(std::ceil(widestLabel(layout.bottom, labelsBottom) / 2));
  if (right < left) right = left;

  layout.plot = QRect(QPoint(left, top), QPoint(right, bottom));
  return layout;
}

int TChart::AxisDepth(const TChartAxis& axis, double labelsDepth) const {
  int depth = std::max(axis.TickLength, 0);
  if (axis.Labels) depth += static_cast<int>(std::ceil(labelsDepth)) + kChartGap;
  if (!axis.Title.isEmpty())
    depth += static_cast<int>(std::ceil(QFontMetricsF(EffectiveFont(axis.TitleFont)).height())) +
             kChartGap;
  return depth;
}

QRect TChart::ChartRect() const {
  return Layout(size()).plot;
}

QPointF TChart::PixelToValues(QPoint clientPos) const {
  return QPointF(bottomAxis_.CalcPosPoint(clientPos.x()), leftAxis_.CalcPosPoint(clientPos.y()));
}

QPointF TChart::CursorToValues() const {
  return PixelToValues(mapFromGlobal(QCursor::pos()));
}

QSize TChart::PrintSurface() const {
  const double factor = 1.0 - PrintResolution / 100.0;
  const int w = static_cast<int>(std::lround(width() * factor));
  const int h = static_cast<int>(std::lround(height() * factor));
  return QSize(std::max(w, 1), std::max(h, 1));
}

void TChart::PrintRect(QPainter& painter, const QRect& target) {
  if (target.width() <= 0 || target.height() <= 0) return;
  const QSize surface = PrintSurface();
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(static_cast<double>(target.width()) / surface.width(),
                static_cast<double>(target.height()) / surface.height());
  RenderOn(painter, surface, false);
  painter.restore();
}

void TChart::Render(QPainter& painter, QSize surface) {
  const QTransform t = painter.worldTransform();
  const int type = painter.device() ? painter.device()->devType() : 0;
  const bool rasterDevice =
      type == QInternal::Image || type == QInternal::Pixmap || type == QInternal::Widget;
  RenderOn(painter, surface, rasterDevice && t.type() <= QTransform::TxTranslate);
}

void TChart::RenderOn(QPainter& painter, QSize surface, bool raster) {
  const ChartLayout layout = Layout(surface);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(QPoint(0, 0), surface), Color);
  if (!BackWallTransparent) painter.fillRect(layout.plot, BackWallColor);

  // On a 1:1 image, lines go straight into its pixels.
  std::optional<PixelWriter> writer;
  if (raster) writer = PixelWriter::For(painter);
  PixelWriter* px = writer ? &*writer : nullptr;
  DrawAxes(painter, layout, px, surface);
  DrawSeries(painter, layout, raster, px);

  // Plot frame over the series' ends.
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(layout.plot.adjusted(0, 0, -1, -1));  // stroked size = rect size + pen

  if (!layout.title.isNull()) {
    painter.setFont(EffectiveFont(TitleFont));
    painter.setPen(TitleColor);
    const Qt::Alignment h = TitleAlignment & Qt::AlignHorizontal_Mask;
    painter.drawText(layout.title, static_cast<int>((h ? h : Qt::AlignHCenter) | Qt::AlignTop),
                     TitleText);
  }
  DrawLegend(painter, layout, surface);
  painter.restore();
}

void TChart::DrawSeries(QPainter& painter, const ChartLayout& layout, bool raster,
                        PixelWriter* px) {
  const QRect& plot = layout.plot;
  const AxisMap mx(bottomAxis_, plot);
  const AxisMap my(leftAxis_, plot);
  painter.save();
  if (px)
    px->SetClip(plot);
  else
    painter.setClipRect(plot);
  painter.setBrush(Qt::NoBrush);
  const double bmin = bottomAxis_.Minimum(), bmax = bottomAxis_.Maximum();

  for (const auto& s : series_) {
    const std::vector<double>& xs = s->XValues();
    const std::vector<double>& ys = s->YValues();
    const std::size_t n = xs.size();
    if (n == 0) continue;
    // Only the points inside the bottom range, plus one on each side, can show.
    std::size_t lo = 0, hi = n;
    if (s->XAscending()) {
      lo = static_cast<std::size_t>(std::lower_bound(xs.begin(), xs.end(), bmin) - xs.begin());
      hi = static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.end(), bmax) - xs.begin());
      lo = lo > 0 ? lo - 1 : 0;
      hi = std::min(hi + 1, n);
      if (hi <= lo) continue;
    }
    const std::size_t count = hi - lo;
    const QRgb colour = s->SeriesColor.rgba();
    PixelWriter* writer = qAlpha(colour) == 255 && !s->Dashed ? px : nullptr;
    if (!writer)
      painter.setPen(s->Dashed ? QPen(QBrush(s->SeriesColor), 2, Qt::DashLine)
                               : QPen(QBrush(s->SeriesColor), 1));
    if (count == 1) {
      const QPointF p(mx(xs[lo]), my(ys[lo]));
      if (writer)
        writer->Polyline(&p, 1, colour);
      else
        painter.drawPoint(p);
      continue;
    }
    buffer_.resize(static_cast<qsizetype>(count));
    QPointF* out = buffer_.data();
    std::size_t m = 0;
    const bool dense = raster && s->XAscending() && count > static_cast<std::size_t>(plot.width());
    if (!dense && writer) {
      for (std::size_t i = lo; i < hi; ++i) out[m++] = QPointF(Snap(mx(xs[i])), Snap(my(ys[i])));
    } else if (!dense) {
      for (std::size_t i = lo; i < hi; ++i) out[m++] = QPointF(mx(xs[i]), my(ys[i]));
    } else if (!ReducePoints) {
      // Denser than the pixels: points land on whole pixels, as the envelope below does.
      for (std::size_t i = lo; i < hi; ++i) out[m++] = QPointF(Snap(mx(xs[i])), Snap(my(ys[i])));
    } else {
      // Min/max envelope per pixel column: the first, lowest, highest and last point of
      // each column, in their order. The vertical run they draw in a column covers the
      // same pixels as all the points of that column would.
      std::size_t i = lo;
      double column = Snap(mx(xs[i]));
      while (i < hi) {
        const std::size_t first = i;
        std::size_t lowest = i, highest = i, last = i;
        double yLow = Snap(my(ys[i])), yHigh = yLow;
        double nextColumn = column;
        ++i;
        while (i < hi) {
          nextColumn = Snap(mx(xs[i]));
          if (nextColumn != column) break;
          const double y = Snap(my(ys[i]));
          if (y < yLow) yLow = y, lowest = i;
          if (y > yHigh) yHigh = y, highest = i;
          last = i;
          ++i;
        }
        const std::size_t a = std::min(lowest, highest), b = std::max(lowest, highest);
        std::size_t prev = hi;  // no index emitted yet
        for (std::size_t k : {first, a, b, last}) {
          if (k == prev) continue;
          out[m++] = QPointF(column, Snap(my(ys[k])));
          prev = k;
        }
        column = nextColumn;
      }
    }
    if (writer)
      writer->Polyline(out, static_cast<int>(m), colour);
    else
      painter.drawPolyline(out, static_cast<int>(m));
  }
  painter.restore();
}

LegendLayout TChart::LegendGeometry(QSize surface) const {
  const QFontMetricsF fm(EffectiveFont(font()));
  double longest = 0;
  int items = 0;
  for (const auto& s : series_) {
    if (!s->ShowInLegend) continue;
    ++items;
    longest = std::max(longest, fm.horizontalAdvance(LegendText(*s)));
  }
  return LayOutLegend(items, longest, fm.height(), LegendSwatchPercent,
                      InsideMargins(*this, surface).width());
}

void TChart::DrawLegend(QPainter& painter, const ChartLayout& layout, QSize surface) {
  if (layout.legend.isNull()) return;
  const QFont f = EffectiveFont(font());
  const QFontMetricsF fm(f);
  const LegendLayout legend = LegendGeometry(surface);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(layout.legend);
  painter.setFont(f);
  int index = 0;
  for (const auto& s : series_) {
    if (!s->ShowInLegend) continue;
    const QPointF item = legend.ItemAt(layout.legend.topLeft(), index);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(s->SeriesColor);
    painter.drawRect(legend.SwatchAt(item));
    painter.setPen(Qt::black);
    painter.drawText(legend.TextAt(item, fm.ascent()), LegendText(*s));
    ++index;
  }
}

void TChart::paintEvent(QPaintEvent*) {
  updatePending_ = false;
  QPainter painter(this);
  if (devicePixelRatioF() == 1) {
    // Drawn into the chart's own image, then copied: no flicker, and the lines go
    // straight into the image's pixels.
    if (screen_.size() != size()) screen_ = QImage(size(), QImage::Format_RGB32);
    {
      QPainter off(&screen_);
      RenderOn(off, size(), true);
    }
    painter.drawImage(0, 0, screen_);
  } else {
    RenderOn(painter, size(), true);
  }
  if (drag_ == Drag::Zoom) {
    painter.setPen(QPen(QBrush(Qt::black), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(dragStart_, dragLast_).normalized());
  }
}

TChart::Ranges TChart::CurrentRanges() const {
  return {bottomAxis_.Minimum(), bottomAxis_.Maximum(), leftAxis_.Minimum(), leftAxis_.Maximum()};
}

void TChart::ApplyRanges(const Ranges& r) {
  bottomAxis_.SetMinMax(r.bottomMin, r.bottomMax);
  leftAxis_.SetMinMax(r.leftMin, r.leftMax);
}

void TChart::SaveRangesOnce() {
  if (hasSavedRanges_) return;
  savedRanges_ = CurrentRanges();
  hasSavedRanges_ = true;
}

void TChart::UndoZoom() {
  if (hasSavedRanges_) {
    ApplyRanges(savedRanges_);
    hasSavedRanges_ = false;
  }
  update();
  Q_EMIT UndoneZoom();
}

void TChart::ZoomRect(const QRect& clientRect) {
  const QRect r = clientRect.normalized();
  const Ranges target{bottomAxis_.CalcPosPoint(r.left()), bottomAxis_.CalcPosPoint(r.right()),
                      leftAxis_.CalcPosPoint(r.bottom()), leftAxis_.CalcPosPoint(r.top())};
  SaveRangesOnce();
  if (AnimatedZoom && AnimatedZoomSteps > 1 && isVisible()) {
    // Drawn step by step, synchronously; the last step sets the exact target.
    const Ranges from = CurrentRanges();
    const int steps = std::min(AnimatedZoomSteps, 100);
    for (int i = 1; i < steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      ApplyRanges({from.bottomMin + (target.bottomMin - from.bottomMin) * t,
                   from.bottomMax + (target.bottomMax - from.bottomMax) * t,
                   from.leftMin + (target.leftMin - from.leftMin) * t,
                   from.leftMax + (target.leftMax - from.leftMax) * t});
      repaint();
    }
  }
  ApplyRanges(target);
  update();
  Q_EMIT Zoomed();
}

void TChart::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton && AllowZoom) {
    drag_ = Drag::Zoom;
    dragStart_ = dragLast_ = pos;
  } else if (event->button() == Qt::RightButton && AllowPanning != TPanningMode::pmNone &&
             ChartRect().contains(pos)) {
    drag_ = Drag::Pan;
    dragStart_ = dragLast_ = pos;
  }
  QWidget::mousePressEvent(event);
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  Q_EMIT MouseMoved(event->modifiers(), pos.x(), pos.y());
  if (drag_ == Drag::Zoom) {
    dragLast_ = pos;
    update();
  } else if (drag_ == Drag::Pan) {
    const QPoint delta = pos - dragLast_;
    dragLast_ = pos;
    if (delta.isNull()) return;
    const QRect plot = ChartRect();
    SaveRangesOnce();
    const bool horizontal =
        AllowPanning == TPanningMode::pmBoth || AllowPanning == TPanningMode::pmHorizontal;
    const bool vertical =
        AllowPanning == TPanningMode::pmBoth || AllowPanning == TPanningMode::pmVertical;
    // The range moves the other way to the pointer, so that the curves follow it.
    auto pan = [&](TChartAxis& axis, int pixels) {
      const double shift = -axis.Scale(plot).ValueDelta(pixels);
      axis.SetMinMax(axis.Minimum() + shift, axis.Maximum() + shift);
    };
    if (horizontal && delta.x() != 0) pan(bottomAxis_, delta.x());
    if (vertical && delta.y() != 0) pan(leftAxis_, delta.y());
    Q_EMIT Scrolled();
  }
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (drag_ == Drag::Zoom && event->button() == Qt::LeftButton) {
    drag_ = Drag::None;
    update();
    const int dx = pos.x() - dragStart_.x();
    const int dy = pos.y() - dragStart_.y();
    if (std::abs(dx) > kZoomThreshold && std::abs(dy) > kZoomThreshold) {
      if (dx > 0 && dy > 0)
        ZoomRect(QRect(dragStart_, pos));
      else
        UndoZoom();
    }
  } else if (drag_ == Drag::Pan && event->button() == Qt::RightButton) {
    drag_ = Drag::None;
  }
  QWidget::mouseReleaseEvent(event);
}

void TChart::mouseDoubleClickEvent(QMouseEvent* event) {
  Q_EMIT DoubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace vantor
