// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing of the live trace: the last 20 s of a run, scrolling, with the setpoint
// (red) and the feedback (blue) on a 0..10 V scale at the left and the total order
// (black) on a -10..10 V scale at the right, on a tinted ground where the feedback sat at
// a limit of its sensor. Samples are pushed once per cycle and kept
// in a fixed ring: nothing is allocated per cycle, and a paint walks at most 401 samples
// per curve over a background (frame, grid, volt scales, legend) drawn once per size.
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPolygonF>
#include <QStaticText>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>

namespace vantor {

struct LiveSample {
  std::int32_t cycle = 0;  // cycles since "Début" (entry k of a record: k)
  std::int32_t setpoint = 0, feedback = 0, order = 0;  // hundredths of a volt
  bool atSensorLimit = false;                          // drawn on a tinted ground
};

// The legend's texts, the longest of three wordings that fits on one line of `width`
// pixels, and the width a legend takes (a line and a gap before each text).
QStringList FittingLegend(const QFontMetrics& fm, int width);
int LegendWidth(const QFontMetrics& fm, const QStringList& texts);

class LiveTraceView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWindowSeconds = 20;

  explicit LiveTraceView(QWidget* parent = nullptr);

  void Clear();
  // Appends one cycle and schedules a repaint of ScrollingRect().
  void Push(const LiveSample& sample);
  // Marks the last `n` samples as taken with the feedback at a sensor limit.
  void MarkLast(int n);
  // What a new sample changes: the plot and the time scale under it (the legend and the
  // volt scales stay).
  QRect ScrollingRect() const;
  // Where the curves are drawn, inside the volt scales.
  QRect PlotRect() const;
  void SetPeriodMs(int ms) { periodMs_ = ms; }

  int Count() const { return count_; }
  // The i-th sample kept, oldest first (i < Count()).
  const LiveSample& At(int i) const;
  // Time range shown, seconds: the last 20 s, or 0..20 s until the run is that long.
  double WindowStart() const;

  QSize sizeHint() const override { return QSize(700, 380); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  static constexpr int kCapacity = 512;  // more than the 401 samples of 20 s

  // The label of a time tick, laid out once.
  const QStaticText& TickLabel(int seconds);
  void DrawBackground();

  std::array<LiveSample, kCapacity> ring_{};
  int head_ = 0;  // index of the oldest sample
  int count_ = 0;
  int periodMs_ = 50;
  QImage background_;
  QPolygonF line_;  // reused by every curve
  QHash<int, QStaticText> tickLabels_;
};

}  // namespace vantor
