// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/SimulatedCard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/CardScale.h"
#include "common/VantorError.h"
#include "simulation/DcMotorPosition.h"

namespace vantor {

namespace {
// Offset of a port inside a block of eight, or 8 and more when it lies outside.
unsigned OffsetIn(std::uint16_t port, std::uint16_t base) {
  return static_cast<std::uint16_t>(port - base);
}
// Beyond this gap the process is moved in one exact step instead of thousands of small
// ones, so that a long idle time (or a long jump of virtual time) costs nothing at the
// next access. A regulation run never leaves such a gap between two accesses.
constexpr std::int64_t kLongGapNs = 10'000'000'000;
}  // namespace

SimulatedCard::SimulatedCard(Clock& clock, std::uint16_t adr1, std::uint16_t adr2)
    : SimulatedCard(clock, std::make_unique<DcMotorPosition>(), adr1, adr2) {}

SimulatedCard::SimulatedCard(Clock& clock, std::unique_ptr<ProcessModel> process,
                             std::uint16_t adr1, std::uint16_t adr2)
    : clock_(clock), adr1_(adr1), adr2_(adr2) {
  if (OffsetIn(adr2, adr1) < 8 || OffsetIn(adr1, adr2) < 8) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Adresses de la carte simulée impossibles : les blocs de huit ports $%X et "
                  "$%X se chevauchent",
                  adr1, adr2);
    throw VantorError(text);
  }
  if (!process) process = std::make_unique<DcMotorPosition>();
  process->Validate();
  process_ = std::move(process);
  process_->Reset();
  const std::int64_t now = NowNs();
  timer_.AdvanceTo(now);
  processNs_ = now - now % kProcessStepNs;
}

std::int64_t SimulatedCard::NowNs() {
  return std::llround(clock_.Now() * 1e9);
}

std::int64_t SimulatedCard::CatchUp() {
  const std::int64_t now = NowNs();
  timer_.AdvanceTo(now);
  if (converting_ && now >= conversionEndNs_ && fault_ != SimulatedFault::StuckConverter) {
    converting_ = false;
    resultCode_ = pendingCode_;
  }
  if (loadAtNs_ && *loadAtNs_ <= now) {
    AdvanceProcessTo(*loadAtNs_);
    loadApplied_ = loadSeen_ = true;
    loadAtNs_.reset();
  }
  AdvanceProcessTo(now);
  return now;
}

void SimulatedCard::AdvanceProcessTo(std::int64_t ns) {
  const double drive = Output2Volts() - (loadApplied_ ? loadVolts_ : 0.0);
  if (ns - processNs_ > kLongGapNs) {
    const std::int64_t steps = (ns - processNs_) / kProcessStepNs - 1;
    process_->Advance(static_cast<double>(steps * kProcessStepNs) * 1e-9, drive);
    processNs_ += steps * kProcessStepNs;
  }
  while (ns - processNs_ >= kProcessStepNs) {
    process_->Advance(kProcessStepNs * 1e-9, drive);
    processNs_ += kProcessStepNs;
  }
}

void SimulatedCard::SetLoadVolts(double volts) {
  if (!std::isfinite(volts) || volts < 0.0 || volts > 10.0)
    throw VantorError("La charge doit être comprise entre 0 et 10 V");
  CatchUp();
  loadVolts_ = volts;
}

void SimulatedCard::SetLoadApplied(bool applied) {
  CatchUp();
  loadApplied_ = applied;
  loadSeen_ = loadSeen_ || applied;
  loadAtNs_.reset();
}

void SimulatedCard::ScheduleLoad(double delaySeconds) {
  const std::int64_t now = CatchUp();
  loadApplied_ = false;
  loadAtNs_ = now + std::llround(std::max(delaySeconds, 0.0) * 1e9);
}

bool SimulatedCard::LoadApplied() {
  CatchUp();
  return loadApplied_;
}

bool SimulatedCard::LoadWasApplied() {
  CatchUp();
  return loadSeen_;
}

void SimulatedCard::ForgetLoadHistory() {
  CatchUp();
  loadSeen_ = loadApplied_;
}

std::int64_t SimulatedCard::BeginAccess() {
  if (clock_.IsVirtual()) clock_.SleepUntil(clock_.Now() + kAccessNs * 1e-9);
  return CatchUp();
}

void SimulatedCard::SetProcess(std::unique_ptr<ProcessModel> process) {
  if (!process) return;
  process->Validate();
  CatchUp();
  process_ = std::move(process);
  process_->Reset();
}

void SimulatedCard::ResetProcess() {
  process_->Validate();
  CatchUp();
  process_->Reset();
  loadApplied_ = false;
  loadAtNs_.reset();
}

double SimulatedCard::Output1Volts() const {
  return Output1CountToVolts(output1Count_);
}

double SimulatedCard::Output2Volts() const {
  return OrderCountToVolts(output2Count_);
}

bool SimulatedCard::Line7HighAtTimer() const {
  return fault_ != SimulatedFault::Line7NeverRises && timer_.Output(1);
}

bool SimulatedCard::Line7High() {
  CatchUp();
  return Line7HighAtTimer();
}

std::uint16_t SimulatedCard::ConverterCode(double volts, bool unipolar) {
  if (!std::isfinite(volts)) volts = 0.0;
  volts = std::clamp(volts, -100.0, 100.0);  // far beyond both ranges: limits alike
  if (unipolar) return InputVoltsToCounts(volts);
  return static_cast<std::uint16_t>(std::clamp(std::lround(volts * 2048.0 / 10.24), -2048L, 2047L) +
                                    2048);
}

double SimulatedCard::ChannelVolts(int channel) {
  if (channel == 0 && loopback_) return Output1Volts();
  if (channel == 0) return process_->Input0Volts().value_or(externalSetpointVolts_);
  if (channel == 1) return process_->SampleInput1Volts();
  return 0.0;
}

void SimulatedCard::StartConversion() {
  // The input is sampled when the conversion starts; the result registers change when
  // it ends.
  pendingCode_ = ConverterCode(ChannelVolts(channel_), unipolar_);
  converting_ = true;
  conversionEndNs_ = NowNs() + kConversionNs;
}

std::uint8_t SimulatedCard::ReadDigitalInputs() {
  if (!Line7HighAtTimer()) {
    std::optional<std::int64_t> rise;
    if (fault_ != SimulatedFault::Line7NeverRises) rise = timer_.NextCounter1Rise();
    const std::int64_t now = NowNs();
    if (clock_.IsVirtual()) {
      if (rise) clock_.SleepUntil(static_cast<double>(*rise) * 1e-9);
    } else if (!rise) {
      clock_.SleepUntil(static_cast<double>(now + kIdleReadNs) * 1e-9);
    } else if (*rise - now > kWakeMarginNs) {
      clock_.SleepUntil(static_cast<double>(*rise - kWakeMarginNs) * 1e-9);
    }
    CatchUp();
  }
  return static_cast<std::uint8_t>(0x7F | (Line7HighAtTimer() ? 0x80 : 0x00));
}

std::uint8_t SimulatedCard::PortRead(std::uint16_t port) {
  BeginAccess();
  if (fault_ == SimulatedFault::NoCard) return 0xFF;
  const unsigned o1 = OffsetIn(port, adr1_);
  const unsigned o2 = OffsetIn(port, adr2_);
  if (o1 < 8) {
    switch (o1) {
      case 4: {
        const auto nibble = static_cast<std::uint8_t>((resultCode_ >> 8) & 0x0F);
        return converting_ ? static_cast<std::uint8_t>(0x80 | nibble) : nibble;
      }
      case 5:
        return static_cast<std::uint8_t>(resultCode_ & 0xFF);
      case 6:
        StartConversion();
        return 0x00;
      case 7:
        output1Count_ = static_cast<std::uint16_t>((held_[0] | held_[1] << 8) & 0x0FFF);
        output2Count_ = static_cast<std::uint16_t>((held_[2] | held_[3] << 8) & 0x0FFF);
        return 0x00;
      default:
        return 0xFF;  // the timer's counters are not read back
    }
  }
  if (o2 == 0) return ReadDigitalInputs();
  return 0xFF;
}

void SimulatedCard::PortWrite(std::uint16_t port, std::uint8_t value) {
  BeginAccess();
  if (fault_ == SimulatedFault::NoCard) return;
  const unsigned o1 = OffsetIn(port, adr1_);
  const unsigned o2 = OffsetIn(port, adr2_);
  if (o1 < 3) {
    timer_.WriteCount(static_cast<int>(o1), value);
  } else if (o1 == 3) {
    timer_.WriteControl(value);
  } else if (o1 < 8) {
    held_[o1 - 4] = value;
  } else if (o2 == 0) {
    digitalOutputs_ = value;
  } else if (o2 == 1) {
    unipolar_ = (value & 1) != 0;
    channel_ = (value >> 1) & 7;
  }
}

}  // namespace vantor
