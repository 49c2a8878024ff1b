// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Essai de relais": the relay's d, ε (proposed from the noise of the last run's
// feedback before its step) and bias; "Lancer l'essai" runs it as "Début" does, with the
// relay as the run's law; the result (a, Tu, Ku, or why there is none) and the gains the
// rules propose, which "Appliquer" writes into the main window's Kp, Kd, Ki fields.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <functional>

#include "lesson-core/RelayAnalysis.h"

namespace vantor {

class RelayTestWindow : public QDialog {
  Q_OBJECT
 public:
  explicit RelayTestWindow(QWidget* parent = nullptr);

  // Proposes ε and the bias from the last run (null: none yet).
  void Propose(const Trial* last);
  // The settings typed; throws VantorError naming the field at fault.
  RelaySettings TypedSettings() const;
  // Shows the result of a test.
  void ShowResult(const RelayResult& r);
  // Commands a run disables.
  void SetRunning(bool running);

  // What the buttons do, set by the menu.
  std::function<void(const RelaySettings&)> Launch;
  std::function<void(const GainProposal&)> Apply;

  QLineEdit* EditD = nullptr;
  QLineEdit* EditEpsilon = nullptr;
  QLineEdit* EditBias = nullptr;
  QLabel* LabelNoise = nullptr;
  QLabel* LabelResult = nullptr;
  QTableWidget* Proposals = nullptr;
  QPushButton* ButtonLaunch = nullptr;
  QPushButton* ButtonApply = nullptr;

 private:
  void LaunchClick();
  void ApplyClick();
  std::vector<GainProposal> proposals_;
};

}  // namespace vantor
