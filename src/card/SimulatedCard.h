// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The acquisition card as a register-level model, for machines without the hardware and
// for the tests: the same register map as the real card behind the same PortBus, wired
// to a simulated process.
//
//   ADR1+0..3  8254 timer (see Timer8254): counter 2 at 2.458 MHz clocks counter 1,
//              whose output is digital input line 7
//   ADR1+4..7  writes: output 1 and output 2 holding registers (low, high bytes);
//              read of ADR1+7: both outputs take the held counts
//   ADR1+4/5   reads: converter status (bit 7 busy, bits 0-3 result bits 8-11) and
//              result bits 0-7
//   ADR1+6     read: starts a 10 µs conversion of the selected channel
//   ADR2+0     read: digital inputs, active low (line 7 = counter 1's output, lines 0-6
//              unconnected and pulled high); write: digital outputs
//   ADR2+1     write: multiplexer and range (bit 0 unipolar, bits 1-3 channel)
//
// Analog inputs: channel 1 is the process's sensor, channel 0 the external setpoint
// (unless the process fixes it), channels 2-7 are at 0 V. Unipolar range 0-10.24 V:
// counts = round(v × 4095 / 10.24), limited to 0..4095. Bipolar range ±10.24 V: the
// result register holds round(v × 2048 / 10.24), limited to -2048..2047, plus 2048.
// Output 2 drives the process through an inverting amplifier: count 2048 is 0 V and the
// voltage rises by 1 V every 205 counts down, limited to ±10 V. Output 1 is 0-10 V
// (count × 10 / 4095) and goes nowhere.
//
// Load disturbance: a load torque on the process, expressed as the drive voltage it takes
// away (the process receives output 2's voltage minus the load), applied or removed at
// once or applied at a time scheduled from the present, to the nearest process step.
//
// Time: every port access takes 1 µs of virtual time. The process is integrated in fixed
// steps of 1 ms up to the clock's present on each access. A read of the digital inputs
// while line 7 is low waits: on a virtual clock it jumps to the instant line 7 rises; on
// the real clock it sleeps until shortly before that instant so the loop's poll does not
// hold a processor.
//
// Ports outside the two blocks behave as an empty ISA bus: reads give 0xFF and writes are
// lost. Single-threaded: the card, its clock and its process belong to one thread.
#include <cstdint>
#include <memory>
#include <optional>

#include "card/PortBus.h"
#include "card/Timer8254.h"
#include "simulation/Clock.h"
#include "simulation/ProcessModel.h"

namespace vantor {

enum class SimulatedFault {
  None,
  NoCard,           // the card does not answer: every read gives 0xFF, writes are lost
  StuckConverter,   // status bit 7 never clears after a conversion start
  Line7NeverRises,  // digital input line 7 stays low whatever the timer does
};

class SimulatedCard : public PortBus {
 public:
  static constexpr std::uint16_t kFactoryAdr1 = 0x330;
  static constexpr std::uint16_t kFactoryAdr2 = 0x340;
  static constexpr std::int64_t kAccessNs = 1'000;
  static constexpr std::int64_t kConversionNs = 10'000;
  static constexpr std::int64_t kProcessStepNs = 1'000'000;
  // Real clock: a wait on line 7 sleeps until this long before the line rises, then
  // leaves the last stretch to the caller's poll.
  static constexpr std::int64_t kWakeMarginNs = 300'000;
  // Real clock: how long one read sleeps when line 7 is low and cannot rise.
  static constexpr std::int64_t kIdleReadNs = 500'000;

  // The card with a DcMotorPosition at rest. Throws VantorError when the two blocks of
  // eight ports overlap.
  explicit SimulatedCard(Clock& clock, std::uint16_t adr1 = kFactoryAdr1,
                         std::uint16_t adr2 = kFactoryAdr2);
  SimulatedCard(Clock& clock, std::unique_ptr<ProcessModel> process,
                std::uint16_t adr1 = kFactoryAdr1, std::uint16_t adr2 = kFactoryAdr2);

  std::uint8_t PortRead(std::uint16_t port) override;
  void PortWrite(std::uint16_t port, std::uint8_t value) override;

  // Replaces the process, which is validated (VantorError, the current process kept when
  // a parameter is unusable) and put at rest.
  void SetProcess(std::unique_ptr<ProcessModel> process);
  ProcessModel& Process() { return *process_; }
  const ProcessModel& Process() const { return *process_; }
  // Validates the current process's parameters (VantorError if unusable) and puts it at
  // rest, restarting its noise sequence; the load is removed.
  void ResetProcess();

  // The load, volts of drive taken away while it is applied (VantorError unless a number
  // between 0 and 10; 1 V at first). Changing it does not apply or remove it.
  void SetLoadVolts(double volts);
  double LoadVolts() const { return loadVolts_; }
  // Applies or removes the load now; cancels a scheduled application.
  void SetLoadApplied(bool applied);
  // Removes the load now and applies it delaySeconds from now.
  void ScheduleLoad(double delaySeconds);
  bool LoadApplied();
  // Whether the load was applied at some time since ForgetLoadHistory() (a run's start):
  // a run describes a load only when it met it.
  bool LoadWasApplied();
  void ForgetLoadHistory();

  void SetExternalSetpointVolts(double volts) { externalSetpointVolts_ = volts; }
  // A wire from output 1 to input 0 (the card's loopback check): input 0 then reads
  // output 1's voltage instead of the external setpoint or the process.
  void SetOutput1Loopback(bool wired) { loopback_ = wired; }
  double ExternalSetpointVolts() const { return externalSetpointVolts_; }

  void InjectFault(SimulatedFault fault) { fault_ = fault; }
  SimulatedFault Fault() const { return fault_; }

  // What the card holds, for tests and displays (reading these takes no bus time).
  std::uint16_t Adr1() const { return adr1_; }
  std::uint16_t Adr2() const { return adr2_; }
  std::uint16_t Output1Count() const { return output1Count_; }
  std::uint16_t Output2Count() const { return output2Count_; }
  double Output1Volts() const;
  // Drive voltage applied to the process.
  double Output2Volts() const;
  std::uint8_t DigitalOutputs() const { return digitalOutputs_; }
  int SelectedChannel() const { return channel_; }
  bool UnipolarRange() const { return unipolar_; }
  // State of digital input line 7 at the clock's present.
  bool Line7High();

  // Result-register value of a conversion of `volts` (bipolar range: plus 2048).
  static std::uint16_t ConverterCode(double volts, bool unipolar);

 private:
  std::int64_t NowNs();
  // Brings the timer, the converter and the process to the present; returns it.
  std::int64_t CatchUp();
  // Integrates the process in whole steps up to `ns` (or just short of it).
  void AdvanceProcessTo(std::int64_t ns);
  std::int64_t BeginAccess();
  std::uint8_t ReadDigitalInputs();
  void StartConversion();
  double ChannelVolts(int channel);
  bool Line7HighAtTimer() const;

  Clock& clock_;
  std::unique_ptr<ProcessModel> process_;
  std::uint16_t adr1_;
  std::uint16_t adr2_;
  SimulatedFault fault_ = SimulatedFault::None;
  double externalSetpointVolts_ = 0.0;
  bool loopback_ = false;

  Timer8254 timer_;
  std::int64_t processNs_ = 0;  // the process has been integrated up to here

  double loadVolts_ = 1.0;  // a constant torque, like a weight on a pulley
  bool loadApplied_ = false;
  bool loadSeen_ = false;
  std::optional<std::int64_t> loadAtNs_;

  // Converter and multiplexer.
  int channel_ = 0;
  bool unipolar_ = false;
  bool converting_ = false;
  std::int64_t conversionEndNs_ = 0;
  std::uint16_t pendingCode_ = 0;
  std::uint16_t resultCode_ = 0;

  // Outputs: holding registers and the counts in effect.
  std::uint8_t held_[4] = {0, 0, 0, 0};
  std::uint16_t output1Count_ = 0;
  std::uint16_t output2Count_ = 2048;
  std::uint8_t digitalOutputs_ = 0;
};

}  // namespace vantor
