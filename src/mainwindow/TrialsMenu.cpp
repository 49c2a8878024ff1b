// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/TrialsMenu.h"

#include <QActionGroup>
#include <QDir>
#include <QMenuBar>
#include <QStandardPaths>

#include "common/VantorError.h"
#include "mainwindow/Uvantorwin.h"
#include "regulation/PrintCaption.h"
#include "regulation/RunFile.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/FramePlacement.h"
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

}  // namespace

TrialsMenu::TrialsMenu(TForm1& form) : QObject(&form), form_(form) {
  form.Events.Add(*this);
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

  live_ = new LiveTraceWindow(&form);
  measures_ = new StepMeasuresWindow(&form);
}

// ---------------------------------------------------------------------------------
// The run

void TrialsMenu::RunStarted(const RegulationState&) {
  cycles_ = 0;
  if (live_->isVisible()) live_->BeginRun();
}

void TrialsMenu::RunEnded(const RegulationState& s) {
  const std::string process = ProcessName ? ProcessName() : std::string();
  shown_ = history_.Add(TrialFromState(s, ToStdString(form_.Panel15->Caption()), process));
  shownFromFile_ = false;
  // The live trace, when shown, has followed the run cycle by cycle (it cannot be opened
  // during a run): it keeps what it drew, beyond the record's 1998 entries too.
  if (measures_->isVisible()) measures_->ShowMeasures(shown_.get());
  live_->EndRun();
}

void TrialsMenu::CycleRecorded(const RegulationState& s) {
  ++cycles_;
  if (!live_->isVisible()) return;
  const int k = s.RecordPos;
  live_->AddCycle(cycles_, s.RecordAt(kSeriesSetpoint, k), s.RecordAt(kSeriesFeedback, k),
                  s.RecordAt(kSeriesOrder, k), s.Order == s.ordremaxi || s.Order == s.ordremini);
}

void TrialsMenu::RecordPlotted() {
  if (shownFromFile_ && shown_) {
    // The mean line of the opened run's setpoint, as its own run would have drawn it.
    TFastLineSeries* mean = form_.Series3;
    mean->Clear();
    if (shown_->SetpointKind != "echelon") {
      const TFastLineSeries* feedback = form_.Series2;
      for (int i = 0; i < feedback->Count(); ++i)
        mean->AddXY(feedback->XValue(i), static_cast<double>(shown_->Mean));
    }
  }
  if (comparing_) DrawComparison();
}

std::string TrialsMenu::ShownRunCaption() const {
  if (shownFromFile_ && shown_) return BuildPrintCaption(*shown_);
  // A run made with another law than the main window's names it, whatever law is now set.
  if (shown_ && !shown_->Corrector.empty()) return BuildPrintCaption(*shown_);
  return BuildPrintCaption(ToStdString(form_.Panel15->Caption()), form_.State);
}

std::vector<std::string> TrialsMenu::TraceCaptionLines() const {
  if (!comparing_ || !shown_) return {ShownRunCaption()};
  std::vector<std::string> lines = {RunLine(*shown_, "bleu")};
  const auto earlier = history_.Before(shown_.get(), kComparedRuns);
  for (std::size_t i = 0; i < earlier.size(); ++i)
    lines.push_back(RunLine(*earlier[i], kComparedColorNames[i]));
  return lines;
}

// ---------------------------------------------------------------------------------
// Comparison on the main chart

void TrialsMenu::DrawComparison() {
  const auto earlier = history_.Before(shown_.get(), kComparedRuns);
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
  for (int i = 0; i < kComparedRuns; ++i) {
    TFastLineSeries* series = compared_[static_cast<std::size_t>(i)];
    series->Clear();
    series->ShowInLegend = static_cast<std::size_t>(i) < earlier.size();
    if (!series->ShowInLegend) continue;
    const Trial& run = *earlier[static_cast<std::size_t>(i)];
    series->Title = "Retour " + ToQString(TrialGainsText(run));
    series->Reserve(static_cast<std::size_t>(x->Count()));
    for (int k = 0; k < x->Count() && k < kRecordEntries; ++k)
      series->AddXY(x->XValue(k), run.At(kSeriesFeedback, k) / 100.0);
  }
  form_.Series2->Title = "Retour " + ToQString(TrialGainsText(*shown_));
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
  if (!shown_ || history_.Before(shown_.get(), 1).empty()) {
    Essaiseul1->setChecked(!comparing_);
    Compareraveclesessaisprcdents1->setChecked(comparing_);
    Dialogs::Current().Message(
        &form_,
        "Aucun essai précédent à comparer : lancez un autre essai (ou ouvrez un essai "
        "enregistré), puis choisissez de nouveau « Comparer avec les essais précédents ».");
    return;
  }
  comparing_ = true;
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

void TrialsMenu::Tracendirect1Click() {
  live_->ShowRun(shown_.get());
  if (!livePlaced_) {
    // First opened over the lower half of the trace's column: the main chart is not
    // redrawn during a run, and the gains, the setpoint and "Fin" stay in view.
    livePlaced_ = true;
    (new FramePlacement(*live_, [this] {
      const QWidget* column = form_.Panel1;
      const QPoint topLeft = column->mapToGlobal(QPoint(0, column->height() / 2));
      return QRect(topLeft, QSize(column->width(), column->height() - column->height() / 2))
          .intersected(WorkAreaOf(*live_));
    }))->Apply();
  }
  live_->show();
  live_->raise();
  live_->activateWindow();
}

void TrialsMenu::Mesuresdelarponse1Click() {
  measures_->ShowMeasures(shown_.get());
  measures_->show();
  measures_->raise();
  measures_->activateWindow();
}

void TrialsMenu::RefreshWindows() {
  if (measures_->isVisible()) measures_->ShowMeasures(shown_.get());
  if (live_->isVisible()) live_->ShowRun(shown_.get());
}

// ---------------------------------------------------------------------------------
// Run files

QString TrialsMenu::StartFolder() const {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

void TrialsMenu::Enregistrerlessai1Click() {
  if (!shown_) {
    Dialogs::Current().Message(&form_,
                               "Aucun essai à enregistrer : lancez un essai, ou ouvrez un essai "
                               "enregistré.");
    return;
  }
  QString name = "essai-" + QString::number(shown_->Number);
  if (!shown_->Date.empty())
    name = "essai-" + ToQString(shown_->Date).replace(' ', '-').remove(':');
  const QString path = Dialogs::Current().SaveFileName(
      &form_, "Enregistrer l'essai", StartFolder() + "/" + name + ".csv", "Essais (*.csv)");
  if (path.isEmpty()) return;
  SaveShownRun(ToStdString(path));
}

void TrialsMenu::Ouvrirunessai1Click() {
  const QString path = Dialogs::Current().OpenFileName(&form_, "Ouvrir un essai", StartFolder(),
                                                       "Essais (*.csv);;Tous les fichiers (*)");
  if (path.isEmpty()) return;
  OpenRunFile(ToStdString(path));
}

void TrialsMenu::SaveShownRun(const std::string& path) {
  if (!shown_) throw VantorError("Aucun essai à enregistrer");
  WriteRunFile(path, *shown_);
}

void TrialsMenu::OpenRunFile(const std::string& path) {
  auto read = std::make_unique<Trial>();
  ReadRunFile(path, *read);  // a file that is not a run changes nothing
  shown_ = history_.Add(std::move(*read));
  shownFromFile_ = true;
  // The main chart, the analysis window and the printout read the main window's record.
  form_.State.RunRecord = shown_->Record;
  form_.State.RecordPos = shown_->LastEntry;
  form_.PlotRecord();
  RefreshWindows();
}

}  // namespace vantor
