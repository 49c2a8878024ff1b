// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run as the student keeps it: the run record with what it was run with (setpoint
// caption and parameters, gains, loop mode, process, limits of the order, date). Runs
// are kept in memory after each "Début", saved to and reopened from run files, measured
// and compared. Qt-free.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "regulation/Regulation.h"

namespace vantor {

struct Trial {
  // The seven series of the run record, series after series, hundredths of a volt.
  std::array<std::int32_t, kRecordSeries * kRecordEntries> Record{};
  // Entries 1..LastEntry hold the run (RecordPos when it ended).
  std::int32_t LastEntry = 0;
  std::int32_t SamplePeriodMs = 50;
  // Entries whose feedback reading stood at a limit of the sensor.
  std::array<SensorLimit, kRecordEntries> FeedbackLimits{};

  std::string SetpointCaption;  // as the main window showed it ("Consigne: Echelon")
  std::string SetpointKind;     // "echelon", "sin", ...; empty when unknown
  long double StepLevel = 0, Mean = 0, Amplitude = 0, SetpointFrequency = 0;
  long double Kp = 0, Kd = 0, Ki = 0;
  std::string LoopMode;  // the regulation state's word: "Ouv" is the open loop
  std::string Process;   // the simulated process's name; empty on the real card
  std::string Profile;  // the simulated process's profile ("idéal", "réaliste"); empty on the card
  std::string Load;     // the simulated load disturbance ("1 V à 5 s"); empty on the card
  std::string Date;     // local time of the run's end, "AAAA-MM-JJ HH:MM:SS"
  // The law's caption when the run was not made with the main window's corrector (relay,
  // industrial PID); empty otherwise.
  std::string Corrector;
  // Limits of the order in force during the run; unknown for a file that does not say.
  std::optional<long double> ordremaxi, ordremini;

  // Set when kept: the run's number since the program started, and the file it was read
  // from (empty for a run made here).
  int Number = 0;
  std::string SourceFile;

  std::int32_t At(int series, int k) const {
    return Record[static_cast<std::size_t>(series * kRecordEntries + k)];
  }
  bool IsOpenLoop() const { return LoopMode == "Ouv"; }
};

// What stood behind the card during a run, kept with it: the simulated process's name,
// profile ("idéal", "réaliste") and the load it met ("1 V à 5 s"); all empty on a real
// card.
struct RunProcess {
  std::string Name, Profile, Load;
};

// The run that just ended in `s`, as the loop knows it (the setpoint's caption is the
// state's), with what stood behind the card; dated now.
Trial TrialFromState(const RegulationState& s, const RunProcess& process);

// Points of the main chart for a run: Series1 (setpoint) and Series2 (feedback) from
// entries 0..1900, x accumulated from 0 by SamplePeriodMs / 1000 after each point; Series3
// is a horizontal line at Mean over the same x unless the kind is "echelon".
void BuildRecordPlot(const Trial& run, RecordPlot& out);

// Local time now as "AAAA-MM-JJ HH:MM:SS".
std::string CurrentDateText();

// The corrector a run was made with, as a student names it: the law's caption when it was
// not the main window's PID, "boucle ouverte", else the terms in use ("P", "PI", "PD",
// "PID") from the gains that are not zero.
std::string CorrectorStructureText(const Trial& t);

}  // namespace vantor
