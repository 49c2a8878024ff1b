// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Réponse fréquentielle": the Bode plot of the sine runs. Each sine run adds its point
// (gain in dB, phase in degrees, against a logarithmic frequency), open-loop and
// closed-loop points kept apart; a first order with delay typed as the model is drawn
// over them, with the margins a P corrector of the current Kp would have around it.
// "Balayage" runs a series of sine runs at log-spaced frequencies that fit the record.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "regulation/FrequencyResponse.h"

namespace vantor {

// The two plots, painted.
class BodeView : public QWidget {
 public:
  explicit BodeView(QWidget* parent = nullptr);
  std::vector<FrequencyPoint> Points;
  std::optional<DelayedFirstOrder> Model;

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
  // The margins line for a P corrector of gain kp around the typed model.
  void ShowMargins(double kp);
  void SetRunning(bool running);

  const std::vector<FrequencyPoint>& Points() const { return view_->Points; }

  // Runs the sweep's frequencies one after the other (set by the menu).
  std::function<void()> Sweep;
  std::function<double()> CurrentKp;

  QLineEdit* EditK = nullptr;
  QLineEdit* EditT = nullptr;
  QLineEdit* EditL = nullptr;
  QLabel* LabelLast = nullptr;
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
};

}  // namespace vantor
