// SPDX-License-Identifier: GPL-3.0-or-later
// The "Simulation" menu of the simulated workstation.
#include <functional>
#include <QMenuBar>
#include <QTimer>

#include "WorkstationFixture.h"
#include "analysis/Uanalyse.h"
#include "app/Windows.h"
#include "common/VantorError.h"
#include "docs/Uaideexperimentale.h"
#include "docs/Uapropos.h"
#include "docs/Umethregpas.h"
#include "docs/Utechno.h"
#include "mainwindow/TrialsMenu.h"
#include "settings/Upass.h"
#include "settings/Ureglage.h"
#include "simulation-ui/PerturbationToggle.h"
#include "simulation-ui/SimulationLoadDialog.h"
#include "simulation-ui/SimulationMenu.h"
#include "simulation/DcMotorPosition.h"
#include "simulation/DcMotorSpeed.h"
#include "simulation/ThermalProcess.h"

namespace vantor::testing {
namespace {

using SimulationMenuTest = WorkstationFixture;

TEST_F(SimulationMenuTest, ComesAfterTheProgramMenusAndNamesTheSimulation) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  const QList<QAction*> bar = f.menuBar()->actions();
  ASSERT_FALSE(bar.isEmpty());
  EXPECT_EQ(bar.back()->text(), "Simulation");
  EXPECT_EQ(bar[bar.size() - 2]->text(), "Identification");
  EXPECT_EQ(bar[bar.size() - 3]->text(), "Essais");
  EXPECT_EQ(bar[bar.size() - 4]->text(), "Aide");
  EXPECT_TRUE(f.windowTitle().contains("simul"));
  EXPECT_TRUE(menu.PositionAction->isChecked());
}

TEST_F(SimulationMenuTest, IsDisabledDuringARunLikeTheProgramMenus) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  f.Button1->click();
  bool simulationDuringRun = true, aideDuringRun = true;
  int turns = 0;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++turns != 20) return;
    simulationDuringRun = menu.Menu()->menuAction()->isEnabled();
    aideDuringRun = f.Aide1->menuAction()->isEnabled();
    f.Button6->click();
  });
  timer.start();
  f.Button5->click();
  timer.stop();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_FALSE(aideDuringRun);
  EXPECT_FALSE(simulationDuringRun);
  EXPECT_TRUE(menu.Menu()->menuAction()->isEnabled());
}

TEST_F(SimulationMenuTest, SwitchesProcessAndAppliesCheckedParameters) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  menu.SpeedAction->trigger();
  ASSERT_NE(dynamic_cast<DcMotorSpeed*>(&card.Process()), nullptr);
  EXPECT_TRUE(menu.SpeedAction->isChecked());

  SimulationParametersDialog& d = *menu.Dialog();
  d.Refill();
  d.EditTimeConstant->setText("0.8");
  d.EditExternal->setText("5");
  d.Apply();
  EXPECT_EQ(dynamic_cast<DcMotorSpeed&>(card.Process()).TimeConstantSeconds, 0.8);
  EXPECT_EQ(card.ExternalSetpointVolts(), 5.0);

  // A wrong field changes nothing and says why in French.
  d.EditTimeConstant->setText("0");
  d.EditExternal->setText("7");
  EXPECT_THROW(d.Apply(), VantorError);
  EXPECT_EQ(dynamic_cast<DcMotorSpeed&>(card.Process()).TimeConstantSeconds, 0.8);
  EXPECT_EQ(card.ExternalSetpointVolts(), 5.0);
  d.EditTimeConstant->setText("abc");
  try {
    d.Apply();
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "'abc' n'est pas une valeur en virgule flottante correcte");
  }

  menu.PositionAction->trigger();
  EXPECT_NE(dynamic_cast<DcMotorPosition*>(&card.Process()), nullptr);
}

TEST_F(SimulationMenuTest, ThePerturbationButtonBrakesDuringARunAndEachRunArmsTheScheduledLoad) {
  TForm1& f = CreateMainWindow();
  f.show();
  SimulationMenu menu(f, card);
  SimulationLoadDialog& d = *menu.LoadDialog();
  d.Refill();
  d.EditLoad->setText("2");
  d.EditLoadStart->setText("1");
  d.Apply();
  f.Button1->click();
  f.Trials->Tracendirect1->trigger();  // the button lives in the live trace
  PerturbationToggle& button = *menu.Toggle();
  bool beforeStart = true, afterStart = false, usable = false, removed = false, again = false;
  int turns = 0;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++turns;
    if (turns == 10) beforeStart = card.LoadApplied();
    if (turns == 30) {  // 1.5 s into the run
      afterStart = card.LoadApplied();
      usable = button.isVisible() && button.isEnabled() && button.window() == f.Trials->LiveView();
      button.click();
      removed = !card.LoadApplied() && !button.isChecked();
      button.click();
      again = card.LoadApplied() && button.isChecked();
      f.Button6->click();
    }
  });
  timer.start();
  f.Button5->click();
  timer.stop();
  EXPECT_FALSE(beforeStart);
  EXPECT_TRUE(afterStart);
  EXPECT_TRUE(usable);
  EXPECT_TRUE(removed);
  EXPECT_TRUE(again);
  EXPECT_EQ(card.LoadVolts(), 2.0);
  d.EditLoad->setText("11");
  EXPECT_THROW(d.Apply(), VantorError);
  EXPECT_EQ(card.LoadVolts(), 2.0);
}

TEST_F(SimulationMenuTest, AnotherProcessOrARestForgetsTheLoadAndTheLabelSaysWhatIsSimulated) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  SimulationLoadDialog& d = *menu.LoadDialog();
  const auto runArmsTheLoad = [&] {
    bool armed = false;
    RunFor(30, [&] { armed = card.LoadApplied(); });  // 1.5 s in, past the load's start
    return armed;
  };
  f.Button1->click();
  for (auto forget : {std::function<void()>([&] { menu.ThermalAction->trigger(); }),
                      std::function<void()>([&] { menu.ResetAction->trigger(); })}) {
    d.Refill();
    d.EditLoad->setText("2");
    d.EditLoadStart->setText("1");
    d.Apply();
    ASSERT_TRUE(runArmsTheLoad());
    EXPECT_NE(menu.ProcessLabel()->text().indexOf("charge\u00a0: 2 V"), -1);
    forget();
    EXPECT_FALSE(card.LoadApplied());
    EXPECT_NE(menu.ProcessLabel()->text().indexOf("charge\u00a0: aucune"), -1);
    EXPECT_FALSE(runArmsTheLoad());
  }
  EXPECT_NE(menu.ProcessLabel()->text().indexOf("thermique"), -1);
  EXPECT_TRUE(menu.ProcessLabel()->isVisibleTo(&f));
}

TEST_F(SimulationMenuTest, ARunDescribesOnlyTheLoadItMet) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  SimulationLoadDialog& d = *menu.LoadDialog();
  f.Button1->click();
  d.Refill();
  d.EditLoad->setText("2");
  d.EditLoadStart->setText("3");
  d.Apply();
  RunFor(30);  // ends at 1.5 s, before the load's start
  EXPECT_EQ(menu.RunLoad(), "");
  RunFor(80);
  EXPECT_EQ(menu.RunLoad(), "2 V à 3 s");
  menu.Toggle()->click();  // the load that stayed applied, taken off
  d.EditLoadStart->setText("");
  d.Apply();
  RunFor(30);  // the button not pressed again
  EXPECT_EQ(menu.RunLoad(), "");
  RunFor(30, [&] { card.SetLoadApplied(true); });
  EXPECT_EQ(menu.RunLoad(), "2 V au bouton « Perturbation »");
}

TEST_F(SimulationMenuTest, TheChosenProfileFollowsTheProcessAndTheThermalOneHasItsDeadTime) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  EXPECT_TRUE(menu.IdealAction->isChecked());
  menu.RealisticAction->trigger();
  EXPECT_EQ(card.Process().Profile(), SimulationProfile::Realistic);
  menu.ThermalAction->trigger();
  auto* oven = dynamic_cast<ThermalProcess*>(&card.Process());
  ASSERT_NE(oven, nullptr);
  EXPECT_EQ(oven->Profile(), SimulationProfile::Realistic);
  SimulationParametersDialog& d = *menu.Dialog();
  d.Refill();
  EXPECT_TRUE(d.EditDeadTime->isVisibleTo(&d));
  EXPECT_FALSE(d.EditFriction->isVisibleTo(&d));
  d.EditDeadTime->setText("3");
  d.Apply();
  EXPECT_EQ(oven->DeadTimeSeconds, 3.0);
  d.EditDeadTime->setText("-1");
  EXPECT_THROW(d.Apply(), VantorError);
  EXPECT_EQ(oven->DeadTimeSeconds, 3.0);
  menu.IdealAction->trigger();
  menu.PositionAction->trigger();
  EXPECT_EQ(card.Process().Profile(), SimulationProfile::Ideal);
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST_F(SimulationMenuTest, TheProgramCreatesEveryWindowOnceBehindTheMainWindow) {
  ProgramWindows w = CreateWindows(IsaCardOpener(card));
  TForm1& f = *w.Form1;
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_NE(dynamic_cast<TForm2*>(f.Form2), nullptr);
  EXPECT_NE(dynamic_cast<TForm3*>(f.Form3), nullptr);
  EXPECT_NE(dynamic_cast<TOKBottomDlg1*>(f.OKBottomDlg1), nullptr);
  EXPECT_NE(dynamic_cast<TAboutBox*>(f.AboutBox), nullptr);
  EXPECT_NE(dynamic_cast<TForm4*>(f.Form4), nullptr);
  EXPECT_NE(dynamic_cast<TFormpass*>(f.Formpass), nullptr);
  EXPECT_NE(dynamic_cast<TOKBottomDlg2*>(f.OKBottomDlg2), nullptr);
  for (QDialog* d :
       {f.Form2, f.Form3, f.OKBottomDlg1, f.AboutBox, f.Form4, f.Formpass, f.OKBottomDlg2}) {
    EXPECT_EQ(d->parent(), &f);
    EXPECT_FALSE(d->isVisible());
  }
}

}  // namespace
}  // namespace vantor::testing
