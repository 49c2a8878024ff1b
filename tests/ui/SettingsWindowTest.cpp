// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window TForm4 on the main window, with the shipped settings copied to a
// temporary working directory.
#include <QTest>

#include "RecordingWorkstation.h"
#include "ScriptedLine.h"
#include "SettingsFixture.h"
#include "card/UsbBoard.h"
#include "common/Numbers.h"
#include "settings/CardChoiceDialog.h"

namespace vantor::testing {
namespace {

class SettingsWindowTest : public SettingsFixture {
 protected:
  // Shows the window as the password window does, refilling it from the files.
  TForm4& Shown() {
    form4->show();
    return *form4;
  }
};

TEST_F(SettingsWindowTest, ShowingRefillsEveryControlWithTheCharactersRead) {
  TForm4& w = Shown();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(w.windowTitle(), "Réglage ");
  EXPECT_EQ(w.RadioGroup1->ItemIndex(), 3);
  EXPECT_EQ(w.RadioGroup2->ItemIndex(), 1);
  EXPECT_EQ(w.RadioGroup3->ItemIndex(), 0);
  EXPECT_EQ(w.Edit1->text(), "$330");
  EXPECT_EQ(w.Edit2->text(), "$340");
  EXPECT_EQ(w.Edit3->text(), "8.00");
  EXPECT_EQ(w.Edit9->text(), "7.00");
  EXPECT_EQ(w.Edit6->text(), "2.00");
  EXPECT_EQ(w.Edit8->text(), "1.50");
  EXPECT_EQ(w.Edit5->text(), "10.0");  // 10.00 cut to four characters
  EXPECT_EQ(w.Edit4->text(), "-10.");  // -10.00 cut to four characters
  EXPECT_FALSE(w.Label4->isHidden());
  EXPECT_TRUE(w.Label5->isHidden());
  EXPECT_TRUE(w.Label9->isHidden());

  // Edits typed but not validated are lost at the next showing; the address texts
  // return to the instructions; the step warning keeps its visibility.
  w.Edit3->setText("9");
  w.BitBtn2->click();
  w.BitBtn1->click();
  w.Edit8->setText("1");
  w.RadioGroup1->SetItemIndex(5);
  w.hide();
  w.show();
  EXPECT_EQ(w.Edit8->text(), "1.50");
  EXPECT_EQ(w.Edit3->text(), "8.00");
  EXPECT_EQ(w.RadioGroup1->ItemIndex(), 3);
  EXPECT_FALSE(w.Label4->isHidden());
  EXPECT_TRUE(w.Label5->isHidden());
  EXPECT_FALSE(w.Label9->isHidden());
}

TEST_F(SettingsWindowTest, TheRedTextsKeepTheirLinesInsideTheirHalves) {
  TForm4& w = Shown();
  w.Edit3->setText("9");
  w.BitBtn2->click();
  QApplication::processEvents();
  ASSERT_FALSE(w.Label9->isHidden());
  // Four lines for the step warning, three for the note, none wrapped or cut, and clear
  // of the right border of their half.
  for (const auto& [label, count] : {std::pair{w.Label9, 4}, std::pair{w.Label13, 3}}) {
    SCOPED_TRACE(label->objectName().toStdString());
    const QStringList lines = label->text().split("\r\n");
    ASSERT_EQ(lines.size(), count);
    const QFontMetrics metrics(label->font());
    for (const QString& line : lines)
      EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width())
          << line.toStdString();
    EXPECT_LT(label->height(), metrics.lineSpacing() * (count + 1));
    const QWidget* half = label->parentWidget();
    EXPECT_LE(label->geometry().right(), half->contentsRect().right() - 2);
  }
}

TEST_F(SettingsWindowTest, RangeIndexesOutsideTheButtonsClampOrClearTheSelection) {
  EXPECT_EQ(RangeIndexFromText("2.50"), 2);  // halves to even
  EXPECT_EQ(RangeIndexFromText("3.50"), 4);
  SaveSetting("sauvegarde/rd1itind.rtf", "-3.00");
  SaveSetting("sauvegarde/rd2itind.rtf", "8.00");
  TForm4& w = Shown();
  EXPECT_EQ(w.RadioGroup1->ItemIndex(), -1);
  EXPECT_EQ(w.RadioGroup2->ItemIndex(), 5);
}

TEST_F(SettingsWindowTest, AFileThatCannotBeReadStopsTheRefillButTheWindowIsShown) {
  std::filesystem::remove(Path("sauvegarde/finalech.rtf"));
  form4->Edit3->setText("x");
  form4->Edit9->setText("y");
  TForm4& w = Shown();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Impossible d'ouvrir le fichier sauvegarde/finalech.rtf.");
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.Edit2->text(), "$340");  // read before the failure
  EXPECT_EQ(w.Edit3->text(), "x");     // not refilled
  EXPECT_EQ(w.Edit9->text(), "y");
}

TEST_F(SettingsWindowTest, StepLimitAcceptsZeroToEightAndWarnsOtherwise) {
  TForm4& w = Shown();
  TForm1& m = *form;
  // The main window's step field becomes three quarters of the limit, halves to even.
  const std::pair<const char*, const char*> steps[] = {{"8", "6"}, {"5", "4"}, {"6", "4"},
                                                       {"2", "2"}, {"1", "1"}, {"0", "0"}};
  for (const auto& [limit, field] : steps) {
    w.Edit3->setText(limit);
    w.BitBtn2->click();
    EXPECT_EQ(m.Edit5->text(), field) << limit;
    EXPECT_EQ(m.Label4->text(), QString("Amplitude (0 à ") + limit + ")");
    EXPECT_EQ(Stored("sauvegarde/finalech.rtf"), FormatFixed2(StrToFloat(limit)));
  }
  EXPECT_TRUE(w.Label9->isHidden());

  w.Edit3->setText("8");
  w.BitBtn2->click();
  for (const char* bad : {"8.01", "-0.5"}) {
    m.Edit5->setText("5");
    w.Edit3->setText(bad);
    w.BitBtn2->click();
    EXPECT_FALSE(w.Label9->isHidden()) << bad;
    EXPECT_EQ(m.State.finalech, 8.0L);
    EXPECT_EQ(m.Edit5->text(), "5");
    EXPECT_EQ(m.Label4->text(), "Amplitude (0 à 8)");
    EXPECT_EQ(Stored("sauvegarde/finalech.rtf"), "8.00");
  }
  // A valid value does not hide the warning again.
  w.Edit3->setText("0");
  w.BitBtn2->click();
  EXPECT_EQ(m.State.finalech, 0.0L);
  EXPECT_EQ(m.Edit5->text(), "0");
  EXPECT_FALSE(w.Label9->isHidden());
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(SettingsWindowTest, OrderLimitsKeepTheMinimumUnderTheMaximum) {
  TForm4& w = Shown();
  TForm1& m = *form;
  w.Edit4->setText("5");
  w.Edit5->setText("3");
  w.BitBtn3->click();
  EXPECT_EQ(w.Edit4->text(), "3.00");
  EXPECT_EQ(Stored("sauvegarde/ordremaxi.rtf"), "3.00");
  EXPECT_EQ(Stored("sauvegarde/ordremini.rtf"), "3.00");
  EXPECT_EQ(m.State.ordremini, 3.0L);
  EXPECT_EQ(m.Label16->text(), "Limites de l'ordre de commande:3volts / 3volts");

  // A stored -10.00 shows as "-10." and is saved back as -10.00.
  SaveSetting("sauvegarde/ordremini.rtf", "-10.00");
  SaveSetting("sauvegarde/ordremaxi.rtf", "2.50");
  w.hide();
  w.show();
  ASSERT_EQ(w.Edit4->text(), "-10.");
  w.BitBtn3->click();
  EXPECT_EQ(Stored("sauvegarde/ordremini.rtf"), "-10.00");
  EXPECT_EQ(Stored("sauvegarde/ordremaxi.rtf"), "2.50");
  EXPECT_EQ(m.Label16->text(), "Limites de l'ordre de commande:-10volts / 2.5volts");
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(SettingsWindowTest, AnInvalidMinimumLeavesTheNewMaximumApplied) {
  TForm4& w = Shown();
  TForm1& m = *form;
  w.Edit5->setText("9");
  w.Edit4->setText("abc");
  w.BitBtn3->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "'abc' n'est pas une valeur en virgule flottante correcte.");
  EXPECT_EQ(m.State.ordremaxi, 9.0L);
  EXPECT_EQ(Stored("sauvegarde/ordremaxi.rtf"), "9.00");
  EXPECT_EQ(m.State.ordremini, -10.0L);
  EXPECT_EQ(Stored("sauvegarde/ordremini.rtf"), "-10.00");
  EXPECT_EQ(m.Label16->text(), "Limites de l'ordre de commande:-10volts / 10volts");
}

TEST_F(SettingsWindowTest, AnOrderLimitTheNextStartWouldReadDifferentlyIsRefused) {
  TForm4& w = Shown();
  TForm1& m = *form;
  // 1e-3 would be saved as 0.00, and -.25 as -0.25 read back from "-0.2".
  w.Edit5->setText("1e-3");
  w.Edit4->setText("-5");
  w.BitBtn3->click();
  EXPECT_EQ(m.State.ordremaxi, 10.0L);
  EXPECT_EQ(Stored("sauvegarde/ordremaxi.rtf"), "10.00");
  w.Edit5->setText("8");
  w.Edit4->setText("-.25");
  w.BitBtn3->click();
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_EQ(dialogs.errors[0].toStdString(),
            "Limite '1e-3' refusée : elle serait relue 0.00 au prochain démarrage du programme. "
            "Saisir 4 caractères au plus, avec deux décimales au plus.");
  EXPECT_TRUE(dialogs.errors[1].startsWith("Limite '-.25' refusée : elle serait relue -0.2 "));
  // The maximum before the refused minimum is applied; the minimum is not.
  EXPECT_EQ(m.State.ordremaxi, 8.0L);
  EXPECT_EQ(m.State.ordremini, -10.0L);
  EXPECT_EQ(Stored("sauvegarde/ordremini.rtf"), "-10.00");
  EXPECT_EQ(m.Label16->text(), "Limites de l'ordre de commande:-10volts / 10volts");
  // Exponents whose saved form reads back the same are accepted: 1e5 is saved as 1E5.
  w.Edit5->setText("1e5");
  w.Edit4->setText("-1e1");
  w.BitBtn3->click();
  EXPECT_EQ(dialogs.errors.size(), 2);
  EXPECT_EQ(Stored("sauvegarde/ordremaxi.rtf"), "1E5");
  EXPECT_EQ(StrToFloat(LoadSetting("sauvegarde/ordremaxi.rtf", 4)), 100000.0L);
  EXPECT_EQ(Stored("sauvegarde/ordremini.rtf"), "-10.00");
}

TEST_F(SettingsWindowTest, PeriodicLimitsAreCorrectedSilentlyAndShownAtOnce) {
  TForm4& w = Shown();
  TForm1& m = *form;
  m.Edit7->setText("2.5");
  w.Edit8->setText("5");
  w.Edit9->setText("2");
  w.Edit6->setText("1");
  w.BitBtn4->click();
  EXPECT_EQ(w.Edit8->text(), "3");
  EXPECT_EQ(w.Edit9->text(), "3");
  EXPECT_EQ(w.Edit6->text(), "2");
  EXPECT_EQ(Stored("sauvegarde/amplimaxi.rtf"), "3.00");
  EXPECT_EQ(Stored("sauvegarde/valmoymaxi.rtf"), "3.00");
  EXPECT_EQ(Stored("sauvegarde/valmoymini.rtf"), "2.00");
  EXPECT_EQ(m.Label14->text(), "Amplitude (0.1 à 3)");
  EXPECT_EQ(m.Edit7->text(), "0.1");
  EXPECT_EQ(m.Label7->text(), "Valeur moyenne: (2à3)");
  EXPECT_EQ(m.Edit6->text(), "2");

  w.Edit8->setText("0.05");
  w.Edit9->setText("4");
  w.Edit6->setText("6");
  w.BitBtn4->click();
  EXPECT_EQ(w.Edit8->text(), "0.1");
  EXPECT_EQ(Stored("sauvegarde/amplimaxi.rtf"), "0.10");
  EXPECT_EQ(m.State.amplimaxi, 0.1L);
  EXPECT_EQ(w.Edit9->text(), "4");
  EXPECT_EQ(w.Edit6->text(), "4.00");
  EXPECT_EQ(Stored("sauvegarde/valmoymini.rtf"), "4.00");
  EXPECT_EQ(m.Label14->text(), "Amplitude (0.1 à 0.1)");
  EXPECT_EQ(m.Label7->text(), "Valeur moyenne: (4à4)");
  EXPECT_EQ(m.Edit6->text(), "4");

  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(SettingsWindowTest, AnInvalidPeriodicFieldKeepsWhatWasAlreadyApplied) {
  TForm4& w = Shown();
  TForm1& m = *form;
  m.Edit7->setText("2.5");
  w.Edit8->setText("2");
  w.Edit9->setText("?");
  w.Edit6->setText("3");
  w.BitBtn4->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "'?' n'est pas une valeur en virgule flottante correcte.");
  EXPECT_EQ(Stored("sauvegarde/amplimaxi.rtf"), "2.00");
  EXPECT_EQ(m.Edit7->text(), "0.1");
  EXPECT_EQ(Stored("sauvegarde/valmoymaxi.rtf"), "7.00");
  EXPECT_EQ(m.Label7->text(), "Valeur moyenne: (2à7)");

  w.Edit9->setText("5");
  w.Edit6->setText("");
  w.BitBtn4->click();
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_EQ(m.State.valmoymaxi, 5.0L);
  EXPECT_EQ(Stored("sauvegarde/valmoymaxi.rtf"), "5.00");
  EXPECT_EQ(m.State.valmoymini, 2.0L);
  EXPECT_EQ(m.Label7->text(), "Valeur moyenne: (2à7)");
}

TEST_F(SettingsWindowTest, AddressesAreSavedAsTypedAndTakeEffectAtTheNextStart) {
  TForm4& w = Shown();
  w.Edit1->setText("3300");
  w.Edit2->setText("$350");
  w.BitBtn1->click();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(w.Label4->isHidden());
  EXPECT_FALSE(w.Label5->isHidden());
  EXPECT_EQ(Stored("sauvegarde/adr1.rtf"), "3300");
  EXPECT_EQ(Stored("sauvegarde/adr2.rtf"), "$350");
  EXPECT_EQ(form->ADR1, 816);  // the running card keeps its addresses
  w.hide();
  w.show();
  EXPECT_EQ(w.Edit1->text(), "3300");
  EXPECT_FALSE(w.Label4->isHidden());

  form4 = nullptr;
  pass = nullptr;
  TForm1& next = CreateMainWindow();
  EXPECT_EQ(next.ADR1, 3300);
  EXPECT_EQ(next.ADR2, 0x350);
}

TEST_F(SettingsWindowTest, AnAddressTheNextStartCouldNotReadIsRefusedAndNothingSaved) {
  TForm4& w = Shown();
  // "$0340" would be read back as "$034" (52); "zz" would stop the next start.
  const std::pair<const char*, const char*> cases[] = {
      {"$330", "$0340"}, {"zz", "$340"}, {"$330", "-5"}, {"$330", "$340 "}};
  for (const auto& [adr1, adr2] : cases) {
    w.Edit1->setText(adr1);
    w.Edit2->setText(adr2);
    w.BitBtn1->click();
    EXPECT_FALSE(w.Label4->isHidden()) << adr1 << " " << adr2;
  }
  ASSERT_EQ(dialogs.errors.size(), 4);
  EXPECT_EQ(dialogs.errors[0].toStdString(),
            "Adresse '$0340' refusée : seuls les 4 premiers caractères ('$034') seraient relus au "
            "prochain démarrage du programme. Saisir par exemple $330.");
  EXPECT_EQ(dialogs.errors[1], "'zz' n'est pas une valeur entière correcte.");
  EXPECT_TRUE(dialogs.errors[2].startsWith("Adresse '-5' refusée"));
  EXPECT_EQ(Stored("sauvegarde/adr1.rtf"), "$330");
  EXPECT_EQ(Stored("sauvegarde/adr2.rtf"), "$340");
}

TEST_F(SettingsWindowTest, ClosingUntouchedRewritesTheSixGainRangeFiles) {
  TForm4& w = Shown();
  for (const char* file : {"kpmax", "kdmax", "kimax", "rd1itind", "rd2itind", "rd3itind"})
    std::filesystem::remove(Path(std::string("sauvegarde/") + file + ".rtf"));
  w.close();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(Stored("sauvegarde/kpmax.rtf"), "16.00");
  EXPECT_EQ(Stored("sauvegarde/kdmax.rtf"), "4.00");
  EXPECT_EQ(Stored("sauvegarde/kimax.rtf"), "2.00");
  EXPECT_EQ(Stored("sauvegarde/rd1itind.rtf"), "3.00");
  EXPECT_EQ(Stored("sauvegarde/rd2itind.rtf"), "1.00");
  EXPECT_EQ(Stored("sauvegarde/rd3itind.rtf"), "0.00");
}

// Two programs on one working folder: this window opens, the other program sets Kp's
// range to 64 and closes; this window, closed untouched, leaves that change alone, and
// still writes the range the teacher chose here.
TEST_F(SettingsWindowTest, ClosingUntouchedKeepsAnotherProgramsChange) {
  TForm4& w = Shown();
  SaveSetting("sauvegarde/kpmax.rtf", "64.00");
  SaveSetting("sauvegarde/rd1itind.rtf", "5.00");
  SaveSetting("sauvegarde/kdmax.rtf", "16.00");
  SaveSetting("sauvegarde/rd2itind.rtf", "3.00");
  w.RadioGroup2->Item(2)->click();
  w.close();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(Stored("sauvegarde/kpmax.rtf"), "64.00");
  EXPECT_EQ(Stored("sauvegarde/rd1itind.rtf"), "5.00");
  EXPECT_EQ(Stored("sauvegarde/kdmax.rtf"), "8.00");
  EXPECT_EQ(Stored("sauvegarde/rd2itind.rtf"), "2.00");
}

TEST_F(SettingsWindowTest, NewRangesReachTheMainWindowAndBoundTheNextRun) {
  TForm4& w = Shown();
  TForm1& m = *form;
  w.RadioGroup1->Item(0)->click();
  w.RadioGroup2->Item(5)->click();
  w.RadioGroup3->Item(2)->click();
  // Escape closes the window through the same closing handler.
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(m.Label3->text(), "Kp (0 à 2)");
  EXPECT_EQ(m.Label5->text(), "Kd (0 à 64) en seconde");
  EXPECT_EQ(m.Label6->text(), "Ki (0 à 8) en (1/seconde)");
  EXPECT_EQ(m.State.kpmax, 2);
  EXPECT_EQ(m.State.kdmax, 64);
  EXPECT_EQ(m.State.kimax, 8);
  EXPECT_EQ(Stored("sauvegarde/kdmax.rtf"), "64.00");
  EXPECT_EQ(Stored("sauvegarde/rd2itind.rtf"), "5.00");

  // The gains already typed are bounded by the new ranges at the next "Début".
  m.Edit1->setText("5");
  m.Edit2->setText("100");
  m.Edit3->setText("7");
  m.Button5->click();
  EXPECT_EQ(m.Edit1->text(), "2");
  EXPECT_EQ(m.Edit2->text(), "64");
  EXPECT_EQ(m.Edit3->text(), "7");
  EXPECT_EQ(m.State.Kd, 64.0L);
}

TEST_F(SettingsWindowTest, NoSelectionKeepsTheRangeAndSavesMinusOne) {
  TForm4& w = Shown();
  w.RadioGroup2->SetItemIndex(-1);
  w.close();
  EXPECT_EQ(form->State.kdmax, 4);
  EXPECT_EQ(form->Label5->text(), "Kd (0 à 4) en seconde");
  EXPECT_EQ(Stored("sauvegarde/kdmax.rtf"), "4.00");
  EXPECT_EQ(Stored("sauvegarde/rd2itind.rtf"), "-1.00");
  w.show();
  EXPECT_EQ(w.RadioGroup2->ItemIndex(), -1);
}

TEST_F(SettingsWindowTest, AFailedWriteOnClosingKeepsTheWindowOpenAndRetriesEverything) {
  TForm4& w = Shown();
  TForm1& m = *form;
  w.RadioGroup1->Item(4)->click();
  w.RadioGroup3->Item(1)->click();
  BlockWrites("sauvegarde/kdmax.rtf");
  dialogs.confirmAnswers = {false, false};  // stay, to try again
  w.close();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Impossible de créer le fichier sauvegarde/kdmax.rtf.");
  EXPECT_TRUE(w.isVisible());
  // What was done before the failure stays done; Ki was not reached.
  EXPECT_EQ(m.Label3->text(), "Kp (0 à 32)");
  EXPECT_EQ(Stored("sauvegarde/kpmax.rtf"), "32.00");
  EXPECT_EQ(m.Label5->text(), "Kd (0 à 4) en seconde");
  EXPECT_EQ(m.Label6->text(), "Ki (0 à 2) en (1/seconde)");
  EXPECT_EQ(Stored("sauvegarde/kimax.rtf"), "2.00");

  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(dialogs.errors.size(), 2);
  EXPECT_TRUE(w.isVisible());

  UnblockWrites("sauvegarde/kdmax.rtf");
  w.close();
  EXPECT_EQ(dialogs.errors.size(), 2);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(Stored("sauvegarde/kdmax.rtf"), "4.00");
  EXPECT_EQ(Stored("sauvegarde/kimax.rtf"), "4.00");
  EXPECT_EQ(m.Label6->text(), "Ki (0 à 4) en (1/seconde)");
}

TEST_F(SettingsWindowTest, AfterAFailedSaveTheWindowCanBeClosedWithoutSaving) {
  TForm4& w = Shown();
  w.RadioGroup1->Item(4)->click();
  // The whole folder read-only: every closing fails.
  BlockWrites("sauvegarde/kpmax.rtf");
  dialogs.confirmAnswers = {true};
  w.close();
  ASSERT_EQ(dialogs.errors.size(), 1);
  ASSERT_EQ(dialogs.confirmations.size(), 1);
  EXPECT_TRUE(dialogs.confirmations[0].contains("n'ont pas été écrits"));
  EXPECT_TRUE(dialogs.confirmations[0].endsWith("Fermer la fenêtre sans enregistrer ?"));
  EXPECT_FALSE(w.isVisible());
  // What was applied before the failure stays applied in memory.
  EXPECT_EQ(form->State.kpmax, 32);
  EXPECT_EQ(form->Label3->text(), "Kp (0 à 32)");
}

TEST_F(SettingsWindowTest, AnUnreadableRangeFileWipesNoOtherRange) {
  std::filesystem::remove(Path("sauvegarde/rd1itind.rtf"));
  const std::string kd = Stored("sauvegarde/rd2itind.rtf");
  const std::string ki = Stored("sauvegarde/rd3itind.rtf");
  TForm4& w = Shown();
  ASSERT_EQ(dialogs.errors.size(), 1);
  w.close();
  EXPECT_FALSE(w.isVisible());
  // Nothing that was not read is written back.
  EXPECT_FALSE(std::filesystem::exists(Path("sauvegarde/rd1itind.rtf")));
  EXPECT_EQ(Stored("sauvegarde/rd2itind.rtf"), kd);
  EXPECT_EQ(Stored("sauvegarde/rd3itind.rtf"), ki);
  EXPECT_EQ(Stored("sauvegarde/kpmax.rtf"), "16.00");
  EXPECT_EQ(form->State.kpmax, 16);

  // A range the teacher then chooses is saved.
  w.show();
  w.RadioGroup1->Item(2)->click();
  w.close();
  EXPECT_EQ(Stored("sauvegarde/rd1itind.rtf"), "2.00");
  EXPECT_EQ(Stored("sauvegarde/kpmax.rtf"), "8.00");
}

TEST_F(SettingsWindowTest, AMissingSettingsFolderKeepsTheWindowOpenWithTheError) {
  TForm4& w = Shown();
  std::filesystem::remove_all(Path("sauvegarde"));
  dialogs.confirmAnswers = {false};  // stay, to try again
  bool visibleAfterFailure = false;
  WhenModal([&] {
    // Nothing could be read; the teacher chooses the Kp range.
    w.RadioGroup1->Item(1)->click();
    w.close();
    visibleAfterFailure = w.isVisible();
    std::filesystem::create_directory(Path("sauvegarde"));
    w.close();
  });
  w.hide();
  const int result = w.exec();
  EXPECT_TRUE(visibleAfterFailure);
  EXPECT_EQ(result, QDialog::Rejected);
  ASSERT_GE(dialogs.errors.size(), 2);  // the refill of the showing, then the closing
  EXPECT_EQ(dialogs.errors.last(), "Impossible de créer le fichier sauvegarde/kpmax.rtf.");
  EXPECT_EQ(Stored("sauvegarde/rd1itind.rtf"), "1.00");
  EXPECT_FALSE(std::filesystem::exists(Path("sauvegarde/rd3itind.rtf")));
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

class CardChoiceTest : public SettingsFixture {};

TEST_F(CardChoiceTest, TheTeacherSavesABoardPortAndChecksTheCardWithALoopbackWire) {
  form4->show();
  form4->CardButton->click();
  CardChoiceDialog* d = form4->CardDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->IsaButton->isChecked());  // nothing saved: the ISA card
  EXPECT_FALSE(d->PortBox->isEnabled());

  // A USB board without a port is refused, and nothing is written.
  d->UsbButton->setChecked(true);
  d->PortBox->setEditText("  ");
  d->SaveButton->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("sauvegarde/carte.rtf")));
  d->PortBox->setEditText("/dev/ttyACM3");
  d->SaveButton->click();
  EXPECT_EQ(Stored("sauvegarde/carte.rtf"), "usb:/dev/ttyACM3");
  // Shown again, the window selects the card in service (the ISA card's register map here)
  // and names the choice saved for the next start-up.
  d->Refill();
  EXPECT_TRUE(d->IsaButton->isChecked());
  EXPECT_TRUE(d->InUse->text().contains("carte ISA"));
  EXPECT_TRUE(d->Note->text().contains("interface USB sur /dev/ttyACM3"))
      << d->Note->text().toStdString();

  // The check on the card in use: nothing comes back without the wire, all five levels
  // with it.
  d->DiagnosticButton->click();
  EXPECT_EQ(d->DiagnosticTable->rowCount(), 5);
  EXPECT_FALSE(d->LastDiagnostic().WithinTolerance());
  card.SetOutput1Loopback(true);
  d->DiagnosticButton->click();
  EXPECT_TRUE(d->LastDiagnostic().WithinTolerance());
  EXPECT_EQ(d->DiagnosticTable->item(4, 0)->text(), "10.00");
  EXPECT_EQ(card.Output1Count(), 0);
  EXPECT_EQ(card.Output2Count(), 2048);
  EXPECT_EQ(dialogs.errors.size(), 1);
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

using CardInServiceTest = WorkstationFixture;

TEST_F(CardInServiceTest, TheUsbBoardInServiceIsTheChoiceShownWhenNothingIsSaved) {
  // Started with --carte usb:..., no choice saved (which stands for the ISA card).
  ASSERT_FALSE(std::filesystem::exists("sauvegarde/carte.rtf"));
  RecordingWorkstation station;
  station.session->SetCard(std::make_unique<UsbBoard>(std::make_unique<ScriptedLine>()));
  CardChoiceDialog d(station, &station.window);
  d.Refill();
  EXPECT_TRUE(d.InUse->text().startsWith("En service : interface USB sur /dev/ttyTEST"));
  EXPECT_TRUE(d.UsbButton->isChecked());
  EXPECT_FALSE(d.IsaButton->isChecked());
  EXPECT_TRUE(d.PortBox->isEnabled());
  EXPECT_EQ(d.PortBox->currentText(), "/dev/ttyTEST");
  EXPECT_EQ(d.ShownChoice(), CardChoice::Usb("/dev/ttyTEST"));
  // The saved choice that differs is named, for the next start-up without --carte.
  EXPECT_TRUE(d.Note->text().contains("carte ISA")) << d.Note->text().toStdString();

  // Saved as it is in service, the note has nothing more to say.
  d.SaveButton->click();
  d.Refill();
  EXPECT_TRUE(d.UsbButton->isChecked());
  EXPECT_FALSE(d.Note->text().contains("prochain démarrage sans option"));
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

}  // namespace
}  // namespace vantor::testing
