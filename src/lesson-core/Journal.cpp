// SPDX-License-Identifier: GPL-3.0-or-later
// The journal of the sessions: writing entries under names that never collide, and
// listing a day from the first lines of its files.
#include "lesson-core/Journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <tuple>

#include "common/FileErrors.h"
#include "common/Numbers.h"
#include "common/VantorError.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/RunFile.h"

namespace vantor {

namespace {

constexpr const char* kToolsKey = "outils";
// The keys of StepMeasureLines, in the order of the journal's columns.
constexpr std::array<const char*, 6> kMeasureKeys = {
    "temps_montee", "depassement", "temps_pic", "temps_reponse_5", "erreur_statique",
    "saturation"};

bool IsDigits(const std::string& s, std::size_t from, std::size_t count) {
  if (s.size() < from + count) return false;
  for (std::size_t i = from; i < from + count; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// "AAAA-MM-JJ".
bool IsDayName(const std::string& s) {
  return s.size() == 10 && IsDigits(s, 0, 4) && s[4] == '-' && IsDigits(s, 5, 2) && s[7] == '-' &&
         IsDigits(s, 8, 2);
}

// "HH-MM-SS-NN_..." : the time of an entry's name, and its number within the second.
bool EntryTimeAndNumber(const std::string& name, std::string& time, int& number) {
  if (!(IsDigits(name, 0, 2) && name[2] == '-' && IsDigits(name, 3, 2) && name[5] == '-' &&
        IsDigits(name, 6, 2) && name.size() > 9 && name[8] == '-'))
    return false;
  std::size_t end = 9;
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  if (end == 9 || end - 9 > 6) return false;
  time = name.substr(0, 8);
  number = std::stoi(name.substr(9, end - 9));
  return true;
}

// A part of a file name: what is not a letter, a digit, '.', '+' or '-' becomes '_'.
std::string NamePart(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    const bool keep = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      c == '.' || c == '+' || c == '-';
    if (!keep) c = '_';
  }
  return out;
}

// The names in `folder`, but for hidden ones; none when it is a symbolic link.
std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
  if (!dir) {
    ::close(fd);
    return names;
  }
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name.empty() || name[0] == '.') continue;
    names.push_back(name);
  }
  return names;
}

RunFileKeys EntryKeys(const Trial& t, const std::vector<std::string>& tools) {
  RunFileKeys keys;
  const std::string lines = StepMeasureLines(MeasureStep(t));
  std::size_t start = 0;
  while (start < lines.size()) {
    const std::size_t end = lines.find('\n', start);
    const std::string line = lines.substr(start, end - start);
    const std::size_t eq = line.find('=');
    keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }
  if (!tools.empty()) {
    std::string value;
    for (const std::string& tool : tools) value += (value.empty() ? "" : ",") + tool;
    keys.emplace_back(kToolsKey, value);
  }
  return keys;
}

std::string KeyValue(const RunFileKeys& keys, const std::string& name, bool& found) {
  for (const auto& [key, value] : keys)
    if (key == name) {
      found = true;
      return value;
    }
  found = false;
  return {};
}

[[noreturn]] void RefuseFolder(const std::string& folder, int error) {
  throw VantorError(WithCauseLine("Impossible de créer le dossier " + folder, SystemCauseText(error)));
}

bool IsSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// A day's folder is the journal's own: one that is a symbolic link (put there by someone
// else, in a shared documents folder) is never written through.
void RequireOwnDayFolder(const std::string& folder) {
  if (IsSymbolicLink(folder))
    throw VantorError(WithCauseLine("Impossible d'écrire dans le dossier " + folder,
                                    "c'est un lien symbolique, que le journal ne suit pas"));
}

}  // namespace

std::string JournalFolder(const std::string& documents) {
  return documents + "/Régulateur Vantor/essais";
}

std::string WriteJournalEntry(const std::string& root, const Trial& t, const std::string& now,
                              const std::vector<std::string>& tools) {
  if (!(now.size() >= 19 && IsDayName(now.substr(0, 10)) && now[10] == ' '))
    throw VantorError("Date « " + now + " » : attendu AAAA-MM-JJ HH:MM:SS");
  const std::string folder = root + "/" + now.substr(0, 10);
  RequireOwnDayFolder(folder);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) RefuseFolder(folder, ec.value());
  RequireOwnDayFolder(folder);
  std::string time = now.substr(11, 8);
  std::replace(time.begin(), time.end(), ':', '-');

  // After the entries already made in this second, so that the names sort by time.
  int number = 0;
  for (const std::string& name : FolderEntries(folder)) {
    std::string at;
    int n = 0;
    if (EntryTimeAndNumber(name, at, n) && at == time) number = std::max(number, n);
  }
  const std::string rest = "_" + NamePart(t.SetpointKind.empty() ? "consigne" : t.SetpointKind) +
                           "_Kp" + NamePart(FormatShort(t.Kp)) + "_Kd" +
                           NamePart(FormatShort(t.Kd)) + "_Ki" + NamePart(FormatShort(t.Ki)) +
                           ".csv";
  std::string path;
  for (;;) {
    ++number;
    char counter[16];
    // Four digits: the names sort by time up to 9,999 entries in one second.
    std::snprintf(counter, sizeof counter, "-%04d", number);
    path = folder + "/" + time + counter + rest;
    // The name is taken exclusively, so that two programs writing in the same second
    // (a shared documents folder) never write over each other's entry.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    if (errno != EEXIST)
      throw VantorError(WithCauseLine("Impossible de créer le fichier " + path, SystemCauseText(errno)));
  }
  try {
    WriteRunFile(path, t, {}, EntryKeys(t, tools));
  } catch (...) {
    ::unlink(path.c_str());
    throw;
  }
  return path;
}

void AddJournalTool(const std::string& path, const std::string& tool) {
  RequireOwnDayFolder(path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/')));
  auto run = std::make_unique<Trial>();
  RunFileKeys keys;
  ReadRunFile(path, *run);
  Trial head;
  ReadRunHead(path, head, keys);
  bool found = false;
  std::vector<std::string> tools = SplitTools(KeyValue(keys, kToolsKey, found));
  if (std::find(tools.begin(), tools.end(), tool) != tools.end()) return;
  tools.push_back(tool);
  WriteRunFile(path, *run, {}, EntryKeys(*run, tools));
}

std::vector<std::string> JournalDays(const std::string& root) {
  std::vector<std::string> days;
  for (const std::string& name : FolderEntries(root))
    if (IsDayName(name) && !IsSymbolicLink(root + "/" + name)) days.push_back(name);
  std::sort(days.rbegin(), days.rend());
  return days;
}

std::vector<JournalRow> ListJournalDay(const std::string& root, const std::string& day) {
  const std::string folder = root + "/" + day;
  // In time order: by time, then by number within the second, which also places the
  // names of two digits written before the numbers had four.
  struct Entry {
    std::string Time;
    int Number = 0;
    std::string Name;
    bool operator<(const Entry& o) const {
      return std::tie(Time, Number, Name) < std::tie(o.Time, o.Number, o.Name);
    }
  };
  std::vector<Entry> entries;
  for (std::string& name : FolderEntries(folder)) {
    Entry e;
    if (name.ends_with(".csv") && EntryTimeAndNumber(name, e.Time, e.Number)) {
      e.Name = std::move(name);
      entries.push_back(std::move(e));
    }
  }
  std::sort(entries.begin(), entries.end());
  std::vector<JournalRow> rows;
  rows.reserve(entries.size());
  auto head = std::make_unique<Trial>();
  RunFileKeys keys;
  for (const Entry& entry : entries) {
    const std::string& name = entry.Name;
    const std::string& time = entry.Time;
    JournalRow row;
    row.Path = folder + "/" + name;
    Trial& t = *head;
    t = Trial{};
    try {
      ReadRunHead(row.Path, t, keys);
      bool found = true;
      for (std::size_t i = 0; i < kMeasureKeys.size() && found; ++i)
        row.Measures[i] = KeyValue(keys, kMeasureKeys[i], found);
      if (!found) {
        // A run file put here by hand: its measures come from its record.
        ReadRunFile(row.Path, t);
        const std::string lines = StepMeasureLines(MeasureStep(t));
        std::size_t start = 0;
        for (std::string& m : row.Measures) {
          const std::size_t eq = lines.find('=', start), end = lines.find('\n', start);
          m = lines.substr(eq + 1, end - eq - 1);
          start = end + 1;
        }
      }
    } catch (const VantorError&) {
      continue;
    }
    bool found = false;
    row.Tools = SplitTools(KeyValue(keys, kToolsKey, found));
    row.Time = time.substr(0, 2) + ":" + time.substr(3, 2) + ":" + time.substr(6, 2);
    row.Process = t.Process.empty() ? "carte d'acquisition" : t.Process;
    row.Profile = t.Profile;
    row.Load = t.Load;
    row.Setpoint = SetpointText(t);
    // Gains that took no part in the run are not shown as if they had.
    const bool unused = GainsUnused(t);
    row.Kp = unused ? "-" : FormatShort(t.Kp);
    row.Kd = unused ? "-" : FormatShort(t.Kd);
    row.Ki = unused ? "-" : FormatShort(t.Ki);
    row.Structure = unused ? RunName(t) : CorrectorStructureText(t);
    rows.push_back(std::move(row));
  }
  return rows;
}

namespace {

// Three significant digits, as a frequency is written ("0.0376", "0.2", "1.25").
std::string ThreeDigits(long double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3Lg", value);
  return text;
}

// The relay's amplitude d in a law's caption ("essai de relais d:2.000, ε:0.050, ...").
std::string RelayAmplitude(const std::string& caption) {
  const auto at = caption.find(" d:");
  if (at == std::string::npos) return "?";
  const auto end = caption.find(',', at);
  try {
    return FormatShort(StrToFloat(caption.substr(at + 3, end == std::string::npos
                                                             ? std::string::npos
                                                             : end - at - 3)));
  } catch (const VantorError&) {
    return "?";
  }
}

bool IsRelayTest(const Trial& t) {
  return t.Corrector.rfind("essai de relais", 0) == 0;
}

bool IsOnOff(const Trial& t) {
  return t.Corrector.rfind("tout ou rien", 0) == 0;
}

}  // namespace

bool GainsUnused(const Trial& t) {
  return t.IsOpenLoop() || IsRelayTest(t) || IsOnOff(t);
}

std::string RunName(const Trial& t) {
  if (t.IsOpenLoop()) return "boucle ouverte, " + SetpointText(t);
  if (IsRelayTest(t)) return "relais d=" + RelayAmplitude(t.Corrector) + " V";
  if (IsOnOff(t)) return "tout ou rien d=" + RelayAmplitude(t.Corrector) + " V";
  return "Kp " + FormatShort(t.Kp) + ", Kd " + FormatShort(t.Kd) + ", Ki " + FormatShort(t.Ki);
}

std::string SetpointText(const Trial& t) {
  const std::string periodic = FormatShort(t.Mean) + " V ± " + FormatShort(t.Amplitude) +
                               " V à " + ThreeDigits(t.SetpointFrequency) + " Hz";
  if (t.SetpointKind == "echelon") return "échelon " + FormatShort(t.StepLevel) + " V";
  if (t.SetpointKind == "sin") return "sinus " + periodic;
  if (t.SetpointKind == "triang") return "triangle " + periodic;
  if (t.SetpointKind == "carr") return "carré " + periodic;
  if (t.SetpointKind == "externe") return "tension externe (entrée 0)";
  return t.SetpointCaption;
}

std::vector<std::string> SplitTools(const std::string& value) {
  std::vector<std::string> tools;
  std::size_t start = 0;
  while (start < value.size()) {
    std::size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    if (comma > start) tools.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
  return tools;
}

}  // namespace vantor
