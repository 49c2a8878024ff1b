// SPDX-License-Identifier: GPL-3.0-or-later
// The handler wrapper and the scripted dialogs the window tests rely on.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

#include "ScriptedDialogs.h"
#include "common/VantorError.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"

namespace vantor {
namespace {

class Handlers : public QWidget {
 public:
  int reached = 0;
  void Button1Click() {
    throw VantorError("'1,5' n'est pas une valeur en virgule flottante correcte");
  }
  void Button2Click() { ++reached; }
  void Toggled(bool on) {
    if (!on) throw VantorError("Relâché");
    ++reached;
  }
};

// Scripted dialogs that also keep the parent of the last error box.
class ParentKeepingDialogs : public ScriptedDialogs {
 public:
  QWidget* errorParent = nullptr;
  void Error(QWidget* parent, const QString& text) override {
    errorParent = parent;
    ScriptedDialogs::Error(parent, text);
  }
};

TEST(ErrorReport, AnErrorAbandonsTheHandlerAndIsShownOnceWithTheFinalDotRule) {
  ScriptedDialogs dialogs;
  DialogsScope scope(&dialogs);
  int after = 0;
  EXPECT_FALSE(Guarded(nullptr, [&] {
    throw VantorError("Impossible d'ouvrir le fichier sauvegarde/kpmax");
    ++after;
  }));
  EXPECT_EQ(after, 0);
  EXPECT_FALSE(Guarded(nullptr, [] { throw VantorError("Erreur d'E/S 103."); }));
  EXPECT_FALSE(Guarded(nullptr, [] { throw VantorError("Quoi?"); }));  // '?' sorts after '.'
  EXPECT_FALSE(Guarded(nullptr, [] { throw std::runtime_error("Division par zéro"); }));
  EXPECT_FALSE(Guarded(nullptr, [] { throw 42; }));
  EXPECT_TRUE(Guarded(nullptr, [&] { ++after; }));
  EXPECT_EQ(after, 1);
  EXPECT_EQ(dialogs.errors,
            (QStringList{"Impossible d'ouvrir le fichier sauvegarde/kpmax.", "Erreur d'E/S 103.",
                         "Quoi?.", "Division par zéro.", "Erreur inattendue."}));
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(ErrorReport, ConnectedHandlersRunGuardedAndReportEachClickOnce) {
  ScriptedDialogs dialogs;
  DialogsScope scope(&dialogs);
  Handlers window;
  QPushButton button1(&window), button2(&window);
  ConnectGuarded(&button1, &QPushButton::clicked, &window, &Handlers::Button1Click);
  ConnectGuarded(&button2, &QPushButton::clicked, &window, &Handlers::Button2Click);
  button1.click();
  button2.click();
  button1.click();
  EXPECT_EQ(window.reached, 1);
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_EQ(dialogs.errors[0], "'1,5' n'est pas une valeur en virgule flottante correcte.");
}

TEST(ErrorReport, GuardedConnectionsPassTheSignalsArgumentsAndReportToTheirParent) {
  ParentKeepingDialogs dialogs;
  DialogsScope scope(&dialogs);
  // A callable, with a helper object as context and a window as the box's parent.
  QWidget form;
  QObject helper;
  QLineEdit edit(&form);
  QStringList seen;
  ConnectGuarded(
      &edit, &QLineEdit::textChanged, &helper,
      [&](const QString& text) {
        seen << text;
        if (text == "1,5") throw VantorError("'1,5' n'est pas une valeur entière correcte");
      },
      &form);
  edit.setText("2");
  edit.setText("1,5");
  EXPECT_EQ(seen, (QStringList{"2", "1,5"}));
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "'1,5' n'est pas une valeur entière correcte.");
  EXPECT_EQ(dialogs.errorParent, &form);
  // A member function of a widget: the widget is the box's parent.
  Handlers window;
  QPushButton toggle(&window);
  toggle.setCheckable(true);
  ConnectGuarded(&toggle, &QPushButton::toggled, &window, &Handlers::Toggled);
  toggle.setChecked(true);
  toggle.setChecked(false);
  EXPECT_EQ(window.reached, 1);
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_EQ(dialogs.errors[1], "Relâché.");
  EXPECT_EQ(dialogs.errorParent, &window);
}

TEST(ScriptedDialogsTest, AnswersInOrderThenOkAndRestoresThePreviousDialogs) {
  Dialogs* before = &Dialogs::Current();
  ScriptedDialogs dialogs;
  {
    DialogsScope scope(&dialogs);
    EXPECT_EQ(&Dialogs::Current(), &dialogs);
    int hooks = 0;
    dialogs.onMessage = [&] { ++hooks; };
    dialogs.confirmAnswers = {false, true};
    EXPECT_FALSE(Dialogs::Current().Confirm(nullptr, "Fermer le programme?"));
    EXPECT_TRUE(Dialogs::Current().Confirm(nullptr, "Fermer le programme?"));
    EXPECT_TRUE(Dialogs::Current().Confirm(nullptr, "encore"));
    Dialogs::Current().Message(nullptr, "Mot de passe incorrect");
    Dialogs::Current().Beep();
    EXPECT_EQ(dialogs.confirmations.size(), 3);
    EXPECT_EQ(dialogs.messages, QStringList{"Mot de passe incorrect"});
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(hooks, 4);
  }
  EXPECT_EQ(&Dialogs::Current(), before);
}

}  // namespace
}  // namespace vantor
