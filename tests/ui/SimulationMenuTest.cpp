// The "Simulation" menu of the simulated workstation.
#include <QMenuBar>

#include "DcMotorPosition.h"
#include "DcMotorSpeed.h"
#include "SimulationMenu.h"
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
  EXPECT_EQ(bar[bar.size() - 2]->text(), "Aide");
  EXPECT_TRUE(f.windowTitle().contains("simul"));
  EXPECT_TRUE(menu.PositionAction->isChecked());
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
