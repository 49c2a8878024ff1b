// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A process wired to the simulated card: it receives the drive voltage of analog
// output 2 and returns its sensor voltage on analog input 1 (the "retour"). A process
// may also fix analog input 0, which otherwise carries the card's adjustable external
// setpoint. The card integrates the process in fixed steps of its own clock.
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "simulation/SimulationProfile.h"

namespace vantor {

// Gain · e^(−Delay·s) / ((1 + T1 s)(1 + T2 s)…), times 1/s when Integrating (Gain is then
// in 1/s): what a process is to a linear analysis of its loop.
struct LinearProcess {
  double Gain = 1;
  bool Integrating = false;
  std::vector<double> Lags;  // the time constants, s
  double Delay = 0;          // the process's own pure delay, s
};

class ProcessModel;

// A parameter the user sets, as the parameters dialog shows it. Its range is the one
// the dialog accepts and Validate() checks.
struct ProcessParameter {
  std::string Name{};     // stable identifier: "gain", "constante-temps", ...
  std::string Label{};    // the dialog's label, unit included: "Constante de temps (s)"
  std::string Subject{};  // the parameter as a message names it: "La constante de temps"
  bool Feminine = false;  // "comprise" rather than "compris"
  std::string Unit{};     // written after the bounds in messages ("s", "V"), may be empty
  double Minimum = 0.0;
  double Maximum = 0.0;
  // The user may not set the minimum itself ("0 (exclu)"): it is the limiting case the
  // model can still run (a zero time constant, the plant without lag), so Validate()
  // accepts it; a model that cannot run there refuses it in its own checks.
  bool MinimumExcluded = false;
  // Only whole numbers (a number of stages): "L'ordre doit être un nombre entier compris
  // entre 1 et 6".
  bool Whole = false;
  std::function<double(const ProcessModel&)> Get{};
  std::function<void(ProcessModel&, double)> Set{};
  std::string Tip{};  // tooltip of the dialog's field, may be empty

  // "La constante de temps doit être comprise entre 0 (exclu) et 100 s"; a range
  // symmetric about zero reads "Le gain statique doit rester entre -1000 et 1000".
  std::string RangeMessage() const;
  // Throws VantorError(RangeMessage()) unless value is a number within the range (a whole
  // one when Whole), the minimum refused when excluded.
  void Check(double value) const;
};

class ProcessModel {
 public:
  virtual ~ProcessModel() = default;

  // Back to rest (the state at power-up) and the noise sequence restarted from
  // NoiseSeed, so that two runs from rest are identical.
  virtual void Reset();
  // Moves the process forward by dtSeconds with a constant drive voltage.
  virtual void Advance(double dtSeconds, double driveVolts) = 0;
  // Sensor voltage on analog input 1, without noise.
  virtual double Input1Volts() const = 0;
  // Voltage the process imposes on analog input 0, if any.
  virtual std::optional<double> Input0Volts() const { return std::nullopt; }
  // The least order that still acts on the process, when its actuator has one: a heating
  // element receives no power from a negative order. None for a process driven both ways.
  virtual std::optional<double> DriveFloor() const { return std::nullopt; }
  // The process as a linear model, from the order to the sensor's volts, for the loop's
  // margins: none for a process that has none (fixed inputs). Friction, noise, the sensor's
  // limits and a one-sided actuator are left out.
  virtual std::optional<LinearProcess> Linear() const { return std::nullopt; }
  // Throws VantorError with a French message naming the first unusable parameter: the
  // model's own checks (ValidateModel), then the range of every parameter.
  void Validate() const;
  // Name shown to the user ("Moteur à courant continu : position", ...).
  virtual std::string Name() const = 0;
  // Word of the process table (ProcessRegistry.h): "position", "vitesse", ...
  virtual std::string Id() const = 0;
  // The parameters the user sets, in the dialog's order; the base class gives the
  // measurement noise, which every process has and lists last.
  virtual std::vector<ProcessParameter> Parameters() const;
  // Sets the named parameters all together, or none of them: throws VantorError and
  // keeps the former values when a name is unknown, a value out of its range, or the
  // process then fails Validate().
  void SetParameters(const std::vector<std::pair<std::string, double>>& values);
  // Sets the parameters that make the process ideal or realistic (noise, friction, rest
  // position), keeping the others; takes effect from the next Reset() for the rest
  // position. The base class only remembers the profile.
  virtual void ApplyProfile(SimulationProfile profile) { profile_ = profile; }
  SimulationProfile Profile() const { return profile_; }
  // What a run records of its process: Name(), followed by " (réaliste)" for the
  // realistic profile.
  std::string Description() const;

  // What the converter samples on input 1: Input1Volts() plus noise drawn uniformly in
  // [-a, +a], a = NoiseVolts + NoiseFraction × |Input1Volts()|, from a generator seeded
  // with NoiseSeed.
  double SampleInput1Volts();

  // Amplitude of the measurement noise on input 1, volts (0 = none).
  double NoiseVolts = 0.0;
  // Part of the amplitude that grows with the reading (a tachometer's ripple), per unit.
  double NoiseFraction = 0.0;
  // Seed of the noise generator; Reset() restarts the sequence from it.
  std::uint32_t NoiseSeed = 20240611;

 protected:
  // The checks of the model itself, with their own messages; the base class checks the
  // noise. An override calls the base class first.
  virtual void ValidateModel() const;
  // The descriptions shared by several processes, without Get and Set (MemberParameter
  // gives them): time constant T (s) and static gain K (V/V).
  static ProcessParameter TimeConstantParameter();
  static ProcessParameter StaticGainParameter();
  // Throws VantorError when value is not a finite number at least minimum.
  static void RequireAtLeast(double value, double minimum, const std::string& what);
  // Throws VantorError unless the sensor's limits are two numbers, minimum below maximum.
  static void RequireSensorRange(double minimum, double maximum);

 private:
  std::mt19937 noise_{NoiseSeed};
  SimulationProfile profile_ = SimulationProfile::Ideal;
};

// A process read through a sensor: its conditioning gives SensorOffsetVolts at rest and
// holds the reading between SensorMinVolts and SensorMaxVolts (0-10 V at first).
class SensedProcess : public ProcessModel {
 public:
  // Sensor voltage at rest, and the range of the sensor's conditioning.
  double SensorOffsetVolts = 0.0;
  double SensorMinVolts = 0.0;
  double SensorMaxVolts = 10.0;

 protected:
  // The sensor's reading of a signal `aboveRest` volts above its rest value.
  double SensorVolts(double aboveRest) const;
  // Throws VantorError(offsetMessage) when the offset is not a number, then checks the
  // range (RequireSensorRange).
  void RequireSensor(const char* offsetMessage) const;
};

// The parameter `description` held in the member `member` of Model.
template <class Model>
ProcessParameter MemberParameter(ProcessParameter description, double Model::*member) {
  description.Get = [member](const ProcessModel& p) {
    return static_cast<const Model&>(p).*member;
  };
  description.Set = [member](ProcessModel& p, double value) {
    static_cast<Model&>(p).*member = value;
  };
  return description;
}

}  // namespace vantor
