// SPDX-License-Identifier: GPL-3.0-or-later
// The windows around the main window on a workstation of their own (RecordingWorkstation):
// what each one asks of the workstation, and where the main window places what they add.
#include <QTest>
#include <QVBoxLayout>

#include "RecordingWorkstation.h"
#include "WorkstationFixture.h"
#include "docs/Uaideexperimentale.h"
#include "docs/Utechno.h"
#include "settings/Upass.h"
#include "settings/Ureglage.h"
#include "simulation-ui/PerturbationToggle.h"
#include "simulation-ui/SimulationMenu.h"

namespace vantor::testing {
namespace {

using WorkstationWindowsTest = WorkstationFixture;
using Ranges = std::vector<OperatingRange>;

TEST_F(WorkstationWindowsTest, TheSettingsWindowTellsTheWorkstationEachRangeItChanges) {
  RecordingWorkstation station;
  auto* w = new TForm4(station);
  EXPECT_EQ(w->parentWidget(), &station.window);
  w->show();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(station.rangesChanged.empty());

  w->Edit3->setText("4");
  w->BitBtn2->click();
  EXPECT_EQ(station.state.finalech, 4.0L);
  EXPECT_EQ(station.rangesChanged, Ranges{OperatingRange::StepAmplitude});
  // A step limit refused changes nothing and tells nothing.
  station.rangesChanged.clear();
  w->Edit3->setText("9");
  w->BitBtn2->click();
  EXPECT_EQ(station.state.finalech, 4.0L);
  EXPECT_TRUE(station.rangesChanged.empty());

  w->Edit4->setText("-5");
  w->Edit5->setText("5");
  w->BitBtn3->click();
  EXPECT_EQ(station.state.ordremini, -5.0L);
  EXPECT_EQ(station.state.ordremaxi, 5.0L);
  EXPECT_EQ(station.rangesChanged, Ranges{OperatingRange::OrderLimits});

  station.rangesChanged.clear();
  w->Edit8->setText("2");
  w->Edit9->setText("6");
  w->Edit6->setText("3");
  w->BitBtn4->click();
  EXPECT_EQ(station.state.amplimaxi, 2.0L);
  EXPECT_EQ(station.state.valmoymaxi, 6.0L);
  EXPECT_EQ(station.state.valmoymini, 3.0L);
  EXPECT_EQ(station.rangesChanged,
            (Ranges{OperatingRange::PeriodicAmplitude, OperatingRange::PeriodicMean}));

  // Closing applies the three gain ranges shown (Kp chosen here, Kd and Ki as read).
  station.rangesChanged.clear();
  const int kd = w->RadioGroup2->ItemIndex();
  const int ki = w->RadioGroup3->ItemIndex();
  ASSERT_GE(kd, 0);
  ASSERT_GE(ki, 0);
  w->RadioGroup1->Item(2)->click();
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(station.state.kpmax, 8);
  EXPECT_EQ(station.state.kdmax, GainRangeForIndex(kd));
  EXPECT_EQ(station.state.kimax, GainRangeForIndex(ki));
  EXPECT_EQ(station.rangesChanged,
            (Ranges{OperatingRange::Kp, OperatingRange::Kd, OperatingRange::Ki}));
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(WorkstationWindowsTest, ThePasswordWindowOpensWhatTheWorkstationAskedItFor) {
  RecordingWorkstation station;
  auto* p = new TFormpass(station);
  auto validate = [&](PasswordPurpose purpose, const char* typed) {
    station.purpose = purpose;
    p->show();
    QTest::keyClicks(p->Edit6, typed);
    p->BitBtn3->click();
  };

  validate(PasswordPurpose::OpenLoop, "vantx");
  EXPECT_TRUE(p->isVisible());
  EXPECT_FALSE(p->Label16->isHidden());
  EXPECT_EQ(station.loopOpenings, 0);
  validate(PasswordPurpose::OpenLoop, "vanto");
  EXPECT_FALSE(p->isVisible());
  EXPECT_EQ(station.loopOpenings, 1);
  EXPECT_EQ(station.settingsShown, 0);

  validate(PasswordPurpose::Settings, "vanto");
  EXPECT_EQ(station.settingsShown, 1);
  EXPECT_EQ(station.loopOpenings, 1);

  int granted = 0;
  station.RequireTeacherPassword([&granted] { ++granted; });
  station.purpose = PasswordPurpose::TeacherWindow;
  p->show();
  EXPECT_EQ(p->windowTitle(), "Validation du mot de passe pour les réglages du professeur.");
  QTest::keyClicks(p->Edit6, "vanto");
  p->BitBtn3->click();
  EXPECT_EQ(granted, 1);
  EXPECT_FALSE(station.teacherAction);  // taken: nothing is left waiting
  EXPECT_EQ(station.settingsShown, 1);
  EXPECT_EQ(station.loopOpenings, 1);
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(WorkstationWindowsTest, TheHelpViewersShowTheWorkstationsTopic) {
  RecordingWorkstation station;
  auto* help = new TOKBottomDlg1(station);
  auto* wiring = new TOKBottomDlg2(station);
  station.SetHelpTopic("souris");
  help->show();
  EXPECT_EQ(help->windowTitle(), "Aide sur l'utilisation de la souris dans le graphe");
  station.SetHelpTopic("usb");
  wiring->show();
  EXPECT_FALSE(wiring->Image1->isHidden());
  EXPECT_FALSE(wiring->Image1->Picture().isNull());
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(WorkstationWindowsTest, TheSimulationMenuPutsItsCommandsWhereTheWorkstationSays) {
  RecordingWorkstation station;
  station.window.setWindowTitle("Régulateur");
  auto* menu = new SimulationMenu(station, card);
  EXPECT_EQ(station.menus, std::vector<QMenu*>{menu->Menu()});
  EXPECT_EQ(menu->Menu()->title(), "Simulation");
  EXPECT_EQ(station.statusLines, std::vector<QWidget*>{menu->ProcessLabel()});
  EXPECT_EQ(station.liveTraceControls, std::vector<QWidget*>{menu->Toggle()});
  EXPECT_EQ(station.disabledDuringRuns, std::vector<QAction*>{menu->Menu()->menuAction()});
  EXPECT_EQ(station.observers, 1);
  ASSERT_TRUE(station.reportExercise);
  EXPECT_TRUE(station.reportExercise().empty());  // no answer checked yet
  EXPECT_EQ(station.window.windowTitle(),
            "Régulateur - carte simulée (simulation, pas de carte réelle)");
}

TEST_F(WorkstationWindowsTest, TheMainWindowPlacesAStatusLineJustUnderTheLoopsStatus) {
  TForm1& f = CreateMainWindow();
  auto* line = new QLabel("procédé");
  f.AddStatusLine(line);
  EXPECT_EQ(line->parentWidget(), f.Label9->parentWidget());
  auto* column = qobject_cast<QVBoxLayout*>(f.Label9->parentWidget()->layout());
  ASSERT_NE(column, nullptr);
  EXPECT_EQ(column->indexOf(line), column->indexOf(f.Label9) + 1);
}

TEST_F(WorkstationWindowsTest, TheMainWindowGivesTheTeachersWindowOnceTheWayThePasswordAsks) {
  TForm1& f = CreateMainWindow();
  int opened = 0;
  f.passwordPurpose = 3;
  f.teacherAction = [&opened] { ++opened; };
  EXPECT_EQ(f.PasswordAskedFor(), PasswordPurpose::TeacherWindow);
  std::function<void()> taken = f.TakeTeacherAction();
  ASSERT_TRUE(taken);
  EXPECT_FALSE(f.teacherAction);
  EXPECT_FALSE(f.TakeTeacherAction());
  taken();
  EXPECT_EQ(opened, 1);
  f.passwordPurpose = 2;
  EXPECT_EQ(f.PasswordAskedFor(), PasswordPurpose::OpenLoop);
}

}  // namespace
}  // namespace vantor::testing
