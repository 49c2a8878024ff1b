// SPDX-License-Identifier: GPL-3.0-or-later
// The "Essais" menu on the simulated card: the live trace during a run, the runs kept and
// compared on the main chart and in its printout, run files saved and reopened, the
// step measures.
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <fstream>

#include "PdfSupport.h"
#include "WorkstationFixture.h"
#include "common/Numbers.h"
#include "lesson/LiveTraceWindow.h"
#include "lesson/StepMeasuresWindow.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "regulation/RunFile.h"

namespace vantor::testing {
namespace {

// An environment variable set for the life of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name), old_(qgetenv(name)) {
    qputenv(name, QByteArray::fromStdString(value));
  }
  ~ScopedEnv() {
    if (old_.isNull())
      qunsetenv(name_);
    else
      qputenv(name_, old_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  QByteArray old_;
};

class TrialsMenuTest : public WorkstationFixture {
 protected:
  // A step run with gain `kp`: "Fin" in the message turn of cycle `cycles`, after
  // `inRun` has looked at the window.
  void StepRun(const char* kp, int cycles, const std::function<void()>& inRun = {}) {
    form->Button1->click();
    form->Edit1->setText(kp);
    RunFor(cycles, inRun);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  }

  std::vector<std::int32_t> Feedback(const Trial& run) const {
    return {run.Record.begin() + kSeriesFeedback * kRecordEntries,
            run.Record.begin() + (kSeriesFeedback + 1) * kRecordEntries};
  }
};

TEST_F(TrialsMenuTest, TheLiveTraceFollowsTheRunAndEndsOnTheRecordsLastEntry) {
  TForm1& f = CreateMainWindow();
  f.show();
  TrialsMenu& menu = *f.Trials;
  const QList<QAction*> bar = f.menuBar()->actions();
  // Aide, then the extras: Essais, Identification.
  EXPECT_EQ(bar.back(), f.Identification->Identification1->menuAction());
  EXPECT_EQ(bar[bar.size() - 2], menu.Essais1->menuAction());
  EXPECT_EQ(bar[bar.size() - 3], f.Aide1->menuAction());
  // A control another part of the program hosts in the live trace stays usable in a run.
  auto* toggle = new QPushButton("Perturbation");
  toggle->setCheckable(true);
  menu.LiveView()->AddControl(toggle);
  menu.Tracendirect1->trigger();
  ASSERT_TRUE(menu.LiveView()->isVisible());
  // A window of its own (minimised alone), opened clear of the main chart's legend.
  EXPECT_EQ(menu.LiveView()->windowHandle()->transientParent(), nullptr);
  const QRect legend = f.Chart1->Layout(f.Chart1->size()).legend;
  ASSERT_FALSE(legend.isEmpty());
  EXPECT_FALSE(menu.LiveView()->frameGeometry().intersects(
      QRect(f.Chart1->mapToGlobal(legend.topLeft()), legend.size())));

  bool othersDisabled = false, liveItemEnabled = false, saturatedShown = false;
  int drawnDuringRun = 0;
  StepRun("16", 53, [&] {
    // "Essais" stays open for its live trace alone.
    liveItemEnabled = menu.Essais1->menuAction()->isEnabled() && menu.Tracendirect1->isEnabled();
    othersDisabled = !menu.Mesuresdelarponse1->isEnabled() &&
                     !menu.Enregistrerlessai1->isEnabled() && !menu.Ouvrirunessai1->isEnabled() &&
                     !menu.Journaldelaseance1->isEnabled();
    // Kp 16 on the 6 V step: the order sits at its 10 V limit just after the step.
    saturatedShown = menu.LiveView()->SaturationLabel()->isVisible();
    drawnDuringRun = menu.LiveView()->View()->Count();
    toggle->click();
  });
  EXPECT_TRUE(liveItemEnabled);
  EXPECT_TRUE(othersDisabled);
  EXPECT_TRUE(saturatedShown);
  EXPECT_FALSE(menu.LiveView()->SaturationLabel()->isVisible());  // at rest after "Fin"
  EXPECT_EQ(drawnDuringRun, 53);
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_TRUE(f.Chart1->isVisible());
  EXPECT_TRUE(menu.Essais1->menuAction()->isEnabled());
  EXPECT_TRUE(menu.Mesuresdelarponse1->isEnabled() && menu.Enregistrerlessai1->isEnabled() &&
              menu.Ouvrirunessai1->isEnabled() && menu.Journaldelaseance1->isEnabled());

  StepRun("1", 450);
  const LiveTraceView& view = *menu.LiveView()->View();
  const LiveSample& last = view.At(view.Count() - 1);
  const int k = f.State.RecordPos;
  EXPECT_EQ(last.cycle, 450);
  EXPECT_EQ(last.setpoint, f.State.RecordAt(kSeriesSetpoint, k));
  EXPECT_EQ(last.feedback, f.State.RecordAt(kSeriesFeedback, k));
  EXPECT_EQ(last.order, f.State.RecordAt(kSeriesOrder, k));
  EXPECT_DOUBLE_EQ(view.WindowStart(), 450 * 0.05 - 20);  // the last 20 s
  EXPECT_EQ(menu.LiveView()->TimeLabel()->text(), "Temps depuis « Début » : 22.50 s");
  // Shown again when idle, it draws the same end of the run from the kept record.
  menu.LiveView()->hide();
  menu.Tracendirect1->trigger();
  EXPECT_EQ(view.At(view.Count() - 1).feedback, last.feedback);
  EXPECT_EQ(view.Count(), 401);
}

TEST_F(TrialsMenuTest, TheLiveTraceOpenedDuringARunShowsTheRunSoFarThenFollowsIt) {
  TForm1& f = CreateMainWindow();
  f.show();
  TrialsMenu& menu = *f.Trials;
  StepRun("2", 30);  // an earlier run, which the live trace must not show
  ASSERT_FALSE(menu.LiveView()->isVisible());

  // Opened from the menu at the 120th cycle of a Kp 6 run, then followed to "Fin".
  int turn = 0, shownAtOpening = -1, recordAtOpening = -1;
  LiveSample lastAtOpening{};
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++turn != 120) return;
    menu.Tracendirect1->trigger();
    const LiveTraceView& view = *menu.LiveView()->View();
    shownAtOpening = view.Count();
    recordAtOpening = f.State.RecordPos;
    if (view.Count() > 0) lastAtOpening = view.At(view.Count() - 1);
  });
  timer.start();
  StepRun("6", 200);
  timer.stop();
  ASSERT_TRUE(menu.LiveView()->isVisible());
  // Every cycle recorded so far (less than 20 s), the last one as the record holds it.
  EXPECT_EQ(shownAtOpening, recordAtOpening);
  EXPECT_GE(recordAtOpening, 100);
  EXPECT_EQ(lastAtOpening.cycle, recordAtOpening);
  const Trial& run = *menu.ShownRun();
  EXPECT_EQ(lastAtOpening.feedback, run.At(kSeriesFeedback, recordAtOpening));
  EXPECT_EQ(lastAtOpening.order, run.At(kSeriesOrder, recordAtOpening));
  // From the run's first cycle: nothing of the earlier run.
  EXPECT_EQ(menu.LiveView()->View()->At(0).cycle, 1);
  EXPECT_EQ(menu.LiveView()->View()->At(0).feedback, run.At(kSeriesFeedback, 1));
  // Then each cycle to the end of the run.
  const LiveTraceView& view = *menu.LiveView()->View();
  EXPECT_EQ(view.Count(), 200);
  EXPECT_EQ(view.At(view.Count() - 1).feedback, run.At(kSeriesFeedback, 200));
  EXPECT_EQ(menu.LiveView()->TimeLabel()->text(), "Temps depuis « Début » : 10.00 s");
}

// The same stretches are tinted while a run is drawn and when its record is shown again,
// and the measures window times them.
TEST(SensorLimitDisplayTest, AStretchAtTheFloorWithAnOrderIsShownLiveAndFromTheRecord) {
  auto run = std::make_unique<Trial>();
  // Entries 1..30 at rest under the floor (order 0), 31..45 under the floor while the
  // order acts, 46..60 back in range.
  run->LastEntry = 60;
  for (int k = 1; k <= 60; ++k) {
    run->FeedbackLimits[static_cast<std::size_t>(k)] =
        k <= 45 ? SensorLimit::Floor : SensorLimit::None;
    run->Record[static_cast<std::size_t>(kSeriesOrder * kRecordEntries + k)] = k <= 30 ? 0 : -120;
  }
  LiveTraceWindow live;
  live.show();
  live.BeginRun();
  std::vector<bool> shownAt(61);
  for (int k = 1; k <= 60; ++k) {
    live.AddCycle(k, 0, 20, run->At(kSeriesOrder, k), false,
                  run->FeedbackLimits[static_cast<std::size_t>(k)]);
    shownAt[static_cast<std::size_t>(k)] = live.SensorLimitLabel()->isVisible();
  }
  auto tinted = [&live] {
    std::vector<int> cycles;
    for (int i = 0; i < live.View()->Count(); ++i)
      if (live.View()->At(i).atSensorLimit) cycles.push_back(live.View()->At(i).cycle);
    return cycles;
  };
  std::vector<int> expected;
  for (int k = 31; k <= 45; ++k) expected.push_back(k);
  EXPECT_EQ(tinted(), expected);
  EXPECT_FALSE(shownAt[39]);  // nine entries with an order: not yet
  EXPECT_TRUE(shownAt[40]);
  EXPECT_TRUE(shownAt[45]);
  EXPECT_FALSE(shownAt[46]);
  live.ShowRun(run.get());
  EXPECT_EQ(tinted(), expected);

  StepMeasuresWindow measures;
  measures.ShowMeasures(run.get());
  EXPECT_FALSE(measures.SensorLimitNote()->isHidden());
  EXPECT_NE(measures.SensorLimitNote()->text().indexOf("pendant 0.75 s"), -1)
      << measures.SensorLimitNote()->text().toStdString();
  run->FeedbackLimits.fill(SensorLimit::None);
  measures.ShowMeasures(run.get());
  EXPECT_TRUE(measures.SensorLimitNote()->isHidden());
}

TEST(LiveTraceLegendTest, FitsAboveThePlotFromTheSmallestWindowOn) {
  LiveTraceView view;
  const QFontMetrics fm(view.font());
  for (int width = view.minimumWidth(); width <= 1200; width += 40) {
    view.resize(width, 300);
    const int plot = view.PlotRect().width();
    EXPECT_LE(LegendWidth(fm, FittingLegend(fm, plot)), plot) << width;
  }
  view.resize(760, 300);  // the window's first size keeps the whole wording
  EXPECT_EQ(FittingLegend(fm, view.PlotRect().width()).back(),
            "ordre total (V, échelle de droite)");
}

TEST_F(TrialsMenuTest, ComparingDrawsEarlierRunsUnderTheShownOneAndPrintsOneLinePerRun) {
  if (!pdf::HasTools()) GTEST_SKIP() << "no poppler tools";
  TForm1& f = CreateMainWindow();
  f.resize(1200, 800);
  f.show();
  TrialsMenu& menu = *f.Trials;
  menu.Compareraveclesessaisprcdents1->trigger();  // nothing to compare yet
  EXPECT_EQ(dialogs.messages.size(), 1);
  EXPECT_FALSE(menu.Comparing());
  struct NamedBench : BenchProcess {
    RunProcess ProcessOfRun() const override { return {name, "", ""}; }
    std::string name = "Moteur à courant continu : position";
  } bench;
  std::string& process = bench.name;
  f.Bench().SetProcess(&bench);
  for (const char* kp : {"0.5", "1", "2", "4"}) StepRun(kp, 200);
  menu.Compareraveclesessaisprcdents1->trigger();
  ASSERT_TRUE(menu.Comparing());
  const RunHistory& kept = menu.History();
  for (int i = 0; i < TrialsMenu::kComparedRuns; ++i) {
    const TFastLineSeries& s = *menu.ComparedSeries(i);
    const Trial& run = *kept.At(i + 1);
    ASSERT_EQ(s.Count(), kPlotEntries);
    EXPECT_EQ(s.YValue(100), run.At(kSeriesFeedback, 100) / 100.0) << i;
    EXPECT_TRUE(s.ShowInLegend);
    EXPECT_TRUE(
        s.Title.contains(QString("Kp %1,").arg(QString::fromStdString(FormatShort(run.Kp)))))
        << s.Title.toStdString();
  }
  // Under the shown run's feedback, which stays on top.
  int shownAt = 0, earlierAt = 0;
  for (int i = 0; i < f.Chart1->SeriesCount(); ++i) {
    if (f.Chart1->SeriesAt(i) == f.Series2) shownAt = i;
    if (f.Chart1->SeriesAt(i) == menu.ComparedSeries(0)) earlierAt = i;
  }
  EXPECT_LT(earlierAt, shownAt);

  dialogs.pdfPath = QString::fromStdString(Path("comparaison.pdf").string());
  f.BitBtn2->click();
  const QString text = pdf::Text(dialogs.pdfPath).simplified();
  for (const char* line :
       {"Essai 4 (bleu) : Consigne: Echelon(amplitude:6.000) , Kp:4.000, Kd:0.000, Ki:0.000",
        "Essai 3 (bleu clair) : Consigne: Echelon(amplitude:6.000) , Kp:2.000,",
        "Essai 2 (vert clair) : Consigne: Echelon(amplitude:6.000) , Kp:1.000,",
        "Essai 1 (violet clair) : Consigne: Echelon(amplitude:6.000) , Kp:0.500,"})
    EXPECT_TRUE(text.contains(line)) << line << "\n" << text.toStdString();
  EXPECT_TRUE(text.contains("Retour essai 2 (Kp 1, Kd 0, Ki 0)"));  // the legend

  menu.Essaiseul1->trigger();
  for (int i = 0; i < TrialsMenu::kComparedRuns; ++i) {
    EXPECT_EQ(menu.ComparedSeries(i)->Count(), 0);
    EXPECT_FALSE(menu.ComparedSeries(i)->ShowInLegend);
  }
  EXPECT_EQ(f.Series2->Title, "Retour");
  dialogs.pdfPath = QString::fromStdString(Path("seul.pdf").string());
  f.BitBtn2->click();
  const QString alone = pdf::Text(dialogs.pdfPath).simplified();
  EXPECT_TRUE(alone.contains("Consigne: Echelon(amplitude:6.000) , Kp:4.000, Kd:0.000, Ki:0.000"));
  EXPECT_FALSE(alone.contains("Essai"));

  menu.Compareraveclesessaisprcdents1->trigger();
  // Comparing again, with a run on another process: the earlier runs keep their colours,
  // and every feedback's legend names its process; an opened file names its file.
  const QColor colourOf3 = menu.ComparedSeries(0)->SeriesColor;
  const QColor colourOf2 = menu.ComparedSeries(1)->SeriesColor;
  process = "Moteur à courant continu : vitesse";
  StepRun("1", 200);
  EXPECT_EQ(menu.ComparedSeries(1)->SeriesColor, colourOf3);
  EXPECT_EQ(menu.ComparedSeries(2)->SeriesColor, colourOf2);
  EXPECT_EQ(menu.ComparedSeries(1)->Title, "Retour essai 3 (Kp 2, Kd 0, Ki 0), position");
  EXPECT_EQ(f.Series2->Title, "Retour essai 5 (Kp 1, Kd 0, Ki 0), vitesse");
  const std::string saved = Path("essai-vitesse.csv").string();
  menu.SaveShownRun(saved);
  menu.OpenRunFile(saved);
  EXPECT_EQ(f.Series2->Title, "Retour essai 6 (Kp 1, Kd 0, Ki 0), vitesse, essai-vitesse.csv");
  f.Bench().SetProcess(nullptr);
}

TEST_F(TrialsMenuTest, ComparedRunsOfTheSameGainsAreToldApartByTheirSetpoints) {
  TForm1& f = CreateMainWindow();
  f.show();
  TrialsMenu& menu = *f.Trials;
  auto stepOf = [&](const char* level, const char* kp, int cycles) {
    f.Button1->click();
    f.Edit5->setText(level);
    f.Edit1->setText(kp);
    RunFor(cycles);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  };
  // A 2 V and a 6 V step with the same gains.
  stepOf("2", "4", 200);
  stepOf("6", "4", 200);
  menu.Compareraveclesessaisprcdents1->trigger();
  ASSERT_TRUE(menu.Comparing());
  EXPECT_EQ(menu.ComparedSeries(0)->Title.toStdString(), "Retour essai 1 (Kp 4, Kd 0, Ki 0), échelon 2 V");
  EXPECT_EQ(f.Series2->Title.toStdString(), "Retour essai 2 (Kp 4, Kd 0, Ki 0), échelon 6 V");

  // An open-loop run is named by its loop and setpoint, not by gains that took no part.
  f.State.LoopMode = "Ouv";
  stepOf("5", "4", 200);
  EXPECT_EQ(f.Series2->Title.toStdString(), "Retour essai 3 (boucle ouverte, échelon 5 V)");
  EXPECT_EQ(menu.ComparedSeries(0)->Title.toStdString(), "Retour essai 2 (Kp 4, Kd 0, Ki 0), échelon 6 V");

  // The same setpoint throughout: the gains alone, as before.
  f.State.LoopMode = "fermée";
  for (const char* kp : {"1", "2", "3", "4"}) stepOf("6", kp, 100);
  EXPECT_EQ(f.Series2->Title.toStdString(), "Retour essai 7 (Kp 4, Kd 0, Ki 0)");
  EXPECT_EQ(menu.ComparedSeries(1)->Title.toStdString(), "Retour essai 5 (Kp 2, Kd 0, Ki 0)");
}

TEST_F(TrialsMenuTest, ASavedRunReopensAsTheShownRunAndABadFileChangesNothing) {
  // The user's documents folder, as the desktop names it.
  const std::filesystem::path documents = Path("Mes documents");
  std::filesystem::create_directories(documents);
  std::filesystem::create_directories(Path("config"));
  std::ofstream(Path("config/user-dirs.dirs"))
      << "XDG_DOCUMENTS_DIR=\"" << documents.string() << "\"\n";
  const ScopedEnv configHome("XDG_CONFIG_HOME", Path("config").string());
  TForm1& f = CreateMainWindow();
  TrialsMenu& menu = *f.Trials;
  StepRun("2", 300);
  const std::string saved = Path("essai-kp2.csv").string();
  dialogs.fileAnswers = {QString::fromStdString(saved)};
  menu.Enregistrerlessai1->trigger();
  menu.Ouvrirunessai1->trigger();  // cancelled
  ASSERT_EQ(dialogs.fileDialogStarts.size(), 2);
  EXPECT_EQ(dialogs.fileDialogStarts[0].section('/', 0, -2).toStdString(), documents.string());
  EXPECT_EQ(dialogs.fileDialogStarts[1].toStdString(), documents.string());
  const std::vector<std::int32_t> kp2 = Feedback(*menu.ShownRun());

  StepRun("6", 500);
  ASSERT_NE(Feedback(*menu.ShownRun()), kp2);
  dialogs.fileAnswers = {QString::fromStdString(saved)};
  menu.Ouvrirunessai1->trigger();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  // The main window's run (what the chart, the analysis and the printout read).
  EXPECT_EQ(std::vector<std::int32_t>(f.ShownRun().Record.begin() + kRecordEntries,
                                      f.ShownRun().Record.begin() + 2 * kRecordEntries),
            kp2);
  EXPECT_EQ(f.ShownRun().LastEntry, 300);
  EXPECT_EQ(f.Series2->YValue(250), kp2[250] / 100.0);
  EXPECT_EQ(menu.TraceCaptionLines(),
            std::vector<std::string>{"Consigne: Echelon(amplitude:6.000)  , Kp:2.000, Kd:0.000, "
                                     "Ki:0.000"});
  menu.Mesuresdelarponse1->trigger();
  const StepMeasures m = MeasureStep(*menu.ShownRun());
  ASSERT_TRUE(m.Measured);
  EXPECT_EQ(menu.MeasuresWindow()->Value(4)->text(),
            QString::fromStdString(FormatFixed2(m.Overshoot)));
  EXPECT_EQ(menu.MeasuresWindow()->Value(9)->text(), QString::fromStdString(FormatFixed2(m.Iae)));
  EXPECT_EQ(menu.MeasuresWindow()->Value(10)->text(), "pas de charge");
  EXPECT_EQ(menu.History().Count(), 3);

  // A file whose row 120 does not convert: refused, naming the line; nothing changes.
  std::ifstream in(saved);
  std::ofstream bad(Path("mauvais.csv"));
  std::string line;
  for (int n = 1; std::getline(in, line); ++n)
    bad << (n == 120 ? "103,5.15,600,abc,0,0,0,0,0" : line) << '\n';
  bad.close();
  const auto before = f.ShownRun().Record;
  dialogs.fileAnswers = {QString::fromStdString(Path("mauvais.csv").string())};
  menu.Ouvrirunessai1->trigger();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("ligne 120")) << dialogs.errors[0].toStdString();
  EXPECT_TRUE(f.ShownRun().Record == before);
  EXPECT_EQ(menu.History().Count(), 3);
}

TEST_F(TrialsMenuTest, MeasuresSayWhyARunHasNone) {
  TForm1& f = CreateMainWindow();
  TrialsMenu& menu = *f.Trials;
  menu.Mesuresdelarponse1->trigger();
  EXPECT_TRUE(menu.MeasuresWindow()->Reason()->text().startsWith("Pas de mesure"));
  f.Button2->click();  // a sine
  f.Edit4->setText("0.5");
  int turns = 0;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++turns == 100) f.Button6->click();
  });
  timer.start();
  f.Button5->click();
  timer.stop();
  EXPECT_TRUE(menu.MeasuresWindow()->Reason()->text().contains("pas un échelon"))
      << menu.MeasuresWindow()->Reason()->text().toStdString();
  EXPECT_EQ(menu.MeasuresWindow()->Value(3)->text(), "—");
}

}  // namespace
}  // namespace vantor::testing
