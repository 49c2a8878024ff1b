// SPDX-License-Identifier: GPL-3.0-or-later
// The password window TFormpass: validation for the settings and the open loop, and the
// three steps of a change of password.
#include <QApplication>
#include <QTest>

#include "SettingsFixture.h"
#include "common/SettingsStore.h"
#include "lesson/CorrectorStructureWindow.h"
#include "mainwindow/ControlLawsMenu.h"

namespace vantor::testing {
namespace {

class PasswordWindowTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    // A modal loop left open by a failing test is ended instead of blocking the run.
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->hide();
    });
    watchdog.start(10000);
  }

  // Shows the password window for a purpose, as the main window's menus do.
  TFormpass& Shown(int purpose) {
    form->passwordPurpose = static_cast<std::uint8_t>(purpose);
    pass->show();
    return *pass;
  }

  // Types into an entry as the keyboard does, then clicks a button.
  static void Enter(QLineEdit* entry, const QString& text, QPushButton* button) {
    entry->clear();
    QTest::keyClicks(entry, text);
    button->click();
  }

  // True when exactly one "Valider" is usable, the given one.
  bool OnlyUsable(QPushButton* expected) const {
    for (QPushButton* b : {pass->BitBtn3, pass->BitBtn1, pass->BitBtn2, pass->BitBtn5})
      if ((b->isEnabled() && b->isVisible()) != (b == expected)) return false;
    return true;
  }

  QTimer watchdog;
};

TEST_F(PasswordWindowTest, CapitalsAreTypedInLowerCaseAndShownAsStars) {
  TFormpass& p = Shown(2);
  TForm1& m = *form;
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(p.windowTitle(),
            "Validation du mot de passe pour modification des plages de réglages.");
  EXPECT_FALSE(p.Panel11->isHidden());
  EXPECT_TRUE(p.Panel14->isHidden());
  EXPECT_TRUE(p.Label16->isHidden());
  EXPECT_EQ(p.ReferencePassword, "vanto");
  QTest::keyClicks(p.Edit6, "VAnTO");
  EXPECT_EQ(p.Edit6->text(), "vanto");
  EXPECT_EQ(p.Edit6->displayText(), "*****");
  p.BitBtn3->click();
  EXPECT_FALSE(p.isVisible());
  EXPECT_EQ(p.result(), QDialog::Accepted);
  EXPECT_TRUE(p.Edit6->text().isEmpty());
  EXPECT_EQ(m.State.LoopMode, "Ouv");
  EXPECT_EQ(m.Label9->text(), "Boucle ouverte");
  EXPECT_TRUE(m.ferme1->isEnabled());
  EXPECT_FALSE(m.ouverte1->isEnabled());
  EXPECT_FALSE(form4->isVisible());
}

TEST_F(PasswordWindowTest, TheWholeEntryIsComparedWithTheStoredPassword) {
  TFormpass& p = Shown(2);
  for (const char* wrong : {"vantoo", "vant", "", "vanta", " vanto"}) {
    p.Edit6->setText(wrong);
    p.BitBtn3->click();
    EXPECT_TRUE(p.isVisible()) << wrong;
    EXPECT_FALSE(p.Label16->isHidden()) << wrong;
    EXPECT_TRUE(p.Edit6->text().isEmpty()) << wrong;
  }
  EXPECT_EQ(form->State.LoopMode, "fermee");
  EXPECT_EQ(p.Label16->text(), "mauvais\r\nmot de passe\r\nrecommencer\r\nou \r\nsortir");
  // The password is read from its file at each showing; its first five characters count.
  SaveSetting("sauvegarde/pamo.rtf", "abcdefgh");
  p.hide();
  p.show();
  Enter(p.Edit6, "abcde", p.BitBtn3);
  EXPECT_FALSE(p.isVisible());
  EXPECT_EQ(form->State.LoopMode, "Ouv");
  // A file typed in capitals matches what the keyboard gives: entries are lower case.
  SaveSetting("sauvegarde/pamo.rtf", "X2y_Z");
  form->State.LoopMode = "fermee";
  p.show();
  p.Edit6->setText("X2y_Z");
  EXPECT_EQ(p.Edit6->text(), "x2y_z");
  p.BitBtn3->click();
  EXPECT_FALSE(p.isVisible());
  EXPECT_EQ(form->State.LoopMode, "Ouv");
}

TEST_F(PasswordWindowTest, AWrongAttemptThenAnnulerLeavesTheWarningForTheNextOpening) {
  TFormpass& p = Shown(0);
  Enter(p.Edit6, "abcde", p.BitBtn3);
  p.BitBtn4->click();
  EXPECT_FALSE(p.isVisible());
  EXPECT_EQ(p.result(), QDialog::Rejected);
  EXPECT_FALSE(form4->isVisible());
  p.show();
  EXPECT_FALSE(p.Label16->isHidden());
  EXPECT_TRUE(p.Edit6->text().isEmpty());
  // The warning goes once the right password is given (the settings are then shown).
  WhenModal([&] { form4->close(); });
  Enter(p.Edit6, "vanto", p.BitBtn3);
  EXPECT_TRUE(p.Label16->isHidden());
  EXPECT_FALSE(p.isVisible());
}

TEST_F(PasswordWindowTest, TheSettingsMenuShowsTheSettingsWindowAfterThePassword) {
  TForm1& m = *form;
  std::filesystem::remove(Path("sauvegarde/kpmax.rtf"));
  bool settingsShown = false, passwordHidden = false;
  WhenModal([&] {
    QTest::keyClicks(pass->Edit6, "vanto");
    WhenModal([&] {
      settingsShown = form4->isVisible();
      passwordHidden = !pass->isVisible();
      form4->RadioGroup1->Item(1)->click();
      form4->close();
    });
    QTest::keyClick(pass->Edit6, Qt::Key_Return);
  });
  m.Reglagedesplagesdefonctionnement1->trigger();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(m.passwordPurpose, 0);
  EXPECT_TRUE(settingsShown);
  EXPECT_TRUE(passwordHidden);
  EXPECT_FALSE(pass->isVisible());
  EXPECT_FALSE(form4->isVisible());
  EXPECT_TRUE(pass->Panel11->isHidden());
  EXPECT_EQ(m.Label3->text(), "Kp (0 à 4)");
  EXPECT_EQ(Stored("sauvegarde/kpmax.rtf"), "4.00");
  EXPECT_EQ(m.State.LoopMode, "fermee");
}

TEST_F(PasswordWindowTest, AnUnlockForTheSessionOpensTheLoopAndTheStructureWithoutThePassword) {
  TForm1& m = *form;
  m.show();
  CorrectorStructureWindow& structure = *m.Laws->StructureWindow();
  // Each showing of the password window answered by `typed`, or left with « Annuler ».
  int asked = 0;
  std::function<void()> answer;
  auto expectPassword = [&](const QString& typed) {
    answer = [&, typed] {
      if (!pass->isVisible()) return;
      ++asked;
      if (typed.isEmpty()) {
        pass->BitBtn4->click();
        return;
      }
      Enter(pass->Edit6, typed, pass->BitBtn3);
      if (pass->isVisible()) pass->BitBtn4->click();  // a wrong one: leave
    };
    WhenModal([&] { answer(); });
  };
  auto adviceCount = [&] {
    return std::count_if(dialogs.messages.begin(), dialogs.messages.end(), [](const QString& t) {
      return t.contains("celui livré avec le programme") &&
             t.contains("« Paramétrage », « Changer mot de passe »");
    });
  };

  // Locked by default: the commands after the password ones, "Verrouiller" unusable.
  const QList<QAction*> items = m.fichier1->actions();
  ASSERT_EQ(items.size(), 5);
  EXPECT_EQ(items[0], m.Reglagedesplagesdefonctionnement1);
  EXPECT_EQ(items[1], m.Changermotdepasse1);
  EXPECT_EQ(items[3]->text(), "Déverrouiller pour la séance…");
  EXPECT_EQ(items[4]->text(), "Verrouiller");
  EXPECT_TRUE(m.Deverrouillerpourlaseance1->isEnabled());
  EXPECT_FALSE(m.Verrouiller1->isEnabled());

  // A wrong password unlocks nothing, and the teacher is told nothing.
  expectPassword("vantx");
  m.Deverrouillerpourlaseance1->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(m.passwordPurpose, 4);
  EXPECT_FALSE(m.SessionUnlocked());
  EXPECT_EQ(adviceCount(), 0);
  // The teacher's password unlocks; being the shipped one, its change is advised.
  expectPassword("vanto");
  m.Deverrouillerpourlaseance1->trigger();
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(pass->windowTitle(), "Validation du mot de passe pour déverrouiller la séance.");
  EXPECT_TRUE(m.SessionUnlocked());
  EXPECT_EQ(adviceCount(), 1);
  EXPECT_FALSE(m.Deverrouillerpourlaseance1->isEnabled());
  EXPECT_TRUE(m.Verrouiller1->isEnabled());

  // Unlocked: the open loop and the structure without the password, as often as wanted.
  for (int round = 0; round < 2; ++round) {
    expectPassword("");
    m.ouverte1->trigger();
    EXPECT_EQ(m.State.LoopMode, "Ouv");
    EXPECT_EQ(m.Label9->text(), "Boucle ouverte");
    m.ferme1->trigger();
    EXPECT_EQ(m.State.LoopMode, "fermée");
    m.Laws->Structureducorrecteur1->trigger();
    EXPECT_TRUE(structure.isVisible());
    structure.hide();
    QApplication::processEvents();
  }
  EXPECT_EQ(asked, 2);
  // The other teacher's windows keep their password.
  bool granted = false;
  expectPassword("");
  m.RequireTeacherPassword([&] { granted = true; });
  EXPECT_EQ(asked, 3);
  EXPECT_FALSE(granted);

  // Locked again: the password is asked as before, and the advice is not given twice.
  m.Verrouiller1->trigger();
  EXPECT_FALSE(m.SessionUnlocked());
  EXPECT_TRUE(m.Deverrouillerpourlaseance1->isEnabled());
  expectPassword("");
  m.ouverte1->trigger();
  EXPECT_EQ(asked, 4);
  EXPECT_EQ(m.State.LoopMode, "fermée");
  expectPassword("vanto");
  m.Laws->Structureducorrecteur1->trigger();
  EXPECT_EQ(asked, 5);
  EXPECT_TRUE(structure.isVisible());
  EXPECT_EQ(adviceCount(), 1);
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(PasswordWindowTest, AChangedPasswordIsNotAdvisedToBeChanged) {
  TForm1& m = *form;
  SaveSetting("sauvegarde/pamo.rtf", "abcde");
  WhenModal([&] { Enter(pass->Edit6, "abcde", pass->BitBtn3); });
  m.ouverte1->trigger();
  EXPECT_EQ(m.State.LoopMode, "Ouv");
  EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

TEST_F(PasswordWindowTest, TheOpenLoopMenuNeedsThePassword) {
  TForm1& m = *form;
  WhenModal([&] {
    Enter(pass->Edit6, "vantx", pass->BitBtn3);
    QTest::keyClick(pass->Edit6, Qt::Key_Escape);
  });
  m.ouverte1->trigger();
  EXPECT_EQ(m.passwordPurpose, 2);
  EXPECT_EQ(m.State.LoopMode, "fermee");
  EXPECT_EQ(m.Label9->text(), "Boucle fermée");
  EXPECT_TRUE(m.ouverte1->isEnabled());

  WhenModal([&] {
    QTest::keyClicks(pass->Edit6, "vanto");
    QTest::keyClick(pass->Edit6, Qt::Key_Enter, Qt::KeypadModifier);
  });
  m.ouverte1->trigger();
  EXPECT_EQ(m.State.LoopMode, "Ouv");
  EXPECT_EQ(m.Label9->text(), "Boucle ouverte");
  EXPECT_FALSE(m.ouverte1->isEnabled());
  // Back to closed loop without a password.
  m.ferme1->trigger();
  EXPECT_EQ(m.Label9->text(), "Boucle fermée");
  EXPECT_TRUE(m.ouverte1->isEnabled());
}

TEST_F(PasswordWindowTest, AChangeGoesThroughOldNewAndConfirmation) {
  TFormpass& p = Shown(1);
  EXPECT_EQ(p.windowTitle(), "Modification du mot de passe.");
  EXPECT_TRUE(p.Panel11->isHidden());
  EXPECT_FALSE(p.Panel14->isHidden());
  EXPECT_TRUE(OnlyUsable(p.BitBtn1));
  EXPECT_FALSE(p.Edit1->isHidden());
  EXPECT_TRUE(p.Edit2->isHidden());
  EXPECT_TRUE(p.Edit3->isHidden());
  EXPECT_FALSE(p.Label1->isHidden());
  for (QLabel* l : {p.Label2, p.Label3, p.Label4, p.Label5, p.Label6, p.Label8})
    EXPECT_TRUE(l->isHidden()) << l->objectName().toStdString();

  // A wrong old password stays at the first step.
  Enter(p.Edit1, "vantx", p.BitBtn1);
  EXPECT_FALSE(p.Label3->isHidden());
  EXPECT_TRUE(p.Edit1->text().isEmpty());
  EXPECT_TRUE(OnlyUsable(p.BitBtn1));

  Enter(p.Edit1, "Vanto", p.BitBtn1);
  EXPECT_TRUE(p.Label1->isHidden());
  EXPECT_TRUE(p.Label3->isHidden());
  EXPECT_FALSE(p.Label2->isHidden());
  EXPECT_TRUE(p.Edit1->isHidden());
  EXPECT_FALSE(p.Edit2->isHidden());
  EXPECT_TRUE(OnlyUsable(p.BitBtn2));

  // The new password: five characters, no more can be typed, fewer are refused.
  QTest::keyClicks(p.Edit2, "abcdefg");
  EXPECT_EQ(p.Edit2->text(), "abcde");
  Enter(p.Edit2, "abcd", p.BitBtn2);
  EXPECT_FALSE(p.Label8->isHidden());
  EXPECT_EQ(p.Label8->text(), "5 lettres obligatoires");
  EXPECT_TRUE(p.Edit2->text().isEmpty());
  EXPECT_TRUE(OnlyUsable(p.BitBtn2));
  Enter(p.Edit2, "NEW9w", p.BitBtn2);
  EXPECT_EQ(p.NewPassword, "new9w");
  EXPECT_TRUE(p.Label8->isHidden());
  EXPECT_TRUE(p.Label2->isHidden());
  EXPECT_FALSE(p.Label4->isHidden());
  EXPECT_TRUE(p.Edit2->isHidden());
  EXPECT_FALSE(p.Edit3->isHidden());
  EXPECT_TRUE(OnlyUsable(p.BitBtn5));

  // A confirmation that differs goes back to the old password.
  Enter(p.Edit3, "new9x", p.BitBtn5);
  EXPECT_FALSE(p.Label5->isHidden());
  EXPECT_FALSE(p.Label1->isHidden());
  EXPECT_FALSE(p.Edit1->isHidden());
  EXPECT_TRUE(p.Edit1->text().isEmpty());
  EXPECT_TRUE(p.Edit3->isHidden());
  EXPECT_TRUE(p.Label4->isHidden());
  EXPECT_TRUE(OnlyUsable(p.BitBtn1));
  EXPECT_EQ(Stored("sauvegarde/pamo.rtf"), "vanto");

  Enter(p.Edit1, "vanto", p.BitBtn1);
  EXPECT_TRUE(p.Label5->isHidden());
  Enter(p.Edit2, "new9w", p.BitBtn2);
  // Only the first five characters of the confirmation are compared.
  Enter(p.Edit3, "new9wzz", p.BitBtn5);
  EXPECT_FALSE(p.Label6->isHidden());
  EXPECT_EQ(p.Label6->text(), "opération réussie");
  EXPECT_TRUE(p.Edit1->isHidden() && p.Edit2->isHidden() && p.Edit3->isHidden());
  EXPECT_TRUE(OnlyUsable(nullptr));
  EXPECT_EQ(Stored("sauvegarde/pamo.rtf"), "new9w");
  EXPECT_EQ(p.ReferencePassword, "vanto");  // read again at the next showing
  // Enter does nothing once the change is done.
  QTest::keyClick(&p, Qt::Key_Return);
  EXPECT_TRUE(p.isVisible());
  EXPECT_FALSE(p.Label6->isHidden());
  p.close();

  // Only the new password opens the settings now.
  TFormpass& again = Shown(2);
  Enter(again.Edit6, "vanto", again.BitBtn3);
  EXPECT_TRUE(again.isVisible());
  Enter(again.Edit6, "new9w", again.BitBtn3);
  EXPECT_FALSE(again.isVisible());
  EXPECT_EQ(form->State.LoopMode, "Ouv");
}

TEST_F(PasswordWindowTest, EnterValidatesTheCurrentStepAndEscapeOnlyCancelsTheValidation) {
  TFormpass& p = Shown(1);
  QTest::keyClicks(p.Edit1, "vanto");
  QTest::keyClick(p.Edit1, Qt::Key_Return);
  EXPECT_FALSE(p.Edit2->isHidden());
  QTest::keyClicks(p.Edit2, "qwert");
  QTest::keyClick(p.Edit2, Qt::Key_Return);
  EXPECT_FALSE(p.Edit3->isHidden());
  EXPECT_TRUE(p.BitBtn5->isDefault());
  // The change panel has no cancel button: Escape leaves the window open.
  QTest::keyClick(p.Edit3, Qt::Key_Escape);
  EXPECT_TRUE(p.isVisible());
  p.close();
  EXPECT_FALSE(p.isVisible());
  EXPECT_EQ(Stored("sauvegarde/pamo.rtf"), "vanto");

  // A new opening for the change starts again from the old password.
  p.show();
  EXPECT_TRUE(OnlyUsable(p.BitBtn1));
  EXPECT_TRUE(p.Label2->isHidden());
  p.hide();

  TFormpass& v = Shown(0);
  EXPECT_TRUE(v.BitBtn3->isDefault());
  QTest::keyClick(v.Edit6, Qt::Key_Escape);
  EXPECT_FALSE(v.isVisible());
  EXPECT_EQ(v.result(), QDialog::Rejected);
}

TEST_F(PasswordWindowTest, ANewPasswordWithRtfSpecialCharactersOpensTheLockAfterwards) {
  TFormpass& p = Shown(1);
  Enter(p.Edit1, "vanto", p.BitBtn1);
  p.Edit2->setText("{\\É}~");
  EXPECT_EQ(p.Edit2->text(), "{\\é}~");
  p.BitBtn2->click();
  p.Edit3->setText("{\\é}~");
  p.BitBtn5->click();
  ASSERT_FALSE(p.Label6->isHidden());
  p.close();
  TFormpass& v = Shown(2);
  EXPECT_EQ(v.ReferencePassword, "{\\é}~");
  v.Edit6->setText("{\\é}~");
  v.BitBtn3->click();
  EXPECT_FALSE(v.isVisible());
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(PasswordWindowTest, AnUnreadablePasswordFileIsReportedAndOpensNothing) {
  std::filesystem::remove(Path("sauvegarde/pamo.rtf"));
  TFormpass& p = Shown(2);
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Impossible d'ouvrir le fichier sauvegarde/pamo.rtf.");
  EXPECT_TRUE(p.isVisible());
  EXPECT_EQ(p.windowTitle(), "mot de passe");  // the rest of the showing was skipped
  EXPECT_TRUE(p.ReferencePassword.isEmpty());
  // An empty entry does not match the password that could not be read.
  Enter(p.Edit6, "", p.BitBtn3);
  EXPECT_TRUE(p.isVisible());
  EXPECT_FALSE(p.Label16->isHidden());
  EXPECT_EQ(form->State.LoopMode, "fermee");

  // A password read at an earlier showing does not open the lock once the file is gone.
  p.hide();
  SaveSetting("sauvegarde/pamo.rtf", "vanto");
  p.show();
  p.hide();
  std::filesystem::remove(Path("sauvegarde/pamo.rtf"));
  p.show();
  Enter(p.Edit6, "vanto", p.BitBtn3);
  EXPECT_TRUE(p.isVisible());

  // Neither does an empty password file.
  p.hide();
  WritePlainFile("sauvegarde/pamo.rtf", "");
  p.show();
  ASSERT_EQ(dialogs.errors.size(), 3);
  EXPECT_EQ(dialogs.errors[2], "Le fichier sauvegarde/pamo.rtf ne contient aucun mot de passe.");
  Enter(p.Edit6, "", p.BitBtn3);
  EXPECT_TRUE(p.isVisible());
  EXPECT_FALSE(p.ReferenceRead());
}

TEST_F(PasswordWindowTest, APasswordThatCannotBeSavedKeepsTheConfirmationStep) {
  TFormpass& p = Shown(1);
  Enter(p.Edit1, "vanto", p.BitBtn1);
  Enter(p.Edit2, "zorro", p.BitBtn2);
  BlockWrites("sauvegarde/pamo.rtf");
  Enter(p.Edit3, "zorro", p.BitBtn5);
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Impossible de créer le fichier sauvegarde/pamo.rtf.");
  EXPECT_FALSE(p.Edit3->isHidden());
  EXPECT_TRUE(OnlyUsable(p.BitBtn5));
  EXPECT_TRUE(p.Label6->isHidden());
  UnblockWrites("sauvegarde/pamo.rtf");
  Enter(p.Edit3, "zorro", p.BitBtn5);
  EXPECT_FALSE(p.Label6->isHidden());
  EXPECT_EQ(Stored("sauvegarde/pamo.rtf"), "zorro");
}

TEST(PasswordCharacters, CountAndCutWholeCharacters) {
  const QString text = QString("ab") + QString::fromUcs4(U"\U0001F600") + "cd";
  EXPECT_EQ(CharacterCount(text), 5);
  EXPECT_EQ(FirstCharacters(text, 3), QString("ab") + QString::fromUcs4(U"\U0001F600"));
  EXPECT_EQ(FirstCharacters(text, 2), "ab");
  EXPECT_EQ(FirstCharacters("abc", 5), "abc");
}

}  // namespace
}  // namespace vantor::testing
