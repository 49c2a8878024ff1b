// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Exercice du professeur" (behind the password): the hidden process of the exercise,
// its parameter ranges and the tolerance of the answers, saved in the working folder's
// sauvegarde/exercice.rtf; the parameters this bench drew, revealed on demand; the
// exercise removed.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <string>

#include "lesson-core/Exercise.h"

namespace vantor {

class ExerciseTeacherDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ExerciseTeacherDialog(QWidget* parent = nullptr);

  // Fills the fields from the exercise (a new number when there is none).
  void Fill(const std::optional<Exercise>& exercise);
  // The exercise typed; throws VantorError naming the field at fault.
  Exercise Typed() const;

  // "Révéler les paramètres de ce poste": what this bench drew for the saved exercise.
  std::function<std::string()> Reveal;
  // After the file was written or removed.
  std::function<void()> Changed;

  QComboBox* ComboProcess = nullptr;
  QLineEdit* EditNumber = nullptr;
  QLineEdit *EditGainMin = nullptr, *EditGainMax = nullptr;
  QLineEdit *EditTimeMin = nullptr, *EditTimeMax = nullptr;
  QLineEdit *EditDelayMin = nullptr, *EditDelayMax = nullptr;
  QLineEdit *EditOrderMin = nullptr, *EditOrderMax = nullptr;
  QLineEdit* EditTolerance = nullptr;
  QLabel* LabelGain = nullptr;
  QLabel* LabelState = nullptr;
  QLabel* LabelRevealed = nullptr;
  QPushButton* ButtonSave = nullptr;
  QPushButton* ButtonReveal = nullptr;
  QPushButton* ButtonRemove = nullptr;
  QPushButton* ButtonClose = nullptr;

 private:
  void ProcessChanged();
  void SaveClicked();
  void RevealClicked();
  void RemoveClicked();
};

}  // namespace vantor
