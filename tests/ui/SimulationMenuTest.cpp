// The "Simulation" menu of the simulated workstation.
#include <QMenuBar>
#include <QTimer>

#include "DcMotorPosition.h"
#include "DcMotorSpeed.h"
#include "SimulationMenu.h"
#include "Uaideexperimentale.h"
#include "Uanalyse.h"
#include "Uapropos.h"
#include "Umethregpas.h"
#include "Upass.h"
#include "Ureglage.h"
#include "Utechno.h"
#include "Windows.h"
#include "VantorError.h"
#include "WorkstationFixture.h"

namespace vantor::testing {
namespace {

using SimulationMenuTest = WorkstationFixture;

TEST_F(SimulationMenuTest, ComesAfterTheProgramMenusAndNamesTheSimulation) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  const QList<QAction*> bar = f.menuBar()->actions();
  ASSERT_FALSE(bar.isEmpty());
  EXPECT_EQ(bar.back()->text(), "Simulation");
  EXPECT_EQ(bar[bar.size() - 2]->text(), "Essais");
  EXPECT_EQ(bar[bar.size() - 3]->text(), "Aide");
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

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST_F(SimulationMenuTest, TheProgramCreatesEveryWindowOnceBehindTheMainWindow) {
  ProgramWindows w =
      CreateWindows([this](std::uint16_t, std::uint16_t) -> PortBus& { return card; });
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
