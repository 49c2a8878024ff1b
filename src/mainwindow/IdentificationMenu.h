// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Identification" menu of the main window, after "Essais": the identification of
// the run shown and its model drawn dashed over the feedback with the tangent used, the
// closed-loop pumping, the predicted response of the identified model in closed loop
// with the current gains and setpoint (drawn dashed, kept on the chart for the next run
// so that both are seen, their step measures side by side), and its help. Disabled
// during a run like the other menus.
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QObject>
#include <memory>

#include "lesson/IdentificationWindow.h"
#include "lesson/PumpingWindow.h"
#include "mainwindow/ChartTools.h"
#include "regulation/RunEvents.h"

namespace vantor {

class TForm1;
class TFastLineSeries;

class IdentificationMenu : public QObject, private RunObserver {
  Q_OBJECT
 public:
  // Adds the menu at the right end of the form's menu bar.
  explicit IdentificationMenu(TForm1& form);

  QMenu* Identification1 = nullptr;
  QAction* Identificationduprocd1 = nullptr;     // "Identification du procédé…"
  QAction* Pompage1 = nullptr;                   // "Pompage (Ziegler–Nichols)…"
  QAction* Prvoirlarponse1 = nullptr;            // "Prévoir la réponse"
  QAction* Effacerlaprvision1 = nullptr;         // "Effacer la prévision"
  QAction* Curseursettangente1 = nullptr;        // "Curseurs et tangente…"
  QAction* Aidesurlidentification1 = nullptr;    // "Aide sur l'identification"

  IdentificationWindow* Window() const { return window_; }
  ChartTools* Tools() const { return tools_; }
  PumpingWindow* PumpingView() const { return pumping_; }
  QDialog* ComparisonWindow() const { return comparison_; }
  QLabel* ComparisonText() const { return comparisonText_; }
  // The predicted run, null when there is none.
  const Trial* Prediction() const { return prediction_.get(); }
  TFastLineSeries* ModelSeries() const { return model_; }
  TFastLineSeries* TangentSeries() const { return tangent_; }
  TFastLineSeries* PredictionSeries() const { return predicted_; }

  // The record has just been drawn on the main chart: a model drawn for another run than
  // the one shown now is taken away.
  void RecordPlotted();

  void RunStarted(const RegulationState& s) override;
  void RunEnded(const RegulationState& s) override;

  void Identificationduprocd1Click();
  void Pompage1Click();
  void Prvoirlarponse1Click();
  void Effacerlaprvision1Click();
  void Curseursettangente1Click();
  void Aidesurlidentification1Click();

 private:
  void DrawModel();
  void ClearModel();
  void ApplyGains(const BoundedGains& gains);
  void ShowComparison();

  TForm1& form_;
  IdentificationWindow* window_ = nullptr;
  PumpingWindow* pumping_ = nullptr;
  QDialog* comparison_ = nullptr;
  QLabel* comparisonText_ = nullptr;
  TFastLineSeries* model_ = nullptr;
  TFastLineSeries* tangent_ = nullptr;
  TFastLineSeries* predicted_ = nullptr;
  const Trial* modelRun_ = nullptr;  // the run the drawn model belongs to
  ChartTools* tools_ = nullptr;
  const Trial* toolsRun_ = nullptr;  // the run the cursors and tangent were placed on
  std::unique_ptr<Trial> prediction_;
  QString predictionModel_;
  std::string predictionProcess_;  // the process of the run the model was identified on
};

}  // namespace vantor
