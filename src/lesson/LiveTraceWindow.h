// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Tracé en direct": a window that draws the run as it is recorded (the last 20 s,
// scrolling), with the time since "Début", a label "ordre saturé" while the order sits
// at one of its limits and another while the feedback sits at a limit of its sensor. It stays open between runs and then shows the last run. It is
// not disabled during a run: what it holds stays usable between two cycles.
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>

#include "lesson-core/StepMeasures.h"
#include "lesson/LiveTraceView.h"
#include "regulation/Trial.h"

namespace vantor {

class LiveTraceWindow : public QDialog {
  Q_OBJECT
 public:
  explicit LiveTraceWindow(QWidget* parent = nullptr);

  // Places `control` (a button, a check box, ...) at the right end of the window's tool
  // row, above the trace, and takes ownership of it. This is how a build adds a command
  // that acts during a run (the simulated build's load torque, for example): the window
  // stays enabled while the main window's commands are disabled, so the control's
  // handler runs in the run's message turn, between two cycles.
  void AddControl(QWidget* control);

  // A new run begins: the trace is cleared.
  void BeginRun();
  // One recorded cycle: the three values in hundredths of a volt; `saturated` when the
  // order is at ordremaxi or ordremini; `limit`, where the feedback's reading stood.
  // Drawn at once (called before the loop's wait).
  void AddCycle(std::int32_t cycle, std::int32_t setpoint, std::int32_t feedback,
                std::int32_t order, bool saturated, SensorLimit limit = SensorLimit::None);
  // The run has ended: the outputs are at rest, so the order is no longer saturated.
  void EndRun();
  // Shows the end of a run already recorded (its last 20 s); nothing when `run` is null.
  void ShowRun(const Trial* run);

  LiveTraceView* View() const { return view_; }
  QLabel* TimeLabel() const { return time_; }
  QLabel* SaturationLabel() const { return saturation_; }
  QLabel* SensorLimitLabel() const { return sensorLimit_; }

 private:
  void ShowTime(std::int32_t cycle);

  LiveTraceView* view_ = nullptr;
  QHBoxLayout* tools_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* saturation_ = nullptr;
  QLabel* sensorLimit_ = nullptr;
  SensorLimitWatch watch_;
  int periodMs_ = 50;
};

}  // namespace vantor
