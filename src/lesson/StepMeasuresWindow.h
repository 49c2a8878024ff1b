// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Mesures de la réponse": the step measures of the run shown on the main chart, with
// their French names and units, or why there is none, and the time its feedback sat at a
// limit of the sensor.
#include <QDialog>
#include <QLabel>
#include <array>

#include "lesson-core/StepMeasures.h"

namespace vantor {

class StepMeasuresWindow : public QDialog {
  Q_OBJECT
 public:
  explicit StepMeasuresWindow(QWidget* parent = nullptr);

  // Fills the window for `run` (null: no run yet).
  void ShowMeasures(const Trial* run);

  // Rows in display order: step instant, initial value, final value, rise time,
  // overshoot, peak time, settling time, static error, saturation.
  static constexpr int kRows = 11;
  QLabel* Title() const { return title_; }
  QLabel* Reason() const { return reason_; }
  // Says, for any run, how long its feedback sat at a limit of the sensor; hidden when it
  // never did.
  QLabel* SensorLimitNote() const { return sensorLimit_; }
  QLabel* Value(int row) const { return values_[static_cast<std::size_t>(row)]; }

 private:
  QLabel* title_ = nullptr;
  QLabel* reason_ = nullptr;
  QLabel* sensorLimit_ = nullptr;
  std::array<QLabel*, kRows> values_{};
};

}  // namespace vantor
