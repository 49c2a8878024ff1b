// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The USB interface board (an Arduino with an MCP3204 converter and an MCP4822 dual
// output, our firmware) as the loop's card, over a serial line. The board's own timer
// paces the period: at the start of a run the program sends the period, then the board
// converts inputs 0 and 1 every period and sends one frame (sequence number, the two
// counts, its status); the program answers each frame with the order, which the board
// applies as soon as it arrives. Every line carries a CRC-8; a frame whose CRC is wrong
// is refused and counted, never used. When no order comes for two periods the board
// puts its outputs at rest by itself. See firmware/PROTOCOLE.md.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "card/AcquisitionCard.h"
#include "card/SerialLine.h"

namespace vantor {

// The protocol and firmware versions this program drives.
inline constexpr const char* kUsbBoardBanner = "VANTOR-USB 1 ";
inline constexpr const char* kUsbBoardFirmwareFile = "interface-usb.hex";

class UsbBoard : public AcquisitionCard {
 public:
  // Status bits of a frame.
  static constexpr unsigned kRunning = 0x01, kAtRest = 0x02, kWatchdog = 0x04, kLateOrder = 0x08;

  explicit UsbBoard(std::unique_ptr<SerialLine> line);
  // Stops the board's periods (its outputs go to rest) when a run was left going.
  ~UsbBoard() override;

  // Waits for the board's banner (an Uno restarts when its port opens), bounded by
  // BannerBound; refuses a board that does not answer or carries another firmware,
  // with the command that loads ours.
  void Initialise() override;
  // The count of input 0 or 1 in the period's frame (other inputs: 0).
  std::int32_t ConvertInput(std::int32_t channel) override;
  // Sent at once while the board runs (with output 1 and the frame's sequence number);
  // kept for the next run's first order otherwise: a stopped board holds its outputs at
  // rest.
  void WriteOrder(std::uint16_t count) override;
  void WriteOutput1(std::uint16_t count) override;
  // The first of a run starts the board's periods and waits for its first frame; the
  // board's timer paces the next ones.
  void StartPeriod(std::int32_t periodMs) override;
  // The next frame, bounded by two periods and FrameMargin. True when the cycle came
  // late on the board: frames missing in between, or the last order missing or late.
  // A frame whose number does not advance is refused; when newer frames already wait
  // behind it (the program was held up), the newest is the present. A frame saying
  // that the watchdog tripped, that the outputs are at rest or that the board stopped
  // ends the run (CardAlarm).
  bool WaitPeriodEnd() override;
  bool OrderApplied() const override { return orderApplied_; }
  void EndPeriods() override;
  std::string Description() const override;
  // The serial port the board is on ("/dev/ttyACM0").
  std::string PortName() const;
  // "Interface USB : 3 cycles en retard sur la carte, 1 trame perdue, …" after a run.
  std::string RunReport() const override;

  // The firmware's version from its banner ("1.0"); empty before Initialise.
  const std::string& FirmwareVersion() const { return firmware_; }
  // What the line showed since the board was opened.
  struct Counters {
    long Frames = 0;        // frames used
    long RefusedLines = 0;  // damaged lines from the board (CRC, form), refused
    long MissingFrames = 0;  // frames the board sent that never came (gaps in the numbers)
    long StaleFrames = 0;    // frames refused as not the present: a number that does not
                             // advance (repeated, backwards), or one overtaken by a newer
    long LateOrders = 0;     // frames saying the order before came late or not at all
    unsigned BoardMalformed = 0;  // the board's own count of refused commands (mod 256)
  };
  const Counters& Count() const { return counters_; }
  // The counters of the last run alone.
  const Counters& RunCount() const { return run_; }
  // Delays from a conversion to the application of the order answering it, as the
  // board measured them (0.1 ms units), one per answered frame of the runs.
  const std::vector<int>& OrderDelays() const { return delays_; }

  std::chrono::milliseconds BannerBound{4000};
  std::chrono::milliseconds FrameMargin{250};

 protected:
  // The board stopped if it still runs, what the line holds discarded, then its banner
  // awaited again as Initialise() does.
  void Rearm() override;

 private:
  struct Frame {
    unsigned Seq = 0, In0 = 0, In1 = 0, Status = 0, Malformed = 0, Delay = 0xFF;
  };
  void Send(const std::string& payload);
  // The next line whose CRC is right, within `bound`; nothing when the bound passed.
  std::optional<std::string> NextLine(std::chrono::steady_clock::time_point deadline);
  // The next frame whose number advances, by `deadline`; nothing when none came.
  std::optional<Frame> FrameBy(std::chrono::steady_clock::time_point deadline);
  // The same, or the run ends: the board silent, or only damaged lines from it.
  Frame NextFrame(std::chrono::steady_clock::time_point deadline);
  // A frame already received and waiting, without waiting for one.
  std::optional<Frame> WaitingFrame();
  // The frame parsed from a checked payload; throws when it is the board's banner.
  std::optional<Frame> ParseFrame(const std::string& payload);
  // Ends the run when the frame's status says the board did not apply the orders.
  void CheckStatus(const Frame& f, long overtaken);
  void Add(long Counters::*counter, long n = 1);
  void SendOrder();
  [[noreturn]] void ThrowSilent();

  std::unique_ptr<SerialLine> line_;
  std::string pending_;  // bytes received after the last complete line
  std::string firmware_;
  bool running_ = false;
  std::int32_t periodMs_ = 50;
  Frame frame_;  // the last frame used
  bool frameValid_ = false;
  std::uint16_t order_ = kOrderRestCount;
  std::uint16_t output1_ = kOutput1RestCount;
  bool orderApplied_ = true;
  Counters counters_, run_;
  std::vector<int> delays_;
};

}  // namespace vantor
