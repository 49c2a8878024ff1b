// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Pompage (Ziegler–Nichols)": the critical gain and period read on the P run shown on
// the main chart, whether its oscillation is sustained, and the closed-loop rules' gains.
#include <QDialog>
#include <QLabel>
#include <functional>

#include "lesson-core/Pumping.h"
#include "lesson/GainProposalsView.h"

namespace vantor {

class PumpingWindow : public QDialog {
  Q_OBJECT
 public:
  explicit PumpingWindow(QWidget* parent = nullptr);

  void ShowRun(const Trial* run, std::int32_t kpmax, std::int32_t kdmax, std::int32_t kimax);
  const Pumping& Current() const { return pumping_; }
  std::function<void()> HelpRequested;

  GainProposalsView* Gains() const { return gains_; }
  QLabel* Readings() const { return readings_; }
  QLabel* Reason() const { return reason_; }

 private:
  void HelpClicked();

  Pumping pumping_;
  QLabel* title_ = nullptr;
  QLabel* reason_ = nullptr;
  QLabel* readings_ = nullptr;
  GainProposalsView* gains_ = nullptr;
};

}  // namespace vantor
