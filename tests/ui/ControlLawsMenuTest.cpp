// SPDX-License-Identifier: GPL-3.0-or-later
// The relay test and the corrector's structure from the "Essais" menu, on the simulated
// position motor: the test runs and stops itself, its gains go into the fields within
// their bounds, the structure applies to the next runs and manual mode holds the order.
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "SettingsFixture.h"
#include "common/Numbers.h"
#include "mainwindow/ControlLawsMenu.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "simulation/ProcessRegistry.h"

namespace vantor::testing {
namespace {

using ControlLawsMenuTest = WorkstationFixture;

TEST_F(ControlLawsMenuTest, TheRelayTestStopsItselfAndItsGainsGoIntoTheBoundedFields) {
  TForm1& f = CreateMainWindow();
  f.show();
  ControlLawsMenu& laws = *f.Laws;
  // In "Essais", after its run files (the export last) and before the journal.
  const QList<QAction*> items = f.Trials->Essais1->actions();
  const auto at = items.indexOf(f.Trials->Exporterpourletableur1);
  ASSERT_GE(at, 0);
  EXPECT_TRUE(items[at + 1]->isSeparator());
  EXPECT_EQ(items[at + 2], laws.Essaiderelais1);
  EXPECT_EQ(items[at + 4], laws.Reponsefrequentielle1);
  EXPECT_TRUE(items[at + 5]->isSeparator());
  EXPECT_EQ(items[at + 6], f.Trials->Journaldelaseance1);

  f.Button1->click();  // a 6 V step
  laws.Essaiderelais1->trigger();
  RelayTestWindow& w = *laws.RelayWindow();
  ASSERT_TRUE(w.isVisible());
  w.EditD->setText("2");
  w.EditEpsilon->setText("0.05");
  w.EditBias->setText("0");
  bool launchDisabled = false;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!f.Button5->isEnabled())  // during the run
      launchDisabled = !w.ButtonLaunch->isEnabled();
  });
  timer.start();
  w.ButtonLaunch->click();
  timer.stop();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(launchDisabled);
  const Trial* run = f.Trials->ShownRun();
  ASSERT_NE(run, nullptr);
  EXPECT_LT(run->LastEntry, 1200);  // stopped itself, no "Fin"
  EXPECT_EQ(f.State.Law, nullptr);  // the next runs have the main window's corrector again
  EXPECT_NE(f.Trials->ShownRunCaption().find("essai de relais"), std::string::npos);
  ASSERT_EQ(w.Proposals->rowCount(), 5) << w.LabelResult->text().toStdString();
  // The critical gain and period under their French names.
  EXPECT_TRUE(w.LabelResult->text().contains("gain critique Kc ="));
  EXPECT_TRUE(w.LabelResult->text().contains("période critique Tc ="));
  const RelayResult r = AnalyseRelay(*run, {2, 0.05, 0});
  ASSERT_TRUE(r.Measured);

  // Ziegler–Nichols' PID: its Kd is beyond the 0-4 range, the field takes the bound.
  w.Proposals->selectRow(2);
  w.ButtonApply->click();
  const GainProposal& pid = r.Proposals[2];
  EXPECT_EQ(f.Edit1->text().toStdString(),
            FormatShort(std::min<long double>(pid.Kp, f.State.kpmax)));
  EXPECT_EQ(f.Edit3->text().toStdString(),
            FormatShort(std::min<long double>(pid.Ki(), f.State.kimax)));
  EXPECT_EQ(f.Edit2->text().toStdString(),
            FormatShort(std::min<long double>(pid.Kd(), f.State.kdmax)));

  // A relay that cannot be: the field named, nothing run.
  w.EditD->setText("O,5");
  w.ButtonLaunch->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("Amplitude du relais d"));
  EXPECT_EQ(f.Trials->ShownRun(), run);
}

using ControlLawsPasswordTest = SettingsFixture;

TEST_F(ControlLawsPasswordTest, TheStructureOpensBehindThePasswordAndHoldsTheOrderInManual) {
  TForm1& f = *form;
  f.show();
  ControlLawsMenu& laws = *f.Laws;
  CorrectorStructureWindow& w = *laws.StructureWindow();
  // A wrong password leaves it closed; the teacher's opens it.
  for (const char* typed : {"vantx", "vanto"}) {
    WhenModal([&, typed] {
      pass->Edit6->setText(typed);
      pass->BitBtn3->click();
      if (pass->isVisible()) pass->BitBtn4->click();
    });
    laws.Structureducorrecteur1->trigger();
    EXPECT_EQ(w.isVisible(), std::string(typed) == "vanto") << typed;
  }
  w.RadioIndustrial->setChecked(true);
  w.EditWeight->setText("2");
  w.ButtonApply->click();
  ASSERT_EQ(dialogs.errors.size(), 1);  // b beyond 1: refused, nothing changed
  EXPECT_EQ(f.State.Law, nullptr);
  dialogs.errors.clear();
  w.EditWeight->setText("1");
  // The standard's words: the workstation's own action, the default, is reverse; clamping
  // is conditional integration.
  EXPECT_TRUE(w.ComboAction->itemText(0).startsWith("inverse : l'ordre monte quand la mesure"));
  EXPECT_TRUE(w.ComboAction->itemText(1).startsWith("directe"));
  EXPECT_TRUE(w.ComboWindup->itemText(1).startsWith("intégration conditionnelle"));
  w.ComboWindup->setCurrentIndex(1);
  w.ButtonApply->click();
  ASSERT_EQ(f.State.Law, &laws.Industrial());
  EXPECT_EQ(laws.Industrial().Settings().Windup, AntiWindup::Clamping);

  f.Button1->click();
  f.Edit1->setText("2");
  int turns = 0;
  bool structureFixed = false;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++turns;
    if (turns == 100) {
      structureFixed = !w.ButtonApply->isEnabled() && w.CheckManual->isEnabled();
      w.CheckManual->setChecked(true);  // the order in force becomes the manual order
    }
    if (turns == 200) w.CheckManual->setChecked(false);
    if (turns == 300) f.Button6->click();
  });
  timer.start();
  f.Button5->click();
  timer.stop();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(structureFixed);
  const Trial* run = f.Trials->ShownRun();
  ASSERT_NE(run, nullptr);
  // Held from the first cycle after the switch until automatic again, then no jump.
  int held = 0;
  for (int k = 110; k < 190; ++k) held += run->At(kSeriesOrder, k) == run->At(kSeriesOrder, 109);
  EXPECT_EQ(held, 80);
  int jumps = 0;
  for (int k = 190; k < 220; ++k)
    jumps += std::abs(run->At(kSeriesOrder, k + 1) - run->At(kSeriesOrder, k)) > 5;
  EXPECT_EQ(jumps, 0);
  EXPECT_NE(f.Trials->ShownRunCaption().find("PID industriel"), std::string::npos);
  EXPECT_NE(f.Trials->ShownRunCaption().find("intégration conditionnelle"), std::string::npos);
  EXPECT_EQ(f.Trials->ShownRunCaption().find("action"), std::string::npos);
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST_F(ControlLawsMenuTest, SineRunsAddTheirPointsToTheBodePlotAndTheSweepFillsIt) {
  TForm1& f = CreateMainWindow();
  f.show();
  ControlLawsMenu& laws = *f.Laws;
  laws.Reponsefrequentielle1->trigger();
  FrequencyResponseWindow& w = *laws.FrequencyWindow();
  ASSERT_TRUE(w.isVisible());
  // A sweep is watched and stopped from the main window: "Début" and "Fin" stay in view.
  for (QWidget* b : {static_cast<QWidget*>(f.Button5), static_cast<QWidget*>(f.Button6)})
    EXPECT_FALSE(w.frameGeometry().intersects(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())));
  auto run = [&](int button, const char* frequency) {
    (button == 1 ? f.Button1 : f.Button2)->click();
    if (frequency) f.Edit4->setText(frequency);
    f.Edit1->setText("2");
    int turns = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++turns == kRecordLastEntry) f.Button6->click();
    });
    timer.start();
    f.Button5->click();
    timer.stop();
  };
  run(2, "0.1");
  ASSERT_EQ(w.Points().size(), 1u) << w.LabelLast->text().toStdString();
  const FrequencyPoint& p = w.Points()[0];
  EXPECT_FALSE(p.OpenLoop);
  EXPECT_EQ(p.Frequency, AnalyseFrequencyResponse(*f.Trials->ShownRun()).Frequency);
  EXPECT_NEAR(p.GainDb, 0, 3);  // a position loop follows a slow sine
  run(1, nullptr);              // a step adds nothing
  EXPECT_EQ(w.Points().size(), 1u);

  // The model and the margins around it; a model that cannot be is refused.
  w.EditK->setText("1");
  w.EditT->setText("0");
  w.EditL->setText("0.25");
  w.ButtonModel->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("constante de temps"));
  w.EditT->setText("0.5");
  w.ButtonModel->click();
  EXPECT_TRUE(w.LabelMargins->text().contains("marge de gain"));

  w.ButtonClear->click();
  EXPECT_TRUE(w.Points().empty());
  const int runsBefore = f.Trials->ShownRun()->Number;
  w.ButtonSweep->click();
  ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join("\n").toStdString();
  // One full run per frequency; each gives its point but where the loop no longer follows
  // (the label then says why).
  const std::vector<double> sweep = SweepFrequencies(6);
  EXPECT_EQ(f.Trials->ShownRun()->Number, runsBefore + static_cast<int>(sweep.size()));
  EXPECT_EQ(f.Trials->ShownRun()->LastEntry, kRecordLastEntry);
  ASSERT_GE(w.Points().size(), sweep.size() - 1) << w.LabelLast->text().toStdString();
  for (std::size_t i = 0; i < w.Points().size(); ++i)
    EXPECT_NEAR(w.Points()[i].Frequency, sweep[i], 0.02 * sweep[i]) << i;
}

TEST_F(ControlLawsMenuTest, TheBodePlotDrawsTheIdentifiedModelRatherThanTheTypedOne) {
  TForm1& f = CreateMainWindow();
  f.show();
  auto oven = MakeProcess("thermique");
  oven->ApplyProfile(SimulationProfile::Realistic);  // at rest above the sensor's floor
  card.SetProcess(std::move(oven));
  ControlLawsMenu& laws = *f.Laws;
  FrequencyResponseWindow& w = *laws.FrequencyWindow();
  laws.Reponsefrequentielle1->trigger();
  w.EditK->setText("1");
  w.EditT->setText("3");
  w.EditL->setText("0.5");
  w.ButtonModel->click();
  ASSERT_TRUE(w.DrawnModel().has_value());
  EXPECT_EQ(w.DrawnModel()->T, 3);  // nothing identified yet: the typed model

  f.State.LoopMode = "Ouv";
  f.Button1->click();
  f.Edit5->setText("5");
  int turns = 0;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++turns == 1900) f.Button6->click();
  });
  timer.start();
  f.Button5->click();
  timer.stop();
  f.Identification->Identificationduprocd1->trigger();
  IdentificationWindow& id = *f.Identification->Window();
  ASSERT_NE(id.Current(), nullptr) << id.Reason()->text().toStdString();
  // The other model of the list follows into the plot, with its margins.
  for (int choice : {0, 1}) {
    id.ModelChoice()->setCurrentIndex(choice);
    Q_EMIT id.ModelChoice()->activated(choice);
    const ProcessModelFit chosen = id.ChosenModel();
    ASSERT_TRUE(w.DrawnModel().has_value());
    EXPECT_EQ(w.DrawnModel()->Kind, chosen.Kind);
    EXPECT_EQ(w.DrawnModel()->Order, chosen.Order);
    EXPECT_EQ(w.DrawnModel()->T, chosen.T);
    EXPECT_EQ(w.DrawnModel()->Delay, chosen.Delay);
    EXPECT_FALSE(w.ButtonModel->isEnabled());
  }
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

}  // namespace
}  // namespace vantor::testing
