// SPDX-License-Identifier: GPL-3.0-or-later
// The journal and the lab report from the "Essais" menu on the simulated card: each run
// journaled as it ends, listed, reopened and compared; a journal that cannot be written;
// the report's PDF read back.
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "PdfSupport.h"
#include "WorkstationFixture.h"
#include "lesson-core/Journal.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "regulation/RunFile.h"
#include "simulation/ProcessRegistry.h"

namespace vantor::testing {
namespace {

class JournalMenuTest : public WorkstationFixture {
 protected:
  TrialsMenu& Menu() {
    TForm1& f = CreateMainWindow();
    f.Bench().SetJournalRoot(JournalFolder(Path("documents").string()));
    return *f.Trials;
  }
  // A step run with gain `kp`, "Fin" at the message turn of cycle `cycles`.
  void StepRun(const char* kp, int cycles) {
    form->Button1->click();
    form->Edit1->setText(kp);
    RunFor(cycles);
    QCoreApplication::processEvents();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  }
  std::vector<JournalRow> Today(const TrialsMenu&) const {
    const std::string& root = form->Bench().JournalRoot();
    const auto days = JournalDays(root);
    return days.empty() ? std::vector<JournalRow>{} : ListJournalDay(root, days[0]);
  }
  void Select(TrialsMenu& menu, const std::vector<int>& rows) {
    menu.Journaldelaseance1->trigger();
    QTableWidget* table = menu.Journal()->Table;
    table->clearSelection();
    for (int r : rows)
      table->selectionModel()->select(table->model()->index(r, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
};

TEST_F(JournalMenuTest, EachRunEndedIsJournaledReopensBitForBitAndCompares) {
  TrialsMenu& menu = Menu();
  StepRun("2", 300);
  StepRun("6", 300);
  const auto rows = Today(menu);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Kp, "2");
  EXPECT_EQ(rows[1].Kp, "6");
  EXPECT_EQ(rows[1].Path, menu.JournalEntryOf(menu.ShownRun()));
  auto reopened = std::make_unique<Trial>();
  ReadRunFile(rows[1].Path, *reopened);
  EXPECT_TRUE(reopened->Record == menu.ShownRun()->Record);
  EXPECT_EQ(reopened->LastEntry, menu.ShownRun()->LastEntry);

  // Shown from the journal: the run on the main chart, no second entry for it.
  Select(menu, {0});
  EXPECT_EQ(menu.Journal()->Table->rowCount(), 2);
  menu.Journal()->ButtonShow->click();
  EXPECT_EQ(menu.ShownRun()->Kp, 2);
  EXPECT_FALSE(form->ShownRun().Record == reopened->Record);
  EXPECT_EQ(Today(menu).size(), 2u);
  // A run file from elsewhere is journaled when opened.
  const std::string outside = Path("essai.csv").string();
  WriteRunFile(outside, *reopened);
  menu.OpenRunFile(outside);
  EXPECT_EQ(Today(menu).size(), 3u);

  Select(menu, {0, 1, 2});
  menu.Journal()->ButtonCompare->click();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(menu.Comparing());
  EXPECT_EQ(menu.TraceCaptionLines().size(), 3u);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

// The run's cycles and the journal window share the window's thread: a day chosen during
// a run is listed when the run ends, not in one of its cycles.
TEST_F(JournalMenuTest, ADayChosenDuringARunIsListedWhenTheRunEnds) {
  TrialsMenu& menu = Menu();
  auto earlier = std::make_unique<Trial>();
  for (const char* second : {"10:00:00", "10:00:01", "10:00:02"})
    WriteJournalEntry(form->Bench().JournalRoot(), *earlier, std::string("2020-01-06 ") + second);
  StepRun("2", 100);
  menu.Journaldelaseance1->trigger();
  JournalWindow& journal = *menu.Journal();
  ASSERT_EQ(journal.ComboDays->count(), 2);
  ASSERT_EQ(journal.Table->rowCount(), 1);  // today's run

  int rowsDuring = -1;
  bool choiceOpenDuring = true;
  form->Button1->click();
  RunFor(50, [&] {
    journal.ComboDays->setCurrentIndex(journal.ComboDays->findText("2020-01-06"));
    QCoreApplication::processEvents();
    rowsDuring = journal.Table->rowCount();
    choiceOpenDuring = journal.ComboDays->isEnabled() || journal.ButtonShow->isEnabled();
  });
  EXPECT_EQ(rowsDuring, 1);
  EXPECT_FALSE(choiceOpenDuring);
  EXPECT_EQ(journal.ComboDays->currentText(), "2020-01-06");
  EXPECT_EQ(journal.Table->rowCount(), 3);
  EXPECT_TRUE(journal.ComboDays->isEnabled());
  EXPECT_TRUE(journal.ButtonShow->isEnabled());
}

TEST_F(JournalMenuTest, AJournalThatCannotBeWrittenSaysSoOnceAndChangesNothingElse) {
  std::filesystem::create_directories(Path("documents"));
  std::ofstream(Path("documents/Régulateur Vantor")) << "un fichier à la place du dossier";
  TrialsMenu& menu = Menu();
  StepRun("2", 200);
  StepRun("3", 200);
  EXPECT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(menu.History().Count(), 2);
  EXPECT_EQ(menu.ShownRun()->Kp, 3);
  EXPECT_TRUE(menu.JournalEntryOf(menu.ShownRun()).empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("documents")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(JournalMenuTest, TheReportOfThreeRunsHoldsTheirGainsMeasuresAndComparison) {
  if (!pdf::HasTools()) GTEST_SKIP() << "poppler-utils missing";
  TrialsMenu& menu = Menu();
  menu.ReportExercise = [] {
    return std::vector<std::string>{"Réponse : K = 1.8", "Verdict : juste"};
  };
  // An open-loop step on the speed motor, identified, then two closed-loop runs. The
  // realistic motor rests above the sensor's floor, where its step can be read.
  auto speed = MakeProcess("vitesse");
  speed->ApplyProfile(SimulationProfile::Realistic);
  card.SetProcess(std::move(speed));
  form->State.LoopMode = "Ouv";
  StepRun("2", 600);
  form->Identification->Identificationduprocd1->trigger();
  ASSERT_NE(form->Identification->Window()->Current(), nullptr)
      << form->Identification->Window()->Reason()->text().toStdString();
  form->State.LoopMode = "fermée";
  StepRun("4", 300);
  StepRun("7", 300);
  const auto rows = Today(menu);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Tools, std::vector<std::string>{kToolIdentification});

  Select(menu, {0, 1, 2});
  menu.RapportdeTP1->trigger();
  menu.ReportWindow()->EditNames->setText("Élodie Dupont, Martin");
  menu.ReportWindow()->EditTitle->setText("Réglage du moteur en position");
  const QString path = QString::fromStdString(Path("rapport.pdf").string());
  dialogs.fileAnswers = {path};
  menu.ReportWindow()->ButtonWrite->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  const QString today = QString::fromStdString(CurrentDateText().substr(0, 10));
  ASSERT_EQ(dialogs.fileDialogStarts.size(), 1);
  EXPECT_TRUE(
      dialogs.fileDialogStarts[0].endsWith("/rapport-" + today + "-elodie-dupont-martin.pdf"));

  // In page layout: a line ending with "-" (no measure) is not taken for a hyphenated word.
  const QString text = pdf::Run("pdftotext", {"-layout", path, "-"}).simplified();
  EXPECT_TRUE(text.contains("Élodie Dupont, Martin"));
  EXPECT_TRUE(text.contains("Date : " + today));
  EXPECT_TRUE(text.contains("Comparaison des essais"));
  EXPECT_TRUE(text.contains("Identification (procédé"));
  EXPECT_TRUE(text.contains("Réponse : K = 1.8 Verdict : juste"));
  // The journal names the open-loop run by its loop and setpoint, not by the gains that took
  // no part in it; the report keeps every run's gains.
  const std::vector<std::string> kps = {"2", "4", "7"};
  EXPECT_EQ(rows[0].Kp, "-");
  EXPECT_EQ(rows[0].Structure, "boucle ouverte, " + rows[0].Setpoint);
  EXPECT_EQ(rows[1].Kp, "4");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const JournalRow& row = rows[i];
    EXPECT_TRUE(text.contains(QString::fromStdString("Kp = " + kps[i] + ", Kd = 0")));
    EXPECT_TRUE(text.contains(QString::fromStdString("Dépassement (%) : " + row.Measures[1])))
        << row.Measures[1];
  }
  const int pages = pdf::Info(path, "Pages").toInt();
  ASSERT_EQ(pages, 4);
  // The comparison, on the last page: every run's gain and measures.
  const QString last =
      pdf::Run("pdftotext", {"-f", "4", "-l", "4", "-layout", path, "-"}).simplified();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const JournalRow& row = rows[i];
    const QString gains = QString::fromStdString(row.Setpoint + " " + kps[i] + " 0 0");
    QString measures;
    for (const std::string& m : row.Measures) measures += " " + QString::fromStdString(m);
    EXPECT_TRUE(last.contains(gains)) << gains.toStdString() << "\n" << last.toStdString();
    EXPECT_TRUE(last.contains(measures)) << measures.toStdString() << "\n" << last.toStdString();
  }
  // Each run's page carries its blue feedback, drawn on the page.
  for (int page = 1; page <= 3; ++page) {
    const QImage image = pdf::Render(path, page, 50);
    ASSERT_FALSE(image.isNull());
    const QRect blue =
        pdf::Bounds(image, [](QRgb c) { return qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80; });
    EXPECT_GT(blue.width(), image.width() / 6) << "page " << page;
  }
}

TEST_F(JournalMenuTest, TheChartsImageIsSavedAtTwiceTheScreensSizeAndCopied) {
  TrialsMenu& menu = Menu();
  form->show();
  StepRun("3", 300);
  const QString path = QString::fromStdString(Path("graphe").string());
  menu.Imagesentailledouble1->setChecked(true);
  dialogs.fileAnswers = {path};
  menu.Enregistrerlimage1->trigger();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  const QImage saved(path + ".png");
  ASSERT_EQ(saved.size(), form->Chart1->size() * 2);
  const QRect blue =
      pdf::Bounds(saved, [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; });
  EXPECT_GT(blue.height(), saved.height() / 4);
  menu.Imagesentailledouble1->setChecked(false);
  menu.Copierlimage1->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), form->Chart1->size());
}

}  // namespace
}  // namespace vantor::testing
