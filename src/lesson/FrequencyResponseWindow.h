// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Réponse fréquentielle": the Bode plot of the sine runs. Each sine run adds its point
// (gain in dB, phase in degrees, against a logarithmic frequency), open-loop and
// closed-loop points kept apart; the model found by the identification window on this
// program run is drawn over them (else a first order with delay typed in the window),
// with the margins a P corrector of the current Kp would have around it in open loop.
// "Balayage" runs a series of sine runs at log-spaced frequencies that fit the record.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "lesson-core/FrequencyResponse.h"
#include "lesson-core/SampledMargins.h"

namespace vantor {

// The two plots, painted.
class BodeView : public QWidget {
 public:
  explicit BodeView(QWidget* parent = nullptr);
  std::vector<FrequencyPoint> Points;
  std::optional<ProcessModelFit> Model;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class FrequencyResponseWindow : public QDialog {
  Q_OBJECT
 public:
  explicit FrequencyResponseWindow(QWidget* parent = nullptr);

  // The point of a run just made or shown; a run that gives none says why in the window.
  void AddRun(const Trial& run);
  void Clear();
  // The model typed (absent when its three fields are empty); throws VantorError naming
  // the field at fault.
  std::optional<DelayedFirstOrder> TypedModel() const;
  // Draws the identified model when there is one, else the typed model last drawn, and
  // shows the margins of the sampled loop the gain fields would close around it.
  void RefreshModel();
  // The margins line for the workstation's corrector with `gains` around the model drawn:
  // the sampled loop computed exactly, and the critical gain and period of a P loop.
  void ShowMargins(const LoopGains& gains);
  // The model drawn, absent when there is none.
  const std::optional<ProcessModelFit>& DrawnModel() const { return view_->Model; }
  void SetRunning(bool running);

  const std::vector<FrequencyPoint>& Points() const { return view_->Points; }

  // Runs the sweep's frequencies one after the other (set by the menu).
  std::function<void()> Sweep;
  // The gains the next run would take (the gain fields).
  std::function<LoopGains()> CurrentGains;
  // The model of the identification window, absent when nothing was identified.
  std::function<std::optional<ProcessModelFit>()> IdentifiedModel;

  QLineEdit* EditK = nullptr;
  QLineEdit* EditT = nullptr;
  QLineEdit* EditL = nullptr;
  QLabel* LabelLast = nullptr;
  QLabel* LabelModel = nullptr;
  QLabel* LabelMargins = nullptr;
  QPushButton* ButtonSweep = nullptr;
  QPushButton* ButtonClear = nullptr;
  QPushButton* ButtonPrint = nullptr;
  QPushButton* ButtonModel = nullptr;

 private:
  void Print();
  void ModelClick();
  void SweepClick();
  BodeView* view_ = nullptr;
  std::optional<DelayedFirstOrder> typed_;
  bool identified_ = false;  // the model drawn is the identified one
};

}  // namespace vantor
