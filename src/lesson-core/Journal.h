// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal of the sessions: every run that ends, and every run opened from a file, is
// kept as a run file under <documents>/Régulateur Vantor/essais/AAAA-MM-JJ/, named
//
//   HH-MM-SS-NNNN_<setpoint kind>_Kp<kp>_Kd<kd>_Ki<ki>.csv
//
// (NNNN counts the entries of the same second from 0001; entries written before had two
// digits, and are still read and listed in their place), so that names never collide and
// sort by time. A day's folder that is a symbolic link is neither listed nor written. Besides the run's own keys, an entry keeps its step measures (the keys of
// StepMeasureLines) and the tools used on it ("outils=identification,frequence"), so
// that a day is listed from the first lines of its files alone. Qt-free.
#include <array>
#include <string>
#include <vector>

#include "regulation/Trial.h"

namespace vantor {

// The journal's folder in the documents folder `documents`.
std::string JournalFolder(const std::string& documents);

// The tools whose results a report shows for an entry.
inline constexpr const char* kToolIdentification = "identification";
inline constexpr const char* kToolFrequency = "frequence";

// Writes `t` as a new entry of the journal at `root`, in the folder of the day of `now`
// ("AAAA-MM-JJ HH:MM:SS"), creating the folders it needs. Returns the entry's path.
// Throws VantorError naming the folder or the file that could not be written; no entry
// is then left.
std::string WriteJournalEntry(const std::string& root, const Trial& t, const std::string& now,
                              const std::vector<std::string>& tools = {});

// Adds `tool` to the tools recorded in the entry at `path` (rewritten in place, its run
// unchanged). Throws VantorError when it cannot be read or written.
void AddJournalTool(const std::string& path, const std::string& tool);

// The days of the journal at `root` ("AAAA-MM-JJ"), newest first; none when it does not
// exist.
std::vector<std::string> JournalDays(const std::string& root);

// Names of the six step measures as the journal's columns show them.
inline constexpr std::array<const char*, 6> kJournalMeasureTitles = {
    "Montée (s)", "Dépassement (%)", "Pic (s)", "Réponse 5 % (s)", "Erreur statique (V)",
    "Saturation (%)"};

// One entry as a row of the journal's table.
struct JournalRow {
  std::string Path;
  std::string Time;  // "HH:MM:SS"
  std::string Process, Profile, Load, Setpoint;
  std::string Kp, Kd, Ki;
  std::string Structure;  // the run's name (RunName) when its gains took no part
  std::array<std::string, 6> Measures;  // two decimals, "-" when there is none
  std::vector<std::string> Tools;
};

// The entries of `day` in the journal at `root`, in time order. A file of the folder that
// is not a journal entry or cannot be read is left out.
std::vector<JournalRow> ListJournalDay(const std::string& root, const std::string& day);

// The setpoint of a run with its parameters: "échelon 6 V", "sinus 2 V ± 0.1 V à 0.01 Hz"
// (the frequency to three significant digits: "0.0376 Hz").
std::string SetpointText(const Trial& t);

// True when the gains took no part in the run: the open loop, a relay test, on-off
// control.
bool GainsUnused(const Trial& t);

// A run as a person names it: "boucle ouverte, échelon 5 V", "relais d=2 V",
// "tout ou rien d=10 V", else its gains "Kp 4, Kd 0, Ki 0.5".
std::string RunName(const Trial& t);

// The tools recorded in the entry's keys (the value of "outils").
std::vector<std::string> SplitTools(const std::string& value);

}  // namespace vantor
