// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The teacher's exercise with a hidden process: a model of identification (first order
// with delay, Strejc, integrator with delay: the "ordre1", "strejc" and "integrateur"
// rows of the process table) whose parameters each bench draws within the teacher's
// ranges. The draw depends on the exercise's number and on the bench's host name only:
// a bench draws the same process after a restart, two benches draw different ones. The
// student types K (k for an integrator), T and the delay; each value is judged against
// the drawn one with the teacher's relative tolerance.
//
// The exercise is one settings file, sauvegarde/exercice.rtf, read and written as the
// other settings (one rich-text paragraph, replaced atomically), so that a lab-wide
// working folder gives it to every bench. Its paragraph is a list of `clé=valeur`
// separated by ';':
//
//   procede=strejc; numero=4711; K=0.5..2; T=1..4; retard=0.5..1.5; n=2..4; tolerance=10
//
// A range is "min..max" or a single value; '.' is the decimal point. T is not given for
// an integrator, n only for Strejc (whole orders, 1 to 6); tolerance is in percent (10
// when not given). No file: no exercise. Qt-free.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulation/ProcessModel.h"

namespace vantor {

inline constexpr const char* kExerciseFile = "sauvegarde/exercice.rtf";
inline constexpr double kDefaultTolerancePercent = 10.0;
// The step the exercise's gains are judged with, and the least delay it may draw: the
// mean's 0.225 s and one period of 50 ms.
inline constexpr double kExerciseStepVolts = 5.0;
inline constexpr double kExerciseLeastDelay = 0.275;

struct ExerciseRange {
  double Minimum = 0, Maximum = 0;
};

struct Exercise {
  std::string Process = "ordre1";     // "ordre1", "strejc" or "integrateur"
  std::uint32_t Number = 1;           // seeds the draw with the host name
  ExerciseRange Gain{0.5, 2};         // K (V/V), or k (1/s) for an integrator
  ExerciseRange TimeConstant{2, 10};  // s; not for an integrator
  ExerciseRange Delay{0.5, 3};        // s, as read on the feedback
  ExerciseRange Order{2, 4};          // Strejc only
  double TolerancePercent = kDefaultTolerancePercent;
};

// The parameters a bench drew.
struct ExerciseDraw {
  double Gain = 0, TimeConstant = 0, Delay = 0;
  int Order = 1;
};

// Whether a word of the process table is one an exercise can use.
bool IsExerciseProcess(const std::string& id);

// Throws VantorError naming the first value that cannot be: an unknown process, a range
// upside down or outside what the process accepts, a gain range that reaches 0, changes
// sign or is negative, a gain too small to move the feedback by 0.5 V for a 5 V step, a
// delay under 0.275 s, a tolerance outside 1 to 50 %.
void ValidateExercise(const Exercise& e);

// The file's paragraph, and back. ParseExercise throws VantorError
// "Le fichier <path> ne contient pas un exercice correct : <what was wrong>".
std::string ExerciseText(const Exercise& e);
Exercise ParseExercise(const std::string& text, const std::string& path);

// The exercise of the file; none when the file does not exist. Throws VantorError when it
// exists but cannot be read or is malformed (the message names the file).
std::optional<Exercise> LoadExercise(const std::string& path = kExerciseFile);
// Validates, then replaces the file atomically (as every setting); throws VantorError.
void SaveExercise(const Exercise& e, const std::string& path = kExerciseFile);

// This bench's parameters: uniform within each range, three significant digits, the
// order a whole number.
ExerciseDraw DrawExercise(const Exercise& e, const std::string& host);
// The drawn process, a model of the process table at its defaults but for the drawn
// parameters.
std::unique_ptr<ProcessModel> ExerciseProcess(const Exercise& e, const ExerciseDraw& d);
// "K = 1.23, T = 4.56 s, retard 0.789 s" (with ", n = 3" for Strejc, "k = 0.4 /s" for an
// integrator): what the teacher reveals.
std::string DrawText(const Exercise& e, const ExerciseDraw& d);

struct ExerciseAnswer {
  double Gain = 0, TimeConstant = 0, Delay = 0;  // TimeConstant unused for an integrator
};

struct ExerciseVerdict {
  struct Item {
    std::string Name;  // "K", "k", "T", "retard"
    double Answer = 0;
    bool Within = false;  // |answer − drawn| ≤ tolerance × |drawn|
  };
  std::vector<Item> Items;
  bool AllWithin() const;
};

ExerciseVerdict JudgeAnswer(const Exercise& e, const ExerciseDraw& d, const ExerciseAnswer& a);

// The answer and its verdict in French, one line each, for the lab report; the drawn
// parameters too once the teacher has revealed them.
std::vector<std::string> ExerciseReportLines(const Exercise& e, const ExerciseDraw& d,
                                             const ExerciseAnswer& a, bool revealed);

}  // namespace vantor
