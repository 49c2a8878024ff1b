// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bench session: what one workstation holds for the length of a lab session, apart
// from its windows. It owns the card, keeps the runs (made here or opened from files)
// and the run shown, builds the run value when a run ends from what the loop and the
// setpoint know, keeps each run in the journal of the session, notes the tools used on a
// run, and tells its observers. The windows, the headless tool and a bench's link to the
// room observe it; none depends on the order in which they registered, since each is
// given the run itself. Qt-free.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "card/AcquisitionCard.h"
#include "regulation/Regulation.h"
#include "regulation/RunEvents.h"
#include "regulation/RunHistory.h"
#include "regulation/Trial.h"

namespace vantor {

// What stands behind the card, asked once at each run's end: the simulated workstation
// names its process, profile and the load the run met; a real card has nothing to say.
class BenchProcess {
 public:
  virtual ~BenchProcess() = default;
  virtual RunProcess ProcessOfRun() const = 0;
};

class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  // A run made here has ended and is kept: it is the run shown, and it is in the journal
  // when the journal can be written.
  virtual void RunRecorded(const Trial&) {}
  // A run file (or a journal entry) was opened and is now the run shown.
  virtual void RunOpened(const Trial&) {}
  // The journal could not be written: said once for the whole session, with its folder
  // and the reason; runs are kept in memory still.
  virtual void JournalUnwritable(const std::string& /*folder*/, const std::string& /*why*/) {}
};

class Session : private RunObserver {
 public:
  // Follows the runs told by `events`. `journalRoot` is the journal's folder; empty: the
  // session keeps no journal (the headless tool, tests).
  Session(RunEvents& events, std::string journalRoot);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Add(SessionObserver& observer);
  void Remove(SessionObserver& observer);

  // ---- The card ----------------------------------------------------------------------
  // Takes the card opened at start-up; null: none.
  void SetCard(std::unique_ptr<AcquisitionCard> card) { card_ = std::move(card); }
  AcquisitionCard* Card() const { return card_.get(); }
  // What stands behind the card (not owned; null: a real card).
  void SetProcess(const BenchProcess* process) { process_ = process; }
  const BenchProcess* Process() const { return process_; }
  // The bench as a report names it: "carte simulée, <process>", the card's description,
  // or "carte d'acquisition" before a card is opened.
  std::string BenchText() const;

  // ---- Runs ---------------------------------------------------------------------------
  const RunHistory& History() const { return history_; }
  // The run shown: the last run made here, or the run file opened since; null before.
  const Trial* ShownRun() const { return shown_.get(); }
  // The newest run made here on the process now behind the card (same process, same
  // profile), null when there is none: what a tool that proposes from a past run (the
  // relay's ε from its noise) may use. On a real card, the newest run.
  const Trial* LastRunOnCurrentProcess() const;
  // The process now behind the card, as a run made now would record it (empty on a real
  // card).
  std::string CurrentProcessName() const;
  // Whether the process of `run` is the one now behind the card.
  bool IsOnCurrentProcess(const Trial& run) const { return run.Process == CurrentProcessName(); }
  // Whether the run shown was opened from a file rather than run since.
  bool ShownFromFile() const { return shownFromFile_; }
  // Reads the run file at `path` and shows it. A file that is not a run changes nothing
  // (VantorError naming what is wrong). An entry of the journal stays its run's entry;
  // any other file opened is kept in the journal as a run of the session.
  const Trial& OpenRunFile(const std::string& path);
  // Writes the run shown to `path` (VantorError when no run is shown or on a write error).
  void SaveShownRun(const std::string& path) const;

  // ---- Journal -----------------------------------------------------------------------
  const std::string& JournalRoot() const { return journalRoot_; }
  // Another journal folder for the runs to come (empty: none).
  void SetJournalRoot(std::string root) { journalRoot_ = std::move(root); }
  // The journal entry of a run kept, empty when it has none.
  std::string JournalEntryOf(const Trial* run) const;
  // The tool `tool` (kToolIdentification, kToolFrequency…) was used on `run`: its journal
  // entry says so, for the report.
  void NoteTool(const Trial* run, const char* tool);

 private:
  void RunEnded(const RegulationState& s) override;
  void Keep(Trial run, bool fromFile);
  void JournalRun(const Trial& run);
  void JournalUnwritable(const std::string& why);
  template <class Call>
  void Tell(Call call);

  RunEvents& events_;
  std::string journalRoot_;
  std::unique_ptr<AcquisitionCard> card_;
  const BenchProcess* process_ = nullptr;
  RunHistory history_;
  std::shared_ptr<const Trial> shown_;
  bool shownFromFile_ = false;
  std::map<int, std::string> entries_;  // journal entry of each run kept, by its number
  bool journalRefused_ = false;         // observers were told
  std::vector<SessionObserver*> observers_;
};

}  // namespace vantor
