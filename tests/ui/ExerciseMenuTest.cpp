// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's exercise from the "Simulation" menu: refused without an exercise, created
// behind the password, the hidden process behind the card with its parameters kept from
// the student, the answer judged and kept for the report.
#include <QComboBox>

#include "SettingsFixture.h"
#include "mainwindow/TrialsMenu.h"
#include "simulation-ui/ExerciseMenu.h"
#include "simulation-ui/SimulationMenu.h"
#include "simulation/ProcessRegistry.h"

namespace vantor::testing {
namespace {

using ExerciseMenuTest = SettingsFixture;

TEST_F(ExerciseMenuTest, TheTeacherCreatesTheExerciseAndTheStudentsAnswerIsJudged) {
  TForm1& f = *form;
  SimulationMenu menu(f, card);
  ExerciseMenu& exercises = *menu.Exercises();
  exercises.Host = "poste-a";
  EXPECT_EQ(menu.Menu()->actions().back(), exercises.Exerciceduprofesseur1);

  // No exercise yet: said, and the process in use stays checked.
  exercises.Procdelexercice1->trigger();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(menu.PositionAction->isChecked());
  EXPECT_EQ(card.Process().Id(), "position");
  dialogs.errors.clear();

  // The teacher's window, behind the password: a Strejc exercise saved, this bench's
  // parameters revealed.
  ExerciseTeacherDialog& teacher = *exercises.TeacherDialog();
  QString revealed;
  WhenModal([&] {
    WhenModal([&] {
      teacher.ComboProcess->setCurrentIndex(1);
      teacher.EditNumber->setText("31");
      teacher.EditGainMin->setText("0.5");
      teacher.EditGainMax->setText("2");
      teacher.EditTimeMin->setText("1");
      teacher.EditTimeMax->setText("3");
      teacher.EditDelayMin->setText("0.5");
      teacher.EditDelayMax->setText("1.5");
      teacher.EditOrderMin->setText("2");
      teacher.EditOrderMax->setText("3");
      teacher.EditTolerance->setText("10");
      teacher.ButtonSave->click();
      teacher.ButtonReveal->click();
      revealed = teacher.LabelRevealed->text();
      teacher.ButtonClose->click();
    });
    pass->Edit6->setText("vanto");
    pass->BitBtn3->click();
  });
  exercises.Exerciceduprofesseur1->trigger();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  const std::optional<Exercise> saved = LoadExercise();
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->Process, "strejc");
  const ExerciseDraw drawn = DrawExercise(*saved, "poste-a");
  EXPECT_TRUE(revealed.contains(QString::fromStdString(DrawText(*saved, drawn))))
      << revealed.toStdString();

  // The student's bench: the drawn process behind the card, its parameters not shown.
  exercises.Procdelexercice1->trigger();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(exercises.Procdelexercice1->isChecked());
  EXPECT_FALSE(menu.PositionAction->isChecked());
  EXPECT_EQ(card.Process().Id(), "strejc");
  for (const ProcessParameter& p : card.Process().Parameters()) {
    if (p.Name == "constante-temps") {
      EXPECT_EQ(p.Get(card.Process()), drawn.TimeConstant);
    }
  }
  const auto messages = dialogs.messages.size();
  menu.ParametersAction->trigger();
  EXPECT_EQ(dialogs.messages.size(), messages + 1);
  EXPECT_FALSE(menu.Dialog()->isVisible());

  // The answer: K and the delay within 10 %, T not; the report has them.
  EXPECT_TRUE(exercises.ReportLines().empty());
  exercises.Rponselexercice1->trigger();
  ExerciseAnswerDialog& answer = *exercises.AnswerDialog();
  answer.EditGain->setText(QString::number(drawn.Gain * 1.05));
  answer.EditTime->setText(QString::number(drawn.TimeConstant * 1.2));
  answer.EditDelay->setText(QString::number(drawn.Delay * 0.95));
  answer.ButtonCheck->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  const ExerciseAnswer typed = answer.Typed();
  const ExerciseVerdict verdict = JudgeAnswer(*saved, drawn, typed);
  ASSERT_EQ(verdict.Items.size(), 3u);
  EXPECT_TRUE(verdict.Items[0].Within);
  EXPECT_FALSE(verdict.Items[1].Within);
  EXPECT_TRUE(verdict.Items[2].Within);
  EXPECT_EQ(exercises.ReportLines(), ExerciseReportLines(*saved, drawn, typed, true));
  ASSERT_TRUE(f.Trials->ReportExercise);
  EXPECT_EQ(f.Trials->ReportExercise(), exercises.ReportLines());
  // A value that is not a number is refused, naming the field; the last answer stays.
  answer.EditDelay->setText("O,8");
  answer.ButtonCheck->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("Retard"));
  EXPECT_EQ(exercises.ReportLines(), ExerciseReportLines(*saved, drawn, typed, true));
}

}  // namespace
}  // namespace vantor::testing
