// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Identification du procédé": the readings of the open-loop step response of the run
// shown on the main chart (tangent, Strejc, Broïda, least squares, or the ramp of an
// integrator), the model chosen for the drawing and the gains, and the gains proposed
// from it; or why the run cannot be identified.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <memory>

#include "lesson-core/Identification.h"
#include "lesson/GainProposalsView.h"

namespace vantor {

class IdentificationWindow : public QDialog {
  Q_OBJECT
 public:
  explicit IdentificationWindow(QWidget* parent = nullptr);

  // Identifies `run` (null: no run yet) and fills the window; the gains are bounded to
  // the teacher's ranges.
  void ShowRun(const Trial* run, std::int32_t kpmax, std::int32_t kdmax, std::int32_t kimax);
  // The identification shown, or null when the run was refused.
  const Identification* Current() const { return identified_ ? &id_ : nullptr; }
  // A copy of the run identified (the history may let the run itself go), and the run
  // it was copied from, to know whether it is still the one shown (never read).
  const Trial* Run() const { return copy_.get(); }
  const Trial* Source() const { return source_; }
  // The model chosen in the list (the default model until the user picks another).
  ProcessModelFit ChosenModel() const;

  // The chosen model changed (the main chart redraws it).
  std::function<void()> ModelChanged;
  // "Prévoir la réponse", "Aide".
  std::function<void()> PredictRequested, HelpRequested;

  GainProposalsView* Gains() const { return gains_; }
  QComboBox* ModelChoice() const { return model_; }
  QLabel* Readings() const { return readings_; }
  QLabel* Reason() const { return reason_; }
  QPushButton* PredictButton() const { return predict_; }

 private:
  void FillGains();
  void PredictClicked();
  void HelpClicked();
  void ModelActivated();

  const Trial* source_ = nullptr;
  std::unique_ptr<Trial> copy_;
  Identification id_;
  bool identified_ = false;
  std::int32_t kpmax_ = 0, kdmax_ = 0, kimax_ = 0;
  QLabel* title_ = nullptr;
  QLabel* reason_ = nullptr;
  QLabel* readings_ = nullptr;
  QComboBox* model_ = nullptr;
  GainProposalsView* gains_ = nullptr;
  QPushButton* predict_ = nullptr;
};

// The window's first line for a run: "Essai 3 : Consigne: Echelon, Kp 2, Kd 0, Ki 0".
QString RunTitle(const Trial& run);

}  // namespace vantor
