// SPDX-License-Identifier: GPL-3.0-or-later
// The processes of the "Simulation" menu and their parameters dialog, row by row of the
// process table.
#include <QLabel>
#include <cmath>

#include "WorkstationFixture.h"
#include "common/Numbers.h"
#include "common/VantorError.h"
#include "simulation-ui/SimulationMenu.h"
#include "simulation/ProcessRegistry.h"
#include "widgets/QtText.h"

namespace vantor::testing {
namespace {

using SimulationParametersTest = WorkstationFixture;

std::vector<double> Values(const ProcessModel& p) {
  std::vector<double> values;
  for (const ProcessParameter& parameter : p.Parameters()) values.push_back(parameter.Get(p));
  return values;
}

TEST_F(SimulationParametersTest, EachProcessOfTheMenuGetsItsFieldsAndAWrongOneChangesNothing) {
  TForm1& f = CreateMainWindow();
  SimulationMenu menu(f, card);
  const QList<QAction*> actions = menu.Menu()->actions();
  ASSERT_GE(actions.size(), static_cast<qsizetype>(ProcessKinds().size()));
  SimulationParametersDialog& d = *menu.Dialog();
  for (std::size_t row = 0; row < ProcessKinds().size(); ++row) {
    const ProcessKind& kind = ProcessKinds()[row];
    SCOPED_TRACE(kind.Id);
    QAction* action = actions[static_cast<qsizetype>(row)];
    EXPECT_EQ(action->text().toStdString(), kind.Label);
    action->trigger();
    EXPECT_EQ(KindOf(card.Process()), &kind);
    EXPECT_TRUE(action->isChecked());
    d.Refill();

    const std::vector<ProcessParameter> parameters = card.Process().Parameters();
    for (const ProcessParameter& parameter : parameters) {
      QLineEdit* edit = d.Field(parameter.Name);
      ASSERT_NE(edit, nullptr) << parameter.Name;
      EXPECT_TRUE(edit->isVisibleTo(&d)) << parameter.Name;
      auto* label =
          static_cast<QLabel*>(static_cast<QFormLayout*>(d.layout())->labelForField(edit));
      EXPECT_EQ(label->text().toStdString(), parameter.Label);
    }
    // Each parameter in turn just past its maximum, the others and input 0 changed to
    // good values: the French message names it and nothing is applied.
    const std::vector<double> before = Values(card.Process());
    const double external = card.ExternalSetpointVolts();
    // The middle of each range (a whole number for a whole parameter).
    const auto good = [](const ProcessParameter& parameter) {
      const double middle = (parameter.Minimum + parameter.Maximum) / 2;
      return parameter.Whole ? std::round(middle) : middle;
    };
    const auto fillGoodValues = [&] {
      for (const ProcessParameter& parameter : parameters)
        d.Field(parameter.Name)->setText(ToQString(FormatShort(good(parameter))));
      d.EditExternal->setText(ToQString(FormatShort(external + 1)));
    };
    for (const ProcessParameter& wrong : parameters) {
      fillGoodValues();
      d.Field(wrong.Name)->setText(ToQString(FormatShort(wrong.Maximum * 1.01 + 0.01)));
      try {
        d.Apply();
        ADD_FAILURE() << wrong.Name << " accepted";
      } catch (const VantorError& e) {
        EXPECT_EQ(e.what(), wrong.RangeMessage());
      }
      EXPECT_EQ(Values(card.Process()), before) << wrong.Name;
      EXPECT_EQ(card.ExternalSetpointVolts(), external) << wrong.Name;
    }
    // All good: all applied.
    fillGoodValues();
    d.Field(parameters.front().Name)->setText(ToQString(FormatShort(parameters.front().Maximum)));
    d.Apply();
    std::vector<double> applied = {parameters.front().Maximum};
    for (std::size_t i = 1; i < parameters.size(); ++i)
      applied.push_back(good(parameters[i]));
    EXPECT_EQ(Values(card.Process()), applied);
    EXPECT_EQ(card.ExternalSetpointVolts(), external + 1);
  }
  // The wording the dialog has always used.
  menu.SpeedAction->trigger();
  d.Refill();
  d.EditTimeConstant->setText("0");
  try {
    d.Apply();
    ADD_FAILURE() << "0 s accepted";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "La constante de temps doit être comprise entre 0 (exclu) et 100 s");
  }
}

}  // namespace
}  // namespace vantor::testing
