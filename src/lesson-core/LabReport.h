// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a lab report says, section by section, before it is laid out on paper: the header
// (students, title, date, bench, program version, card or simulated process), one section
// per run (its description, its step measures, the results of the identification and
// frequency-response tools when they were used on it), the table comparing the runs'
// measures, and an optional block of plain lines (an exercise's answer and verdict).
// Qt-free.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "regulation/Trial.h"

namespace vantor {

struct LabReportHeader {
  std::string Students;  // as typed: "Dupont, Martin"
  std::string Title;
  std::string Date;     // "AAAA-MM-JJ"
  std::string Host;     // the bench's host name
  std::string Version;  // the program's version
  std::string Card;     // the card, or the simulated process
};

// A run of the report, with the tools used on it (kToolIdentification, kToolFrequency).
struct ReportedRun {
  const Trial* Run = nullptr;
  std::string Time;  // "HH:MM:SS" of its journal entry
  std::vector<std::string> Tools;
};

struct LabReportSection {
  std::string Heading;                  // "Essai 1 (10:12:31)"
  std::vector<std::string> Captions;    // the trace's printed caption line
  std::vector<std::string> Description;  // "Procédé : ...", "Consigne : ...", ...
  std::vector<std::pair<std::string, std::string>> Measures;  // label, value
  std::vector<std::string> ToolResults;  // "Identification : ..." lines
};

struct LabReport {
  std::string Title;
  std::vector<std::string> HeaderLines;
  std::vector<LabReportSection> Sections;
  // The comparison: one row per run, the columns of ComparisonColumns.
  std::vector<std::string> ComparisonColumns;
  std::vector<std::vector<std::string>> ComparisonRows;
  // Plain lines added after the comparison (empty: no such section), under ExerciseTitle.
  std::string ExerciseTitle;
  std::vector<std::string> Exercise;
};

// The report of `runs`, in their order. A run without measure says why in its section.
LabReport BuildLabReport(const LabReportHeader& header, const std::vector<ReportedRun>& runs);

// The report's file name: "rapport-AAAA-MM-JJ-<noms>.pdf", the names reduced to lower-case
// ASCII letters, digits and '-' ("rapport-2025-03-14-dupont-martin.pdf"), the names cut
// where the name would be too long for a file system (AcceptableFileName).
std::string ProposedReportName(const std::string& date, const std::string& students);

}  // namespace vantor
