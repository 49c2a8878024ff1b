// SPDX-License-Identifier: GPL-3.0-or-later
// The "Identification" menu on the simulated card: the open-loop run of the oven
// identified, its model drawn over the feedback, a proposal applied through the gain
// fields, the predicted closed loop against the run that follows; refusals and the menu
// during a run.
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <sstream>

#include "WorkstationFixture.h"
#include "common/Rtf.h"
#include "docs/Uaideexperimentale.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "session/SimulatedRunProcess.h"
#include "simulation/ProcessRegistry.h"
#include "widgets/TFastLineSeries.h"

namespace vantor::testing {
namespace {

class IdentificationMenuTest : public WorkstationFixture {
 protected:
  // A step run of `cycles` cycles ("Fin" in the message turn of the last), after
  // `inRun` has looked at the window.
  void StepRun(const char* step, int cycles, const std::function<void()>& inRun = {}) {
    form->Button1->click();
    form->Edit5->setText(step);
    int turns = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++turns != cycles) return;
      if (inRun) inRun();
      form->Button6->click();
    });
    timer.start();
    form->Button5->click();
    timer.stop();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  }
};

TEST_F(IdentificationMenuTest, TheOvensModelIsDrawnItsGainsAppliedAndItsClosedLoopPredicted) {
  TForm1& f = CreateMainWindow();
  auto oven = MakeProcess("thermique");
  oven->ApplyProfile(SimulationProfile::Realistic);
  card.SetProcess(std::move(oven));
  f.State.LoopMode = "Ouv";
  StepRun("5", 1900);
  IdentificationMenu& menu = *f.Identification;
  menu.Identificationduprocd1->trigger();
  IdentificationWindow& window = *menu.Window();
  ASSERT_TRUE(window.isVisible());
  const Identification* id = window.Current();
  ASSERT_NE(id, nullptr) << window.Reason()->text().toStdString();

  // The tangent model, dashed over the feedback: it follows the record.
  const TFastLineSeries& model = *menu.ModelSeries();
  ASSERT_GT(model.Count(), 400);
  const Trial& run = *f.Trials->ShownRun();
  for (int i = 25; i < model.Count(); i += 25) {  // entry 0 is never recorded
    const int k = static_cast<int>(std::lround(model.XValue(i) / 0.05));
    EXPECT_NEAR(model.YValue(i), run.At(kSeriesFeedback, k) / 100.0, 0.35) << "t = " << model.XValue(i);
  }
  // The tangent drawn meets y0 at t0 + Tu and yf at t0 + Tu + Ta.
  const TFastLineSeries& tangent = *menu.TangentSeries();
  ASSERT_EQ(tangent.Count(), 2);
  EXPECT_NEAR(tangent.XValue(0), id->StepTime + id->TangentTu, 1e-9);
  EXPECT_NEAR(tangent.YValue(1), id->FinalValue, 1e-9);
  EXPECT_NEAR(tangent.XValue(1) - tangent.XValue(0), id->TangentTa, 1e-9);

  // The sheet's PID: Kd = 0.6 T / K is beyond the shipped range of 4 and stops at it.
  GainProposalsView& gains = *window.Gains();
  int sheetPid = -1;
  for (int r = 0; r < gains.Table()->rowCount(); ++r)
    if (gains.Table()->item(r, 0)->text().startsWith("Fiche") &&
        gains.Table()->item(r, 1)->text() == "PID")
      sheetPid = r;
  ASSERT_GE(sheetPid, 0);
  gains.Table()->selectRow(sheetPid);
  gains.ApplyButton()->click();
  EXPECT_NEAR(f.Edit1->text().toDouble(), 1.2 * id->TangentTa / (id->K * id->TangentTu), 0.01);
  EXPECT_EQ(f.Edit2->text(), "4");
  EXPECT_EQ(f.State.Kd, 4);

  // By hand: Ctrl + click puts cursor A on the feedback and does not zoom; the tangent
  // tool at the inflection point reads the slope the identification used.
  f.resize(1000, 700);
  f.show();
  const QRect plot = f.Chart1->ChartRect();
  QTest::mouseClick(f.Chart1, Qt::LeftButton, Qt::ControlModifier, plot.center());
  ChartTools& tools = *menu.Tools();
  ASSERT_TRUE(tools.A().has_value());
  EXPECT_FALSE(f.Chart1->IsZoomed());
  const double at = f.Chart1->PixelToValues(plot.center()).x();
  EXPECT_NEAR(tools.A()->T, at, 0.026);
  EXPECT_EQ(tools.A()->Y, run.At(kSeriesFeedback, static_cast<int>(std::lround(tools.A()->T / 0.05))) / 100.0);
  tools.Pick(1, at + 3);
  EXPECT_NEAR(tools.B()->T - tools.A()->T, 3, 0.051);
  tools.Pick(2, id->Tangent.T);
  ASSERT_TRUE(tools.Tangent().has_value());
  EXPECT_NEAR(tools.Tangent()->Slope, id->Tangent.Slope, 0.1 * id->Tangent.Slope);
  EXPECT_NEAR(tools.Tangent()->TimeOf(id->InitialValue), id->StepTime + id->TangentTu, 0.2);

  // The model of least squares in closed loop with a gentler PI, then the real loop.
  window.ModelChoice()->setCurrentIndex(3);
  f.State.LoopMode = "fermee";
  f.Edit1->setText("2");
  f.Edit2->setText("0");
  f.Edit3->setText("0.25");
  f.Edit5->setText("6");
  menu.Prvoirlarponse1->trigger();
  ASSERT_NE(menu.Prediction(), nullptr);
  EXPECT_EQ(menu.Prediction()->Kp, 2);
  EXPECT_EQ(menu.Prediction()->Ki, 0.25L);
  EXPECT_TRUE(menu.ComparisonWindow()->isVisible());
  const Trial predicted = *menu.Prediction();
  const int drawn = menu.PredictionSeries()->Count();
  EXPECT_GT(drawn, 400);
  card.ResetProcess();  // the oven cooled down to the room, as the prediction starts
  StepRun("6", 1900);
  // Both are shown after the run: the prediction stays on the chart.
  EXPECT_EQ(menu.PredictionSeries()->Count(), drawn);
  const Trial& real = *f.Trials->ShownRun();
  double sum = 0;
  for (int k = 0; k < 1900; ++k) {
    const double d = (real.At(kSeriesFeedback, k) - predicted.At(kSeriesFeedback, k)) / 100.0;
    sum += d * d;
  }
  EXPECT_LT(std::sqrt(sum / 1900), 0.2);
  // The model and the tools belonged to the open-loop run: they went with it.
  EXPECT_EQ(menu.ModelSeries()->Count(), 0);
  EXPECT_FALSE(tools.Tangent().has_value());

  // The prediction belongs to the oven: a run on the position motor takes it away instead
  // of being compared with it, and the relay's ε is not proposed from the oven's noise.
  struct CardBench : BenchProcess {
    explicit CardBench(SimulatedCard& c) : card(c) {}
    RunProcess ProcessOfRun() const override { return SimulatedRunProcess(card, {}); }
    SimulatedCard& card;
  } bench(card);
  f.Bench().SetProcess(&bench);
  ASSERT_NE(menu.Prediction(), nullptr);
  card.SetProcess(MakeProcess("position"));
  StepRun("6", 200);
  EXPECT_EQ(menu.Prediction(), nullptr);
  EXPECT_EQ(menu.PredictionSeries()->Count(), 0);
  EXPECT_FALSE(menu.ComparisonWindow()->isVisible());
  EXPECT_EQ(f.Bench().LastRunOnCurrentProcess(), f.Trials->ShownRun());
  card.SetProcess(MakeProcess("thermique"));
  EXPECT_EQ(f.Bench().LastRunOnCurrentProcess(), nullptr);  // the oven's runs were unnamed
  f.Bench().SetProcess(nullptr);
}

TEST_F(IdentificationMenuTest, AClosedLoopRunIsRefusedAndTheMenuWaitsForTheRunToEnd) {
  TForm1& f = CreateMainWindow();
  IdentificationMenu& menu = *f.Identification;
  bool disabledDuringRun = false, windowDisabledDuringRun = false;
  menu.Identificationduprocd1->trigger();  // no run yet: the window says so
  EXPECT_EQ(menu.Window()->Current(), nullptr);
  f.Edit1->setText("2");
  StepRun("6", 200, [&] {
    disabledDuringRun = !menu.Identification1->menuAction()->isEnabled() &&
                        !menu.Identification1->menuAction()->isEnabled();
    windowDisabledDuringRun = !menu.Window()->isEnabled();
  });
  EXPECT_TRUE(disabledDuringRun);
  EXPECT_TRUE(windowDisabledDuringRun);
  EXPECT_TRUE(menu.Identification1->menuAction()->isEnabled());
  EXPECT_TRUE(menu.Identification1->menuAction()->isEnabled());
  menu.Identificationduprocd1->trigger();
  EXPECT_EQ(menu.Window()->Current(), nullptr);
  EXPECT_TRUE(menu.Window()->Reason()->isVisible());
  EXPECT_FALSE(menu.Window()->Gains()->ApplyButton()->isEnabled());
  EXPECT_FALSE(menu.Window()->PredictButton()->isEnabled());
  // Nothing to predict from: said, and nothing drawn.
  const qsizetype shown = dialogs.messages.size();
  menu.Prvoirlarponse1->trigger();
  EXPECT_EQ(dialogs.messages.size(), shown + 1);
  EXPECT_EQ(menu.Prediction(), nullptr);
  // The menu's help is the identification text.
  auto* viewer = new TOKBottomDlg1(f);
  f.OKBottomDlg1 = viewer;
  menu.Aidesurlidentification1->trigger();
  std::ifstream in("aide/identification.rtf", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(viewer->RichEditaide->PlainText(), LoadRichText(bytes.str()).PlainText());
}

}  // namespace
}  // namespace vantor::testing
