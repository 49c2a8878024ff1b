// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The teacher's exercise at the end of the "Simulation" menu: "Procédé de l'exercice"
// (the hidden process this bench drew, among the processes of the menu, its parameters
// not shown), "Réponse à l'exercice…" (the student's answer and its verdict) and
// "Exercice du professeur…" (behind the teacher's password: create, reveal, remove). The
// exercise is read from the working folder's file each time it is used.
#include <QAction>
#include <QObject>
#include <optional>
#include <string>
#include <vector>

#include "card/SimulatedCard.h"
#include "lesson-core/Exercise.h"
#include "simulation-ui/ExerciseAnswerDialog.h"
#include "simulation-ui/ExerciseTeacherDialog.h"
#include "widgets/Workstation.h"

namespace vantor {

class SimulationMenu;

class ExerciseMenu : public QObject {
  Q_OBJECT
 public:
  ExerciseMenu(Workstation& workstation, SimulationMenu& menu, SimulatedCard& card);

  QAction* Procdelexercice1 = nullptr;       // "Procédé de l'exercice"
  QAction* Rponselexercice1 = nullptr;       // "Réponse à l'exercice…"
  QAction* Exerciceduprofesseur1 = nullptr;  // "Exercice du professeur…"
  ExerciseTeacherDialog* TeacherDialog() const { return teacher_; }
  ExerciseAnswerDialog* AnswerDialog() const { return answer_; }

  // The name the draw uses: this machine's (HostLabel()).
  std::string Host;

  // Whether the card's process is the exercise's (its parameters are not shown).
  bool ExerciseInUse() const;
  // The last answer checked on this program run, with its verdict, as the lab report
  // prints them; empty when no answer was checked.
  std::vector<std::string> ReportLines() const;

  void Procdelexercice1Click();
  void Rponselexercice1Click();
  void Exerciceduprofesseur1Click();

 private:
  // The exercise of the working folder; throws VantorError with the way to create one.
  Exercise Required() const;
  void CheckAnswer();

  Workstation& workstation_;
  SimulationMenu& menu_;
  SimulatedCard& card_;
  ExerciseTeacherDialog* teacher_ = nullptr;
  ExerciseAnswerDialog* answer_ = nullptr;
  const ProcessModel* process_ = nullptr;  // the exercise's process behind the card
  struct Answered {
    Exercise Of;
    ExerciseAnswer Answer;
  };
  std::optional<Answered> answered_;
  bool revealed_ = false;
};

}  // namespace vantor
