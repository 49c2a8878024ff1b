#pragma once
// A process wired to the simulated card: it receives the drive voltage of analog
// output 2 and returns its sensor voltage on analog input 1 (the "retour"). A process
// may also fix analog input 0, which otherwise carries the card's adjustable external
// setpoint. The card integrates the process in fixed steps of its own clock.
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "SimulationProfile.h"

namespace vantor {

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
  // Throws VantorError with a French message naming the first unusable parameter.
  virtual void Validate() const;
  // Name shown to the user ("Moteur à courant continu : position", ...).
  virtual std::string Name() const = 0;
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
  // Throws VantorError when value is not a finite number at least minimum.
  static void RequireAtLeast(double value, double minimum, const std::string& what);
  // Throws VantorError unless the sensor's limits are two numbers, minimum below maximum.
  static void RequireSensorRange(double minimum, double maximum);

 private:
  std::mt19937 noise_{NoiseSeed};
  SimulationProfile profile_ = SimulationProfile::Ideal;
};

}  // namespace vantor
