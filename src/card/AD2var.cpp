// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/AD2var.h"

#include <cstdio>

#include "common/CardScale.h"
#include "common/VantorError.h"

namespace vantor {

namespace {
std::uint8_t Lo(std::uint16_t v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}
std::uint8_t Hi(std::uint16_t v) {
  return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
// Polls between two looks at the clock: keeps the wait a tight port poll.
constexpr int kPollsPerClockCheck = 64;
}  // namespace

void AD2var::PortPause() {
  volatile int countdown = 10;
  while (countdown > 0) countdown = countdown - 1;
}

AD2PortTable AD2var::PortTableAt(std::uint16_t adr1, std::uint16_t adr2) {
  auto a1 = [adr1](int off) { return static_cast<std::uint16_t>(adr1 + off); };
  auto a2 = [adr2](int off) { return static_cast<std::uint16_t>(adr2 + off); };
  AD2PortTable t;
  t.DigitalIn = a2(0);
  t.DigitalOut = a2(0);
  t.MuxRange = a2(1);
  t.Counter[0] = a1(0);
  t.Counter[1] = a1(1);
  t.Counter[2] = a1(2);
  t.TimerControl = a1(3);
  t.ConvStatus = a1(4);
  t.ConvLow = a1(5);
  t.ConvStart = a1(6);
  t.UpdateRead = a1(7);
  t.Out1Low = a1(4);
  t.Out1High = a1(5);
  t.Out2Low = a1(6);
  t.Out2High = a1(7);
  return t;
}

void AD2var::CardInit(std::int32_t adr1, std::int32_t adr2) {
  ADR1 = static_cast<std::uint16_t>(adr1 & 0xFFFF);
  ADR2 = static_cast<std::uint16_t>(adr2 & 0xFFFF);
  Ports = PortTableAt(ADR1, ADR2);
  WriteDigitalOutputs(0);
  // Both outputs at their rest values from the first write: count 0 on output 2 is the
  // full-scale order, and would kick the motor's amplifier at every start.
  Output2Count = kOrderRestCount;
  SetOutput1(kOutput1RestCount);
  SetOutput2(kOrderRestCount);
  SelectRange('U');
  SelectChannel(0);
}

void AD2var::WriteMuxRange() {
  bus_.PortWrite(Ports.MuxRange, static_cast<std::uint8_t>(CurrentChannel * 2 + RangeUnipolar));
}

void AD2var::SelectRange(char letter) {
  if (letter != 'B' && letter != 'U' && letter != 'b' && letter != 'u') return;
  RangeUnipolar = (letter == 'U' || letter == 'u') ? 1 : 0;
  WriteMuxRange();
}

void AD2var::SelectChannel(std::int32_t channel) {
  if (channel < 0 || channel > 7) return;
  CurrentChannel = channel;
  WriteMuxRange();
}

void AD2var::WriteOutputs(std::uint16_t count1, std::uint16_t count2) {
  bus_.PortWrite(Ports.Out1Low, Lo(count1));
  bus_.PortWrite(Ports.Out1High, Hi(count1));
  bus_.PortWrite(Ports.Out2Low, Lo(count2));
  bus_.PortWrite(Ports.Out2High, Hi(count2));
  (void)bus_.PortRead(Ports.UpdateRead);
}

void AD2var::Initialise() {
  CardInit(configuredAdr1_, configuredAdr2_);
  SelectRange('u');
}

std::int32_t AD2var::ConvertInput(std::int32_t channel) {
  SelectChannel(channel);
  return ConvertAnalog();
}

void AD2var::StartPeriod(std::int32_t periodMs) {
  ProgramCounter(1, 0, 0, static_cast<std::uint16_t>(periodMs));
  ProgramCounter(2, 3, 0, 2458);
}

std::string AD2var::Description() const {
  char text[48];
  std::snprintf(text, sizeof text, "carte ISA en $%X/$%X",
                static_cast<unsigned>(configuredAdr1_ & 0xFFFF),
                static_cast<unsigned>(configuredAdr2_ & 0xFFFF));
  return text;
}

void AD2var::SetOutput1(std::uint16_t count) {
  Output1Count = count;
  WriteOutputs(Output1Count, Output2Count);
}

void AD2var::SetOutput2(std::uint16_t count) {
  Output2Count = count;
  WriteOutputs(Output1Count, Output2Count);
}

void AD2var::WriteDigitalOutputs(std::int32_t value) {
  bus_.PortWrite(Ports.DigitalOut, static_cast<std::uint8_t>(value & 0xFF));
}

std::int32_t AD2var::ReadDigitalInputBit(std::int32_t line) {
  const int complement = 255 - bus_.PortRead(Ports.DigitalIn);
  if (line < 0 || line > 7) return 0;
  return (complement >> line) & 1;
}

void AD2var::ProgramCounter(std::uint16_t counter, std::uint16_t mode, std::uint16_t bcd,
                            std::uint16_t count) {
  if (counter > 2 || mode > 5 || bcd > 1) return;
  const auto control = static_cast<std::uint8_t>(counter * 64 + 48 + mode * 2 + bcd);
  bus_.PortWrite(Ports.TimerControl, control);
  PortPause();
  bus_.PortWrite(Ports.Counter[counter], Lo(count));
  PortPause();
  bus_.PortWrite(Ports.Counter[counter], Hi(count));
  PortPause();
}

void AD2var::Rearm() {
  const std::uint16_t output1 = Output1Count;
  // At the addresses the card was initialised at, the configured ones before that.
  if (ADR1 == 0 && ADR2 == 0)
    CardInit(configuredAdr1_, configuredAdr2_);
  else
    CardInit(ADR1, ADR2);
  SelectRange('u');
  (void)ConvertAnalog();
  StartPeriod(kRearmCheckMs);
  WaitLine7High();
  SetOutput1(output1);
}

void AD2var::ThrowNoAnswer(const std::string& what) {
  char addresses[32];
  std::snprintf(addresses, sizeof addresses, "$%X/$%X", ADR1, ADR2);
  Fail(VantorError("La carte d'acquisition ne répond pas : " + what +
                   ". Aucune carte n'est peut-être installée, ou ses adresses ne sont pas " +
                   addresses +
                   " : vérifiez la carte et les adresses du menu Paramétrage, puis "
                   "relancez le programme"));
}

std::int32_t AD2var::ConvertAnalog() {
  (void)bus_.PortRead(Ports.ConvStart);
  const auto deadline = std::chrono::steady_clock::now() + ConversionBound;
  int polls = 0;
  while (bus_.PortRead(Ports.ConvStatus) >= 128) {
    if (++polls % kPollsPerClockCheck == 0 && std::chrono::steady_clock::now() > deadline)
      ThrowNoAnswer("le convertisseur analogique-numérique reste occupé");
  }
  const int high = bus_.PortRead(Ports.ConvStatus) & 0x0F;
  const int low = bus_.PortRead(Ports.ConvLow);
  std::int32_t result = high * 256 + low;
  if (RangeUnipolar == 0) result -= 2048;
  return result;
}

void AD2var::WaitLine7High() {
  const auto deadline = std::chrono::steady_clock::now() + Line7Bound;
  int polls = 0;
  while (ReadDigitalInputBit(7) != 0) {
    if (++polls % kPollsPerClockCheck == 0 && std::chrono::steady_clock::now() > deadline)
      ThrowNoAnswer("l'horloge de cadencement (entrée logique 7) ne change pas d'état");
  }
}

}  // namespace vantor
