// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Register-level driver of the acquisition card (unit AD2var): converter with an
// 8-way multiplexer, two 12-bit outputs, 8254 timer, eight digital lines, in two
// blocks of eight I/O ports at ADR1 and ADR2. The only code that knows what a
// register means; it reaches the card through a PortBus.
#include <chrono>
#include <cstdint>
#include <string>

#include "card/AcquisitionCard.h"
#include "card/PortBus.h"

namespace vantor {

struct AD2PortTable {
  std::uint16_t DigitalIn = 0, DigitalOut = 0, MuxRange = 0;
  std::uint16_t Counter[3] = {0, 0, 0};
  std::uint16_t TimerControl = 0;
  std::uint16_t ConvStatus = 0, ConvLow = 0, ConvStart = 0, UpdateRead = 0;
  std::uint16_t Out1Low = 0, Out1High = 0, Out2Low = 0, Out2High = 0;
};

class AD2var : public AcquisitionCard {
 public:
  explicit AD2var(PortBus& bus) : bus_(bus) {}
  // The card whose jumpers put it at adr1 and adr2, for Initialise().
  AD2var(PortBus& bus, std::int32_t adr1, std::int32_t adr2)
      : bus_(bus), configuredAdr1_(adr1), configuredAdr2_(adr2) {}

  // The addresses Initialise() uses, as the card's jumpers set them.
  void SetAddresses(std::int32_t adr1, std::int32_t adr2) {
    configuredAdr1_ = adr1;
    configuredAdr2_ = adr2;
  }

  // AcquisitionCard, register for register: CardInit at the configured addresses and
  // the unipolar range; a channel selection then a conversion; output 2; output 1;
  // counter 1 loaded with periodMs ticks of 1 ms and counter 2 dividing the 2.458 MHz
  // clock by 2458; the wait for line 7.
  void Initialise() override;
  void SelectInputRange() override { SelectRange('u'); }
  std::int32_t ConvertInput(std::int32_t channel) override;
  void WriteOrder(std::uint16_t count) override { SetOutput2(count); }
  void WriteOutput1(std::uint16_t count) override { SetOutput1(count); }
  void StartPeriod(std::int32_t periodMs) override;
  bool WaitPeriodEnd() override {
    WaitLine7High();
    return false;
  }
  std::string Description() const override;

  // Builds the port table from the two base addresses (low 16 bits of the main
  // window's settings) and puts outputs and range in a known state.
  void CardInit(std::int32_t adr1, std::int32_t adr2);
  // The ports of the card at the two base addresses.
  static AD2PortTable PortTableAt(std::uint16_t adr1, std::uint16_t adr2);
  void SelectRange(char letter);
  void SelectChannel(std::int32_t channel);
  void WriteOutputs(std::uint16_t count1, std::uint16_t count2);
  void SetOutput1(std::uint16_t count);
  void SetOutput2(std::uint16_t count);
  void WriteDigitalOutputs(std::int32_t value);
  std::int32_t ReadDigitalInputBit(std::int32_t line);
  void ProgramCounter(std::uint16_t counter, std::uint16_t mode, std::uint16_t bcd,
                      std::uint16_t count);
  // One conversion on CurrentChannel. The status poll is bounded: when the converter
  // stays busy longer than ConversionBound, throws VantorError naming the likely cause.
  std::int32_t ConvertAnalog();
  // Busy-waits until digital input line 7 is high (ReadDigitalInputBit(7) == 0): the
  // end of counter 1's count that paces the loop. Bounded by Line7Bound.
  void WaitLine7High();

  // Milliseconds of the count with which a reset checks the pacing clock.
  static constexpr std::int32_t kRearmCheckMs = 1;

  // Spaces the three writes of ProgramCounter: ten empty iterations.
  static void PortPause();

  PortBus& Bus() { return bus_; }

  // Driver state, all zero before CardInit.
  std::uint16_t ADR1 = 0;
  std::uint16_t ADR2 = 0;
  AD2PortTable Ports;
  std::int32_t RangeUnipolar = 0;
  std::int32_t CurrentChannel = 0;
  std::uint16_t Output1Count = 0;
  std::uint16_t Output2Count = 0;

  // Bounds of the two waits on the card (wall-clock time).
  std::chrono::milliseconds ConversionBound{200};
  std::chrono::milliseconds Line7Bound{500};

 protected:
  // Initialise() again at the addresses the card was initialised at, output 1 kept, then
  // one conversion and the timer programmed and seen to count: a card that still does not
  // answer fails its reset, bounded as a run's waits are.
  void Rearm() override;

 private:
  void WriteMuxRange();
  [[noreturn]] void ThrowNoAnswer(const std::string& what);

  PortBus& bus_;
  std::int32_t configuredAdr1_ = 0;
  std::int32_t configuredAdr2_ = 0;
};

}  // namespace vantor
