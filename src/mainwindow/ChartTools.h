// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cursors A and B and the tangent tool on the main chart, with the Ctrl key so that the
// chart's own gestures (zoom, pan, origin) stay as they are:
//   Ctrl + left click         cursor A on the feedback at that time
//   Ctrl + right click        cursor B
//   Ctrl + Shift + left click the tangent to the feedback at that time, its slope from a
//                             straight line fitted on the entries around it
// The window "Curseurs et tangente" reads t and y of each cursor, Δt and Δy between
// them, and where the tangent crosses the initial and final values of the step.
#include <QDialog>
#include <QLabel>
#include <QObject>
#include <optional>

#include "lesson-core/Identification.h"

namespace vantor {

class TForm1;
class TFastLineSeries;
class TChart;

class ChartTools : public QObject {
  Q_OBJECT
 public:
  explicit ChartTools(TForm1& form);

  // What a Ctrl click at `time` (s) does; `button` 0 cursor A, 1 cursor B, 2 tangent.
  void Pick(int tool, double time);
  // Takes the tools away (the shown run changed).
  void Clear();
  void ShowWindow();

  QDialog* Window() const { return window_; }
  QLabel* Readings() const { return readings_; }
  struct Cursor {
    double T = 0, Y = 0;
  };
  const std::optional<Cursor>& A() const { return a_; }
  const std::optional<Cursor>& B() const { return b_; }
  const std::optional<ChartLine>& Tangent() const { return tangent_; }
  TFastLineSeries* TangentSeries() const { return tangentSeries_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Draw();
  void Refresh();

  TForm1& form_;
  TChart* const chart_;  // the form's Chart1, whose mouse clicks the tools take
  QDialog* window_ = nullptr;
  QLabel* readings_ = nullptr;
  std::optional<Cursor> a_, b_;
  std::optional<ChartLine> tangent_;
  TFastLineSeries* aSeries_ = nullptr;
  TFastLineSeries* bSeries_ = nullptr;
  TFastLineSeries* tangentSeries_ = nullptr;
};

}  // namespace vantor
