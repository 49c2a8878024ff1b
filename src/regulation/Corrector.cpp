// SPDX-License-Identifier: GPL-3.0-or-later
// The PID corrector: gains, feedback conditioning, the order of one cycle and its
// conversion to an output-2 count. Extended (80-bit) arithmetic throughout, in the
// order written below: the recorded values depend on it.
#include <cmath>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "regulation/CorrectorLaw.h"
#include "regulation/Regulation.h"

namespace vantor {

namespace {

void ReadGain(std::string& field, std::int32_t bound, long double& gain) {
  long double value = StrToFloat(field);
  if (value > bound) {
    value = bound;
    field = FormatShort(bound);
  }
  if (value < 0) {
    value = 0;
    field = FormatShort(0);
  }
  gain = value;
}

}  // namespace

void ReadGains(RegulationState& s, GainFields& f) {
  ReadGain(f.Edit1, s.kpmax, s.Kp);
  ReadGain(f.Edit2, s.kdmax, s.Kd);
  ReadGain(f.Edit3, s.kimax, s.Ki);
}

void ResetCorrector(RegulationState& s) {
  s.Error = 0;
  s.PrevError = 0;
  s.ErrorSum = 0;
  s.SampleHistory.fill(0.0);
}

void ConditionFeedback(RegulationState& s, std::int32_t counts) {
  s.Sample = CountsToVolts(counts);
  s.FeedbackLimit = counts >= kFullScaleCount ? SensorLimit::FullScale : SensorLimit::None;
  if (s.Sample < kFeedbackFloorVolts) {
    s.Sample = s.SampleHistory[0];
    s.FeedbackLimit = SensorLimit::Floor;
  }
  long double sum = s.Sample;
  for (double h : s.SampleHistory) sum = sum + h;
  s.Feedback = sum / 10;
  for (std::size_t i = s.SampleHistory.size() - 1; i > 0; --i)
    s.SampleHistory[i] = s.SampleHistory[i - 1];
  s.SampleHistory[0] = static_cast<double>(s.Sample);
}

void ComputeOrder(RegulationState& s, long double setpoint) {
  ComputeOrder(s, setpoint, LawOfRun(s));
}

void ComputeOrder(RegulationState& s, long double setpoint, CorrectorLaw& law) {
  s.Error = setpoint - s.Feedback;
  s.PTerm = s.Kp * s.Error;
  s.DTermRaw = (s.Error - s.PrevError) * s.Kd * 1000 / s.SamplePeriodMs;
  s.PrevError = s.Error;
  // A derivative spike followed by a steady error dies away by 0.6 per cycle.
  if (std::fabs(s.DTermRaw) >= std::fabs(s.DTermRaw - s.PrevDTerm))
    s.DTerm = s.DTermRaw;
  else
    s.DTerm = s.DTermRaw + 0.6L * s.PrevDTerm;
  s.PrevDTerm = s.DTerm;
  s.ITerm = (s.ErrorSum + s.Error) * s.Ki * s.SamplePeriodMs / 1000;
  s.ErrorSum = s.ErrorSum + s.Error;
  law.OwnTerms(s, setpoint);
  s.Order = law.Order(s, setpoint);
  if (s.Order > s.ordremaxi) s.Order = s.ordremaxi;
  if (s.Order < s.ordremini) s.Order = s.ordremini;
  law.OrderLimited(s);
}

}  // namespace vantor
