// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Réponse à l'exercice": the student types the K (k for an integrator), T and delay
// found by identification; "Vérifier" says, value by value, whether it is within the
// teacher's tolerance.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "lesson-core/Exercise.h"

namespace vantor {

class ExerciseAnswerDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ExerciseAnswerDialog(QWidget* parent = nullptr);

  // Labels the fields for the exercise's process (T hidden for an integrator).
  void Prepare(const Exercise& exercise);
  // The answer typed; throws VantorError naming the field at fault.
  ExerciseAnswer Typed() const;
  // Shows the verdict of an answer.
  void ShowVerdict(const Exercise& exercise, const ExerciseVerdict& verdict);

  // "Vérifier" (set by the menu, which judges and keeps the answer).
  std::function<void()> Check;

  QLabel* LabelGain = nullptr;
  QLabel* LabelTime = nullptr;
  QLineEdit* EditGain = nullptr;
  QLineEdit* EditTime = nullptr;
  QLineEdit* EditDelay = nullptr;
  QLabel* LabelVerdict = nullptr;
  QPushButton* ButtonCheck = nullptr;

 private:
  bool integrator_ = false;
};

}  // namespace vantor
