// SPDX-License-Identifier: GPL-3.0-or-later
// The USB board's driver against a scripted line: what it sends, what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BoardLines.h"
#include "ScriptedLine.h"
#include "card/UsbBoard.h"
#include "common/VantorError.h"
#include "protocol.h"

namespace vantor {
namespace {

using board_lines::FramePayload;
using board_lines::Sealed;

// The board's driver on a scripted line, with short bounds.
struct Rig {
  Rig() {
    auto owned = std::make_unique<ScriptedLine>();
    line = owned.get();
    board = std::make_unique<UsbBoard>(std::move(owned));
    board->BannerBound = std::chrono::milliseconds(60);
    board->FrameMargin = std::chrono::milliseconds(20);
  }
  ScriptedLine* line = nullptr;
  std::unique_ptr<UsbBoard> board;
};

class UsbBoardTest : public ::testing::Test, protected Rig {};

TEST_F(UsbBoardTest, TheBannerIsAwaitedPastOldFramesAndAnotherFirmwareOrSilenceIsRefused) {
  line->OnSend = [this](const std::string& bytes) {
    if (bytes == Sealed("V")) {
      // Frames of an earlier run and a damaged line come first, split anywhere.
      const std::string old = Sealed(FramePayload(7, 1, 2, 1)) + "T00\n";
      line->Arrive(old.substr(0, 5));
      line->Arrive(old.substr(5) + Sealed("VANTOR-USB 1 1.0").substr(0, 9));
      line->Arrive(Sealed("VANTOR-USB 1 1.0").substr(9));
    }
  };
  board->Initialise();
  EXPECT_EQ(board->FirmwareVersion(), "1.0");
  EXPECT_EQ(line->Sent.front(), Sealed("X"));  // a board left running is stopped first
  EXPECT_EQ(board->Count().RefusedLines, 1);

  Rig other;
  other.line->OnSend = [&other](const std::string& bytes) {
    if (bytes == Sealed("V")) other.line->Arrive(Sealed("VANTOR-USB 2 2.0"));
  };
  EXPECT_THROW(other.board->Initialise(), VantorError);

  Rig silent;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(silent.board->Initialise(), VantorError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // Asked again and again, as a restarting Uno needs.
  const auto asked = std::count(silent.line->Sent.begin(), silent.line->Sent.end(), Sealed("V"));
  EXPECT_GE(asked, 4);
  // ... but never sprayed: once each eighth of the bound, at most.
  EXPECT_LE(asked, 10);
}

// The version is shown in the main window's title, the about box and the report.
TEST_F(UsbBoardTest, TheFirmwareVersionIsShownWithoutItsControlCharacters) {
  line->OnSend = [this](const std::string& bytes) {
    if (bytes == Sealed("V")) line->Arrive(Sealed("VANTOR-USB 1 1.0\x1b]0;pirate\x07\x7f"));
  };
  board->Initialise();
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(board->FirmwareVersion(), "1.0" + r + "]0;pirate" + r + r);
  EXPECT_EQ(board->Description(),
            "interface USB sur /dev/ttyTEST (micrologiciel 1.0" + r + "]0;pirate" + r + r + ")");
}

TEST_F(UsbBoardTest, ARunAnswersEachFrameWithItsNumberAndRefusesDamagedOrMissingFrames) {
  int frame = 0;
  line->OnSend = [&](const std::string& bytes) {
    if (bytes == Sealed("S0032")) line->Arrive(Sealed(FramePayload(0, 100, 2000, 0x03, 0xFF)));
    if (bytes[0] != 'O') return;
    ++frame;
    if (frame == 1) line->Arrive(Sealed(FramePayload(1, 100, 2010, 0x01)));
    if (frame == 2) {
      // A damaged frame (one digit changed after sealing), then frame 3: 2 never came.
      std::string damaged = Sealed(FramePayload(2, 100, 2020, 0x01));
      damaged[7] = 'F';
      line->Arrive(damaged + Sealed(FramePayload(3, 100, 2030, 0x09)));
    }
  };
  board->StartPeriod(50);
  EXPECT_EQ(board->ConvertInput(1), 2000);
  EXPECT_EQ(board->ConvertInput(0), 100);
  board->WriteOrder(1843);
  EXPECT_EQ(line->Sent.back(), Sealed("O0000733000"));
  EXPECT_FALSE(board->WaitPeriodEnd());
  board->StartPeriod(50);  // the board paces: nothing sent
  board->WriteOutput1(4095);
  EXPECT_EQ(line->Sent.back(), Sealed("O0001733FFF"));
  EXPECT_TRUE(board->WaitPeriodEnd());  // frame 2 refused, frame 3 says the order came late
  EXPECT_EQ(board->ConvertInput(1), 2030);
  EXPECT_EQ(board->Count().RefusedLines, 1);
  EXPECT_EQ(board->Count().MissingFrames, 1);
  EXPECT_EQ(board->Count().LateOrders, 1);
  EXPECT_EQ(board->OrderDelays(), (std::vector<int>{0x30, 0x30}));

  // The board falls silent: the wait ends, bounded, and the run can end.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(board->WaitPeriodEnd(), VantorError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  board->EndPeriods();
  EXPECT_EQ(line->Sent.back(), Sealed("X"));
  board->WriteOrder(2048);  // stopped: the board holds its outputs at rest by itself
  EXPECT_EQ(line->Sent.back(), Sealed("X"));
}

}  // namespace
}  // namespace vantor
