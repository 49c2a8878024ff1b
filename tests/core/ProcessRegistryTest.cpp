// SPDX-License-Identifier: GPL-3.0-or-later
// The table of the simulated processes and the parameters each one describes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "common/VantorError.h"
#include "simulation/DcMotorPosition.h"
#include "simulation/ProcessRegistry.h"

namespace vantor::testing {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::vector<double> Values(const ProcessModel& p) {
  std::vector<double> values;
  for (const ProcessParameter& parameter : p.Parameters()) values.push_back(parameter.Get(p));
  return values;
}

TEST(ProcessRegistry, EveryRowMakesItsProcessWhoseParametersHoldTheirWholeRangeAndNoMore) {
  std::set<std::string> ids, actions;
  for (const ProcessKind& kind : ProcessKinds()) {
    SCOPED_TRACE(kind.Id);
    EXPECT_TRUE(ids.insert(kind.Id).second);
    EXPECT_TRUE(actions.insert(kind.ActionName).second);
    const std::unique_ptr<ProcessModel> made = MakeProcess(kind.Id);
    EXPECT_EQ(KindOf(*made), &kind);
    EXPECT_EQ(made->Name(), kind.Label);  // what a run records is what the menu shows
    EXPECT_NO_THROW(made->Validate());
    const std::vector<double> defaults = Values(*made);
    const std::vector<ProcessParameter> parameters = made->Parameters();
    ASSERT_FALSE(parameters.empty());
    EXPECT_EQ(parameters.back().Name, "bruit");
    std::set<std::string> names;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      const ProcessParameter& parameter = parameters[i];
      SCOPED_TRACE(parameter.Name);
      EXPECT_TRUE(names.insert(parameter.Name).second);
      const double middle = (parameter.Minimum + parameter.Maximum) / 2;
      std::vector<double> inside = {parameter.Maximum,
                                    parameter.Whole ? std::round(middle) : middle};
      if (!parameter.MinimumExcluded) inside.push_back(parameter.Minimum);
      for (const double value : inside) {
        const auto p = kind.Make();
        parameter.Set(*p, value);
        std::vector<double> expected = defaults;
        expected[i] = value;
        EXPECT_EQ(Values(*p), expected) << value;  // this parameter, and only this one
        EXPECT_NO_THROW(p->Validate()) << value;
        EXPECT_NO_THROW(parameter.Check(value)) << value;
      }
      for (const double value : {std::nextafter(parameter.Maximum, kInfinity),
                                 std::nextafter(parameter.Minimum, -kInfinity),
                                 std::numeric_limits<double>::quiet_NaN(),
                                 parameter.Whole ? parameter.Minimum + 0.5
                                                 : std::numeric_limits<double>::quiet_NaN()}) {
        const auto p = kind.Make();
        parameter.Set(*p, value);
        EXPECT_THROW(p->Validate(), VantorError) << value;
        EXPECT_THROW(parameter.Check(value), VantorError) << value;
        // Set all together with a good value of another parameter: neither is kept.
        const auto q = kind.Make();
        const ProcessParameter& other = parameters[(i + 1) % parameters.size()];
        EXPECT_THROW(q->SetParameters({{other.Name, other.Maximum}, {parameter.Name, value}}),
                     VantorError);
        EXPECT_EQ(Values(*q), defaults) << value;
      }
      if (parameter.MinimumExcluded) {
        EXPECT_THROW(parameter.Check(parameter.Minimum), VantorError);
      }
    }
  }
  EXPECT_EQ(FindProcessKind("constant"), nullptr);
  EXPECT_THROW(MakeProcess("four"), VantorError);
}

TEST(ProcessRegistry, ValuesInRangeThatTheModelRefusesTogetherAreAllUndone) {
  DcMotorPosition motor;
  motor.SensorMinVolts = 20.0;  // above the maximum: the model cannot run
  const std::vector<double> before = Values(motor);
  EXPECT_THROW(motor.SetParameters({{"gain", 5.0}, {"constante-temps", 1.0}}), VantorError);
  EXPECT_EQ(Values(motor), before);
  EXPECT_THROW(motor.SetParameters({{"retard", 1.0}}), VantorError);  // not a motor's
  motor.SensorMinVolts = 0.0;
  motor.SetParameters({{"gain", 5.0}, {"constante-temps", 1.0}});
  EXPECT_EQ(motor.GainRadPerSecondPerVolt, 5.0);
  EXPECT_EQ(motor.TimeConstantSeconds, 1.0);
}

// The values a model of identification takes after its word are its own parameters, in
// the order the parameters dialog lists them, and its form names one letter per value.
TEST(ProcessRegistry, EachModelOfIdentificationNamesItsOwnValuesInTheDialogsOrder) {
  std::vector<std::string> ids;
  for (const ProcessKind* kind : IdentifiedModelKinds()) {
    SCOPED_TRACE(kind->Id);
    ids.push_back(kind->Id);
    ASSERT_TRUE(kind->IsIdentifiedModel());
    std::vector<std::string> own;
    for (const ProcessParameter& p : kind->Make()->Parameters())
      if (kind->TakesValue(p.Name)) own.push_back(p.Name);
    EXPECT_EQ(own, kind->ModelValues);
    EXPECT_EQ(kind->ModelForm.rfind(kind->Id + ":", 0), 0u) << kind->ModelForm;
    const std::string letters = kind->ModelForm.substr(kind->Id.size() + 1);
    EXPECT_EQ(std::count(letters.begin(), letters.end(), ',') + 1,
              static_cast<long>(kind->ModelValues.size()))
        << kind->ModelForm;
    EXPECT_EQ(ParameterOf(*kind, "retard").Name, "retard");
    EXPECT_THROW(ParameterOf(*kind, "frottement"), VantorError);
  }
  EXPECT_FALSE(FindProcessKind("position")->IsIdentifiedModel());
  // What the exercises and the tool's messages list.
  EXPECT_EQ(ids, (std::vector<std::string>{"ordre1", "strejc", "integrateur"}));
  EXPECT_EQ(IdentifiedModelIds(), "ordre1, strejc ou integrateur");
  EXPECT_EQ(IdentifiedModelForms(", "), "ordre1:K,T,R, strejc:K,T,R,n, integrateur:k,R");
  // The model of a fit.
  EXPECT_EQ(IdentifiedModelKind(true, 1).Id, "integrateur");
  EXPECT_EQ(IdentifiedModelKind(true, 3).Id, "integrateur");
  EXPECT_EQ(IdentifiedModelKind(false, 1).Id, "ordre1");
  EXPECT_EQ(IdentifiedModelKind(false, 4).Id, "strejc");
}

}  // namespace
}  // namespace vantor::testing
