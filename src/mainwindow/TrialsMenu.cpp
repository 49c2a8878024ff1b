// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/TrialsMenu.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>
#include <filesystem>

#include "common/OutputFile.h"
#include "common/VantorError.h"
#include "common/Version.h"
#include "lesson-core/Journal.h"
#include "lesson-core/LabReport.h"
#include "lesson/LabReportPdf.h"
#include "mainwindow/Uvantorwin.h"
#include "regulation/PrintCaption.h"
#include "regulation/RunFile.h"
#include "widgets/ChartImage.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/FramePlacement.h"
#include "widgets/HourglassCursor.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

// The earlier runs' feedback, lighter than the shown run's blue, and their names in
// the printout.
const QColor kComparedColors[TrialsMenu::kComparedRuns] = {
    QColor(110, 170, 255), QColor(90, 200, 120), QColor(200, 140, 230)};
const char* const kComparedColorNames[TrialsMenu::kComparedRuns] = {"bleu clair", "vert clair",
                                                                    "violet clair"};

std::string RunLine(const Trial& t, const char* color) {
  return "Essai " + std::to_string(t.Number) + " (" + color + ") : " + BuildPrintCaption(t);
}

// The colour of each compared run, by its number, so that a run keeps its colour while
// later runs are added: counting down, the run just before the shown one takes the first
// colour when its number is a multiple of three. The numbers of the runs compared follow
// one another; a clash takes the next colour left.
std::vector<int> ComparedColours(const std::deque<std::shared_ptr<const Trial>>& runs) {
  constexpr int n = TrialsMenu::kComparedRuns;
  std::vector<int> colours;
  std::array<bool, n> taken{};
  for (const auto& run : runs) {
    int c = ((-run->Number % n) + n) % n;
    while (taken[static_cast<std::size_t>(c)]) c = (c + 1) % n;
    taken[static_cast<std::size_t>(c)] = true;
    colours.push_back(c);
  }
  return colours;
}

// "Moteur à courant continu : position (réaliste)" -> "position (réaliste)".
std::string ShortProcessName(const std::string& process) {
  const auto at = process.rfind(" : ");
  return at == std::string::npos ? process : process.substr(at + 3);
}

// A feedback's legend when runs are compared: its number and name (its gains, or the open
// loop or the relay it was made with), its setpoint and its process when the runs compared
// were not all made with the same one, and the file it was read from.
QString ComparedTitle(const Trial& run, bool nameSetpoint, bool nameProcess) {
  std::string title = "Retour essai " + std::to_string(run.Number) + " (" + RunName(run) + ")";
  // The open loop's name holds its setpoint already.
  if (nameSetpoint && !run.IsOpenLoop()) title += ", " + SetpointText(run);
  if (nameProcess)
    title += ", " + (run.Process.empty() ? std::string("carte") : ShortProcessName(run.Process));
  if (!run.SourceFile.empty())
    title += ", " + std::filesystem::path(run.SourceFile).filename().string();
  return ToQString(title);
}

}  // namespace

TrialsMenu::TrialsMenu(TForm1& form) : QObject(&form), form_(form), session_(form.Bench()) {
  form.Events.Add(*this);
  session_.Add(*this);
  setObjectName("TrialsMenu");
  Essais1 = form.menuBar()->addMenu("Essais");
  Essais1->setObjectName("Essais1");
  auto item = [this](const char* name, const QString& caption, void (TrialsMenu::*handler)()) {
    QAction* a = Essais1->addAction(caption);
    a->setObjectName(name);
    ConnectGuarded(a, &QAction::triggered, this, handler, &form_);
    return a;
  };
  Tracendirect1 = item("Tracendirect1", "Tracé en direct", &TrialsMenu::Tracendirect1Click);
  Mesuresdelarponse1 =
      item("Mesuresdelarponse1", "Mesures de la réponse", &TrialsMenu::Mesuresdelarponse1Click);
  Essais1->addSeparator();
  Compareraveclesessaisprcdents1 =
      item("Compareraveclesessaisprcdents1", "Comparer avec les essais précédents",
           &TrialsMenu::Compareraveclesessaisprcdents1Click);
  Essaiseul1 = item("Essaiseul1", "Essai seul", &TrialsMenu::Essaiseul1Click);
  auto* display = new QActionGroup(Essais1);
  for (QAction* a : {Compareraveclesessaisprcdents1, Essaiseul1}) {
    a->setCheckable(true);
    display->addAction(a);
  }
  Essaiseul1->setChecked(true);
  Essais1->addSeparator();
  Enregistrerlessai1 =
      item("Enregistrerlessai1", "Enregistrer l'essai…", &TrialsMenu::Enregistrerlessai1Click);
  Ouvrirunessai1 = item("Ouvrirunessai1", "Ouvrir un essai…", &TrialsMenu::Ouvrirunessai1Click);
  Exporterpourletableur1 = item("Exporterpourletableur1", "Exporter pour le tableur…",
                                &TrialsMenu::Exporterpourletableur1Click);
  journal_ = new JournalWindow(&form);
  journal_->ShowRequested = [this](const std::vector<JournalRow>& rows) { OpenEntries(rows); };
  journal_->CompareRequested = [this](const std::vector<JournalRow>& rows) {
    OpenEntries(rows);
    // The runs chosen, and none of those kept before them.
    comparing_ = true;
    comparedCount_ = static_cast<int>(rows.size()) - 1;
    Compareraveclesessaisprcdents1->setChecked(true);
    DrawComparison();
  };
  journal_->ReportRequested = [this] { RapportdeTP1Click(); };
  connect(journal_->Table, &QTableWidget::itemSelectionChanged, this,
          [this] { report_->ShowRunCount(static_cast<int>(journal_->SelectedRows().size())); });
  report_ = new LabReportWindow(&form);
  report_->WriteRequested = [this] { ReportClicked(); };

  // A window of its own, not a dialog of the main window: a window manager minimises a
  // dialog with the window it belongs to (openbox then leaves an empty screen with no way
  // back). Raised each time the main window is activated, it stays in view while the
  // student clicks "Début" and "Fin"; closing the main window still ends the program.
  live_ = new LiveTraceWindow(nullptr);
  live_->setAttribute(Qt::WA_QuitOnClose, false);
  form.installEventFilter(this);
  measures_ = new StepMeasuresWindow(&form);
}

TrialsMenu::~TrialsMenu() {
  session_.Remove(*this);
  form_.Events.Remove(*this);
  delete live_;
}

bool TrialsMenu::eventFilter(QObject* watched, QEvent* event) {
  // Only the event is read: this also runs while the main window is being destroyed.
  if (watched == &form_ && event->type() == QEvent::WindowActivate) KeepLiveTraceInView();
  // During a run (the filter is then the application's): a click on the main window has
  // raised it over the live trace, the window manager raising the window clicked when
  // the button went down; the trace goes back on top as the button comes up.
  // The main window's window system window receives every click, on a disabled control
  // too.
  if (running_ && event->type() == QEvent::MouseButtonRelease &&
      watched == static_cast<QObject*>(form_.windowHandle()))
    KeepLiveTraceInView();
  return false;
}

void TrialsMenu::KeepLiveTraceInView() {
  if (live_->isVisible() && !live_->isMinimized()) live_->raise();
}

void TrialsMenu::SetRunInProgress(bool running) {
  if (running == running_) return;
  running_ = running;
  if (running) {
    for (QAction* a : Essais1->actions())
      if (a != Tracendirect1 && !a->isSeparator() && a->isEnabled()) {
        a->setEnabled(false);
        disabledForRun_.push_back(a);
      }
    qApp->installEventFilter(this);
    // "Début" was clicked on the main window, which the window manager raised.
    KeepLiveTraceInView();
  } else {
    qApp->removeEventFilter(this);
    for (QAction* a : disabledForRun_) a->setEnabled(true);
    disabledForRun_.clear();
  }
}

void TrialsMenu::AddSessionItems() {
  auto item = [this](const char* name, const QString& caption, void (TrialsMenu::*handler)()) {
    QAction* a = Essais1->addAction(caption);
    a->setObjectName(name);
    ConnectGuarded(a, &QAction::triggered, this, handler, &form_);
    return a;
  };
  Essais1->addSeparator();
  Journaldelaseance1 =
      item("Journaldelaseance1", "Journal de la séance", &TrialsMenu::Journaldelaseance1Click);
  RapportdeTP1 = item("RapportdeTP1", "Rapport de TP…", &TrialsMenu::RapportdeTP1Click);
  Essais1->addSeparator();
  Enregistrerlimage1 =
      item("Enregistrerlimage1", "Enregistrer l'image…", &TrialsMenu::Enregistrerlimage1Click);
  Copierlimage1 = item("Copierlimage1", "Copier l'image", &TrialsMenu::Copierlimage1Click);
  Imagesentailledouble1 = Essais1->addAction("Images en taille double");
  Imagesentailledouble1->setObjectName("Imagesentailledouble1");
  Imagesentailledouble1->setCheckable(true);
  connect(Imagesentailledouble1, &QAction::toggled, this,
          [](bool twice) { SetChartImageScale(twice ? 2 : 1); });
}

// ---------------------------------------------------------------------------------
// The run

void TrialsMenu::RunStarted(const RegulationState&) {
  cycles_ = 0;
  journal_->SetRunInProgress(true);
  if (live_->isVisible()) live_->BeginRun();
}

void TrialsMenu::RunRecorded(const Trial& run) {
  // The journal window lists now, once, what was asked for during the run and the run's
  // own entry.
  if (journal_->isVisible()) journal_->ShowJournal(session_.JournalRoot());
  journal_->SetRunInProgress(false);
  // The live trace, when shown, has followed the run cycle by cycle (opened during the
  // run, from the record so far): it keeps what it drew, beyond the record's 1998 entries
  // too.
  if (measures_->isVisible()) measures_->ShowMeasures(&run);
  live_->EndRun();
}

void TrialsMenu::RunOpened(const Trial&) {
  if (journal_->isVisible()) journal_->ShowJournal(session_.JournalRoot());
  // The main chart, the analysis window and the printout read the run shown.
  form_.PlotRecord();
  RefreshWindows();
}

void TrialsMenu::CycleRecorded(const RegulationState& s) {
  ++cycles_;
  if (!live_->isVisible()) return;
  const int k = s.RecordPos;
  live_->AddCycle(cycles_, s.RecordAt(kSeriesSetpoint, k), s.RecordAt(kSeriesFeedback, k),
                  s.RecordAt(kSeriesOrder, k), s.Order == s.ordremaxi || s.Order == s.ordremini,
                  s.FeedbackLimit);
}

void TrialsMenu::RecordPlotted() {
  if (comparing_) DrawComparison();
}

std::string TrialsMenu::ShownRunCaption() const {
  // The run on the chart, made here or opened, with what it was run with: a setpoint
  // chosen or a law set since then does not relabel it.
  if (const Trial* shown = session_.ShownRun()) return BuildPrintCaption(*shown);
  return BuildPrintCaption(form_.State.SetpointCaption, form_.State);
}

std::vector<std::string> TrialsMenu::TraceCaptionLines() const {
  const Trial* shown = session_.ShownRun();
  if (!comparing_ || !shown) return {ShownRunCaption()};
  std::vector<std::string> lines = {RunLine(*shown, "bleu")};
  const auto earlier = session_.History().Before(shown, comparedCount_);
  const std::vector<int> colours = ComparedColours(earlier);
  for (std::size_t i = 0; i < earlier.size(); ++i)
    lines.push_back(RunLine(*earlier[i], kComparedColorNames[colours[i]]));
  return lines;
}

// ---------------------------------------------------------------------------------
// Comparison on the main chart

void TrialsMenu::DrawComparison() {
  const Trial* shown = session_.ShownRun();
  const auto earlier = session_.History().Before(shown, comparedCount_);
  const TFastLineSeries* x = form_.Series2;
  // Drawn under the shown run's feedback, oldest first, so the legend reads in the order
  // the runs were made.
  if (!compared_[0]) {
    for (int i = kComparedRuns - 1; i >= 0; --i) {
      int at = 0;
      while (form_.Chart1->SeriesAt(at) != form_.Series2) ++at;
      compared_[static_cast<std::size_t>(i)] = form_.Chart1->InsertSeries(
          at, QString("SeriesEssai%1").arg(i + 1), "", kComparedColors[i], false);
    }
  }
  const std::vector<int> colours = ComparedColours(earlier);
  bool oneProcess = true, oneSetpoint = true;
  for (const auto& run : earlier) {
    oneProcess = oneProcess && run->Process == shown->Process;
    oneSetpoint = oneSetpoint && SetpointText(*run) == SetpointText(*shown);
  }
  for (int i = 0; i < kComparedRuns; ++i) {
    TFastLineSeries* series = compared_[static_cast<std::size_t>(i)];
    series->Clear();
    series->ShowInLegend = static_cast<std::size_t>(i) < earlier.size();
    if (!series->ShowInLegend) continue;
    const Trial& run = *earlier[static_cast<std::size_t>(i)];
    series->SeriesColor = kComparedColors[colours[static_cast<std::size_t>(i)]];
    series->Title = ComparedTitle(run, !oneSetpoint, !oneProcess);
    series->Reserve(static_cast<std::size_t>(x->Count()));
    for (int k = 0; k < x->Count() && k < kRecordEntries; ++k)
      series->AddXY(x->XValue(k), run.At(kSeriesFeedback, k) / 100.0);
  }
  form_.Series2->Title = ComparedTitle(*shown, !oneSetpoint, !oneProcess);
  form_.Chart1->update();
}

void TrialsMenu::ClearComparison() {
  for (TFastLineSeries* series : compared_) {
    if (!series) continue;
    series->Clear();
    series->ShowInLegend = false;
  }
  form_.Series2->Title = "Retour";
  form_.Chart1->update();
}

void TrialsMenu::Compareraveclesessaisprcdents1Click() {
  if (!ShownRun() || session_.History().Before(ShownRun(), 1).empty()) {
    Essaiseul1->setChecked(!comparing_);
    Compareraveclesessaisprcdents1->setChecked(comparing_);
    Dialogs::Current().Message(
        &form_,
        "Aucun essai précédent à comparer : lancez un autre essai (ou ouvrez un essai "
        "enregistré), puis choisissez de nouveau « Comparer avec les essais précédents ».");
    return;
  }
  comparing_ = true;
  comparedCount_ = kComparedRuns;
  Compareraveclesessaisprcdents1->setChecked(true);
  DrawComparison();
}

void TrialsMenu::Essaiseul1Click() {
  comparing_ = false;
  Essaiseul1->setChecked(true);
  ClearComparison();
}

// ---------------------------------------------------------------------------------
// Windows

void TrialsMenu::ShowRunInProgress() {
  live_->BeginRun();
  const RegulationState& s = form_.State;
  // The record holds the run while it is no longer than the record (its last entry is
  // then rewritten each cycle): the live trace starts from the next cycle after that.
  if (cycles_ != s.RecordPos) return;
  const int first = std::max(1, s.RecordPos - LiveTraceView::kWindowSeconds * 1000 /
                                                  std::max(1, s.SamplePeriodMs));
  for (int k = first; k <= s.RecordPos; ++k) {
    const std::int32_t order = s.RecordAt(kSeriesOrder, k);
    live_->AddCycle(k, s.RecordAt(kSeriesSetpoint, k), s.RecordAt(kSeriesFeedback, k), order,
                    k == s.RecordPos && (s.Order == s.ordremaxi || s.Order == s.ordremini));
  }
}

void TrialsMenu::Tracendirect1Click() {
  if (running_)
    ShowRunInProgress();
  else
    live_->ShowRun(ShownRun());
  if (!livePlaced_) {
    // First opened over the lower half of the trace's column, down to the main chart's
    // legend: the main chart is not redrawn during a run, its legend stays readable, and
    // the gains, the setpoint and "Fin" stay in view.
    livePlaced_ = true;
    (new FramePlacement(*live_, [this] {
      const QWidget* column = form_.Panel1;
      const QPoint top = column->mapToGlobal(QPoint(0, column->height() / 2));
      int bottom = column->mapToGlobal(QPoint(0, column->height())).y();
      const QRect legend = form_.Chart1->Layout(form_.Chart1->size()).legend;
      if (!legend.isEmpty())
        bottom = std::min(bottom, form_.Chart1->mapToGlobal(legend.topLeft()).y() - 4);
      return QRect(top, QPoint(top.x() + column->width() - 1, bottom - 1))
          .intersected(WorkAreaOf(*live_));
    }))->Apply();
  }
  live_->show();
  live_->raise();
  live_->activateWindow();
}

void TrialsMenu::Mesuresdelarponse1Click() {
  measures_->ShowMeasures(ShownRun());
  measures_->show();
  measures_->raise();
  measures_->activateWindow();
}

void TrialsMenu::RefreshWindows() {
  if (measures_->isVisible()) measures_->ShowMeasures(ShownRun());
  if (live_->isVisible()) live_->ShowRun(ShownRun());
}

// ---------------------------------------------------------------------------------
// Run files

QString TrialsMenu::StartFolder() const {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

QString TrialsMenu::ShownRunFileName() const {
  const Trial& shown = *ShownRun();
  if (shown.Date.empty()) return "essai-" + QString::number(shown.Number);
  return "essai-" + ToQString(shown.Date).replace(' ', '-').remove(':');
}

QString TrialsMenu::ProposedPath(const QString& name) const {
  // The date of a run opened from a file is the file's text.
  return StartFolder() + "/" + ToQString(AcceptableFileName(ToStdString(name)));
}

void TrialsMenu::Enregistrerlessai1Click() {
  if (!ShownRun()) {
    Dialogs::Current().Message(&form_,
                               "Aucun essai à enregistrer : lancez un essai, ou ouvrez un essai "
                               "enregistré.");
    return;
  }
  const QString name = ShownRunFileName();
  const QString path = Dialogs::Current().SaveFileName(
      &form_, "Enregistrer l'essai", ProposedPath(name + ".csv"), "Essais (*.csv)");
  if (path.isEmpty()) return;
  SaveShownRun(ToStdString(path));
}

void TrialsMenu::Exporterpourletableur1Click() {
  if (!ShownRun()) {
    Dialogs::Current().Message(&form_,
                               "Aucun essai à exporter : lancez un essai, ou ouvrez un essai "
                               "enregistré.");
    return;
  }
  const QString name = ShownRunFileName();
  const QString path = Dialogs::Current().SaveFileName(
      &form_, "Exporter pour le tableur", ProposedPath(name + "-tableur.csv"),
      "Tableur, point-virgule et virgule décimale (*.csv)");
  if (path.isEmpty()) return;
  WriteSpreadsheetFile(ToStdString(path), *ShownRun());
}

void TrialsMenu::Ouvrirunessai1Click() {
  const QString path = Dialogs::Current().OpenFileName(&form_, "Ouvrir un essai", StartFolder(),
                                                       "Essais (*.csv);;Tous les fichiers (*)");
  if (path.isEmpty()) return;
  OpenRunFile(ToStdString(path));
}

void TrialsMenu::SaveShownRun(const std::string& path) {
  session_.SaveShownRun(path);
}

void TrialsMenu::OpenRunFile(const std::string& path) {
  session_.OpenRunFile(path);  // the run opened is drawn once the session tells it
}

// ---------------------------------------------------------------------------------
// Journal

void TrialsMenu::JournalUnwritable(const std::string& folder, const std::string& why) {
  // Shown once the run's end (or the file's opening) is complete, not in its midst.
  QTimer::singleShot(0, this, [this, folder, why] {
    Dialogs::Current().Message(
        &form_, "Le journal de la séance ne peut pas être écrit dans « " + ToQString(folder) +
                    " » :\n" + ToQString(why) +
                    "\nLes essais ne sont pas gardés dans le journal jusqu'à la fin du programme ; "
                    "« Enregistrer l'essai… » reste possible.");
  });
}

void TrialsMenu::Journaldelaseance1Click() {
  journal_->ShowJournal(session_.JournalRoot());
  journal_->show();
  journal_->raise();
  journal_->activateWindow();
}

void TrialsMenu::OpenEntries(const std::vector<JournalRow>& rows) {
  for (const JournalRow& row : rows) OpenRunFile(row.Path);
}

// ---------------------------------------------------------------------------------
// Lab report

void TrialsMenu::RapportdeTP1Click() {
  if (!journal_->isVisible()) Journaldelaseance1Click();
  report_->ShowRunCount(static_cast<int>(journal_->SelectedRows().size()));
  report_->show();
  report_->raise();
  report_->activateWindow();
}

void TrialsMenu::ReportClicked() {
  if (journal_->SelectedRows().empty())
    throw VantorError(
        "Aucun essai choisi pour le rapport : choisissez ses essais dans le "
        "tableau de « Journal de la séance » (Ctrl+clic pour en ajouter)");
  const std::string names = ToStdString(report_->EditNames->text().trimmed());
  if (names.empty()) throw VantorError("Indiquez les noms des élèves avant d'écrire le rapport");
  const std::string name = ProposedReportName(CurrentDateText().substr(0, 10), names);
  const QString path = Dialogs::Current().SaveFileName(
      report_, "Écrire le rapport de TP", StartFolder() + "/" + ToQString(name), "PDF (*.pdf)");
  if (path.isEmpty()) return;
  HourglassCursor hourglass;
  WriteReport(ToStdString(path));
}

void TrialsMenu::WriteReport(const std::string& path) {
  const std::vector<JournalRow> rows = journal_->SelectedRows();
  std::vector<std::unique_ptr<Trial>> runs;
  std::vector<ReportedRun> reported;
  std::vector<const Trial*> pointers;
  for (const JournalRow& row : rows) {
    runs.push_back(std::make_unique<Trial>());
    ReadRunFile(row.Path, *runs.back());  // a damaged entry is named, no report is written
    reported.push_back({runs.back().get(), row.Time, row.Tools});
    pointers.push_back(runs.back().get());
  }
  LabReportHeader header;
  header.Students = ToStdString(report_->EditNames->text().trimmed());
  header.Title = ToStdString(report_->EditTitle->text().trimmed());
  header.Date = CurrentDateText().substr(0, 10);
  header.Host = ToStdString(QSysInfo::machineHostName());
  header.Version = kProgramVersion;
  header.Card = session_.BenchText();
  LabReport report = BuildLabReport(header, reported);
  if (ReportExercise) report.Exercise = ReportExercise();
  WriteLabReportPdf(ToQString(path), report, pointers);
}

// ---------------------------------------------------------------------------------
// Images of the main chart

void TrialsMenu::Enregistrerlimage1Click() {
  SaveWidgetImage(&form_, *form_.Chart1, "graphe");
}

void TrialsMenu::Copierlimage1Click() {
  CopyWidgetImage(*form_.Chart1);
}

}  // namespace vantor
