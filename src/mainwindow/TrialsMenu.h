// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Essais" menu of the main window: the live trace, the step measures, the
// comparison with earlier runs on the main chart, saving and opening run files, the
// journal and the lab report, over the bench session's runs (the runs kept, the run
// shown, the journal's entries). During a run only "Tracé en direct" stays usable, and
// the live trace is kept above the main window; the main window tells it when a run
// starts and ends, each recorded cycle, each redraw of the record and each printout of
// the trace.
#include <QAction>
#include <QColor>
#include <QMenu>
#include <QObject>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lesson/JournalWindow.h"
#include "lesson/LabReportWindow.h"
#include "lesson/LiveTraceWindow.h"
#include "lesson/StepMeasuresWindow.h"
#include "regulation/RunEvents.h"
#include "regulation/RunHistory.h"
#include "session/Session.h"

namespace vantor {

class TForm1;
class TFastLineSeries;

class TrialsMenu : public QObject, private RunObserver, private SessionObserver {
  Q_OBJECT
 public:
  // Adds the menu at the right end of the form's menu bar.
  explicit TrialsMenu(TForm1& form);
  ~TrialsMenu() override;

  // Adds the journal, the report and the images at the end of the menu, after the items
  // the other menus put in it.
  void AddSessionItems();

  // Earlier runs drawn over the shown one when comparing.
  static constexpr int kComparedRuns = 3;

  QMenu* Essais1 = nullptr;
  QAction* Tracendirect1 = nullptr;                   // "Tracé en direct"
  QAction* Mesuresdelarponse1 = nullptr;              // "Mesures de la réponse"
  QAction* Compareraveclesessaisprcdents1 = nullptr;  // "Comparer avec les essais précédents"
  QAction* Essaiseul1 = nullptr;                      // "Essai seul"
  QAction* Enregistrerlessai1 = nullptr;              // "Enregistrer l'essai…"
  QAction* Ouvrirunessai1 = nullptr;                  // "Ouvrir un essai…"
  QAction* Exporterpourletableur1 = nullptr;          // "Exporter pour le tableur…"
  QAction* Journaldelaseance1 = nullptr;              // "Journal de la séance"
  QAction* RapportdeTP1 = nullptr;                    // "Rapport de TP…"
  QAction* Enregistrerlimage1 = nullptr;              // "Enregistrer l'image…"
  QAction* Copierlimage1 = nullptr;                   // "Copier l'image"
  QAction* Imagesentailledouble1 = nullptr;           // "Images en taille double"

  // Lines of the report's exercise section (none: no such section).
  std::function<std::vector<std::string>()> ReportExercise;

  LiveTraceWindow* LiveView() const { return live_; }
  StepMeasuresWindow* MeasuresWindow() const { return measures_; }
  JournalWindow* Journal() const { return journal_; }
  LabReportWindow* ReportWindow() const { return report_; }
  // The run on the main chart (the session's run shown); null before the first run.
  const Trial* ShownRun() const { return session_.ShownRun(); }
  const RunHistory& History() const { return session_.History(); }
  std::string JournalEntryOf(const Trial* run) const { return session_.JournalEntryOf(run); }
  bool Comparing() const { return comparing_; }
  // The feedback of the i-th earlier run drawn when comparing (created on first use).
  TFastLineSeries* ComparedSeries(int i) const { return compared_[static_cast<std::size_t>(i)]; }

  // ---- Calls from the main window ----------------------------------------------------
  // A run starts (true) or has ended (false): every item but "Tracé en direct" is
  // disabled for the run and enabled again after it, and the live trace, when shown, is
  // raised above the main window, then again after each click on the main window (the
  // window manager raises the window clicked).
  void SetRunInProgress(bool running);
  // The record has just been drawn on the main chart.
  void RecordPlotted();
  // The printed caption line of the run shown, from what it was run with (made here or
  // read from a file); before any run, the main window's line.
  std::string ShownRunCaption() const;
  // The caption lines of the trace printout: the line of the run shown, or one line per
  // run drawn when comparing.
  std::vector<std::string> TraceCaptionLines() const;

  // ---- Run events (the main window's RunEvents) ----------------------------------------
  void RunStarted(const RegulationState& s) override;
  void CycleRecorded(const RegulationState& s) override;
  // ---- The session ---------------------------------------------------------------------
  void RunRecorded(const Trial& run) override;
  void RunOpened(const Trial& run) override;
  void JournalUnwritable(const std::string& folder, const std::string& why) override;

 public:
  // ---- Handlers ------------------------------------------------------------------------
  void Tracendirect1Click();
  void Mesuresdelarponse1Click();
  void Compareraveclesessaisprcdents1Click();
  void Essaiseul1Click();
  void Enregistrerlessai1Click();
  void Ouvrirunessai1Click();
  void Exporterpourletableur1Click();
  void Journaldelaseance1Click();
  void RapportdeTP1Click();
  void Enregistrerlimage1Click();
  void Copierlimage1Click();

  // What the two file commands do once a file is chosen.
  void SaveShownRun(const std::string& path);
  void OpenRunFile(const std::string& path);
  // Writes the report of the runs selected in the journal window to `path`.
  void WriteReport(const std::string& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DrawComparison();
  void ClearComparison();
  void RefreshWindows();
  // Raises the live trace above the main window when it is shown and not minimised.
  void KeepLiveTraceInView();
  // The live trace cleared and filled with the run in progress (its last 20 s).
  void ShowRunInProgress();
  QString StartFolder() const;
  // The file name proposed for the shown run, without extension: "essai-<date>".
  QString ShownRunFileName() const;
  // `name` in the start folder, made a name the file system accepts.
  QString ProposedPath(const QString& name) const;
  // Opens journal entries on the main chart, oldest first.
  void OpenEntries(const std::vector<JournalRow>& rows);
  void ReportClicked();

  TForm1& form_;
  Session& session_;
  std::int32_t cycles_ = 0;
  bool comparing_ = false;
  int comparedCount_ = kComparedRuns;  // earlier runs drawn: fewer for a journal selection
  std::array<TFastLineSeries*, kComparedRuns> compared_{};
  LiveTraceWindow* live_ = nullptr;
  bool livePlaced_ = false;
  bool running_ = false;
  // The items disabled for the run in progress, enabled again when it ends.
  std::vector<QAction*> disabledForRun_;
  StepMeasuresWindow* measures_ = nullptr;
  JournalWindow* journal_ = nullptr;
  LabReportWindow* report_ = nullptr;
};

}  // namespace vantor
