// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's time navigation: zooms on the end value, shifts by a quarter of
// it, the refusal of the axis, and the window kept between showings.
#include <QApplication>

#include "AnalysisFixture.h"
#include "ChartTestSupport.h"

namespace vantor::testing {
namespace {

class AnalysisNavigationTest : public AnalysisFixture {
 protected:
  void Repeat(QAction* action, int times) {
    for (int i = 0; i < times; ++i) action->trigger();
  }
};

TEST_F(AnalysisNavigationTest, ZoomsHalveAndDoubleTheEndOnAllTenCharts) {
  ASSERT_TRUE(OpenAnalysis([&] {
    Repeat(form2->ZoomH1, 3);
    EXPECT_TRUE(AllWindowsAre(0, 2.5));
    Repeat(form2->ZoomH2, 3);
    EXPECT_TRUE(AllWindowsAre(0, 20));
    // From 10-30 the zoom keeps the start and halves the end: 10-15.
    for (TChart* c : form2->ZoomOrder()) c->BottomAxis().SetMinMax(10, 30);
    form2->ZoomH1->trigger();
    EXPECT_TRUE(AllWindowsAre(10, 15));
    form2->ZoomH2->trigger();
    EXPECT_TRUE(AllWindowsAre(10, 30));
  }));
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(AnalysisNavigationTest, ShiftsMoveByAQuarterOfTheEndAndImageInitialeComesBack) {
  ASSERT_TRUE(OpenAnalysis([&] {
    form2->DeplHdroite1->trigger();
    EXPECT_TRUE(AllWindowsAre(-5, 15));
    form2->DeplHdroite1->trigger();
    EXPECT_TRUE(AllWindowsAre(-8.75, 11.25));
    form2->Imageinitiale2->trigger();
    EXPECT_TRUE(AllWindowsAre(0, 20));
    Repeat(form2->DeplacementHgauche1, 7);
    EXPECT_TRUE(AllWindowsAre(75.4, 95.4, 0.05));
    form2->DeplHdroite1->trigger();
    EXPECT_TRUE(AllWindowsAre(51.5, 71.5, 0.1));
    form2->Imageinitiale2->trigger();
    EXPECT_TRUE(AllWindowsAre(0, 20));
  }));
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(AnalysisNavigationTest, ZoomBeyondTheStartIsRefusedAndChangesNothing) {
  ASSERT_TRUE(OpenAnalysis([&] {
    Repeat(form2->DeplacementHgauche1, 4);
    ASSERT_TRUE(AllWindowsAre(28.828125, 48.828125));
    form2->ZoomH1->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], "La valeur maximum de l'axe doit être >= Minimum.");
    EXPECT_TRUE(AllWindowsAre(28.828125, 48.828125));
    // "Zoom H -" is never refused.
    form2->ZoomH2->trigger();
    EXPECT_TRUE(AllWindowsAre(28.828125, 97.65625));
    EXPECT_EQ(dialogs.errors.size(), 1);
  }));
}

TEST_F(AnalysisNavigationTest, AMouseZoomOnChart10IsOvertakenByTheMenu) {
  ASSERT_TRUE(OpenAnalysis([&] {
    QApplication::processEvents();
    // Zoom Chart10 onto a stretch that starts after 10 s.
    const QRect plot = form2->Chart10->ChartRect();
    const int x10 = form2->Chart10->BottomAxis().CalcPosValue(11);
    Drag(form2->Chart10, Qt::LeftButton, QPoint(x10, plot.top() + 5),
         QPoint(x10 + 60, plot.top() + 60));
    const double start10 = form2->Chart10->BottomAxis().Minimum();
    const double end10 = form2->Chart10->BottomAxis().Maximum();
    ASSERT_GT(start10, 10);
    // The zoom sets the charts in their order: the nine before Chart10 take 0-10,
    // Chart10 refuses (its start is beyond 10) and the command stops there, before the
    // reference chart.
    form2->ZoomH1->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], "La valeur maximum de l'axe doit être >= Minimum.");
    for (TChart* c : {form2->Chart1, form2->Chart3, form2->Chart4, form2->Chart5, form2->Chart6,
                      form2->Chart7, form2->Chart8, form2->Chart9})
      EXPECT_EQ(c->BottomAxis().Maximum(), 10.0) << c->objectName().toStdString();
    EXPECT_EQ(form2->Chart10->BottomAxis().Minimum(), start10);
    EXPECT_EQ(form2->Chart10->BottomAxis().Maximum(), end10);
    EXPECT_EQ(form2->Chart2->BottomAxis().Maximum(), 20.0);
    // A shift computes one window from the reference chart and gives it to all ten.
    form2->DeplacementHgauche1->trigger();
    EXPECT_TRUE(AllWindowsAre(5, 25));
  }));
}

TEST_F(AnalysisNavigationTest, TheWindowIsKeptWhenTheWindowIsClosedAndShownAgain) {
  ASSERT_TRUE(OpenAnalysis([&] {
    Repeat(form2->DeplacementHgauche1, 2);
    form2->ZoomH1->trigger();
  }));
  ASSERT_TRUE(OpenAnalysis([&] { EXPECT_TRUE(AllWindowsAre(11.25, 15.625)); }));
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

}  // namespace
}  // namespace vantor::testing
