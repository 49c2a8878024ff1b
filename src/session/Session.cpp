// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/Session.h"

#include <algorithm>

#include "common/VantorError.h"
#include "lesson-core/Journal.h"
#include "regulation/RunFile.h"

namespace vantor {

Session::Session(RunEvents& events, std::string journalRoot)
    : events_(events), journalRoot_(std::move(journalRoot)) {
  events_.Add(*this);
}

Session::~Session() { events_.Remove(*this); }

void Session::Add(SessionObserver& observer) {
  if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end())
    observers_.push_back(&observer);
}

void Session::Remove(SessionObserver& observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer),
                   observers_.end());
}

template <class Call>
void Session::Tell(Call call) {
  // A copy: an observer may add or remove observers while it is told.
  const std::vector<SessionObserver*> observers = observers_;
  for (SessionObserver* o : observers)
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) call(*o);
}

std::string Session::BenchText() const {
  const RunProcess process = process_ ? process_->ProcessOfRun() : RunProcess{};
  if (!process.Name.empty()) return "carte simulée, " + process.Name;
  if (card_) return card_->Description();
  return "carte d'acquisition";
}

std::string Session::CurrentProcessName() const {
  return process_ ? process_->ProcessOfRun().Name : std::string();
}

const Trial* Session::LastRunOnCurrentProcess() const {
  for (int i = 0; i < history_.Count(); ++i)
    if (IsOnCurrentProcess(*history_.At(i))) return history_.At(i).get();
  return nullptr;
}

// ---------------------------------------------------------------------------------
// Runs

void Session::RunEnded(const RegulationState& s) {
  Keep(TrialFromState(s, process_ ? process_->ProcessOfRun() : RunProcess{}), false);
  JournalRun(*shown_);
  const std::shared_ptr<const Trial> run = shown_;  // kept for the observers' turn
  Tell([&](SessionObserver& o) { o.RunRecorded(*run); });
}

void Session::Keep(Trial run, bool fromFile) {
  shown_ = history_.Add(std::move(run));
  shownFromFile_ = fromFile;
}

const Trial& Session::OpenRunFile(const std::string& path) {
  auto read = std::make_unique<Trial>();
  ReadRunFile(path, *read);  // a file that is not a run changes nothing
  Keep(std::move(*read), true);
  // An entry of the journal (a file of one of its day folders) stays its run's entry.
  const std::string root = journalRoot_ + "/";
  if (!journalRoot_.empty() && path.starts_with(root) &&
      path.find('/', root.size() + 11) == std::string::npos)
    entries_[shown_->Number] = path;
  else
    JournalRun(*shown_);
  const std::shared_ptr<const Trial> run = shown_;
  Tell([&](SessionObserver& o) { o.RunOpened(*run); });
  return *run;
}

void Session::SaveShownRun(const std::string& path) const {
  if (!shown_) throw VantorError("Aucun essai à enregistrer");
  WriteRunFile(path, *shown_);
}

// ---------------------------------------------------------------------------------
// Journal

void Session::JournalRun(const Trial& run) {
  if (journalRoot_.empty() || journalRefused_) return;
  try {
    entries_[run.Number] = WriteJournalEntry(journalRoot_, run, CurrentDateText());
  } catch (const VantorError& e) {
    JournalUnwritable(e.what());
  }
}

void Session::JournalUnwritable(const std::string& why) {
  if (journalRefused_) return;
  journalRefused_ = true;
  Tell([&](SessionObserver& o) { o.JournalUnwritable(journalRoot_, why); });
}

std::string Session::JournalEntryOf(const Trial* run) const {
  if (!run) return {};
  const auto found = entries_.find(run->Number);
  return found == entries_.end() ? std::string() : found->second;
}

void Session::NoteTool(const Trial* run, const char* tool) {
  const std::string entry = JournalEntryOf(run);
  if (entry.empty()) return;
  try {
    AddJournalTool(entry, tool);
  } catch (const VantorError& e) {
    JournalUnwritable(e.what());
  }
}

}  // namespace vantor
