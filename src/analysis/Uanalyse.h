// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis window TForm2: the last run replayed term by term in ten strip charts
// (setpoint and feedback, error, proportional, derivative, integral and total orders),
// a menu that moves the time axis of all ten together, and a one-page printout under
// the settings caption line. Created once with the other windows and shown modally by
// the main window's "Analyse" command; every showing recomputes the vertical ranges and
// refills the charts from the run the main window shows (the last run, or the run file
// opened), while the time window stays where the menu left it.
#include <QAction>
#include <QDialog>
#include <QMenuBar>
#include <array>

#include "regulation/AnalysisMath.h"
#include "widgets/TChart.h"
#include "widgets/TPanel.h"
#include "widgets/Workstation.h"

namespace vantor {

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(Workstation& workstation);
  ~TForm2() override;

  // ---- Controls (object names as the form names them) ---------------------------
  QMenuBar* MainMenu1 = nullptr;
  QAction* imprimer1 = nullptr;            // "Imprimer"
  QAction* ZoomH1 = nullptr;               // "Zoom H +"
  QAction* ZoomH2 = nullptr;               // "Zoom H -"
  QAction* DeplHdroite1 = nullptr;         // "Deplacement droite"
  QAction* DeplacementHgauche1 = nullptr;  // "Deplacement gauche"
  QAction* Imageinitiale2 = nullptr;       // "Image initiale"
  // "Échelle par courbe", checkable, off: each order chart on the range of its own term
  // over the time in view (followed as the time window moves), and value labels on the
  // left axes.
  QAction* Echelleparcourbe1 = nullptr;

  TPanel* Panel1 = nullptr;   // left: Chart2, Chart3, Chart4, Chart1, Chart5
  TPanel* Panel2 = nullptr;   // right: Chart6, Chart7, Chart8, Chart9, Chart10
  TChart* Chart1 = nullptr;   // derivative order
  TChart* Chart2 = nullptr;   // setpoint and feedback (reference of the time window)
  TChart* Chart3 = nullptr;   // error
  TChart* Chart4 = nullptr;   // proportional order
  TChart* Chart5 = nullptr;   // integral order
  TChart* Chart6 = nullptr;   // proportional order
  TChart* Chart7 = nullptr;   // derivative order
  TChart* Chart8 = nullptr;   // integral order
  TChart* Chart9 = nullptr;   // total order
  TChart* Chart10 = nullptr;  // setpoint and feedback, mouse zoom

  // Series, in each chart's drawing order.
  TFastLineSeries *FastLineSeries1 = nullptr, *FastLineSeries2 = nullptr, *Series2 = nullptr;
  TFastLineSeries *FastLineSeries3 = nullptr, *Series1 = nullptr;
  TFastLineSeries *FastLineSeries19 = nullptr, *FastLineSeries20 = nullptr;
  TFastLineSeries *FastLineSeries4 = nullptr, *FastLineSeries5 = nullptr;
  TFastLineSeries *FastLineSeries6 = nullptr, *FastLineSeries7 = nullptr;
  TFastLineSeries *FastLineSeries8 = nullptr, *FastLineSeries9 = nullptr;
  TFastLineSeries *FastLineSeries10 = nullptr, *FastLineSeries11 = nullptr;
  TFastLineSeries *FastLineSeries12 = nullptr, *FastLineSeries13 = nullptr;
  TFastLineSeries *FastLineSeries14 = nullptr, *FastLineSeries15 = nullptr;
  TFastLineSeries *FastLineSeries16 = nullptr, *FastLineSeries17 = nullptr, *Series3 = nullptr;

  // The three vertical ranges found at the last showing, and, with "Échelle par courbe",
  // the range of each order term alone over the time in view.
  AnalysisRanges Ranges;
  OrderRanges OwnRanges;

  // ---- Handlers ---------------------------------------------------------------------
  void FormCreate();  // decimal point, layout from the maximised client size
  void FormShow();    // ranges, left axes, refill of the 22 series
  void imprimer1Click();
  void ZoomH1Click();
  void ZoomH2Click();
  void DeplHdroite1Click();
  void DeplacementHgauche1Click();
  void Imageinitiale2Click();
  void Echelleparcourbe1Click();

  // The ten charts in the order the zoom commands set them (Chart2, the reference,
  // last), and the seven printed charts in strip order.
  std::array<TChart*, 10> ZoomOrder() const;
  std::array<TChart*, kAnalysisStrips> PrintedCharts() const;
  // Sizes fixed at creation.
  AnalysisLayout Layout() const { return layout_; }

  // Shown maximised every time.
  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TChart* MakeChart(TPanel* panel, const char* name, const QString& leftTitle);
  void BuildMenu();
  void BuildCharts();
  void ApplyRanges();
  void ApplyOrderScale();  // the order charts' ranges and the left axes' labels
  void RefreshAnalysis();
  void SetTimeWindow(TimeWindow w);  // reference chart first, then the nine others
  QSize MaximisedClientSize();
  void PlacePanels();
  void PlaceCharts(TPanel* panel, const std::array<TChart*, 5>& charts);

  Workstation& workstation_;
  QWidget* body_ = nullptr;  // the client area under the menu bar
  AnalysisLayout layout_;
  // The maximised client size the layout was computed from, and whether it has been
  // checked against the window's first exposure.
  QSize layoutClient_;
  bool layoutSettled_ = false;
};

}  // namespace vantor
