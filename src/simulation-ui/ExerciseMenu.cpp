// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/ExerciseMenu.h"

#include <QActionGroup>
#include <QMenu>

#include "common/TemporaryName.h"
#include "common/VantorError.h"
#include "simulation-ui/SimulationMenu.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

ExerciseMenu::ExerciseMenu(Workstation& workstation, SimulationMenu& menu, SimulatedCard& card)
    : QObject(&workstation.Window()),
      Host(HostLabel()),
      workstation_(workstation),
      menu_(menu),
      card_(card) {
  QWidget& form = workstation.Window();
  setObjectName("ExerciseMenu");
  QMenu* m = menu.Menu();
  m->addSeparator();
  Procdelexercice1 = m->addAction("Procédé de l'exercice");
  Procdelexercice1->setObjectName("Procdelexercice1");
  Procdelexercice1->setCheckable(true);
  if (QActionGroup* processes = menu.PositionAction->actionGroup())
    processes->addAction(Procdelexercice1);
  Rponselexercice1 = m->addAction("Réponse à l'exercice…");
  Rponselexercice1->setObjectName("Rponselexercice1");
  Exerciceduprofesseur1 = m->addAction("Exercice du professeur…");
  Exerciceduprofesseur1->setObjectName("Exerciceduprofesseur1");
  ConnectGuarded(Procdelexercice1, &QAction::triggered, this, &ExerciseMenu::Procdelexercice1Click,
                 &form);
  ConnectGuarded(Rponselexercice1, &QAction::triggered, this, &ExerciseMenu::Rponselexercice1Click,
                 &form);
  ConnectGuarded(Exerciceduprofesseur1, &QAction::triggered, this,
                 &ExerciseMenu::Exerciceduprofesseur1Click, &form);

  teacher_ = new ExerciseTeacherDialog(&form);
  teacher_->Reveal = [this] {
    const Exercise e = Required();
    revealed_ = true;
    return "Procédé de ce poste (" + Host + ") : " + DrawText(e, DrawExercise(e, Host)) + ".";
  };
  answer_ = new ExerciseAnswerDialog(&form);
  answer_->Check = [this] { CheckAnswer(); };
}

Exercise ExerciseMenu::Required() const {
  const std::optional<Exercise> e = LoadExercise();
  if (!e)
    throw VantorError(
        "Pas d'exercice dans ce dossier de travail : le professeur le crée par « Simulation » → "
        "« Exercice du professeur… »");
  return *e;
}

bool ExerciseMenu::ExerciseInUse() const {
  return process_ && &card_.Process() == process_;
}

void ExerciseMenu::Procdelexercice1Click() {
  Exercise e;
  try {
    e = Required();
  } catch (...) {
    // The menu's check goes back to the process in use.
    const ProcessKind* kind = KindOf(card_.Process());
    if (QAction* a = kind && !ExerciseInUse() ? menu_.ProcessAction(kind->Id) : nullptr)
      a->setChecked(true);
    throw;
  }
  std::unique_ptr<ProcessModel> p = ExerciseProcess(e, DrawExercise(e, Host));
  p->ApplyProfile(card_.Process().Profile());
  process_ = p.get();
  menu_.UseProcess(std::move(p));
  Procdelexercice1->setChecked(true);
}

void ExerciseMenu::Rponselexercice1Click() {
  const Exercise e = Required();
  answer_->Prepare(e);
  answer_->show();
  answer_->raise();
  answer_->activateWindow();
}

void ExerciseMenu::CheckAnswer() {
  const Exercise e = Required();
  answer_->Prepare(e);
  const ExerciseAnswer a = answer_->Typed();
  answer_->ShowVerdict(e, JudgeAnswer(e, DrawExercise(e, Host), a));
  answered_ = Answered{e, a};
}

void ExerciseMenu::Exerciceduprofesseur1Click() {
  workstation_.RequireTeacherPassword([this] {
    std::optional<Exercise> e;
    try {
      e = LoadExercise();
    } catch (const VantorError& error) {
      // A malformed file is said, and the window opens to write a correct one.
      Dialogs::Current().Error(&workstation_.Window(), ToQString(ErrorBoxText(error.what())));
    }
    teacher_->Fill(e);
    Dialogs::Current().Exec(*teacher_);
  });
}

std::vector<std::string> ExerciseMenu::ReportLines() const {
  if (!answered_) return {};
  return ExerciseReportLines(answered_->Of, DrawExercise(answered_->Of, Host), answered_->Answer,
                             revealed_);
}

}  // namespace vantor
