// SPDX-License-Identifier: GPL-3.0-or-later
// The lab report's content: its sections and its comparison table.
#include "lesson-core/LabReport.h"

#include <cstdio>

#include "common/Numbers.h"
#include "common/OutputFile.h"
#include "lesson-core/FrequencyResponse.h"
#include "lesson-core/Identification.h"
#include "lesson-core/Journal.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/PrintCaption.h"

namespace vantor {

namespace {

std::string Fixed(double v, int decimals = 2) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

// The six measures, "-" where there is none, in the journal's order.
std::array<std::string, 6> MeasureValues(const StepMeasures& m) {
  const std::string lines = StepMeasureLines(m);
  std::array<std::string, 6> values;
  std::size_t start = 0;
  for (std::string& v : values) {
    const std::size_t eq = lines.find('=', start), end = lines.find('\n', start);
    v = lines.substr(eq + 1, end - eq - 1);
    start = end + 1;
  }
  return values;
}

std::vector<std::string> IdentificationResults(const Trial& run) {
  const Identification id = Identify(run);
  if (!id.Identified) return {"Identification : impossible, " + id.Reason + "."};
  if (id.Type == ProcessType::Integrating)
    return {"Identification (procédé intégrateur) : k = " + Fixed(id.RampSlope, 3) +
            " 1/s, retard = " + Fixed(id.RampDelay) + " s."};
  return {"Identification (procédé stable) : K = " + Fixed(id.K, 3) + ".",
          "  Tangente : Tu = " + Fixed(id.TangentTu) + " s, Ta = " + Fixed(id.TangentTa) + " s.",
          "  Strejc : n = " + std::to_string(id.StrejcOrder) + ", T = " + Fixed(id.StrejcT) +
              " s, retard = " + Fixed(id.StrejcDelay) + " s.",
          "  Broïda : T = " + Fixed(id.BroidaT) + " s, retard = " + Fixed(id.BroidaDelay) + " s.",
          "  Moindres carrés : K = " + Fixed(id.LeastSquaresK, 3) + ", T = " +
              Fixed(id.LeastSquaresT) + " s, retard = " + Fixed(id.LeastSquaresDelay) + " s."};
}

std::vector<std::string> FrequencyResults(const Trial& run) {
  const FrequencyPoint p = AnalyseFrequencyResponse(run);
  if (!p.Measured) return {"Réponse en fréquence : pas de point, " + p.Reason + "."};
  return {"Réponse en fréquence" + std::string(p.OpenLoop ? " (boucle ouverte)" : "") +
          " : f = " + Fixed(p.Frequency, 4) + " Hz, gain = " + Fixed(p.Gain, 4) + " (" +
          Fixed(p.GainDb) + " dB), phase = " + Fixed(p.Phase, 1) + "°, sur " +
          std::to_string(p.Periods) + " périodes."};
}

}  // namespace

LabReport BuildLabReport(const LabReportHeader& header, const std::vector<ReportedRun>& runs) {
  LabReport r;
  r.Title = header.Title.empty() ? "Compte rendu de TP de régulation" : header.Title;
  r.HeaderLines = {"Élèves : " + header.Students, "Date : " + header.Date, "Poste : " + header.Host,
                   "Programme : Régulateur Vantor " + header.Version, "Carte : " + header.Card};
  r.ComparisonColumns = {"Essai", "Consigne", "Kp", "Kd", "Ki", "Correcteur"};
  for (const char* title : kJournalMeasureTitles) r.ComparisonColumns.push_back(title);
  r.ExerciseTitle = "Exercice";

  int number = 0;
  for (const ReportedRun& reported : runs) {
    const Trial& t = *reported.Run;
    ++number;
    LabReportSection s;
    s.Heading = "Essai " + std::to_string(number) +
                (reported.Time.empty() ? "" : " (" + reported.Time + ")");
    s.Captions = {BuildPrintCaption(t)};
    s.Description = {
        "Procédé : " + (t.Process.empty() ? std::string("carte d'acquisition") : t.Process),
        "Profil : " + (t.Profile.empty() ? std::string("-") : t.Profile),
        "Charge : " + (t.Load.empty() ? std::string("-") : t.Load),
        "Consigne : " + SetpointText(t),
        "Gains : Kp = " + FormatShort(t.Kp) + ", Kd = " + FormatShort(t.Kd) +
            ", Ki = " + FormatShort(t.Ki),
        "Correcteur : " + CorrectorStructureText(t)};
    const StepMeasures m = MeasureStep(t);
    const std::array<std::string, 6> values = MeasureValues(m);
    if (!m.Measured)
      s.Measures.emplace_back("Mesures de l'échelon", "aucune : " + m.Reason);
    else
      for (std::size_t i = 0; i < values.size(); ++i)
        s.Measures.emplace_back(kJournalMeasureTitles[i], values[i]);
    // As the measures window says it, for any run.
    const std::string limits = SensorLimitSentence(MeasureSensorLimits(t));
    if (!limits.empty()) s.Measures.emplace_back("Capteur", limits);
    for (const std::string& tool : reported.Tools) {
      const auto lines = tool == kToolIdentification ? IdentificationResults(t)
                         : tool == kToolFrequency    ? FrequencyResults(t)
                                                     : std::vector<std::string>{};
      s.ToolResults.insert(s.ToolResults.end(), lines.begin(), lines.end());
    }
    r.Sections.push_back(std::move(s));

    std::vector<std::string> row = {std::to_string(number), SetpointText(t),
                                    FormatShort(t.Kp),      FormatShort(t.Kd),
                                    FormatShort(t.Ki),      CorrectorStructureText(t)};
    row.insert(row.end(), values.begin(), values.end());
    r.ComparisonRows.push_back(std::move(row));
  }
  return r;
}

std::string ProposedReportName(const std::string& date, const std::string& students) {
  std::string names;
  bool dash = false;
  for (std::size_t i = 0; i < students.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(students[i]);
    char out = 0;
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      out = static_cast<char>(c);
    else if (c >= 'A' && c <= 'Z')
      out = static_cast<char>(c - 'A' + 'a');
    else if (c == 0xC3 && i + 1 < students.size()) {
      // The accented letters of French names, written without their accent.
      static const std::string from =
          "\xA0\xA2\xA4\xA7\xA8\xA9\xAA\xAB\xAE\xAF\xB4\xB6\xB9\xBB\xBC"
          "\x80\x82\x87\x88\x89\x8A\x8B\x8E\x8F\x94\x99\x9B\x9C";
      static const std::string to = "aaaceeeeiiooouuAACEEEEIIOUUU";
      const std::size_t at = from.find(students[i + 1]);
      if (at != std::string::npos) {
        out = to[at];
        if (out >= 'A' && out <= 'Z') out = static_cast<char>(out - 'A' + 'a');
        ++i;
      }
    }
    if (out) {
      if (dash && !names.empty()) names += '-';
      names += out;
      dash = false;
    } else {
      dash = true;
    }
  }
  // Many names would make it longer than a file system accepts.
  return AcceptableFileName("rapport-" + date + (names.empty() ? "" : "-" + names) + ".pdf");
}

}  // namespace vantor
