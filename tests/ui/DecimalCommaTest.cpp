// SPDX-License-Identifier: GPL-3.0-or-later
// The fields of the extra windows take the French decimal comma ("4,2" is 4.2); a text
// that is not a number either way is refused, naming the field.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "ThrownText.h"
#include "lesson/CorrectorStructureWindow.h"
#include "lesson/FrequencyResponseWindow.h"
#include "lesson/RelayTestWindow.h"
#include "simulation-ui/ExerciseAnswerDialog.h"
#include "widgets/NumberField.h"

namespace vantor::testing {
namespace {

TEST(DecimalCommaTest, TheExtraWindowsReadACommaAsTheDecimalPoint) {
  RelayTestWindow relay;
  relay.EditD->setText("2,5");
  relay.EditEpsilon->setText(" 0,05 ");
  relay.EditBias->setText("1.5");  // the point still reads
  const RelaySettings r = relay.TypedSettings();
  EXPECT_DOUBLE_EQ(r.Amplitude, 2.5);
  EXPECT_DOUBLE_EQ(r.Hysteresis, 0.05);
  EXPECT_DOUBLE_EQ(r.Bias, 1.5);

  CorrectorStructureWindow structure;
  structure.EditOnOffD->setText("7,5");
  structure.EditOnOffEpsilon->setText("0,1");
  const RelaySettings onOff = structure.TypedOnOff();
  EXPECT_DOUBLE_EQ(onOff.Amplitude, 7.5);
  EXPECT_DOUBLE_EQ(onOff.Hysteresis, 0.1);
  structure.EditWeight->setText("0,5");
  EXPECT_DOUBLE_EQ(structure.TypedPid().SetpointWeight, 0.5);

  FrequencyResponseWindow bode;
  bode.EditK->setText("1,8");
  bode.EditT->setText("4,2");
  bode.EditL->setText("0,8");
  const auto model = bode.TypedModel();
  ASSERT_TRUE(model.has_value());
  EXPECT_DOUBLE_EQ(model->K, 1.8);
  EXPECT_DOUBLE_EQ(model->T, 4.2);
  EXPECT_DOUBLE_EQ(model->L, 0.8);

  ExerciseAnswerDialog answer;
  answer.EditGain->setText("1,5");
  answer.EditTime->setText("4,2");
  answer.EditDelay->setText("-0,8");
  const ExerciseAnswer a = answer.Typed();
  EXPECT_DOUBLE_EQ(a.Gain, 1.5);
  EXPECT_DOUBLE_EQ(a.TimeConstant, 4.2);
  EXPECT_DOUBLE_EQ(a.Delay, -0.8);
}

TEST(DecimalCommaTest, ATextThatIsNoNumberEitherWayIsRefusedNamingTheField) {
  RelayTestWindow relay;
  relay.EditEpsilon->setText("0.05");
  relay.EditBias->setText("0");
  for (const char* text : {"4,2,1", "4.2,1", ",", "quatre", "4 ,2"}) {
    relay.EditD->setText(text);
    EXPECT_EQ(ThrownText([&] { relay.TypedSettings(); }),
              std::string("Amplitude du relais d : « ") + text +
                  " » n'est pas un nombre (par exemple 0.05 ou 0,05)")
        << text;
  }
  // Without an example, the message stops at the refusal.
  QLineEdit field;
  field.setText("1,2,3");
  EXPECT_EQ(ThrownText([&] { ReadNumberField(&field, "Gain K du modèle"); }),
            "Gain K du modèle : « 1,2,3 » n'est pas un nombre");
}

}  // namespace
}  // namespace vantor::testing
