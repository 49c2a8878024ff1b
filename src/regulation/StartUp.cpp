// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/StartUp.h"

#include <clocale>
#include <functional>
#include <limits>

#include "common/FileErrors.h"
#include "common/Numbers.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"
#include "regulation/SettingRanges.h"

namespace vantor {

namespace {

constexpr int kSettingWidth = 4;

// One settings file of the start-up: its text, and its value converted and checked, any
// failure naming the file.
class SettingFile {
 public:
  SettingFile(const std::string& folder, const char* name)
      : path_(folder + "sauvegarde/" + name + ".rtf"), text_(LoadSetting(path_, kSettingWidth)) {}

  template <class T>
  T Convert(const std::function<T(const std::string&)>& convert) const {
    try {
      return convert(text_);
    } catch (const VantorError& e) {
      throw VantorError(WithFileLine(e.what(), path_));
    }
  }
  long double Decimal(const SettingRange& accepted) const {
    const long double v = Convert<long double>(StrToFloat);
    if (!accepted.Contains(v)) throw VantorError(OutOfRangeMessage(text_, accepted.Text(), path_));
    return v;
  }
  std::int32_t Address() const {
    const std::int32_t v = Convert<std::int32_t>(StrToInt);
    if (v < 0)
      throw VantorError(
          OutOfRangeMessage(text_, "une adresse positive ou nulle, par exemple $330", path_));
    return v;
  }
  std::int32_t GainRange() const {
    const std::int32_t v = Convert<std::int32_t>(GainRangeFromText);
    if (!IsGainRange(v)) throw VantorError(OutOfRangeMessage(text_, kGainRangesText, path_));
    return v;
  }

 private:
  std::string path_;
  std::string text_;
};

}  // namespace

std::int32_t GainRangeFromText(const std::string& text) {
  const std::int64_t value = RoundHalfEven(StrToFloat(text));
  if (value > std::numeric_limits<std::int32_t>::max() ||
      value < std::numeric_limits<std::int32_t>::min())
    throw VantorError("Opération en virgule flottante incorrecte");
  return static_cast<std::int32_t>(value);
}

void RunStartUp(RegulationState& s, StartUpObserver& observer, const std::string& folder,
                StartupFields& out) {
  // Temporary files of saves that a killed program never finished.
  RemoveStaleTemporaries(folder + "sauvegarde");
  // 1. "." as the decimal separator of everything read and written.
  std::setlocale(LC_NUMERIC, "C");
  // 2-3. The card's addresses.
  out.ADR1 = SettingFile(folder, "adr1").Address();
  out.ADR2 = SettingFile(folder, "adr2").Address();
  // 4-7. The card, its unipolar range and both outputs at rest.
  AcquisitionCard& card = observer.OpenCard(out.ADR1, out.ADR2);
  card.Initialise();
  card.PutOutputsAtRest();
  observer.StepDone(StartUpStep::CardAtRest);
  // 9-11.
  s.SetpointKind.clear();
  s.StopRequested = 1;
  s.SamplePeriodMs = 50;
  s.Kp = 0;
  s.Ki = 0;
  s.Kd = 0;
  out.Gains = GainFields{"0", "0", "0"};
  s.StepLow = 0;
  observer.StepDone(StartUpStep::GainsCleared);
  // 12-17. The setpoint and order limits.
  s.finalech = SettingFile(folder, "finalech").Decimal(kStepLimitRange);
  observer.StepDone(StartUpStep::StepLimit);
  s.valmoymini = SettingFile(folder, "valmoymini").Decimal(kSmallestMeanRange);
  s.valmoymaxi = SettingFile(folder, "valmoymaxi").Decimal(kLargestMeanRange);
  out.Setpoint.Edit6 = FormatShort(s.valmoymini);
  observer.StepDone(StartUpStep::MeanLimits);
  s.amplimaxi = SettingFile(folder, "amplimaxi").Decimal(kLargestAmplitudeRange);
  out.Setpoint.Edit7 = "0.1";
  observer.StepDone(StartUpStep::AmplitudeLimit);
  s.ordremaxi = SettingFile(folder, "ordremaxi").Decimal(kOrderLimitRange);
  s.ordremini = SettingFile(folder, "ordremini").Decimal(kOrderLimitRange);
  observer.StepDone(StartUpStep::OrderLimits);
  // 18.
  s.SetpointCaption = "Consigne:? ";
  observer.StepDone(StartUpStep::SetpointPanels);
  // 19-20.
  s.SetpointFrequency = 0.01L;
  s.SetpointPeriod = 1 / s.SetpointFrequency;
  s.LoopMode = "fermee";
  observer.StepDone(StartUpStep::LoopClosed);
  // 21-23. The gain ranges.
  s.kpmax = SettingFile(folder, "kpmax").GainRange();
  observer.StepDone(StartUpStep::KpRange);
  s.kdmax = SettingFile(folder, "kdmax").GainRange();
  observer.StepDone(StartUpStep::KdRange);
  s.kimax = SettingFile(folder, "kimax").GainRange();
  observer.StepDone(StartUpStep::KiRange);
}

}  // namespace vantor
