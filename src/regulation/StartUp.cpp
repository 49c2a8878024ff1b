#include "StartUp.h"

#include <limits>

#include "Numbers.h"
#include "SettingsStore.h"
#include "VantorError.h"

namespace vantor {

namespace {

constexpr int kSettingWidth = 4;

std::string Read(const std::string& folder, const char* name) {
  return LoadSetting(folder + "sauvegarde/" + name + ".rtf", kSettingWidth);
}

long double ReadDecimal(const std::string& folder, const char* name) {
  return StrToFloat(Read(folder, name));
}

std::int32_t ReadRounded(const std::string& folder, const char* name) {
  return GainRangeFromText(Read(folder, name));
}

}  // namespace

std::int32_t GainRangeFromText(const std::string& text) {
  const std::int64_t value = RoundHalfEven(StrToFloat(text));
  if (value > std::numeric_limits<std::int32_t>::max() ||
      value < std::numeric_limits<std::int32_t>::min())
    throw VantorError("Opération en virgule flottante incorrecte");
  return static_cast<std::int32_t>(value);
}

void LoadStartupSettings(RegulationState& s, AD2var& card, const std::string& folder,
                         StartupFields& out) {
  out.ADR1 = StrToInt(Read(folder, "adr1"));
  out.ADR2 = StrToInt(Read(folder, "adr2"));
  card.CardInit(out.ADR1, out.ADR2);
  card.SelectRange('u');
  card.SetOutput2(2048);
  card.SetOutput1(0);
  s.SetpointKind.clear();
  s.StopRequested = 1;
  s.SamplePeriodMs = 50;
  s.Kp = 0;
  s.Ki = 0;
  s.Kd = 0;
  out.Gains = GainFields{"0", "0", "0"};
  s.StepLow = 0;
  s.finalech = ReadDecimal(folder, "finalech");
  s.valmoymini = ReadDecimal(folder, "valmoymini");
  s.valmoymaxi = ReadDecimal(folder, "valmoymaxi");
  out.Setpoint.Edit6 = FormatShort(s.valmoymini);
  s.amplimaxi = ReadDecimal(folder, "amplimaxi");
  out.Setpoint.Edit7 = "0.1";
  s.ordremaxi = ReadDecimal(folder, "ordremaxi");
  s.ordremini = ReadDecimal(folder, "ordremini");
  s.SetpointFrequency = 0.01L;
  s.SetpointPeriod = 1 / s.SetpointFrequency;
  s.LoopMode = "fermee";
  s.kpmax = ReadRounded(folder, "kpmax");
  s.kdmax = ReadRounded(folder, "kdmax");
  s.kimax = ReadRounded(folder, "kimax");
}

}  // namespace vantor
