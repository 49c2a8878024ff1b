// SPDX-License-Identifier: GPL-3.0-or-later
// The interface board's protocol logic, run on the host: lines, CRC, commands, the tick
// frame, the watchdog and the late-order flag.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "protocol.h"

namespace {

// CRC-8 as a long division of the message, followed by eight zero bits, by x^8+x^2+x+1
// (0x107), one bit at a time: a different route from the firmware's shift-and-xor.
std::uint8_t ReferenceCrc(const std::string& bytes) {
  std::uint32_t remainder = 0;
  auto shiftIn = [&](int bit) {
    remainder = (remainder << 1) | static_cast<std::uint32_t>(bit);
    if (remainder & 0x100u) remainder ^= 0x107u;
  };
  for (unsigned char c : bytes)
    for (int i = 7; i >= 0; --i) shiftIn((c >> i) & 1);
  for (int i = 0; i < 8; ++i) shiftIn(0);
  return static_cast<std::uint8_t>(remainder);
}

std::string Seal(const std::string& payload) {
  char crc[3];
  std::snprintf(crc, sizeof crc, "%02X", ReferenceCrc(payload));
  return payload + "*" + crc + "\n";
}

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string Order(unsigned seq, unsigned order, unsigned out1) {
  return Seal("O" + Hex(seq, 4) + Hex(order, 3) + Hex(out1, 3));
}

struct Frame {
  unsigned seq, in0, in1, status, malformed, delay;
};

class Board : public ::testing::Test {
 protected:
  void SetUp() override {
    vp_board_init(&board_);
    vp_line_reset(&line_);
  }

  // Feeds raw bytes; returns the union of the actions asked for.
  unsigned Send(const std::string& bytes, std::uint8_t delayUnits = 7) {
    unsigned actions = 0;
    for (unsigned char c : bytes) {
      std::uint8_t result = vp_line_push(&line_, c);
      std::uint8_t a = vp_board_line(&board_, result, line_.text, line_.completed);
      if (a & VP_DO_TIME) vp_board_answer_delay(&board_, delayUnits);
      actions |= a;
    }
    return actions;
  }

  // A tick; the frame is checked for its shape and CRC, then decoded.
  Frame Tick(unsigned in0 = 0x123, unsigned in1 = 0xABC, unsigned* actions = nullptr) {
    char text[VP_FRAME_SIZE];
    std::uint8_t a = 0;
    std::uint8_t length = vp_board_tick(&board_, in0, in1, text, &a);
    if (actions) *actions = a;
    std::string line(text, length);
    EXPECT_EQ(line.size(), 21u) << line;
    EXPECT_EQ(line, Seal(line.substr(0, 17))) << "frame CRC or layout";
    Frame f{};
    EXPECT_EQ(std::sscanf(line.c_str(), "T%4x%3x%3x%2x%2x%2x", &f.seq, &f.in0, &f.in1, &f.status,
                          &f.malformed, &f.delay),
              6)
        << line;
    return f;
  }

  bool Stopped() {
    char text[VP_FRAME_SIZE];
    std::uint8_t a = 0;
    return vp_board_tick(&board_, 0, 0, text, &a) == 0;
  }

  vp_board board_{};
  vp_line line_{};
};

TEST(Crc, MatchesTheReferenceDivisionAndTheBanner) {
  // The catalogued check value of this CRC-8 (poly 0x07, init 0, no reflection).
  EXPECT_EQ(vp_crc8("123456789", 9), 0xF4);
  for (const std::string& text : {std::string("VANTOR-USB 1 1.1"), std::string("S0032"),
                                  std::string("O0000800000"), std::string("\xff\x80", 2)})
    EXPECT_EQ(vp_crc8(text.data(), static_cast<std::uint8_t>(text.size())), ReferenceCrc(text))
        << text;
  char banner[VP_FRAME_SIZE];
  std::uint8_t length = vp_format_banner(banner);
  EXPECT_EQ(std::string(banner, length), Seal("VANTOR-USB 1 1.1"));
}

TEST_F(Board, MalformedLinesAreRefusedAndCounted) {
  const std::string good = Seal("S0032");
  std::string badCrc = good;
  badCrc[badCrc.size() - 2] = badCrc[badCrc.size() - 2] == '0' ? '1' : '0';
  const std::string refused[] = {
      badCrc,
      Seal("S00G2"),                         // bad hex in a field
      Seal("S0032").substr(0, 5) + "*ZZ\n",  // bad hex in the CRC
      Seal("Q"),                             // unknown letter
      Seal("S0009"),
      Seal("S03E9"),         // period 9 ms and 1001 ms
      Seal("O00001000000"),  // a count of 4096 takes four digits
      Seal("O000080000"),    // a field one digit short
      Seal("X1"),
      "S0032\n",                   // no CRC at all
      Seal(std::string(30, 'V')),  // 33 bytes before the terminator
  };
  unsigned count = 0;
  for (const std::string& line : refused) {
    EXPECT_EQ(Send(line), 0u) << line;
    EXPECT_EQ(board_.malformed, ++count) << line;
  }
  // Hex digits are upper-case only, in the fields as in the CRC.
  EXPECT_EQ(Send(Seal("O0000abc000")), 0u);
  EXPECT_EQ(board_.malformed, ++count);
  std::string lowered;
  for (unsigned period = 10; lowered.empty(); ++period) {
    std::string line = Seal("S" + Hex(period, 4));
    std::size_t letter = line.find_first_of("ABCDEF", line.size() - 3);
    if (letter != std::string::npos) {
      line[letter] = static_cast<char>(line[letter] - 'A' + 'a');
      lowered = line;
    }
  }
  EXPECT_EQ(Send(lowered), 0u) << lowered;
  EXPECT_EQ(board_.malformed, ++count);
  EXPECT_FALSE(board_.running);

  // The limits themselves are accepted, "\r\n" too, and the count shows in the frames.
  EXPECT_EQ(Send(Seal("S03E8")), VP_DO_DAC | VP_DO_START);
  EXPECT_EQ(board_.period_ms, 1000u);
  std::string crlf = Seal("S000A");
  crlf.insert(crlf.size() - 1, "\r");
  EXPECT_EQ(Send(crlf), VP_DO_DAC | VP_DO_START);
  EXPECT_EQ(board_.period_ms, 10u);
  EXPECT_EQ(Tick().malformed, count);
  // An overlong line counts once however long, and the next line is read normally.
  Send(std::string(200, 'A') + "\n");
  EXPECT_EQ(board_.malformed, count + 1);
  // The counter wraps.
  for (unsigned i = count + 1; i < 256; ++i) Send("\x01\n");
  EXPECT_EQ(Tick().malformed, 0u);
  EXPECT_EQ(Send("\n\r\n"), 0u) << "bare terminators are ignored, not counted";
  EXPECT_EQ(board_.malformed, 0u);
}

TEST_F(Board, TicksCountFromZeroAndWrap) {
  EXPECT_TRUE(Stopped());
  Send(Seal("S0032"));
  Frame first = Tick(0xFFF, 0x001);
  EXPECT_EQ(first.seq, 0u);
  EXPECT_EQ(first.in0, 0xFFFu);
  EXPECT_EQ(first.in1, 0x001u);
  EXPECT_EQ(first.status, VP_STATUS_RUNNING | VP_STATUS_AT_REST);
  EXPECT_EQ(first.delay, 0xFFu);
  for (unsigned seq = 1; seq <= 0x10000; ++seq) {
    Send(Order(seq - 1, 100, 200));
    ASSERT_EQ(Tick().seq, seq & 0xFFFFu);
  }
  // A new start restarts the numbering.
  Send(Seal("S0064"));
  EXPECT_EQ(Tick().seq, 0u);
}

TEST_F(Board, WatchdogTripsAfterTwoSilentTicksAndTheNextOrderApplies) {
  Send(Seal("S0032"));
  Tick();  // tick 0
  EXPECT_EQ(Send(Order(0, 1638, 2000)), VP_DO_DAC | VP_DO_FED | VP_DO_TIME);
  EXPECT_EQ(board_.order, 1638u);
  EXPECT_EQ(board_.out1, 2000u);
  unsigned actions = 0;
  Frame f = Tick(0, 0, &actions);  // tick 1: the order came
  EXPECT_EQ(f.status, VP_STATUS_RUNNING);
  f = Tick(0, 0, &actions);       // tick 2: one silent period
  EXPECT_EQ(actions, VP_DO_ARM);  // the deadline: two periods after the order
  EXPECT_EQ(f.status, VP_STATUS_RUNNING | VP_STATUS_LATE);
  EXPECT_EQ(board_.order, 1638u);
  // Had the deadline not been kept, tick 3 would rest the outputs itself.
  vp_board copy = board_;
  char spare[VP_FRAME_SIZE];
  std::uint8_t late = 0;
  vp_board_tick(&copy, 0, 0, spare, &late);
  EXPECT_EQ(late, VP_DO_DAC);
  EXPECT_EQ(copy.order, VP_REST_ORDER);
  EXPECT_EQ(vp_board_deadline(&board_), VP_DO_DAC);  // the deadline
  f = Tick(0, 0, &actions);                          // tick 3: two silent periods
  EXPECT_EQ(actions, 0u);
  EXPECT_EQ(board_.order, VP_REST_ORDER);
  EXPECT_EQ(board_.out1, VP_REST_OUT1);
  EXPECT_EQ(f.status, VP_STATUS_RUNNING | VP_STATUS_AT_REST | VP_STATUS_WATCHDOG | VP_STATUS_LATE);
  f = Tick(0, 0, &actions);  // stays at rest, no new write
  EXPECT_EQ(actions, 0u);
  EXPECT_EQ(f.status & VP_STATUS_AT_REST, VP_STATUS_AT_REST);

  EXPECT_EQ(Send(Order(4, 100, 4095)), VP_DO_DAC | VP_DO_FED | VP_DO_TIME);
  EXPECT_EQ(board_.order, 100u);
  EXPECT_EQ(board_.out1, 4095u);
  f = Tick();
  EXPECT_EQ(f.status, VP_STATUS_RUNNING | VP_STATUS_WATCHDOG) << "tripped stays until a start";
  EXPECT_EQ(f.delay, 7u);
  // An order before the deadline keeps the outputs.
  Tick(0, 0, &actions);
  EXPECT_EQ(actions, VP_DO_ARM);
  Send(Order(6, 200, 0));
  EXPECT_EQ(vp_board_deadline(&board_), 0u);
  EXPECT_EQ(board_.order, 200u);

  Send(Seal("S0032"));
  EXPECT_EQ(Tick().status, VP_STATUS_RUNNING | VP_STATUS_AT_REST);

  // Without any order after a start the outputs stay at rest; it trips at tick 2.
  EXPECT_EQ(Tick().status & VP_STATUS_WATCHDOG, 0u);
  EXPECT_EQ(Tick().status & VP_STATUS_WATCHDOG, VP_STATUS_WATCHDOG);
}

TEST_F(Board, MissingLateOrWrongOrdersAreFlagged) {
  Send(Seal("S0032"));
  Tick();  // 0
  Send(Order(0, 2000, 0), 42);
  Frame f = Tick();  // 1: answered in time
  EXPECT_EQ(f.status & VP_STATUS_LATE, 0u);
  EXPECT_EQ(f.delay, 42u);
  f = Tick();  // 2: order 1 missing
  EXPECT_EQ(f.status & VP_STATUS_LATE, VP_STATUS_LATE);
  EXPECT_EQ(f.delay, 0xFFu);
  // Order 1 arrives now, after tick 2's conversion: it answers a frame that is no
  // longer the latest, so it is neither applied nor fed to the watchdog.
  EXPECT_EQ(Send(Order(1, 2100, 0)), 0u);
  EXPECT_EQ(board_.order, 2000u);
  unsigned actions = 0;
  f = Tick(0, 0, &actions);  // 3: two periods without an order that counts
  EXPECT_EQ(f.status & VP_STATUS_LATE, VP_STATUS_LATE);
  EXPECT_EQ(f.delay, 0xFFu);
  EXPECT_EQ(f.status & (VP_STATUS_WATCHDOG | VP_STATUS_AT_REST),
            VP_STATUS_WATCHDOG | VP_STATUS_AT_REST)
      << "a stale order must not feed the watchdog";
  EXPECT_EQ(actions, VP_DO_DAC);
  EXPECT_EQ(board_.order, VP_REST_ORDER);
  // Only the first answer is timed; a repeat is applied but keeps the first delay.
  EXPECT_EQ(Send(Order(3, 2200, 0), 12), VP_DO_DAC | VP_DO_FED | VP_DO_TIME);
  EXPECT_EQ(Send(Order(3, 2300, 0), 99), VP_DO_DAC | VP_DO_FED);
  EXPECT_EQ(board_.order, 2300u);
  f = Tick();
  EXPECT_EQ(f.status & VP_STATUS_LATE, 0u);
  EXPECT_EQ(f.delay, 12u);
}

TEST_F(Board, OrdersThatDoNotAnswerTheLatestFrameAreIgnoredWhateverTheirNumber) {
  Send(Seal("S0032"));
  EXPECT_EQ(Send(Order(0, 100, 100)), 0u) << "an order before the first frame";
  Tick();  // 0
  EXPECT_EQ(Send(Order(0, 1000, 0)), VP_DO_DAC | VP_DO_FED | VP_DO_TIME);
  Tick();  // 1
  // A host replaying its backlog after a stall, and numbers from nowhere: a stream of
  // them leaves the outputs and the watchdog's count alone.
  unsigned actions = 0;
  for (unsigned seq : {0u, 0xFFFFu, 2u, 0x8000u, 0u})
    actions |= Send(Order(seq, 3000 + seq % 7, 4095));
  EXPECT_EQ(actions, 0u);
  EXPECT_EQ(board_.order, 1000u);
  EXPECT_EQ(board_.malformed, 0u) << "well-formed, only stale";
  Tick(0, 0, &actions);  // 2: one silent period
  EXPECT_EQ(actions, VP_DO_ARM);
  for (int i = 0; i < 50; ++i) Send(Order(1, 3000, 4095));
  EXPECT_EQ(vp_board_deadline(&board_), VP_DO_DAC);
  EXPECT_EQ(board_.order, VP_REST_ORDER);
  EXPECT_EQ(Tick().status & VP_STATUS_WATCHDOG, VP_STATUS_WATCHDOG);
  // Bytes lost on reception are counted with the malformed lines.
  vp_board_overrun(&board_);
  vp_board_overrun(&board_);
  EXPECT_EQ(Tick().malformed, 2u);
}

TEST_F(Board, StopRestsTheOutputsAndOrdersAreIgnoredWhileStopped) {
  EXPECT_EQ(Send(Order(0, 100, 100)), 0u);
  EXPECT_EQ(board_.order, VP_REST_ORDER);
  EXPECT_EQ(board_.malformed, 0u);
  Send(Seal("S0032"));
  Tick();
  Send(Order(0, 100, 3000));
  EXPECT_EQ(Send(Seal("X")), VP_DO_DAC | VP_DO_STOP);
  EXPECT_EQ(board_.order, VP_REST_ORDER);
  EXPECT_EQ(board_.out1, VP_REST_OUT1);
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(Send(Order(1, 100, 3000)), 0u);
  EXPECT_EQ(board_.order, VP_REST_ORDER);
  EXPECT_EQ(board_.malformed, 0u);
  EXPECT_EQ(Send(Seal("V")), VP_DO_BANNER);
}

TEST(Delay, UnitsOfATenthOfAMillisecondUpTo25_4) {
  EXPECT_EQ(vp_delay_units(0), 0u);
  EXPECT_EQ(vp_delay_units(199), 1u);
  EXPECT_EQ(vp_delay_units(25499), 254u);
  EXPECT_EQ(vp_delay_units(25500), 0xFFu);
  EXPECT_EQ(vp_delay_units(4000000), 0xFFu);
}

}  // namespace
