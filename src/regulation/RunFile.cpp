// SPDX-License-Identifier: GPL-3.0-or-later
// Run files: writing and checked reading.
#include "regulation/RunFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "common/CardScale.h"
#include "common/Numbers.h"
#include "common/OutputFile.h"
#include "common/RegularFile.h"
#include "common/TextEncoding.h"
#include "common/VantorError.h"
#include "regulation/SettingRanges.h"

namespace vantor {

namespace {

// The largest gain the settings window allows, and the highest frequency a 50 ms loop can
// follow (half its sampling frequency).
constexpr long double kLargestGain = 64;
constexpr long double kLargestFrequency = 10;

std::string LoopWord(const Trial& t) {
  return t.IsOpenLoop() ? "ouverte" : "fermée";
}

// "Le fichier « essai.csv » n'est pas un essai enregistré : ligne 12, ..."
[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
  throw VantorError("Le fichier « " + path + " » n'est pas un essai enregistré : " + what);
}

[[noreturn]] void RefuseLine(const std::string& path, int line, const std::string& what) {
  Refuse(path, "ligne " + std::to_string(line) + ", " + what);
}

// A whole field as a 32-bit integer: optional '-', decimal digits.
bool ParseInt32(const std::string& field, std::int32_t& out) {
  if (field.empty()) return false;
  std::size_t i = field[0] == '-' ? 1 : 0;
  if (i == field.size()) return false;
  for (std::size_t j = i; j < field.size(); ++j)
    if (field[j] < '0' || field[j] > '9') return false;
  errno = 0;
  const long long v = std::strtoll(field.c_str(), nullptr, 10);
  if (errno != 0 || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max())
    return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

// The whole file, read without ever blocking: a named pipe or a folder chosen in place of a
// run file is refused at once.
std::string ReadWhole(const std::string& path) {
  std::string text;
  if (!ReadRegularFile(path, static_cast<std::size_t>(kRunFileMaxBytes), text))
    Refuse(path, "il fait plus de " + std::to_string(kRunFileMaxBytes / 1000) +
                     " ko, alors qu'un essai enregistré en fait environ 100");
  return text;
}

// A "# clé=valeur" line holds what a person would write in a caption: a value longer
// than this is no caption, and would make every window that shows it unusable.
constexpr std::size_t kMaxKeyValueBytes = 200;

// Text that a spreadsheet or an editor saved in another encoding: UTF-16 (a byte-order
// mark, or a NUL after each ASCII character) is named as such, any other NUL byte by its
// line. A UTF-8 byte-order mark is dropped: the rest is read as usual.
void CheckEncoding(const std::string& path, std::string& text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  const bool utf16Mark = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
  const std::size_t nul = text.find('\0');
  if (utf16Mark || (nul != std::string::npos && nul <= 1))
    Refuse(path,
           "fichier en UTF-16 : enregistrez-le en UTF-8 (texte CSV) avec le tableur, puis "
           "ouvrez-le à nouveau");
  if (nul != std::string::npos) {
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(nul), '\n');
    Refuse(path,
           "caractère nul à la ligne " + std::to_string(line) + " : ce n'est pas un fichier texte");
  }
}

// The keys of the entries whose feedback stood at a sensor limit, written as ranges of
// entries "12-40,100,130-131" over as many lines as their length needs.
constexpr const char* kFloorKey = "retour_seuil_bas";
constexpr const char* kFullScaleKey = "retour_pleine_echelle";

std::vector<std::string> LimitRanges(const Trial& t, SensorLimit limit) {
  std::vector<std::string> lines;
  std::string line;
  for (int k = 0; k < kRecordEntries; ++k) {
    if (t.FeedbackLimits[static_cast<std::size_t>(k)] != limit) continue;
    int end = k;
    while (end + 1 < kRecordEntries && t.FeedbackLimits[static_cast<std::size_t>(end + 1)] == limit)
      ++end;
    std::string range = std::to_string(k);
    if (end > k) range += "-" + std::to_string(end);
    if (!line.empty() && line.size() + 1 + range.size() > kMaxKeyValueBytes) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : ",") + range;
    k = end;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Adds the ranges of one line to the run being read.
void ApplyLimitRanges(Trial& t, SensorLimit limit, const std::string& key,
                      const std::string& value) {
  auto refuse = [&] {
    throw VantorError(key + "=" + value +
                      " : des numéros d'entrées de 0 à 2000 étaient attendus, seuls ou en "
                      "plages croissantes (12-40,100)");
  };
  std::size_t from = 0;
  while (from <= value.size()) {
    std::size_t comma = value.find(',', from);
    if (comma == std::string::npos) comma = value.size();
    const std::string item = value.substr(from, comma - from);
    const std::size_t dash = item.find('-');
    const std::string a = item.substr(0, dash);
    const std::string b = dash == std::string::npos ? a : item.substr(dash + 1);
    auto entry = [&refuse](const std::string& text) {
      if (text.empty() || text.size() > 4 ||
          text.find_first_not_of("0123456789") != std::string::npos)
        refuse();
      const int k = std::stoi(text);
      if (k >= kRecordEntries) refuse();
      return k;
    };
    const int first = entry(a), last = entry(b);
    if (last < first) refuse();
    for (int k = first; k <= last; ++k) t.FeedbackLimits[static_cast<std::size_t>(k)] = limit;
    from = comma + 1;
  }
}

// The value of a "# clé=valeur" line, applied to the run being read; false for a key that
// is not the run's own.
bool ApplyKey(Trial& t, const std::string& key, const std::string& value, bool& haveEntries) {
  if (value.size() > kMaxKeyValueBytes)
    throw VantorError(key + "= : valeur de " + std::to_string(value.size()) +
                      " caractères, alors qu'une ligne « # » en compte " +
                      std::to_string(kMaxKeyValueBytes) + " au plus");
  auto number = [&value] { return StrToFloat(value); };
  // A value the program could not have written is refused rather than computed with (a
  // gain of 1e300 gives infinite tuning proposals, a frequency of 1e300 a Bode point).
  auto within = [&](long double low, long double high, const std::string& expected) {
    const long double v = number();
    if (!(v >= low && v <= high)) throw VantorError(key + "=" + value + " : " + expected);
    return v;
  };
  auto gain = [&] { return within(0, kLargestGain, "un gain de 0 à 64 était attendu"); };
  auto volts = [&](long double low) {
    return within(low, kInputFullScaleVolts,
                  "une tension de " + FormatShort(low) + " à 10.24 V était attendue");
  };
  auto orderLimit = [&] {
    return within(kOrderLimitRange.low, kOrderLimitRange.high,
                  "une limite de l'ordre " + kOrderLimitRange.Text() + " V était attendue");
  };
  // The words of a run are shown (captions, the journal's table, printouts): nothing in
  // them may move the cursor, change colours or turn the text around.
  auto text = [&value] { return ShownText(value); };
  if (key == "consigne") {
    t.SetpointCaption = text();
  } else if (key == "kp") {
    t.Kp = gain();
  } else if (key == "kd") {
    t.Kd = gain();
  } else if (key == "ki") {
    t.Ki = gain();
  } else if (key == "boucle") {
    t.LoopMode = value == "ouverte" ? "Ouv" : value;
  } else if (key == "procede") {
    t.Process = text();
  } else if (key == "profil") {
    t.Profile = text();
  } else if (key == "charge") {
    t.Load = text();
  } else if (key == "date") {
    t.Date = text();
  } else if (key == "correcteur") {
    t.Corrector = text();
  } else if (key == "type_consigne") {
    t.SetpointKind = value;
  } else if (key == "amplitude_echelon") {
    t.StepLevel = volts(-kInputFullScaleVolts);
  } else if (key == "moyenne") {
    t.Mean = volts(-kInputFullScaleVolts);
  } else if (key == "amplitude") {
    t.Amplitude = volts(0);
  } else if (key == "frequence") {
    t.SetpointFrequency = within(0, kLargestFrequency, "une fréquence de 0 à 10 Hz était attendue");
  } else if (key == "ordremaxi") {
    t.ordremaxi = orderLimit();
  } else if (key == "ordremini") {
    t.ordremini = orderLimit();
  } else if (key == "entrees") {
    t.LastEntry = StrToInt(value);
    if (t.LastEntry < 0 || t.LastEntry > kRecordLastEntry)
      throw VantorError("entrees=" + value + " : le nombre d'entrées enregistrées va de 0 à " +
                        std::to_string(kRecordLastEntry));
    haveEntries = true;
  } else if (key == kFloorKey) {
    ApplyLimitRanges(t, SensorLimit::Floor, key, value);
  } else if (key == kFullScaleKey) {
    ApplyLimitRanges(t, SensorLimit::FullScale, key, value);
  } else if (key != "unite") {  // the unit is always the one written
    return false;
  }
  return true;
}

// The key and value of a "# clé=valeur" line; false for a comment line.
bool SplitKeyLine(const std::string& line, std::string& key, std::string& value) {
  const std::size_t from = line.find_first_not_of(' ', 1);
  const std::size_t eq = line.find('=');
  if (from == std::string::npos || eq == std::string::npos || eq < from) return false;
  key = line.substr(from, eq - from);
  value = line.substr(eq + 1);
  return true;
}

}  // namespace

void WriteRunFile(const std::string& path, const Trial& t,
                  const std::function<void()>& beforeCommit, const RunFileKeys& extraKeys) {
  WriteOutputFile(path, [&t, &beforeCommit, &extraKeys](std::FILE* f) {
    auto key = [f](const char* name, const std::string& value) {
      std::fprintf(f, "# %s=%s\n", name, value.c_str());
    };
    key("consigne", t.SetpointCaption);
    key("kp", FormatShort(t.Kp));
    key("kd", FormatShort(t.Kd));
    key("ki", FormatShort(t.Ki));
    key("boucle", LoopWord(t));
    key("procede", t.Process);
    if (!t.Profile.empty()) key("profil", t.Profile);
    if (!t.Load.empty()) key("charge", t.Load);
    key("date", t.Date);
    // Only a run made with another law than the main window's corrector says which.
    if (!t.Corrector.empty()) key("correcteur", t.Corrector);
    key("type_consigne", t.SetpointKind);
    key("amplitude_echelon", FormatShort(t.StepLevel));
    key("moyenne", FormatShort(t.Mean));
    key("amplitude", FormatShort(t.Amplitude));
    key("frequence", FormatShort(t.SetpointFrequency));
    if (t.ordremaxi) key("ordremaxi", FormatShort(*t.ordremaxi));
    if (t.ordremini) key("ordremini", FormatShort(*t.ordremini));
    key("entrees", std::to_string(t.LastEntry));
    for (const std::string& ranges : LimitRanges(t, SensorLimit::Floor)) key(kFloorKey, ranges);
    for (const std::string& ranges : LimitRanges(t, SensorLimit::FullScale))
      key(kFullScaleKey, ranges);
    // Says what the numbers below are; readers that do not know the key skip it.
    key("unite", "centièmes de volt (t en secondes)");
    for (const auto& [name, value] : extraKeys) key(name.c_str(), value);
    std::fputs(kRunFileHeader, f);
    std::fputc('\n', f);
    for (int k = 0; k < kRecordEntries; ++k) {
      const long ms = static_cast<long>(k) * t.SamplePeriodMs;
      std::fprintf(f, "%d,%ld.%02ld", k, ms / 1000, (ms % 1000) / 10);
      for (int series = 0; series < kRecordSeries; ++series)
        std::fprintf(f, ",%d", t.At(series, k));
      std::fputc('\n', f);
    }
    if (beforeCommit) beforeCommit();
  });
}

namespace {

// Hundredths as a French decimal: -5 -> "-0,05".
std::string FrenchHundredths(long hundredths) {
  const bool negative = hundredths < 0;
  const unsigned long magnitude = negative ? 0UL - static_cast<unsigned long>(hundredths)
                                           : static_cast<unsigned long>(hundredths);
  char text[32];
  std::snprintf(text, sizeof text, "%s%lu,%02lu", negative ? "-" : "", magnitude / 100,
                magnitude % 100);
  return text;
}

// A field holds no ';' and no line end.
std::string SpreadsheetField(std::string text) {
  for (char& c : text)
    if (c == ';' || c == '\r' || c == '\n') c = ',';
  return text;
}

}  // namespace

void WriteSpreadsheetFile(const std::string& path, const Trial& t) {
  WriteOutputFile(path, [&t](std::FILE* f) {
    std::fputs("\xEF\xBB\xBF", f);
    auto line = [f](const std::string& key, const std::string& value) {
      std::fprintf(f, "%s;%s\r\n", key.c_str(), SpreadsheetField(value).c_str());
    };
    auto decimal = [](long double v) {
      std::string text = FormatShort(v);
      for (char& c : text)
        if (c == '.') c = ',';
      return text;
    };
    line("Essai", std::to_string(t.Number));
    line("Date", t.Date);
    line("Consigne", t.SetpointCaption);
    line("Kp", decimal(t.Kp));
    line("Kd", decimal(t.Kd));
    line("Ki", decimal(t.Ki));
    line("Boucle", LoopWord(t));
    line("Correcteur", CorrectorStructureText(t));
    line("Procédé", t.Process.empty() ? "carte d'acquisition" : t.Process);
    if (!t.Load.empty()) line("Charge", t.Load);
    std::fputs(
        "\r\nt (s);consigne (V);retour (V);erreur (V);ordre dérivé (V);"
        "ordre proportionnel (V);ordre intégral (V);ordre total (V)\r\n",
        f);
    const int last = std::clamp(t.LastEntry, 0, kRecordEntries - 1);
    for (int k = 0; k <= last; ++k) {
      std::fputs(FrenchHundredths(static_cast<long>(k) * t.SamplePeriodMs / 10).c_str(), f);
      for (int series = 0; series < kRecordSeries; ++series)
        std::fprintf(f, ";%s", FrenchHundredths(t.At(series, k)).c_str());
      std::fputs("\r\n", f);
    }
  });
}

void ReadRunFile(const std::string& path, Trial& into) {
  ReadRunText(path, ReadWhole(path), into);
}

void ReadRunText(const std::string& path, std::string text, Trial& into, RunFileKeys* otherKeys) {
  if (text.size() > static_cast<std::size_t>(kRunFileMaxBytes))
    Refuse(path, "il fait plus de " + std::to_string(kRunFileMaxBytes / 1000) +
                     " ko, alors qu'un essai enregistré en fait environ 100");
  CheckEncoding(path, text);
  auto read = std::make_unique<Trial>();  // 56 kB: not on the stack
  Trial& t = *read;
  t.SourceFile = path;
  bool haveHeader = false, haveEntries = false;
  RunFileKeys others;
  int rows = 0, lineNo = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!haveHeader && !line.empty() && line[0] == '#') {
      std::string key, value;
      if (!SplitKeyLine(line, key, value)) continue;
      try {
        if (!ApplyKey(t, key, value, haveEntries) && otherKeys)
          others.emplace_back(std::move(key), std::move(value));
      } catch (const VantorError& e) {
        RefuseLine(path, lineNo, e.what());
      }
      continue;
    }
    if (!haveHeader) {
      if (line != kRunFileHeader)
        RefuseLine(
            path, lineNo,
            "« " + line.substr(0, 100) + " » au lieu de l'en-tête « " + kRunFileHeader + " »");
      haveHeader = true;
      continue;
    }
    if (line.empty() && start >= text.size()) break;  // a last, empty line
    if (rows == kRecordEntries)
      RefuseLine(path, lineNo,
                 "entrée en trop : un essai a 2001 entrées (k = 0 à 2000), pas davantage");
    const std::vector<std::string> fields = SplitFields(line);
    std::int32_t values[2 + kRecordSeries] = {};
    bool ok = fields.size() == 2 + kRecordSeries;
    for (std::size_t i = 0; ok && i < fields.size(); ++i)
      if (i != 1) ok = ParseInt32(fields[i], values[i]);
    long double seconds = 0;
    if (ok) {
      try {
        seconds = StrToFloat(fields[1]);
      } catch (const VantorError&) {
        ok = false;
      }
    }
    if (!ok)
      RefuseLine(path, lineNo,
                 "« " + line.substr(0, 100) +
                     " » ne se convertit pas (attendu : k, t, puis sept nombres entiers en "
                     "centièmes de volt, séparés par des virgules)");
    if (values[0] != rows)
      RefuseLine(path, lineNo,
                 "entrée k = " + fields[0] + " au lieu de k = " + std::to_string(rows));
    const long double expected = static_cast<long double>(rows) * t.SamplePeriodMs / 1000;
    if (std::fabs(seconds - expected) > 0.005L)
      RefuseLine(path, lineNo,
                 "temps " + fields[1] + " s au lieu de " + FormatFixed2(expected) +
                     " s (une entrée toutes les 50 ms)");
    for (int series = 0; series < kRecordSeries; ++series)
      t.Record[static_cast<std::size_t>(series * kRecordEntries + rows)] = values[2 + series];
    ++rows;
  }
  if (!haveHeader)
    Refuse(path, "le fichier s'arrête à la ligne " + std::to_string(lineNo) + " sans l'en-tête « " +
                     kRunFileHeader + " »");
  if (rows != kRecordEntries)
    Refuse(path, "le fichier s'arrête à la ligne " + std::to_string(lineNo) + " après " +
                     std::to_string(rows) + " entrées, alors qu'un essai en a 2001");
  if (!haveEntries) {
    // Older files do not say how far the run went: up to its last entry that is not 0.
    for (int k = kRecordLastEntry; k >= 1 && t.LastEntry == 0; --k)
      for (int series = 0; series < kRecordSeries; ++series)
        if (t.At(series, k) != 0) t.LastEntry = k;
  }
  into = std::move(t);
  if (otherKeys) *otherKeys = std::move(others);
}

void ReadRunHead(const std::string& path, Trial& into, RunFileKeys& otherKeys) {
  // The "#" lines of a run file take a few hundred bytes; 16 kB leaves room for what a
  // person may have added before the header.
  constexpr std::size_t kHeadBytes = 16'384;
  // A journal lists thousands of them: a page first, which holds the program's own.
  constexpr std::size_t kFirstBytes = 4096;
  std::string text;
  ReadRegularFilePrefix(path, kFirstBytes, text);
  if (text.size() == kFirstBytes && text.find(kRunFileHeader) == std::string::npos)
    ReadRegularFilePrefix(path, kHeadBytes, text);
  CheckEncoding(path, text);
  Trial& t = into;
  bool haveEntries = false;
  RunFileKeys others;
  int lineNo = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      Refuse(path, "pas d'en-tête « " + std::string(kRunFileHeader) + " » dans ses " +
                       std::to_string(kHeadBytes / 1024) + " premiers ko");
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == kRunFileHeader) break;
    if (line.empty() || line[0] != '#')
      RefuseLine(path, lineNo,
                 "« " + line.substr(0, 100) + " » au lieu de l'en-tête « " + kRunFileHeader + " »");
    std::string key, value;
    if (!SplitKeyLine(line, key, value)) continue;
    try {
      if (!ApplyKey(t, key, value, haveEntries))
        others.emplace_back(std::move(key), std::move(value));
    } catch (const VantorError& e) {
      RefuseLine(path, lineNo, e.what());
    }
  }
  t.SourceFile = path;
  otherKeys = std::move(others);
}

}  // namespace vantor
