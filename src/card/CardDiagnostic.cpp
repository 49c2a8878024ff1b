// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/CardDiagnostic.h"

#include <cmath>
#include <cstdio>
#include <exception>

namespace vantor {

namespace {

constexpr std::uint16_t kLevels[] = {0, 1024, 2048, 3071, kFullScaleCount};
constexpr int kSettlePeriods = 4;
constexpr int kReadings = 8;

// One period with the order at rest and output 1 held: the USB board needs an order
// every period, the ISA card its counter reprogrammed.
std::int32_t Period(AcquisitionCard& card, int periodMs, std::uint16_t output1) {
  card.StartPeriod(periodMs);
  const std::int32_t counts = card.ConvertInput(0);
  card.WriteOrder(kOrderRestCount);
  card.WriteOutput1(output1);
  card.WaitPeriodEnd();
  return counts;
}

}  // namespace

bool CardDiagnostic::WithinTolerance() const {
  if (Levels.empty()) return false;
  for (const DiagnosticLevel& l : Levels)
    if (!(std::fabs(l.ErrorVolts()) <= kToleranceVolts)) return false;
  return true;
}

std::string CardDiagnostic::Verdict() const {
  if (WithinTolerance())
    return "La carte est dans la tolérance : chaque tension relue sur l'entrée 0 est à moins "
           "de 1 % (0,10 V) de celle de la sortie 1.";
  bool allLow = !Levels.empty();
  for (const DiagnosticLevel& l : Levels) allLow = allLow && l.Input0Volts < 0.2;
  if (allLow)
    return "L'entrée 0 ne relit rien : vérifiez le fil de bouclage entre la sortie 1 et "
           "l'entrée 0, et la masse commune.";
  return "La carte est hors tolérance (écart de plus de 1 %, 0,10 V) : vérifiez le fil de "
         "bouclage, les résistances des diviseurs et de l'étage de la sortie 1, et la "
         "référence de tension du convertisseur.";
}

CardDiagnostic RunLoopbackDiagnostic(AcquisitionCard& card, int periodMs) {
  CardDiagnostic d;
  std::exception_ptr failure;
  try {
    // A card that failed is re-armed first, as before a run.
    if (card.Failed()) card.Reset();
    for (std::uint16_t level : kLevels) {
      for (int i = 0; i < kSettlePeriods; ++i) Period(card, periodMs, level);
      long sum = 0;
      for (int i = 0; i < kReadings; ++i) sum += Period(card, periodMs, level);
      DiagnosticLevel l;
      l.Output1Volts = Output1CountToVolts(level);
      l.Input0Volts =
          static_cast<double>(InputCountsToVolts(static_cast<std::int32_t>(sum))) / kReadings;
      d.Levels.push_back(l);
    }
  } catch (const std::exception& e) {
    card.MarkFailed(e.what());
    failure = std::current_exception();
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    card.PutOutputsAtRest();
    card.EndPeriods();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  if (failure) std::rethrow_exception(failure);
  return d;
}

}  // namespace vantor
