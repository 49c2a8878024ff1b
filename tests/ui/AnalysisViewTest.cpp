// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window: components, layout, ranges and the refill from the run record.
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <array>

#include "AnalysisFixture.h"
#include "ChartTestSupport.h"

namespace vantor::testing {
namespace {

using AnalysisViewTest = AnalysisFixture;

// One chart of the form: panel, left-axis title, then "name title colour" of each series
// in drawing order.
struct ChartSpec {
  TChart* chart;
  QWidget* panel;
  QString leftTitle;
  QStringList series;
};

QString Describe(const TFastLineSeries& s) {
  const QColor c = s.SeriesColor;
  const char* colour = c == Qt::red     ? "red"
                       : c == Qt::blue  ? "blue"
                       : c == Qt::black ? "black"
                                        : "?";
  return s.Name + " " + s.Title + " " + colour;
}

TEST_F(AnalysisViewTest, ChartsSeriesAndMenuAreThoseOfTheForm) {
  TForm2& a = *form2;
  EXPECT_EQ(a.windowTitle(), "Anlyse du fonctionnement des différents correcteurs.");
  EXPECT_FALSE(a.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowContextHelpButtonHint));
  QStringList captions;
  for (QAction* action : a.MainMenu1->actions()) captions << action->text();
  EXPECT_EQ(captions, (QStringList{"Imprimer", "Zoom H +", "Zoom H -", "Deplacement droite",
                                   "Deplacement gauche", "Image initiale", "Échelle par courbe"}));
  // The setpoint and error curves are coloured over a black zero line; on the seven
  // order charts the zero line is red and the order black.
  // clang-format off
  const std::vector<ChartSpec> specs = {
      {a.Chart2, a.Panel1, "consigne/retour",
       {"FastLineSeries1 Consigne red", "FastLineSeries2 Retour blue", "Series2 zero black"}},
      {a.Chart3, a.Panel1, "erreur", {"FastLineSeries3 erreur red", "Series1 zéro black"}},
      {a.Chart4, a.Panel1, "ordre proportionnel",
       {"FastLineSeries19 proportionnel red", "FastLineSeries20 zéro black"}},
      {a.Chart1, a.Panel1, "ordre dérivé",
       {"FastLineSeries4 dérivé red", "FastLineSeries5 zéro black"}},
      {a.Chart5, a.Panel1, "ordre intégral",
       {"FastLineSeries6 intégrale red", "FastLineSeries7 zéro black"}},
      {a.Chart6, a.Panel2, "ordre proportionnel",
       {"FastLineSeries8 proportionnel red", "FastLineSeries9 zéro black"}},
      {a.Chart7, a.Panel2, "ordre dérivé",
       {"FastLineSeries10 dérivé red", "FastLineSeries11 zéro black"}},
      {a.Chart8, a.Panel2, "ordre intégral",
       {"FastLineSeries12 intégrale red", "FastLineSeries13 zéro black"}},
      {a.Chart9, a.Panel2, "ordre total",
       {"FastLineSeries14 intégrale red", "FastLineSeries15 zéro black"}},
      {a.Chart10, a.Panel2, "consigne/retour",
       {"FastLineSeries16 Consigne red", "FastLineSeries17 Retour blue", "Series3 zero black"}},
  };
  // clang-format on
  for (const ChartSpec& spec : specs) {
    TChart* c = spec.chart;
    SCOPED_TRACE(c->objectName().toStdString());
    EXPECT_EQ(c->parentWidget(), spec.panel);
    EXPECT_EQ(c->LeftAxis().Title, spec.leftTitle);
    QStringList series;
    for (int i = 0; i < c->SeriesCount(); ++i) series << Describe(*c->SeriesAt(i));
    EXPECT_EQ(series, spec.series);
    // Only Chart10 zooms with the mouse; none pans; the time axis starts on 0-20 s.
    EXPECT_EQ(c->AllowZoom, c == a.Chart10);
    EXPECT_EQ(c->AllowPanning, TPanningMode::pmNone);
    EXPECT_EQ(c->BottomAxis().Minimum(), 0.0);
    EXPECT_EQ(c->BottomAxis().Maximum(), 20.0);
  }
}

TEST_F(AnalysisViewTest, TheWindowIsMaximisedAndLaidOutOnceAtCreation) {
  const AnalysisLayout creation = form2->Layout();
  ASSERT_TRUE(OpenAnalysis([&] {
    QApplication::processEvents();
    EXPECT_TRUE(form2->windowState() & Qt::WindowMaximized);
    // The client area under the menu bar is what the layout was computed from.
    const QWidget* client = form2->Panel1->parentWidget();
    EXPECT_EQ(creation.panelWidth,
              ComputeAnalysisLayout(client->width(), client->height()).panelWidth);
    EXPECT_EQ(creation.chartHeight,
              ComputeAnalysisLayout(client->width(), client->height()).chartHeight);
    EXPECT_EQ(form2->Panel1->geometry(), QRect(0, 0, creation.panelWidth, client->height()));
    EXPECT_EQ(form2->Panel2->geometry().right(), client->width() - 1);
    // Four charts from the top, the fifth against the bottom of its panel.
    const std::array<TChart*, 5> left = {form2->Chart2, form2->Chart3, form2->Chart4, form2->Chart1,
                                         form2->Chart5};
    const std::array<TChart*, 5> right = {form2->Chart6, form2->Chart7, form2->Chart8,
                                          form2->Chart9, form2->Chart10};
    for (const auto& column : {left, right}) {
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(column[i]->geometry(),
                  QRect(0, i * creation.chartHeight, creation.panelWidth, creation.chartHeight));
      }
      EXPECT_EQ(column[4]->geometry().bottom(), client->height() - 1);
      EXPECT_EQ(column[4]->height(), creation.chartHeight);
    }
  }));
  // The layout is not recomputed when the window changes size.
  form2->setWindowState(Qt::WindowNoState);
  form2->resize(500, 400);
  QApplication::processEvents();
  EXPECT_EQ(form2->Chart3->height(), creation.chartHeight);
  EXPECT_EQ(form2->Panel1->width(), creation.panelWidth);
}

TEST_F(AnalysisViewTest, BeforeAnyRunEveryCurveLiesOnZeroAndTheRangesCollapse) {
  QImage shot;
  ASSERT_TRUE(OpenAnalysis([&] {
    QApplication::processEvents();
    shot = form2->grab().toImage();
  }));
  for (TChart* c : form2->ZoomOrder()) {
    EXPECT_EQ(c->LeftAxis().Minimum(), 0.0);
    EXPECT_EQ(c->LeftAxis().Maximum(), 0.0);
    for (int i = 0; i < c->SeriesCount(); ++i) {
      const TFastLineSeries* s = c->SeriesAt(i);
      ASSERT_EQ(s->Count(), 1901);
      for (double y : s->YValues()) ASSERT_EQ(y, 0.0);
    }
  }
  // The collapsed ranges are drawn (curves across the middle of each plot).
  ASSERT_FALSE(shot.isNull());
  const QRect plot = form2->Chart3->ChartRect();
  const QPoint middle = form2->Chart3->mapTo(form2, plot.center());
  bool black = false;
  for (int dy = -2; dy <= 2; ++dy)
    black = black || shot.pixelColor(middle + QPoint(0, dy)) == QColor(Qt::black);
  EXPECT_TRUE(black);
}

TEST_F(AnalysisViewTest, AStepRunIsReplayedPointByPointWithCommonOrderRange) {
  // A gentle loop: the feedback rises to the step without passing it.
  StepRun("5", "0.5", "0.1", "0", 400);
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  const RegulationState& s = form->State;
  std::int32_t highest = 0;
  for (int k = 0; k < 1901; ++k) highest = std::max(highest, s.RecordAt(kSeriesFeedback, k));
  ASSERT_GT(highest, 450);
  ASSERT_LE(highest, 500);
  ASSERT_TRUE(OpenAnalysis());
  TForm2& a = *form2;
  // Every series: 1901 points from 0 to 95 s, in hundredths of a volt from the record.
  const std::vector<std::pair<TFastLineSeries*, int>> sources = {
      {a.FastLineSeries1, kSeriesSetpoint},  {a.FastLineSeries2, kSeriesFeedback},
      {a.FastLineSeries3, kSeriesError},     {a.FastLineSeries20, kSeriesPTerm},
      {a.FastLineSeries5, kSeriesDTermRaw},  {a.FastLineSeries7, kSeriesITerm},
      {a.FastLineSeries9, kSeriesPTerm},     {a.FastLineSeries11, kSeriesDTermRaw},
      {a.FastLineSeries13, kSeriesITerm},    {a.FastLineSeries15, kSeriesOrder},
      {a.FastLineSeries16, kSeriesSetpoint}, {a.FastLineSeries17, kSeriesFeedback}};
  for (const auto& [series, source] : sources) {
    SCOPED_TRACE(series->Name.toStdString());
    ASSERT_EQ(series->Count(), 1901);
    EXPECT_EQ(series->XValue(0), 0.0);
    EXPECT_NEAR(series->XValue(1900), 95.0, 1e-9);
    for (int k = 0; k < 1901; ++k) ASSERT_EQ(series->YValue(k), s.RecordAt(source, k) / 100.0) << k;
  }
  for (TFastLineSeries* zeroLine :
       {a.Series2, a.Series1, a.FastLineSeries19, a.FastLineSeries4, a.FastLineSeries6,
        a.FastLineSeries8, a.FastLineSeries10, a.FastLineSeries12, a.FastLineSeries14, a.Series3}) {
    ASSERT_EQ(zeroLine->Count(), 1901);
    EXPECT_EQ(zeroLine->YValues(), std::vector<double>(1901, 0.0));
    EXPECT_EQ(zeroLine->XValues(), a.FastLineSeries1->XValues());
  }
  // The step (5 V at 2.5 s) and the end of the run (20 s) are in the curves.
  EXPECT_EQ(a.FastLineSeries1->YValue(49), 0.0);
  EXPECT_EQ(a.FastLineSeries1->YValue(50), 5.0);
  EXPECT_EQ(a.FastLineSeries1->YValue(1000), 0.0);

  // The derivative spike at the step sets the scale of all seven order charts.
  EXPECT_GE(a.Ranges.order.maximum, s.RecordAt(kSeriesDTermRaw, 50) / 100.0L);
  for (TChart* c : {a.Chart1, a.Chart4, a.Chart5, a.Chart6, a.Chart7, a.Chart8, a.Chart9}) {
    EXPECT_EQ(c->LeftAxis().Maximum(), static_cast<double>(a.Ranges.order.maximum));
    EXPECT_EQ(c->LeftAxis().Minimum(), static_cast<double>(a.Ranges.order.minimum));
  }
  // Setpoint and feedback between 0 and 5 V: -0.2625 to 5.25 on both setpoint charts.
  for (TChart* c : {a.Chart2, a.Chart10}) {
    EXPECT_NEAR(c->LeftAxis().Maximum(), 5.25, 1e-12);
    EXPECT_NEAR(c->LeftAxis().Minimum(), -0.2625, 1e-12);
  }
  EXPECT_EQ(a.Chart3->LeftAxis().Maximum(), static_cast<double>(a.Ranges.error.maximum));
  EXPECT_EQ(a.Chart3->LeftAxis().Minimum(), static_cast<double>(a.Ranges.error.minimum));
}

TEST_F(AnalysisViewTest, OnScreenTheCurvesShowInTheirColoursAtTheirTimes) {
  StepRun("5", "2", "0.2", "0.1", 400);
  QImage shot;
  ASSERT_TRUE(OpenAnalysis([&] {
    QApplication::processEvents();
    shot = form2->grab().toImage();
    // VANTOR_SCREENSHOT_DIR keeps the picture for a look by eye.
    const QByteArray dir = qgetenv("VANTOR_SCREENSHOT_DIR");
    if (!dir.isEmpty()) shot.save(QString::fromLocal8Bit(dir) + "/analyse.png");
  }));
  ASSERT_FALSE(shot.isNull());
  // Counts the pixels of `colour` in the plot of `chart` between two times.
  auto count = [&](TChart* chart, QColor colour, double from, double to) {
    const QRect plot = chart->ChartRect();
    const int x0 = chart->BottomAxis().CalcPosValue(from);
    const int x1 = chart->BottomAxis().CalcPosValue(to);
    int n = 0;
    for (int x = std::max(x0, plot.left() + 1); x <= std::min(x1, plot.right() - 1); ++x)
      for (int y = plot.top() + 1; y < plot.bottom(); ++y)
        n += shot.pixelColor(chart->mapTo(form2, QPoint(x, y))) == colour;
    return n;
  };
  const QColor red = Qt::red, blue = Qt::blue, black = Qt::black;
  for (TChart* c : {form2->Chart2, form2->Chart10}) {
    // The setpoint's rise at 2.5 s, the feedback following it, in the 0-20 s window.
    EXPECT_GT(count(c, red, 2.3, 2.7), 10) << c->objectName().toStdString();
    EXPECT_GT(count(c, blue, 3, 19), 100) << c->objectName().toStdString();
  }
  // The derivative spike at the step is drawn in black on both derivative charts, and
  // their zero line in red where the order is not on it.
  for (TChart* c : {form2->Chart1, form2->Chart7}) {
    EXPECT_GT(count(c, black, 2.4, 2.8), 20) << c->objectName().toStdString();
    EXPECT_GT(count(c, red, 0.5, 19), 50) << c->objectName().toStdString();
  }
  // The error is red on Chart3, over its black zero line before the step.
  EXPECT_GT(count(form2->Chart3, red, 2.6, 10), 50);
  EXPECT_GT(count(form2->Chart3, black, 0.5, 2), 10);
  // The left axis shows only its title: beside the plot no tick is drawn, and across it
  // no grid line, although every range is several volts high.
  for (TChart* c : form2->ZoomOrder()) {
    SCOPED_TRACE(c->objectName().toStdString());
    ASSERT_GT(c->LeftAxis().Maximum() - c->LeftAxis().Minimum(), 1.0);
    const QRect plot = c->ChartRect();
    for (int y = plot.top() + 1; y < plot.bottom(); ++y) {
      for (int dx : {-3, -2, 3}) {
        const QColor pixel = shot.pixelColor(c->mapTo(form2, QPoint(plot.left() + dx, y)));
        ASSERT_TRUE(pixel == Qt::white || pixel == red || pixel == black) << dx << "," << y;
      }
    }
  }
}

TEST_F(AnalysisViewTest, InOpenLoopTheTotalOrderIsTheLimitedSetpoint) {
  form->State.LoopMode = "Ouv";
  form->State.ordremaxi = 4;  // the step of 6 V is limited to 4 V
  StepRun("6", "1", "0", "0.5", 120);
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  ASSERT_TRUE(OpenAnalysis());
  const TForm2& a = *form2;
  int limited = 0;
  for (int k = 0; k < 1901; ++k) {
    const double setpoint = a.FastLineSeries1->YValue(k);
    ASSERT_EQ(a.FastLineSeries15->YValue(k),
              std::clamp(setpoint, static_cast<double>(form->State.ordremini), 4.0))
        << k;
    if (setpoint > 4) ++limited;
  }
  EXPECT_GT(limited, 50);
  // The terms are still computed from the error.
  EXPECT_NE(a.FastLineSeries20->YValue(60), 0.0);
  EXPECT_EQ(a.FastLineSeries20->YValue(60), a.FastLineSeries3->YValue(60));
}

TEST_F(AnalysisViewTest, ReopeningShowsTheLatestRunInTheSameTimeWindow) {
  StepRun("3", "1", "0", "0", 100);
  ASSERT_TRUE(OpenAnalysis([&] {
    form2->DeplacementHgauche1->trigger();
    form2->ZoomH2->trigger();
  }));
  EXPECT_TRUE(AllWindowsAre(5, 50));
  StepRun("7", "1", "0", "0", 100);
  ASSERT_TRUE(OpenAnalysis([&] {
    EXPECT_TRUE(AllWindowsAre(5, 50));
    EXPECT_EQ(form2->FastLineSeries1->YValue(60), 7.0);
    EXPECT_EQ(form2->Chart2->LeftAxis().Maximum(),
              static_cast<double>(form2->Ranges.setpoint.maximum));
    EXPECT_GE(form2->Chart2->LeftAxis().Maximum(), 7.35);
  }));
}

TEST_F(AnalysisViewTest, OnlyChart10ZoomsWithTheMouseAndTheNextShowingResetsItsRange) {
  StepRun("5", "2", "0", "0", 200);
  ASSERT_TRUE(OpenAnalysis([&] {
    QApplication::processEvents();
    const QRect plot2 = form2->Chart2->ChartRect();
    Drag(form2->Chart2, Qt::LeftButton, plot2.topLeft() + QPoint(10, 10),
         plot2.topLeft() + QPoint(120, 80));
    EXPECT_EQ(form2->Chart2->BottomAxis().Maximum(), 20.0);
    const QRect plot = form2->Chart10->ChartRect();
    Drag(form2->Chart10, Qt::LeftButton, plot.topLeft() + QPoint(10, 10),
         plot.topLeft() + QPoint(120, 80));
    EXPECT_LT(form2->Chart10->BottomAxis().Maximum(), 20.0);
    EXPECT_LT(form2->Chart10->LeftAxis().Maximum(),
              static_cast<double>(form2->Ranges.setpoint.maximum));
    for (TChart* c : form2->ZoomOrder()) {
      if (c != form2->Chart10) {
        EXPECT_EQ(c->BottomAxis().Maximum(), 20.0);
      }
    }
  }));
  const double zoomedStart = form2->Chart10->BottomAxis().Minimum();
  const double firstTop = static_cast<double>(form2->Ranges.setpoint.maximum);
  StepRun("8", "2", "0", "0", 200);
  ASSERT_TRUE(OpenAnalysis([&] {
    QApplication::processEvents();
    // The vertical range is the new run's setpoint range; the time window stays zoomed.
    const double top = static_cast<double>(form2->Ranges.setpoint.maximum);
    ASSERT_GT(top, firstTop);
    EXPECT_EQ(form2->Chart10->LeftAxis().Maximum(), top);
    EXPECT_EQ(form2->Chart10->BottomAxis().Minimum(), zoomedStart);
    // A reverse drag no longer brings back the range of the earlier showing.
    const QRect plot = form2->Chart10->ChartRect();
    Drag(form2->Chart10, Qt::LeftButton, plot.topLeft() + QPoint(120, 80),
         plot.topLeft() + QPoint(10, 10));
    EXPECT_EQ(form2->Chart10->LeftAxis().Maximum(), top);
  }));
}

TEST_F(AnalysisViewTest, ScaledPerCurveTheDerivativeShowsItsNoiseAndOffBringsBackTheSharedRange) {
  // A PD loop: the derivative kicks at the step, then only the sensor noise is left.
  StepRun("6", "4", "2", "0", 600);
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  ASSERT_TRUE(OpenAnalysis([&] {
    TForm2& a = *form2;
    const std::array<TChart*, 7> orders = {a.Chart1, a.Chart4, a.Chart5, a.Chart6,
                                           a.Chart7, a.Chart8, a.Chart9};
    const double sharedMin = a.Chart1->LeftAxis().Minimum();
    const double sharedMax = a.Chart1->LeftAxis().Maximum();
    ASSERT_GT(sharedMax, 100.0);  // the kick
    // Past the step (11.25 to 31.25 s), each order chart on its own term.
    a.DeplacementHgauche1->trigger();
    a.DeplacementHgauche1->trigger();
    a.Echelleparcourbe1->trigger();
    ASSERT_TRUE(a.Echelleparcourbe1->isChecked());
    const double low = a.Chart1->LeftAxis().Minimum(), high = a.Chart1->LeftAxis().Maximum();
    EXPECT_LT(high - low, (sharedMax - sharedMin) / 100);
    // The noise fills the range: its peaks reach the top and the bottom, less the margins.
    double noiseMin = 0, noiseMax = 0;
    for (int i = 0; i < a.FastLineSeries5->Count(); ++i) {
      const double t = a.FastLineSeries5->XValue(i);
      if (t < 11.25 || t > 31.25) continue;
      noiseMin = std::min(noiseMin, a.FastLineSeries5->YValue(i));
      noiseMax = std::max(noiseMax, a.FastLineSeries5->YValue(i));
    }
    ASSERT_GT(noiseMax, 0.0);
    ASSERT_LT(noiseMin, 0.0);
    EXPECT_NEAR(high, noiseMax + 0.05 * (noiseMax - noiseMin), 1e-9);
    EXPECT_EQ(a.Chart7->LeftAxis().Maximum(), high);
    for (TChart* c : orders) EXPECT_TRUE(c->LeftAxis().Labels);
    // Back to the start: the kick in view again sets the derivative's range.
    a.Imageinitiale2->trigger();
    EXPECT_EQ(a.Chart1->LeftAxis().Maximum(), sharedMax);
    a.DeplacementHgauche1->trigger();
    a.DeplacementHgauche1->trigger();
    a.Echelleparcourbe1->trigger();  // off
    for (TChart* c : orders) {
      SCOPED_TRACE(c->objectName().toStdString());
      EXPECT_EQ(c->LeftAxis().Minimum(), static_cast<double>(a.Ranges.order.minimum));
      EXPECT_EQ(c->LeftAxis().Maximum(), static_cast<double>(a.Ranges.order.maximum));
      EXPECT_FALSE(c->LeftAxis().Labels);
    }
    EXPECT_EQ(a.Chart1->LeftAxis().Maximum(), sharedMax);
  }));
}

}  // namespace
}  // namespace vantor::testing
