// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/MotorMechanics.h"

#include <cmath>

namespace vantor {

namespace {

// Exact first-order step towards `target` over dt: moves speed, returns the angle.
double Relax(double& speed, double target, double dt, double tau) {
  const double decay = tau > 0.0 ? std::exp(-dt / tau) : 0.0;
  const double angle = target * dt + (speed - target) * tau * (1.0 - decay);
  speed = target + (speed - target) * decay;
  return angle;
}

double Sign(double x) {
  return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0);
}

}  // namespace

ProcessParameter MotorGainParameter() {
  return {.Name = "gain",
          .Label = "Gain du moteur ((rad/s)/V)",
          .Subject = "Le gain du moteur",
          .Minimum = -1000.0,
          .Maximum = 1000.0,
          .Tip = "Vitesse en régime établi par volt d'ordre"};
}

ProcessParameter SensorParameter(const char* tip) {
  return ProcessParameter{.Name = "capteur",
                          .Label = "Sensibilité du capteur",
                          .Subject = "La sensibilité du capteur",
                          .Feminine = true,
                          .Minimum = 0.0,
                          .Maximum = 100.0,
                          .MinimumExcluded = true,
                          .Tip = tip};
}

ProcessParameter FrictionParameter() {
  return {.Name = "frottement",
          .Label = "Frottement sec (V d'ordre)",
          .Subject = "Le frottement sec",
          .Unit = "V",
          .Minimum = 0.0,
          .Maximum = 5.0,
          .Tip = "Ordre perdu dans le frottement ; en dessous, le moteur arrêté ne démarre pas"};
}

double AdvanceMotor(double& speed, double dtSeconds, double driveVolts, double gain, double tau,
                    double frictionVolts) {
  if (!(dtSeconds > 0.0)) return 0.0;
  tau = tau > 0.0 ? tau : 0.0;
  if (!(frictionVolts > 0.0)) return Relax(speed, gain * driveVolts, dtSeconds, tau);

  // Friction in speed units: the steady speed it takes away.
  const double drag = std::fabs(gain) * frictionVolts;
  const double pushed = gain * driveVolts;
  double angle = 0.0;
  double left = dtSeconds;
  // At most: a run down to standstill, then either sticking or a run the other way.
  for (int leg = 0; leg < 3 && left > 0.0; ++leg) {
    double direction = Sign(speed);
    if (direction == 0.0) {
      if (std::fabs(pushed) <= drag) return angle;  // stuck in the dead zone
      direction = Sign(pushed);
    }
    const double target = pushed - drag * direction;
    if (tau == 0.0) {
      // No inertia: the speed is the target at once, or zero if friction holds it.
      speed = Sign(target) == direction ? target : 0.0;
      return angle + speed * left;
    }
    // The speed heads for the target; it reaches zero only if the target lies beyond.
    if (target * direction < 0.0) {
      const double toZero = tau * std::log((speed - target) / -target);
      if (toZero < left) {
        angle += Relax(speed, target, toZero, tau);
        speed = 0.0;
        left -= toZero;
        continue;
      }
    }
    return angle + Relax(speed, target, left, tau);
  }
  return angle;
}

}  // namespace vantor
