// SPDX-License-Identifier: GPL-3.0-or-later
// Runs as they are kept, saved and compared.
#include "regulation/Trial.h"

#include <ctime>

#include "common/Numbers.h"
#include "regulation/CorrectorLaw.h"

namespace vantor {

Trial TrialFromState(const RegulationState& s, const RunProcess& process) {
  Trial t;
  t.Record = s.RunRecord;
  t.FeedbackLimits = s.FeedbackLimits;
  t.LastEntry = s.RecordPos;
  t.SamplePeriodMs = s.SamplePeriodMs;
  t.SetpointCaption = s.SetpointCaption;
  t.SetpointKind = s.SetpointKind;
  t.StepLevel = s.StepLevel;
  t.Mean = s.Mean;
  t.Amplitude = s.Amplitude;
  t.SetpointFrequency = s.SetpointFrequency;
  t.Kp = s.Kp;
  t.Kd = s.Kd;
  t.Ki = s.Ki;
  t.LoopMode = s.LoopMode;
  t.Process = process.Name;
  t.Profile = process.Profile;
  t.Load = process.Load;
  t.Date = CurrentDateText();
  t.Corrector = RunLawCaption(s);
  t.ordremaxi = s.ordremaxi;
  t.ordremini = s.ordremini;
  return t;
}

void BuildRecordPlot(const Trial& run, RecordPlot& out) {
  const long double step = static_cast<long double>(run.SamplePeriodMs) / 1000;
  long double t = 0;
  for (int k = 0; k < kPlotEntries; ++k) {
    out.X[static_cast<std::size_t>(k)] = t;
    out.Setpoint[static_cast<std::size_t>(k)] =
        static_cast<long double>(run.At(kSeriesSetpoint, k)) / 100;
    out.Feedback[static_cast<std::size_t>(k)] =
        static_cast<long double>(run.At(kSeriesFeedback, k)) / 100;
    t = t + step;
  }
  out.HasMeanLine = run.SetpointKind != "echelon";
  out.MeanLine = run.Mean;
}

std::string CurrentDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string CorrectorStructureText(const Trial& t) {
  if (!t.Corrector.empty()) return t.Corrector;
  if (t.IsOpenLoop()) return "boucle ouverte";
  std::string terms;
  if (t.Kp != 0) terms += "P";
  if (t.Ki != 0) terms += "I";
  if (t.Kd != 0) terms += "D";
  return terms.empty() ? "aucun terme (gains nuls)" : terms;
}


}  // namespace vantor
