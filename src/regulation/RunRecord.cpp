// SPDX-License-Identifier: GPL-3.0-or-later
// The run record: seven series of 2001 entries in hundredths of a volt, and the points
// drawn from it after a run.
#include <cmath>
#include <limits>

#include "regulation/Regulation.h"

namespace vantor {

namespace {
constexpr std::size_t Index(int series, int k) {
  return static_cast<std::size_t>(series * kRecordEntries + k);
}
}  // namespace

std::int32_t ToHundredths(long double volts) {
  const long double scaled = volts * 100;
  // An integral order grows without bound while the order is held at a limit; a value
  // beyond the 32-bit range is stored at the range's end instead of wrapping round to
  // the opposite sign.
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  if (std::isnan(scaled)) return 0;
  if (scaled >= static_cast<long double>(kMax)) return kMax;
  if (scaled <= static_cast<long double>(kMin)) return kMin;
  // lrint rounds halves to even in the default rounding mode, which the program never
  // changes, in one x87 store: no save and restore of the floating-point environment
  // or control word, which would cost most of a cycle's arithmetic.
  return static_cast<std::int32_t>(std::lrint(scaled));
}

void ClearRecord(RegulationState& s) {
  for (int series = 0; series < kRecordSeries; ++series)
    for (int k = 1; k <= kRecordLastEntry + 1; ++k) s.RunRecord[Index(series, k)] = 0;
  s.FeedbackLimits.fill(SensorLimit::None);
}

void RecordSample(RegulationState& s) {
  s.RecordPos = s.RecordPos + 1;
  if (s.RecordPos == kRecordLastEntry + 1) s.RecordPos = kRecordLastEntry;
  const int k = s.RecordPos;
  s.RunRecord[Index(kSeriesSetpoint, k)] = ToHundredths(s.Setpoint);
  s.RunRecord[Index(kSeriesFeedback, k)] = ToHundredths(s.Feedback);
  s.RunRecord[Index(kSeriesError, k)] = ToHundredths(s.Error);
  s.RunRecord[Index(kSeriesDTermRaw, k)] = ToHundredths(s.DTermRaw);
  s.RunRecord[Index(kSeriesPTerm, k)] = ToHundredths(s.PTerm);
  s.RunRecord[Index(kSeriesITerm, k)] = ToHundredths(s.ITerm);
  s.RunRecord[Index(kSeriesOrder, k)] = ToHundredths(s.Order);
  s.FeedbackLimits[static_cast<std::size_t>(k)] = s.FeedbackLimit;
}

}  // namespace vantor
