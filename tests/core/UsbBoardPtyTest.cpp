// SPDX-License-Identifier: GPL-3.0-or-later
// The USB board's driver against a fake board on a pseudo-terminal, through the serial
// port the program really opens: what the board's status says, frames that are not the
// present, and a loop whose record keeps only the orders the board applied.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BoardLines.h"
#include "LotFixture.h"
#include "card/UsbBoard.h"
#include "lesson-core/CountedRunHost.h"
#include "regulation/Regulation.h"
#include "regulation/RunFile.h"
#include "regulation/Trial.h"
#include "simulation/Clock.h"
#include "protocol.h"

namespace vantor {
namespace {

using board_lines::Sealed;

std::string Frame(unsigned seq, unsigned in1, unsigned status, unsigned delay = 0x20) {
  return Sealed(board_lines::FramePayload(seq, 0, in1, status, delay));
}

constexpr unsigned kRun = VP_STATUS_RUNNING, kRest = VP_STATUS_AT_REST,
                   kDog = VP_STATUS_WATCHDOG, kLate = VP_STATUS_LATE;

// A board on the master side of a pseudo-terminal. Its thread hands every line the
// program sends to `react`, which answers as the scenario says.
class PtyBoard {
 public:
  using React = std::function<void(PtyBoard&, const std::string& line)>;
  explicit PtyBoard(React react) : react_(std::move(react)) {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    path_ = ttyname(slave_);
    thread_ = std::thread([this] { Loop(); });
  }
  ~PtyBoard() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  const std::string& Path() const { return path_; }
  void Send(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  void Loop() {
    std::string pending;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 5) <= 0) continue;
      char bytes[256];
      const ssize_t n = read(master_, bytes, sizeof bytes);
      if (n <= 0) continue;
      pending.append(bytes, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end + 1);
        pending.erase(0, end + 1);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          lines_.push_back(line);
        }
        react_(*this, line);
      }
    }
  }

  React react_;
  int master_ = -1, slave_ = -1;
  std::string path_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

bool IsOrder(const std::string& line, unsigned seq) {
  char prefix[8];
  std::snprintf(prefix, sizeof prefix, "O%04X", seq);
  return line.rfind(prefix, 0) == 0;
}

std::unique_ptr<UsbBoard> Open(const PtyBoard& fake) {
  auto board = std::make_unique<UsbBoard>(OpenSerialPort(fake.Path()));
  board->FrameMargin = std::chrono::milliseconds(100);
  return board;
}

TEST(UsbBoardPty, EachAlarmOfTheBoardEndsTheRunSayingWhatTheBoardReported) {
  struct Case {
    std::string frame1;
    const char* said;
  };
  const std::vector<Case> cases = {
      {Frame(1, 100, kRun | kRest | kDog | kLate), "chien de garde"},
      {Frame(1, 100, kRun | kRest), "sorties au repos alors que"},
      {Frame(1, 100, 0), "s'est arrêtée"},
      {Sealed("VANTOR-USB 1 1.1"), "a redémarré"},
  };
  for (const Case& c : cases) {
    PtyBoard fake([&c](PtyBoard& b, const std::string& line) {
      if (line == Sealed("S000A")) b.Send(Frame(0, 100, kRun | kRest, 0xFF));
      if (IsOrder(line, 0)) b.Send(c.frame1);
    });
    auto board = Open(fake);
    board->StartPeriod(10);
    board->WriteOrder(1843);
    try {
      board->WaitPeriodEnd();
      ADD_FAILURE() << "no alarm for " << c.said;
    } catch (const CardAlarm& alarm) {
      const std::string text = alarm.what();
      EXPECT_NE(text.find(c.said), std::string::npos) << text;
      EXPECT_NE(text.find(fake.Path()), std::string::npos) << text;
    }
  }
}

TEST(UsbBoardPty, FramesThatAreNotThePresentAreRefusedAndCountedNeverUsed) {
  PtyBoard fake([](PtyBoard& b, const std::string& line) {
    // A frame of an earlier run still on its way, then the one that answers the start.
    if (line == Sealed("S000A")) b.Send(Frame(3, 999, kRun) + Frame(0, 100, kRun | kRest, 0xFF));
    if (IsOrder(line, 0)) b.Send(Frame(1, 110, kRun));
    // Repeated and backwards numbers, then the next frame.
    if (IsOrder(line, 1)) {
      b.Send(Frame(1, 998, kRun) + Frame(0, 997, kRun));
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      b.Send(Frame(2, 120, kRun));
    }
    // The program was held up: three frames wait; the newest is the present.
    if (IsOrder(line, 2)) b.Send(Frame(3, 130, kRun) + Frame(4, 140, kRun) + Frame(5, 150, kRun));
    // The order that answers 5 came late: the board held the previous one.
    if (IsOrder(line, 5)) b.Send(Frame(6, 160, kRun | kLate, 0xFF));
  });
  // What was received before the run belongs to no run.
  fake.Send(Frame(40, 996, kRun) + Frame(41, 995, kRun));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  auto board = Open(fake);
  board->StartPeriod(10);
  EXPECT_EQ(board->ConvertInput(1), 100);
  board->WriteOrder(2000);
  EXPECT_FALSE(board->WaitPeriodEnd());
  EXPECT_EQ(board->ConvertInput(1), 110);
  board->WriteOrder(2000);
  EXPECT_FALSE(board->WaitPeriodEnd());
  EXPECT_EQ(board->ConvertInput(1), 120);
  EXPECT_EQ(board->Count().MissingFrames, 0) << "a number gone backwards is no gap";
  board->WriteOrder(2000);
  EXPECT_TRUE(board->WaitPeriodEnd());
  EXPECT_EQ(board->ConvertInput(1), 150);
  EXPECT_TRUE(board->OrderApplied());
  board->WriteOrder(2001);
  EXPECT_TRUE(board->WaitPeriodEnd());  // frame 6 answers only an order numbered 5
  EXPECT_TRUE(IsOrder(fake.Lines().back(), 5)) << fake.Lines().back();
  EXPECT_FALSE(board->OrderApplied());

  const UsbBoard::Counters& c = board->RunCount();
  EXPECT_EQ(c.StaleFrames, 1 + 2 + 2);  // the earlier run's, repeated and backwards, overtaken
  EXPECT_EQ(c.MissingFrames, 0);
  EXPECT_EQ(c.RefusedLines, 0) << "stale frames are not damaged ones";
  EXPECT_EQ(c.LateOrders, 1);
  EXPECT_EQ(c.Frames, 5);
  const std::string report = board->RunReport();
  EXPECT_NE(report.find("1 cycle en retard sur la carte"), std::string::npos) << report;
  EXPECT_NE(report.find("5 trames périmées"), std::string::npos) << report;
  EXPECT_EQ(report.find("abîmée"), std::string::npos) << report;
}

// The fake board as the firmware would be for a run: frames answer orders, and at frame
// `lateAt` the order before came late; at frame `alarmAt` the watchdog has tripped.
PtyBoard::React Scenario(unsigned lateAt, unsigned alarmAt) {
  return [=](PtyBoard& b, const std::string& line) {
    if (line == Sealed("S000A")) b.Send(Frame(0, 400, kRun | kRest, 0xFF));
    for (unsigned seq = 0; seq < 100; ++seq) {
      if (!IsOrder(line, seq)) continue;
      const unsigned next = seq + 1;
      const unsigned status = next == alarmAt  ? kRun | kRest | kDog | kLate
                              : next == lateAt ? kRun | kLate
                                               : kRun;
      b.Send(Frame(next, 400 + 10 * next, status, status & kLate ? 0xFF : 0x20));
    }
  };
}

TEST(UsbBoardPty, TheRecordKeepsOnlyOrdersTheBoardAppliedAndStopsAtTheLastGoodCycle) {
  PtyBoard fake(Scenario(4, 9));
  auto board = Open(fake);
  auto state = std::make_unique<RegulationState>();
  RegulationState& s = *state;
  s.SamplePeriodMs = 10;
  s.kpmax = 10;
  s.ordremaxi = 10;
  s.ordremini = -10;
  s.finalech = 10;
  s.SetpointKind = "echelon";
  s.Kp = 2;
  RealClock clock;
  CountedRunHost host(s, clock, 50, SetpointFields{"0", "6", "0", "0"});
  EXPECT_THROW(RunRegulation(s, *board, host), CardAlarm);
  // Frame 9 said the outputs went to rest: the cycle of frame 8, whose order never
  // counted, is not in the record; frames 0..7 are entries 1..8.
  EXPECT_EQ(s.RecordPos, 8);
  EXPECT_EQ(s.RecordAt(kSeriesFeedback, 9), 0) << "the taken-back entry is cleared";
  // Entry 4 (frame 3): its order answered 3 and came late, as frame 4 says.
  EXPECT_EQ(s.RecordAt(kSeriesOrder, 4), s.RecordAt(kSeriesOrder, 3));
  EXPECT_NE(s.RecordAt(kSeriesOrder, 5), s.RecordAt(kSeriesOrder, 4))
      << "the feedback rises: every other order differs from the one before";
  EXPECT_EQ(s.Pacing.CardLateCycles, 1);
  EXPECT_EQ(s.StopRequested, 1);
}

}  // namespace

namespace testing {
namespace {

class LotOnPtyBoard : public LotFixture {};

// The headless tool on a board that answers its banner, then as `react` says.
TEST_F(LotOnPtyBoard, ABoardAlarmEndsTheToolWithCode1AndARunWithoutFramesWritesNoCsv) {
  struct Case {
    unsigned alarmAt;  // frame numbered so carries the watchdog; 0: no frame after the start
    const char* said;
    bool csv;
  };
  for (const Case& c : {Case{0, "ne répond plus", false}, Case{1, "chien de garde", false},
                        Case{6, "chien de garde", true}}) {
    fs::remove(csv);
    PtyBoard fake([&c](PtyBoard& b, const std::string& line) {
      if (line == Sealed("V")) b.Send(Sealed("VANTOR-USB 1 1.1"));
      if (c.alarmAt == 0) return;
      Scenario(0, c.alarmAt)(b, line == Sealed("S0032") ? Sealed("S000A") : line);
    });
    const LotResult r = Lot(Settings() + "--carte 'usb:" + fake.Path() +
                            "' --consigne echelon --kp 2 --cycles 100" + Csv());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(fs::exists(csv), c.csv) << c.said << " at " << c.alarmAt;
    if (c.csv) {
      // Frame 6 said the orders stopped: the cycle that used frame 5 is taken back.
      auto run = std::make_unique<Trial>();
      ReadRunFile(csv.string(), *run);
      EXPECT_EQ(run->LastEntry, 5);
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace vantor
