// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Identification of a process from its open-loop step response, as the course's method
// sheets do it with a pencil, and the model fitted by least squares.
//
// The step is read as the step measures read it (StepMeasures.h): t0, y0 and yf (mean of
// the last 40 entries), Δy = yf − y0; Δu is the setpoint step, which the open loop sends
// as the order.
//
// Stable process (the response settles):
//   tangent   at the point of steepest slope after t0 (the inflection point), the slope
//             read by a local straight-line fit so that the noise of the feedback does
//             not make it; Tu from t0 to its crossing of y0, Ta between its crossings of
//             y0 and yf;
//   Strejc    n from Tu/Ta with the table below, T = Ta / (Ta/T)n, delay = Tu − (Tu/T)n T;
//   Broïda    t28 and t40, the first crossings of y0 + 0.28 Δy and y0 + 0.40 Δy after
//             t0 (from t0), T = 5.5 (t40 − t28), delay = 2.8 t28 − 1.8 t40;
//   least squares: K, T and the delay of the first order with delay closest to the whole
//             record after t0, with the RMS of what is left;
//   K = Δy / Δu for the three readings.
// Integrating process (the response ends on a ramp, the position motor): the asymptote
// is the straight line fitted to the last part of the ramp; its slope over Δu is k (1/s)
// and its crossing of y0 gives the delay.
//
// Refused: a run not in open loop, without a single step, too short, with |Δy| < 0.05 V,
// whose feedback ends at the end stop (10 V), or stable and not settled.
//
// Every delay is read on the recorded feedback, which is the mean of the last ten samples:
// it includes the 0.225 s that averaging adds. Qt-free.
#include <array>
#include <string>
#include <vector>

#include "regulation/Trial.h"

namespace vantor {

// The averaging delay of the feedback: 4.5 periods of 50 ms.
constexpr double kFeedbackAveragingDelay = 0.225;
// The least change of the feedback an identification reads: below, its slopes and times
// would be the record's noise and resolution.
constexpr double kLeastIdentifiedChange = 0.5;

// Strejc's table: for the order n = 1..6, Tu/Ta, Ta/T and Tu/T.
struct StrejcRow {
  int Order;
  double TuOverTa, TaOverT, TuOverT;
};
extern const std::array<StrejcRow, 6> kStrejcTable;

enum class ProcessType { Stable, Integrating };

// A straight line of the chart: y = Y + Slope · (t − T).
struct ChartLine {
  double T = 0, Y = 0, Slope = 0;
  double At(double t) const { return Y + Slope * (t - T); }
  // Time where the line reaches y (the line is not flat).
  double TimeOf(double y) const { return T + (y - Y) / Slope; }
};

// The models the window draws and the gains start from.
enum class ModelKind { Tangent, Strejc, Broida, LeastSquares, Ramp };

// A model of the process: gain K (V/V) and time constant T for a stable one, slope k (1/s)
// for an integrator, the pure delay and the order n (n first orders of constant T, 1 but
// for Strejc).
struct ProcessModelFit {
  ModelKind Kind = ModelKind::LeastSquares;
  bool Integrating = false;
  double K = 0;      // stable: Δy / Δu; integrating: k, 1/s
  double T = 0;      // s
  double Delay = 0;  // s
  int Order = 1;
  // The model's response to the step Δu made at t0 from y0, at time t.
  double Response(double t, double t0, double y0, double du) const;
};

struct Identification {
  // False when the run cannot be identified; Reason then says why, in French (a
  // sentence without its final full stop).
  bool Identified = false;
  std::string Reason;

  ProcessType Type = ProcessType::Stable;
  double StepTime = 0, InitialValue = 0, FinalValue = 0, Change = 0;  // t0, y0, yf, Δy
  double InputChange = 0;                                             // Δu
  double InitialInput = 0;  // the order before the step
  double K = 0;  // Δy / Δu (stable)

  // Stable.
  ChartLine Tangent;
  double TangentTu = 0, TangentTa = 0;
  int StrejcOrder = 1;
  double StrejcT = 0, StrejcDelay = 0;
  // The ratio Tu/Ta read, and the table's for the order taken: a ratio read up to 0.01 under
  // a row takes that row (the table is rounded and the slope read a little low), and its
  // extra delay, negative, is then taken as 0; the windows and the tool say so.
  double StrejcRatio = 0, StrejcRowRatio = 0;
  bool StrejcDelayTakenAsZero() const { return StrejcRatio < StrejcRowRatio; }
  double T28 = 0, T40 = 0;  // from t0
  double BroidaT = 0, BroidaDelay = 0;
  double LeastSquaresK = 0, LeastSquaresT = 0, LeastSquaresDelay = 0, LeastSquaresResidual = 0;

  // Integrating.
  ChartLine Asymptote;
  double RampSlope = 0;  // k, 1/s (V/s per volt of Δu)
  double RampDelay = 0;  // s

  // The model of a method; ModelKind::Ramp for an integrating process whatever is asked.
  ProcessModelFit Model(ModelKind kind) const;
  // The model the gains start from unless another is chosen: the tangent's reading, as
  // the method sheet does it, for a stable process; the ramp otherwise.
  ModelKind DefaultModel() const {
    return Type == ProcessType::Integrating ? ModelKind::Ramp : ModelKind::Tangent;
  }
};

// Identifies the run's process.
Identification Identify(const Trial& run);

// The identification as `name=value` lines in this order: type, K, k, tangente_Tu,
// tangente_Ta, strejc_n, strejc_T, strejc_retard, broida_T, broida_retard, mc_K, mc_T,
// mc_retard, mc_residu; two decimals ('.'), strejc_n an integer, '-' where a method
// does not apply (every value when the run is not identified). An integrating process
// has k and, as tangente_Tu, the delay read on its asymptote. Each line ends with '\n'.
std::string IdentificationLines(const Identification& id);

// The tangent to the feedback at entry k, for the chart's tangent tool: the straight line
// fitted on the entries k − half .. k + half (kept within 0 .. the last entry), which the
// noise of the realistic profile does not tilt as a difference of two entries would.
constexpr int kTangentToolHalfWidth = 5;
ChartLine FeedbackTangent(const Trial& run, int k, int half = kTangentToolHalfWidth);

// The French name of a model ("tangente", "Strejc", "Broïda", "moindres carrés",
// "asymptote de la rampe").
std::string ModelName(ModelKind kind);

}  // namespace vantor
