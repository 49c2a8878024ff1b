// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PID of industrial regulators, as an alternative to the main window's corrector.
// The gains are still the main window's Kp, Kd, Ki (parallel form); the standard form
// names the same corrector by Kp, Ti = Kp / Ki and Td = Kd / Kp, so both forms give the
// same order for the same fields and differ only in what the teacher sets. With
// σ = +1 for direct action and -1 for reverse action, r the setpoint, y the feedback:
//
//   P = σ·Kp·(b·r − y)                                     setpoint weight b
//   D = Tf/(Tf+h)·D⁻ + σ·Kd/(Tf+h)·(x − x⁻)                x = r − y, or −y on the
//                                                          measurement; Tf = Td/N
//   I = I⁻ + σ·Ki·h·(r − y)                                then the anti-windup
//   order = P + I + D, limited to the order's range
//
// Anti-windup: none; clamping (the integral stops while the order is at a limit and the
// error would push it further); back-calculation (the integral is pulled back by
// (h/Tt)·(limited order − unlimited order) each cycle). In manual mode the order is the
// manual value and the integral follows it, so that going back to automatic starts from
// the order in force: no jump. The record keeps P, D, I and the order in their series.
// Qt-free.
#include <optional>
#include <string>
#include <utility>

#include "regulation/CorrectorLaw.h"

namespace vantor {

// How the settings are written: parallel Kp + Ki/p + Kd·p, standard (mixed)
// Kp (1 + 1/(Ti p) + Td p), or series Kr (1 + 1/(Ti p)) (1 + Td p). The gain fields are
// always the parallel gains; the form names the structure in captions.
enum class PidForm { Parallel, Standard, Series };
enum class AntiWindup { None, Clamping, BackCalculation };

struct IndustrialPidSettings {
  PidForm Form = PidForm::Parallel;
  int FilterN = 0;  // 0: no filter; else 2 to 20
  bool DerivativeOnMeasurement = false;
  double SetpointWeight = 1.0;  // b, 0 to 1
  AntiWindup Windup = AntiWindup::None;
  // Tt (s) of back-calculation; absent: the default, √(Ti·Td) with a derivative, else Ti/2.
  std::optional<double> TrackingTime;
  // Direct action: the order rises with the measurement, for a process of negative gain
  // (a cooler). The workstation's own corrector, whose order rises when the measurement
  // falls, is reverse acting, as the standard names it; that is the default.
  bool DirectAction = false;
  // Manual from the first to the second time (s of run), the order held at its value
  // when manual began; for the headless tool and the tests.
  std::optional<std::pair<double, double>> ManualSpan;
};

// What is wrong with the settings, in French, or empty.
std::string IndustrialPidFault(const IndustrialPidSettings& settings);

// The names of the structure for captions and the run file: "PID industriel (forme
// standard, filtre N=5, anti-emballement par saturation)".
std::string IndustrialPidCaption(const IndustrialPidSettings& settings);

class IndustrialPidLaw : public CorrectorLaw {
 public:
  explicit IndustrialPidLaw(const IndustrialPidSettings& settings) : settings_(settings) {}

  void BeginRun(const RegulationState& s) override;
  void OwnTerms(RegulationState& s, long double setpoint) override;
  long double Order(const RegulationState& s, long double setpoint) override;
  void OrderLimited(const RegulationState& s) override;
  std::string Name() const override { return "PID industriel"; }
  std::string Caption() const override { return IndustrialPidCaption(settings_); }

  const IndustrialPidSettings& Settings() const { return settings_; }
  void SetSettings(const IndustrialPidSettings& settings) { settings_ = settings; }

  // Manual mode, from the window during a run: the order becomes `order` from the next
  // cycle. SetManualOrder changes it while manual.
  void SetManual(bool manual, long double order);
  bool Manual() const { return manual_; }
  // The order of the last cycle, limited: what the manual field starts from.
  long double LastOrder() const { return lastOrder_; }

  // The tracking time of back-calculation for gains Kp, Kd, Ki (s); 0 without integral.
  static double TrackingTimeFor(const IndustrialPidSettings& settings, double kp, double kd,
                                double ki);

 private:
  IndustrialPidSettings settings_;
  long double integral_ = 0, derivative_ = 0, previousX_ = 0;
  long double unlimited_ = 0, lastOrder_ = 0, manualOrder_ = 0;
  bool manual_ = false, wasManual_ = false;
  int cycles_ = 0;
};

}  // namespace vantor
