// SPDX-License-Identifier: GPL-3.0-or-later
// The sampled regulation loop. It runs inside the "Début" click handler and gives the
// window system one turn per cycle, which is how "Fin" (StopRequested := 1) reaches it.
// The period comes from the card (on the ISA card, counter 1 reprogrammed at the top of
// each cycle and read on digital input line 7): the loop never paces itself.
#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <optional>

#include "common/VantorError.h"
#include "regulation/CorrectorLaw.h"
#include "regulation/RealTimeScheduling.h"
#include "regulation/Regulation.h"

namespace vantor {

namespace {

// Reads, bounds and writes back the setpoint fields. Corrections made before a failure
// are written back too, so the fields show the values the next start will use.
void ReadAndShowSetpointFields(RegulationState& s, LoopHost& host) {
  SetpointFields fields = host.GetSetpointFields();
  try {
    ReadSetpointFields(s, fields);
  } catch (...) {
    host.SetSetpointFields(fields);
    throw;
  }
  host.SetSetpointFields(fields);
}

// The record's entry a cycle is about to write, kept so that a cycle whose order the card
// did not apply can be taken back out of the record.
struct EntryBefore {
  std::int32_t RecordPos = 0;
  std::array<std::int32_t, kRecordSeries> Values{};
  SensorLimit Limit = SensorLimit::None;
};

int EntryWritten(std::int32_t recordPos) {
  return std::min<std::int32_t>(recordPos + 1, kRecordLastEntry);
}

EntryBefore KeepEntry(const RegulationState& s) {
  EntryBefore e;
  e.RecordPos = s.RecordPos;
  const int k = EntryWritten(s.RecordPos);
  for (int series = 0; series < kRecordSeries; ++series) e.Values[series] = s.RecordAt(series, k);
  e.Limit = s.FeedbackLimits[static_cast<std::size_t>(k)];
  return e;
}

void TakeBack(RegulationState& s, const EntryBefore& e) {
  const int k = EntryWritten(e.RecordPos);
  for (int series = 0; series < kRecordSeries; ++series)
    s.RunRecord[static_cast<std::size_t>(series * kRecordEntries + k)] = e.Values[series];
  s.FeedbackLimits[static_cast<std::size_t>(k)] = e.Limit;
  s.RecordPos = e.RecordPos;
}

void RunCycles(RegulationState& s, AcquisitionCard& card, LoopHost& host, CorrectorLaw& law,
               const RunEvents& events) {
  // The order on the card's outputs, as recorded: at rest when the run starts.
  std::int32_t applied = 0;
  for (;;) {
    card.StartPeriod(s.SamplePeriodMs);
    s.Setpoint = NextSetpoint(s, card);
    const std::int32_t counts = card.ConvertInput(1);
    ConditionFeedback(s, counts);
    ComputeOrder(s, s.Setpoint, law);
    card.WriteOrder(OrderToCount(s.Order));
    const EntryBefore before = KeepEntry(s);
    RecordSample(s);
    host.SetGauges(s.RecordAt(kSeriesSetpoint, s.RecordPos),
                   s.RecordAt(kSeriesFeedback, s.RecordPos));
    events.CycleRecorded(s);
    bool lateOnCard = false;
    try {
      lateOnCard = card.WaitPeriodEnd();
    } catch (const CardAlarm&) {
      // The card says this cycle's order never reached its outputs: the run ends with
      // the cycle before.
      TakeBack(s, before);
      throw;
    }
    // An order that came too late to be applied is not recorded as the period's: the
    // card held the previous one.
    std::int32_t& order =
        s.RunRecord[static_cast<std::size_t>(kSeriesOrder * kRecordEntries + s.RecordPos)];
    if (card.OrderApplied())
      applied = order;
    else
      order = applied;
    s.Pacing.CycleEnded(host.Seconds(), s.RecordPos, lateOnCard);
    host.ProcessMessagesOnce();
    if (law.RunComplete()) s.StopRequested = 1;
    if (s.StopRequested == 1) return;
  }
}

// A card that failed in an earlier run (a bounded wait reached, an alarm, the line lost)
// is re-armed before this run's first cycle. When it still fails, no run: the outputs at
// rest as far as the card lets them be, and the reason.
void ResetFailedCard(AcquisitionCard& card) {
  if (!card.Failed()) return;
  try {
    card.Reset();
  } catch (const std::exception& e) {
    try {
      card.PutOutputsAtRest();
    } catch (...) {
      // The card does not answer: the reason below is the reset's.
    }
    throw VantorError(
        "La régulation ne peut pas démarrer : la carte, en panne depuis l'essai précédent, n'a "
        "pas pu être remise en service. " +
        std::string(e.what()));
  }
}

// What failed on the card during a run stays the card's failure until its reset.
void KeepCardFailure(AcquisitionCard& card, const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const VantorError& e) {
    card.MarkFailed(e.what());
  } catch (...) {
    // Not the card's: the program's own error, reported as it is.
  }
}

}  // namespace

double LoopHost::Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void RunRegulation(RegulationState& s, AcquisitionCard& card, LoopHost& host) {
  const RunEvents none;
  RunRegulation(s, card, host, none);
}

void RunRegulation(RegulationState& s, AcquisitionCard& card, LoopHost& host,
                   const RunEvents& events) {
  static const std::string running = kRunningText;
  static const std::string stopped = kStoppedText;

  if (s.SetpointKind.empty()) {
    host.BeepAndMessage(kNoSetpointText);
    host.SetRunControlsEnabled(true);
    host.PlotRecord();
    return;
  }
  // SamplePeriodMs is set by the start-up just after the card's initialisation: when it
  // is still 0 the start-up stopped early and the card's ports are not known.
  if (s.SamplePeriodMs <= 0)
    throw VantorError(
        "La régulation ne peut pas démarrer : l'initialisation du programme n'a pas abouti "
        "(voir le message affiché au démarrage). Corrigez la cause puis relancez le programme");

  // The fields are read before anything is disabled or cleared: a field that does not
  // convert, or a frequency of 0, leaves the window usable and the last run intact.
  if (s.SetpointKind != "externe") ReadAndShowSetpointFields(s, host);
  ResetFailedCard(card);

  host.SetRunControlsEnabled(false);
  ClearRecord(s);
  events.Started(s);
  host.SetStatusText(running);
  ResetCorrector(s);
  s.RecordPos = 0;
  s.StopRequested = 0;
  s.GeneratorCounter = 0;
  CorrectorLaw& law = LawOfRun(s);
  law.BeginRun(s);

  std::exception_ptr failure;
  try {
    std::optional<RealTimeScheduling> realTime;
    if (host.RealTimeWanted()) realTime.emplace();
    s.Pacing.Start(host.Seconds());
    RunCycles(s, card, host, law, events);
  } catch (...) {
    failure = std::current_exception();
  }

  // Ending, whether by "Fin" or by a card that stopped answering.
  s.StopRequested = 1;
  s.Order = 0;
  try {
    card.WriteOrder(kOrderRestCount);
    card.EndPeriods();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  if (failure) KeepCardFailure(card, failure);
  host.SetStatusText(stopped);
  host.SetRunControlsEnabled(true);
  events.Ended(s);
  host.PlotRecord();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vantor
