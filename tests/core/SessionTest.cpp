// SPDX-License-Identifier: GPL-3.0-or-later
// The bench session: the run value built at a run's end from what the loop, the setpoint
// and the bench know, told to observers with the run itself; the journal kept once per
// run, opened entries not written twice, an unwritable journal said once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "LoopbackCard.h"
#include "regulation/Regulation.h"
#include "regulation/RunFile.h"
#include "session/Session.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

// Clicks "Fin" after `cycles` message turns.
class TurnsHost : public LoopHost {
 public:
  TurnsHost(RegulationState& s, int cycles) : s_(s), cycles_(cycles) {}
  void BeepAndMessage(const std::string& text) override { Message = text; }
  SetpointFields GetSetpointFields() override { return Fields; }
  void SetSetpointFields(const SetpointFields& f) override { Fields = f; }
  void SetRunControlsEnabled(bool) override {}
  void SetStatusText(const std::string&) override {}
  void SetGauges(std::int32_t, std::int32_t) override {}
  void ProcessMessagesOnce() override {
    if (++turns_ >= cycles_) s_.StopRequested = 1;
  }
  void PlotRecord() override {}
  double Seconds() override { return turns_ * 0.05; }

  SetpointFields Fields{"0.1", "3", "0", "0.1"};
  std::string Message;

 private:
  RegulationState& s_;
  int cycles_;
  int turns_ = 0;
};

class Bench : public BenchProcess {
 public:
  RunProcess ProcessOfRun() const override { return Process; }
  RunProcess Process;
};

// What an observer was told, and the run shown when it was told.
class Listener : public SessionObserver {
 public:
  explicit Listener(const Session& session) : session_(session) {}
  void RunRecorded(const Trial& run) override {
    Ended.push_back(&run);
    ShownWhenTold.push_back(session_.ShownRun());
  }
  void RunOpened(const Trial& run) override { Opened.push_back(&run); }
  void JournalUnwritable(const std::string& folder, const std::string& why) override {
    Refusals.push_back(folder + " | " + why);
  }
  std::vector<const Trial*> Ended, ShownWhenTold, Opened;
  std::vector<std::string> Refusals;

 private:
  const Session& session_;
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(::testing::TempDir()) /
           ("session-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(::getpid()));
    fs::remove_all(root);
    s = std::make_unique<RegulationState>();
    s->SamplePeriodMs = 50;
    s->LoopMode = "fermee";
    s->ordremaxi = 10;
    s->ordremini = -10;
    s->finalech = 10;
    s->kpmax = s->kdmax = s->kimax = 100;
    s->SetpointFrequency = 0.01L;
  }
  void TearDown() override { fs::remove_all(root); }

  // "Echelon", Kp 2, then "Début" for `cycles` cycles.
  void Run(int cycles) {
    PressSetpointButton(*s, card, 1);
    GainFields gains{"2", "0", "0"};
    ReadGains(*s, gains);
    TurnsHost host(*s, cycles);
    RunRegulation(*s, card, host, events);
    ASSERT_EQ(host.Message, "");
  }

  std::size_t EntriesOfToday() const {
    std::size_t n = 0;
    for (const auto& day : fs::directory_iterator(root))
      for ([[maybe_unused]] const auto& entry : fs::directory_iterator(day)) ++n;
    return n;
  }

  fs::path root;
  std::unique_ptr<RegulationState> s;
  LoopbackCard card;
  RunEvents events;
};

TEST_F(SessionTest, ARunIsKeptJournalledAndToldWithWhatTheSetpointAndTheBenchSay) {
  // A run observer registered before the session is told first by the loop: it must not
  // matter to the session's observers.
  struct Early : RunObserver {
    explicit Early(const Session*& session) : session_(session) {}
    void RunEnded(const RegulationState&) override { seen = session_->ShownRun(); }
    const Session*& session_;
    const Trial* seen = reinterpret_cast<const Trial*>(1);
  };
  const Session* watched = nullptr;
  Early early(watched);
  events.Add(early);
  Session session(events, root.string());
  watched = &session;
  Bench bench;
  bench.Process = {"Moteur à courant continu : position", "réaliste", "1 V à 5 s"};
  session.SetProcess(&bench);
  Listener listener(session);
  session.Add(listener);
  session.Add(listener);  // once only

  Run(40);

  EXPECT_EQ(early.seen, nullptr);  // the run value did not exist yet when it was told
  ASSERT_EQ(listener.Ended.size(), 1u);
  const Trial& run = *listener.Ended[0];
  EXPECT_EQ(listener.ShownWhenTold[0], &run);
  EXPECT_EQ(session.ShownRun(), &run);
  EXPECT_FALSE(session.ShownFromFile());
  EXPECT_EQ(session.History().Count(), 1);
  EXPECT_EQ(run.SetpointCaption, "Consigne: Echelon");
  EXPECT_EQ(run.SetpointKind, "echelon");
  EXPECT_EQ(run.Kp, 2);
  EXPECT_EQ(run.LastEntry, s->RecordPos);
  EXPECT_EQ(run.Process, "Moteur à courant continu : position");
  EXPECT_EQ(run.Profile, "réaliste");
  EXPECT_EQ(run.Load, "1 V à 5 s");
  EXPECT_EQ(session.BenchText(), "carte simulée, Moteur à courant continu : position");

  // The journal holds the run as it was kept.
  const std::string entry = session.JournalEntryOf(&run);
  ASSERT_FALSE(entry.empty());
  auto reread = std::make_unique<Trial>();
  ReadRunFile(entry, *reread);
  EXPECT_TRUE(reread->Record == run.Record);
  EXPECT_EQ(reread->Load, "1 V à 5 s");

  // Without a bench process (a real card), the card names the bench.
  session.SetProcess(nullptr);
  EXPECT_EQ(session.BenchText(), "carte d'acquisition");
  session.SetCard(std::make_unique<LoopbackCard>());
  EXPECT_EQ(session.BenchText(), "carte d'essai");
  events.Remove(early);
}

TEST_F(SessionTest, OpenedEntriesStayTheirRunsEntryAndOtherFilesAreJournalled) {
  Session session(events, root.string());
  Listener listener(session);
  session.Add(listener);
  Run(30);
  const std::string entry = session.JournalEntryOf(session.ShownRun());
  ASSERT_EQ(EntriesOfToday(), 1u);

  const Trial& opened = session.OpenRunFile(entry);
  EXPECT_EQ(EntriesOfToday(), 1u);
  EXPECT_EQ(session.JournalEntryOf(&opened), entry);
  EXPECT_TRUE(session.ShownFromFile());
  ASSERT_EQ(listener.Opened.size(), 1u);
  EXPECT_EQ(listener.Opened[0], &opened);

  const fs::path outside = fs::path(::testing::TempDir()) /
                           ("session-outside-" + std::to_string(::getpid()) + ".csv");
  session.SaveShownRun(outside.string());
  const Trial& copy = session.OpenRunFile(outside.string());
  EXPECT_EQ(EntriesOfToday(), 2u);
  const std::string copyEntry = session.JournalEntryOf(&copy);
  EXPECT_NE(copyEntry, entry);
  EXPECT_EQ(copy.Number, 3);
  fs::remove(outside);

  // A tool used on a run is written in its entry, for the report.
  session.NoteTool(&copy, "identification");
  std::ifstream in(copyEntry);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("outils=identification"), std::string::npos);

  // A file that is not a run changes nothing.
  EXPECT_THROW(session.OpenRunFile((root / "absent.csv").string()), VantorError);
  EXPECT_EQ(session.ShownRun(), &copy);
  EXPECT_EQ(session.History().Count(), 3);
  EXPECT_TRUE(listener.Refusals.empty());
}

TEST_F(SessionTest, AJournalThatCannotBeWrittenIsSaidOnceAndRunsAreKeptStill) {
  fs::create_directories(root);
  const fs::path blocked = root / "un-fichier";
  std::ofstream(blocked) << "pas un dossier";
  Session session(events, blocked.string());
  Listener listener(session);
  session.Add(listener);
  Run(20);
  Run(20);
  ASSERT_EQ(listener.Ended.size(), 2u);
  EXPECT_EQ(session.History().Count(), 2);
  ASSERT_EQ(listener.Refusals.size(), 1u);
  EXPECT_EQ(listener.Refusals[0].rfind(blocked.string() + " | ", 0), 0u) << listener.Refusals[0];
  EXPECT_EQ(session.JournalEntryOf(session.ShownRun()), "");

  // Without a journal folder, nothing is written and nothing is said.
  RunEvents quiet;
  Session tool(quiet, "");
  Listener silent(tool);
  tool.Add(silent);
  auto state = std::make_unique<RegulationState>(*s);
  TurnsHost host(*state, 10);
  RunRegulation(*state, card, host, quiet);
  ASSERT_EQ(silent.Ended.size(), 1u);
  EXPECT_TRUE(silent.Refusals.empty());
  EXPECT_EQ(tool.JournalEntryOf(tool.ShownRun()), "");
}

}  // namespace
}  // namespace vantor
