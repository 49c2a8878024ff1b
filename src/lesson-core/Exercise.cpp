// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/Exercise.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>

#include "common/Numbers.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"
#include "lesson-core/Identification.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {

namespace {

// Longer than any exercise the teacher's window writes.
constexpr int kExerciseWidth = 1000;

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The exercise's process; its model of identification says which values it takes.
const ProcessKind& KindOf(const Exercise& e) {
  const ProcessKind* kind = FindProcessKind(e.Process);
  if (kind == nullptr || !kind->IsIdentifiedModel())
    throw VantorError("le procédé « " + e.Process + " » n'est pas un procédé d'exercice (" +
                      IdentifiedModelIds() + ")");
  return *kind;
}

// Whether the exercise's model takes the named value: an integrator has no time constant
// (its gain is k, 1/s), Strejc's model has an order n.
bool Takes(const Exercise& e, const char* name) {
  const ProcessKind* kind = FindProcessKind(e.Process);
  return kind != nullptr && kind->TakesValue(name);
}

bool Integrator(const Exercise& e) {
  return IsExerciseProcess(e.Process) && !Takes(e, "constante-temps");
}

bool Strejc(const Exercise& e) {
  return Takes(e, "ordre");
}

void CheckRange(const ExerciseRange& r, const std::string& process, const std::string& name,
                const std::string& key) {
  if (!std::isfinite(r.Minimum) || !std::isfinite(r.Maximum) || r.Minimum > r.Maximum)
    throw VantorError("l'intervalle de " + key + " (" + FormatShort(r.Minimum) + ".." +
                      FormatShort(r.Maximum) + ") doit aller du plus petit au plus grand");
  const ProcessParameter p = ParameterOf(*FindProcessKind(process), name);
  try {
    p.Check(r.Minimum);
    p.Check(r.Maximum);
  } catch (const VantorError& e) {
    std::string why = e.what();
    if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    throw VantorError(key + " (" + FormatShort(r.Minimum) + ".." + FormatShort(r.Maximum) +
                      ") : " + why);
  }
}

// A uniform number in [0, 1) from a 64-bit state (splitmix64, the same on every machine).
double Uniform(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) * 0x1.0p-53;
}

double ThreeDigits(double v) {
  if (v == 0) return 0;
  const double scale = std::pow(10.0, 2 - std::floor(std::log10(std::fabs(v))));
  return std::round(v * scale) / scale;
}

double DrawIn(const ExerciseRange& r, std::uint64_t& state) {
  const double v = ThreeDigits(r.Minimum + Uniform(state) * (r.Maximum - r.Minimum));
  return std::min(r.Maximum, std::max(r.Minimum, v));
}

std::string RangeText(const ExerciseRange& r) {
  const std::string min = FormatShort(r.Minimum), max = FormatShort(r.Maximum);
  return min == max ? min : min + ".." + max;
}

std::string Value(double v) {
  return FormatShort(ThreeDigits(v));
}

}  // namespace

bool IsExerciseProcess(const std::string& id) {
  const ProcessKind* kind = FindProcessKind(id);
  return kind != nullptr && kind->IsIdentifiedModel();
}

void ValidateExercise(const Exercise& e) {
  KindOf(e);
  const std::string gainKey = Integrator(e) ? "k" : "K";
  CheckRange(e.Gain, e.Process, "gain", gainKey);
  if (e.Gain.Minimum * e.Gain.Maximum <= 0)
    throw VantorError("l'intervalle de " + gainKey + " (" + RangeText(e.Gain) +
                      ") ne doit ni contenir 0 ni changer de signe");
  // The workstation's corrector is reverse acting: a process of negative gain cannot be
  // regulated nor its proposals applied. A gain too small moves the feedback by less than
  // an identification reads (0.5 V) for a 5 V step.
  if (e.Gain.Minimum < 0)
    throw VantorError("l'intervalle de " + gainKey + " (" + RangeText(e.Gain) +
                      ") doit être positif : le correcteur du poste est à action inverse");
  if (e.Gain.Minimum * kExerciseStepVolts < kLeastIdentifiedChange)
    throw VantorError("le " + gainKey + " minimal (" + FormatShort(e.Gain.Minimum) +
                      ") ne ferait varier le retour que de " +
                      FormatShort(e.Gain.Minimum * kExerciseStepVolts) +
                      " V pour un échelon de 5 V : il faut au moins 0,5 V pour l'identifier ; "
                      "prendre un minimum d'au moins 0,1");
  if (!Integrator(e)) CheckRange(e.TimeConstant, e.Process, "constante-temps", "T");
  CheckRange(e.Delay, e.Process, "retard", "retard");
  // The delay read on the feedback holds the mean's 0.225 s, and a reading is only every
  // 50 ms: a smaller one cannot be told from none within any tolerance.
  if (e.Delay.Minimum < kExerciseLeastDelay)
    throw VantorError("le retard minimal (" + FormatShort(e.Delay.Minimum) +
                      " s) doit être d'au moins 0,275 s : la moyenne du retour en apporte déjà "
                      "0,225 s et le relevé n'a qu'une mesure toutes les 0,05 s");
  if (Strejc(e)) {
    CheckRange(e.Order, e.Process, "ordre", "n");
    if (e.Order.Minimum != std::floor(e.Order.Minimum) ||
        e.Order.Maximum != std::floor(e.Order.Maximum))
      throw VantorError("l'ordre n (" + RangeText(e.Order) + ") doit être un nombre entier");
  }
  if (!(e.TolerancePercent >= 1 && e.TolerancePercent <= 50))
    throw VantorError("la tolérance (" + FormatShort(e.TolerancePercent) +
                      " %) doit être comprise entre 1 et 50 %");
}

std::string ExerciseText(const Exercise& e) {
  std::string text = "procede=" + e.Process + "; numero=" + std::to_string(e.Number);
  text += std::string("; ") + (Integrator(e) ? "k" : "K") + "=" + RangeText(e.Gain);
  if (!Integrator(e)) text += "; T=" + RangeText(e.TimeConstant);
  text += "; retard=" + RangeText(e.Delay);
  if (Strejc(e)) text += "; n=" + RangeText(e.Order);
  return text + "; tolerance=" + FormatShort(e.TolerancePercent);
}

Exercise ParseExercise(const std::string& text, const std::string& path) {
  const std::string prefix = "Le fichier " + path + " ne contient pas un exercice correct : ";
  Exercise e;
  std::map<std::string, std::string> values;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t end = std::min(text.find(';', from), text.size());
    const std::string item = Trim(text.substr(from, end - from));
    from = end + 1;
    if (item.empty()) continue;
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos)
      throw VantorError(prefix + "« " + item + " » n'est pas de la forme clé=valeur");
    const std::string key = Trim(item.substr(0, eq));
    const std::string value = Trim(item.substr(eq + 1));
    if (values.count(key))
      throw VantorError(prefix + "la clé « " + key + " » est donnée deux fois");
    values[key] = value;
  }
  if (!values.count("procede")) throw VantorError(prefix + "la clé procede manque");
  e.Process = values["procede"];
  try {
    KindOf(e);
  } catch (const VantorError& error) {
    throw VantorError(prefix + error.what());
  }
  const std::string gainKey = Integrator(e) ? "k" : "K";
  std::vector<std::string> keys = {"procede", "numero", gainKey, "retard", "tolerance"};
  if (!Integrator(e)) keys.push_back("T");
  if (Strejc(e)) keys.push_back("n");
  for (const auto& [key, value] : values)
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
      throw VantorError(prefix + "la clé « " + key + " » ne s'applique pas au procédé " +
                        e.Process);
  auto number = [&](const std::string& key, const std::string& text) {
    try {
      return static_cast<double>(StrToFloat(Trim(text)));
    } catch (const VantorError&) {
      throw VantorError(prefix + key + " : « " + text +
                        " » n'est pas un nombre (point décimal, par exemple 1.5)");
    }
  };
  auto range = [&](const std::string& key, ExerciseRange& r) {
    if (!values.count(key)) throw VantorError(prefix + "la clé " + key + " manque");
    const std::string& v = values[key];
    const std::size_t dots = v.find("..");
    r.Minimum = number(key, v.substr(0, dots));
    r.Maximum = dots == std::string::npos ? r.Minimum : number(key, v.substr(dots + 2));
  };
  if (!values.count("numero")) throw VantorError(prefix + "la clé numero manque");
  try {
    const std::int32_t n = StrToInt(values["numero"]);
    if (n < 0) throw VantorError("");
    e.Number = static_cast<std::uint32_t>(n);
  } catch (const VantorError&) {
    throw VantorError(prefix + "numero : « " + values["numero"] +
                      " » n'est pas un nombre entier positif");
  }
  range(gainKey, e.Gain);
  if (!Integrator(e)) range("T", e.TimeConstant);
  range("retard", e.Delay);
  if (Strejc(e)) range("n", e.Order);
  if (values.count("tolerance")) e.TolerancePercent = number("tolerance", values["tolerance"]);
  try {
    ValidateExercise(e);
  } catch (const VantorError& error) {
    throw VantorError(prefix + error.what());
  }
  return e;
}

std::optional<Exercise> LoadExercise(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec)) || ec)
    return std::nullopt;
  return ParseExercise(LoadSetting(path, kExerciseWidth), path);
}

void SaveExercise(const Exercise& e, const std::string& path) {
  ValidateExercise(e);
  SaveSetting(path, ExerciseText(e));
}

ExerciseDraw DrawExercise(const Exercise& e, const std::string& host) {
  // FNV-1a over the number and the host name: the seed of this bench's draw.
  std::uint64_t state = 0xCBF29CE484222325ull;
  for (char c : std::to_string(e.Number) + "@" + host) {
    state ^= static_cast<unsigned char>(c);
    state *= 0x100000001B3ull;
  }
  ExerciseDraw d;
  d.Gain = DrawIn(e.Gain, state);
  d.TimeConstant = Integrator(e) ? 0 : DrawIn(e.TimeConstant, state);
  d.Delay = DrawIn(e.Delay, state);
  if (Strejc(e)) {
    const double count = e.Order.Maximum - e.Order.Minimum + 1;
    d.Order =
        static_cast<int>(e.Order.Minimum + std::min(count - 1, std::floor(Uniform(state) * count)));
  }
  return d;
}

std::unique_ptr<ProcessModel> ExerciseProcess(const Exercise& e, const ExerciseDraw& d) {
  const std::map<std::string, double> drawn = {{"gain", d.Gain},
                                               {"constante-temps", d.TimeConstant},
                                               {"retard", d.Delay},
                                               {"ordre", static_cast<double>(d.Order)}};
  std::vector<std::pair<std::string, double>> values;
  std::unique_ptr<ProcessModel> p = MakeProcess(e.Process);
  for (const std::string& name : FindProcessKind(e.Process)->ModelValues)
    values.emplace_back(name, drawn.at(name));
  p->SetParameters(values);
  return p;
}

std::string DrawText(const Exercise& e, const ExerciseDraw& d) {
  if (Integrator(e)) return "k = " + Value(d.Gain) + " /s, retard " + Value(d.Delay) + " s";
  std::string text = "K = " + Value(d.Gain) + ", T = " + Value(d.TimeConstant) + " s, retard " +
                     Value(d.Delay) + " s";
  if (Strejc(e)) text += ", n = " + std::to_string(d.Order);
  return text;
}

bool ExerciseVerdict::AllWithin() const {
  for (const Item& i : Items)
    if (!i.Within) return false;
  return !Items.empty();
}

ExerciseVerdict JudgeAnswer(const Exercise& e, const ExerciseDraw& d, const ExerciseAnswer& a) {
  ExerciseVerdict v;
  auto judge = [&](const char* name, double answer, double drawn) {
    const bool within = std::isfinite(answer) &&
                        std::fabs(answer - drawn) <= e.TolerancePercent / 100 * std::fabs(drawn);
    v.Items.push_back({name, answer, within});
  };
  judge(Integrator(e) ? "k" : "K", a.Gain, d.Gain);
  if (!Integrator(e)) judge("T", a.TimeConstant, d.TimeConstant);
  judge("retard", a.Delay, d.Delay);
  return v;
}

std::vector<std::string> ExerciseReportLines(const Exercise& e, const ExerciseDraw& d,
                                             const ExerciseAnswer& a, bool revealed) {
  const ProcessKind* kind = FindProcessKind(e.Process);
  const std::string tolerance = FormatShort(e.TolerancePercent);
  std::vector<std::string> lines;
  lines.push_back("Exercice n° " + std::to_string(e.Number) + " : procédé caché (" +
                  (kind ? kind->Label : e.Process) + "), tolérance " + tolerance + " %");
  const ExerciseVerdict v = JudgeAnswer(e, d, a);
  std::string answer = "Réponse de l'élève :";
  for (std::size_t i = 0; i < v.Items.size(); ++i) {
    const bool time = v.Items[i].Name != "K" && v.Items[i].Name != "k";
    answer += (i ? ", " : " ") + v.Items[i].Name + (v.Items[i].Name == "retard" ? " " : " = ") +
              FormatShort(v.Items[i].Answer) +
              (time            ? " s"
               : Integrator(e) ? " /s"
                               : "");
  }
  lines.push_back(answer);
  for (const ExerciseVerdict::Item& i : v.Items)
    lines.push_back(i.Name + " : " +
                    (i.Within ? "dans la tolérance de " : "hors de la tolérance de ") + tolerance +
                    " %");
  lines.push_back(v.AllWithin() ? "Verdict : procédé identifié"
                                : "Verdict : identification à reprendre");
  if (revealed)
    lines.push_back("Paramètres du procédé (révélés par le professeur) : " + DrawText(e, d));
  return lines;
}

}  // namespace vantor
