// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chart component: a plot area with a bottom and a left axis, an ordered list of
// line series drawn in list order (later ones on top), a title and a legend at the
// bottom. Mouse zoom (left drag), pan (right drag) and undo zoom; printing into any
// rectangle of a page, in vector form.
//
// Layout sizes (fonts, tick lengths, margins) are in pixels of the chart's layout
// surface: on screen the widget itself; when printing, a surface (1 - PrintResolution /
// 100) times the widget's size, scaled into the target rectangle. Margins are percent of
// that surface's height (top, bottom) or width (left, right).
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QPolygonF>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "widgets/TChartAxis.h"
#include "widgets/TFastLineSeries.h"

class QPainter;

namespace vantor {
class ChartLines;
class PixelWriter;
struct LegendLayout;
}  // namespace vantor

namespace vantor {

enum class TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };

// Where everything goes on a layout surface of a given size.
struct ChartLayout {
  QRect plot;        // plotting rectangle (inside the axes)
  QRect title;       // title text box (empty when no title is shown)
  QRect legend;      // legend box (empty when hidden or empty)
  AxisTicks bottom;  // major ticks of the bottom axis
  AxisTicks left;    // major ticks of the left axis
};

class TChart : public QWidget {
  Q_OBJECT
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  TChartAxis& BottomAxis() { return bottomAxis_; }
  TChartAxis& LeftAxis() { return leftAxis_; }
  const TChartAxis& BottomAxis() const { return bottomAxis_; }
  const TChartAxis& LeftAxis() const { return leftAxis_; }

  // Series are drawn in creation order; the chart owns them.
  TFastLineSeries* AddSeries(const QString& name, const QString& title, const QColor& color,
                             bool showInLegend = true);
  // The same, drawn (and listed in the legend) before the series now at `index`.
  TFastLineSeries* InsertSeries(int index, const QString& name, const QString& title,
                                const QColor& color, bool showInLegend = true);
  TFastLineSeries* Series(const QString& name);  // nullptr when no series has that name
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  TFastLineSeries* SeriesAt(int i) { return series_.at(static_cast<std::size_t>(i)).get(); }

  // Appearance. Changing these fields takes effect at the next paint (call update()).
  QString TitleText;
  Qt::Alignment TitleAlignment = Qt::AlignHCenter;  // AlignLeft, AlignHCenter, AlignRight
  QFont TitleFont;                                  // underline through the font
  QColor TitleColor = Qt::blue;
  bool TitleVisible = true;
  bool LegendVisible = true;             // legend at the bottom
  int LegendSwatchPercent = 55;          // swatch width, percent of the longest legend text width
  bool View3D = false;                   // only the two-dimensional view is drawn
  QColor Color = QColor(240, 240, 240);  // background of the whole chart
  QColor BackWallColor = Qt::white;
  bool BackWallTransparent = true;
  int MarginTop = 4, MarginBottom = 4, MarginLeft = 3, MarginRight = 3;  // percent
  bool AllowZoom = true;
  bool AnimatedZoom = false;
  int AnimatedZoomSteps = 8;
  TPanningMode AllowPanning = TPanningMode::pmBoth;
  int PrintResolution = 0;  // whole percentage; negative values enlarge the print surface
  // On screen, a series denser than the plot's pixel columns is drawn as its min/max
  // envelope per column, which covers the same pixels; off only to compare the two.
  bool ReducePoints = true;

  // Axis ranges back to those saved before the first mouse zoom or pan since the last
  // undo; no change when none is in force. Emits UndoneZoom.
  void UndoZoom();
  // Zooms both axes to a rectangle given in client pixels (what a left drag does).
  void ZoomRect(const QRect& clientRect);
  bool IsZoomed() const { return hasSavedRanges_; }  // a zoom or pan is in force

  QRect ChartRect() const;  // plotting rectangle, client coordinates
  // The pointer's current position (QCursor::pos) in bottom/left axis units.
  QPointF CursorToValues() const;
  QPointF PixelToValues(QPoint clientPos) const;

  // Draws the whole chart (title, axes, legend, series) into `target` (device pixels of
  // the painter), laid out on the print surface and scaled with independent horizontal
  // and vertical factors. Vector output: nothing goes through an image.
  void PrintRect(QPainter& painter, const QRect& target);
  // Draws the chart laid out on a `surface` of the given size at the painter's origin
  // (an off-screen image, a pixmap, another device).
  void Render(QPainter& painter, QSize surface);
  // Layout on a surface of the given size (the screen layout is Layout(size())).
  ChartLayout Layout(QSize surface) const;
  // Size of the print surface for the current PrintResolution.
  QSize PrintSurface() const;

  QSize sizeHint() const override { return QSize(400, 250); }

 Q_SIGNALS:
  void MouseMoved(Qt::KeyboardModifiers modifiers, int x, int y);  // every mouse move
  void DoubleClicked();  // double-click anywhere on the chart
  void Zoomed();
  void UndoneZoom();
  void Scrolled();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  friend class TFastLineSeries;
  struct Ranges {
    double bottomMin, bottomMax, leftMin, leftMax;
  };
  Ranges CurrentRanges() const;
  void ApplyRanges(const Ranges& r);
  void SaveRangesOnce();
  void SeriesChanged();
  // `raster`: drawn 1:1 on pixels, so dense series may be reduced to their envelope.
  void RenderOn(QPainter& painter, QSize surface, bool raster);
  void DrawSeries(QPainter& painter, const ChartLayout& layout, bool raster, PixelWriter* px);
  void DrawAxes(QPainter& painter, const ChartLayout& layout, PixelWriter* px, QSize surface);
  void DrawAxis(QPainter& painter, const TChartAxis& axis, const AxisTicks& ticks,
                const QRect& plot, ChartLines& lines);
  void DrawLegend(QPainter& painter, const ChartLayout& layout, QSize surface);
  // The legend's items laid out within the margins of a surface of the given size.
  LegendLayout LegendGeometry(QSize surface) const;
  QFont EffectiveFont(const QFont& f) const;

  TChartAxis bottomAxis_;
  TChartAxis leftAxis_;
  std::vector<std::unique_ptr<TFastLineSeries>> series_;
  QPolygonF buffer_;  // reused for every polyline drawn
  QImage screen_;     // on-screen picture, drawn then copied
  struct LayoutCache;
  mutable std::unique_ptr<LayoutCache> layoutCache_;  // last layout and what it came from
  ChartLayout ComputeLayout(QSize surface) const;
  // Pixels an axis takes outside the plot: ticks, labels `labelsDepth` deep (their
  // height under the plot, their width beside it) and title.
  int AxisDepth(const TChartAxis& axis, double labelsDepth) const;
  bool updatePending_ = false;

  bool hasSavedRanges_ = false;
  Ranges savedRanges_{};

  enum class Drag { None, Zoom, Pan };
  Drag drag_ = Drag::None;
  QPoint dragStart_;
  QPoint dragLast_;
};

}  // namespace vantor
