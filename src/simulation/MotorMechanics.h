// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The mechanical equation shared by the DC motor models, with dry friction:
//
//   tau · dw/dt + w = K · v        w: speed (rad/s), v: effective drive (V)
//   turning:     v = u − F · sign(K · w)   the friction takes F volts against the motion
//   at standstill: the motor stays stuck while |u| <= F (the dead zone), and starts with
//                  v = u − F · sign(u) beyond it
//
// F = 0 is the frictionless motor. Every step is the exact solution for a drive held
// constant; a step in which the speed falls to zero is split there, so the motor sticks
// or reverses exactly when it should, whatever the step length.
#include "simulation/ProcessModel.h"

namespace vantor {

// The parameters both motors show, without Get and Set: gain K ((rad/s)/V), dry
// friction F (V), and the sensor's sensitivity with `tip` saying its unit.
ProcessParameter MotorGainParameter();
ProcessParameter FrictionParameter();
ProcessParameter SensorParameter(const char* tip);

// Advances `speed` by dtSeconds under the drive u; returns the angle turned (rad).
double AdvanceMotor(double& speed, double dtSeconds, double driveVolts, double gain, double tau,
                    double frictionVolts);

}  // namespace vantor
