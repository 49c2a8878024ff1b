// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The relay's limit cycle as it shows so far: upward zero crossings of the error, the
// periods between them and the feedback's swing over each. The relay law reads it while
// the test runs, to end the test once the oscillation is steady; the relay analysis reads
// the recorded run with it afterwards, so both agree. Qt-free.
#include <vector>

namespace vantor {

// The test stops once this many consecutive periods agree within kRelayPeriodTolerance.
constexpr int kRelaySteadyPeriods = 4;
constexpr double kRelayPeriodTolerance = 0.05;
// The test's limit, in seconds of run.
constexpr double kRelayLimitSeconds = 60.0;

// Zero crossings and periods of an error signal fed one entry at a time.
class RelayOscillation {
 public:
  // `hysteresis` is the relay's ε: a crossing counts only once the error has gone below
  // a band under zero since the last one, so that the noise around zero does not count.
  RelayOscillation(double hysteresis, double sampleSeconds);
  // Entry k of the run (k from 1), its error and feedback in volts.
  void Add(int k, double error, double feedback);

  // Times of the upward zero crossings (s), interpolated between entries.
  const std::vector<double>& Crossings() const { return crossings_; }
  // Half the feedback's peak-to-peak between consecutive crossings (V), one per period.
  const std::vector<double>& HalfSwings() const { return halfSwings_; }
  int WholePeriods() const { return static_cast<int>(halfSwings_.size()); }
  // The index of the first of the last kRelaySteadyPeriods periods when they agree, else -1.
  int SteadyFrom() const;
  bool Steady() const { return SteadyFrom() >= 0; }

 private:
  double band_, h_;
  bool armed_ = false;
  bool havePrevious_ = false;
  double previousError_ = 0, previousTime_ = 0;
  double high_ = 0, low_ = 0;
  std::vector<double> crossings_, halfSwings_;
};

}  // namespace vantor
