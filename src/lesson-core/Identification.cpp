// SPDX-License-Identifier: GPL-3.0-or-later
// Identification from the open-loop step response.
#include "lesson-core/Identification.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/Numbers.h"
#include "lesson-core/StepMeasures.h"

namespace vantor {

const std::array<StrejcRow, 6> kStrejcTable = {{{1, 0.000, 1.000, 0.000},
                                                {2, 0.104, 2.718, 0.282},
                                                {3, 0.218, 3.695, 0.805},
                                                {4, 0.319, 4.463, 1.425},
                                                {5, 0.410, 5.119, 2.100},
                                                {6, 0.493, 5.699, 2.811}}};

namespace {

// A reading of Tu/Ta this close below a row of the table takes that row: the table is
// rounded to three decimals and the local fit reads the steepest slope a little low.
constexpr double kStrejcTolerance = 0.01;

// An integrator's response ends on a straight ramp: its last quarter at least this part
// of the slope of the quarter before (a first order that has not settled slows down by
// e^(-1/4) = 0.78 or more between them) and of the steepest slope (which the 0.2 V floor
// of the feedback's conditioning may steepen at the start).
constexpr double kRampStraightness = 0.85;
constexpr double kRampSlopeShare = 0.4;

// The feedback as volts, with prefix sums for the local straight-line fits.
class Feedback {
 public:
  Feedback(const Trial& run, int last) : period_(run.SamplePeriodMs / 1000.0) {
    y_.resize(static_cast<std::size_t>(last) + 1);
    sum_.assign(y_.size() + 1, 0.0);
    moment_.assign(y_.size() + 1, 0.0);
    for (int k = 0; k <= last; ++k) {
      const double v = run.At(kSeriesFeedback, k) / 100.0;
      y_[static_cast<std::size_t>(k)] = v;
      sum_[static_cast<std::size_t>(k) + 1] = sum_[static_cast<std::size_t>(k)] + v;
      moment_[static_cast<std::size_t>(k) + 1] = moment_[static_cast<std::size_t>(k)] + k * v;
    }
  }

  double Period() const { return period_; }
  double operator[](int k) const { return y_[static_cast<std::size_t>(k)]; }

  // The least-squares line through the entries from..to (inclusive, at least two).
  ChartLine Fit(int from, int to) const {
    const double n = to - from + 1;
    const double sy = sum_[static_cast<std::size_t>(to) + 1] - sum_[static_cast<std::size_t>(from)];
    const double sky =
        moment_[static_cast<std::size_t>(to) + 1] - moment_[static_cast<std::size_t>(from)];
    const double centre = (from + to) / 2.0;
    // Σ (k − centre)² over n consecutive integers.
    const double spread = n * (n * n - 1) / 12;
    ChartLine line;
    line.T = centre * period_;
    line.Y = sy / n;
    line.Slope = (sky - centre * sy) / spread / period_;
    return line;
  }

  // The RMS of what that line leaves.
  double Residual(int from, int to) const {
    const ChartLine line = Fit(from, to);
    double sum = 0;
    for (int k = from; k <= to; ++k) {
      const double d = y_[static_cast<std::size_t>(k)] - line.At(k * period_);
      sum += d * d;
    }
    return std::sqrt(sum / (to - from + 1));
  }

 private:
  double period_;
  std::vector<double> y_, sum_, moment_;
};

// The squared error of the first order with delay (T, delay) after the step, its best
// amplitude found in closed form (the model is linear in it).
struct FirstOrderFit {
  const Feedback& y;
  int k0, last;
  double t0, y0;

  struct Result {
    double Cost, Amplitude;
  };

  Result operator()(double T, double delay) const {
    const double period = y.Period();
    // g(t) = 1 − exp(−(t − t0 − delay) / T) after the delay, 0 before; the exponential
    // goes by a constant ratio from one entry to the next.
    const double ratio = std::exp(-period / T);
    int k = k0;
    double sgy = 0, sgg = 0, syy = 0;
    for (; k <= last && k * period - t0 <= delay; ++k) {
      const double d = y[k] - y0;
      syy += d * d;
    }
    double decay = std::exp(-(k * period - t0 - delay) / T);
    for (; k <= last; ++k, decay *= ratio) {
      const double g = 1 - decay, d = y[k] - y0;
      sgy += g * d;
      sgg += g * g;
      syy += d * d;
    }
    const double a = sgg > 0 ? sgy / sgg : 0;
    return {syy - 2 * a * sgy + a * a * sgg, a};
  }
};

// Nelder–Mead on (ln T, delay), from a starting point and step.
void MinimiseFirstOrder(const FirstOrderFit& fit, double& T, double& delay, double tMax,
                        double delayMax) {
  struct Vertex {
    double LogT, Delay, Cost;
  };
  auto cost = [&](double logT, double d) {
    // Outside the record's reach the fit means nothing: a steep wall keeps it inside.
    if (d < 0 || d > delayMax || logT > std::log(tMax) || logT < std::log(1e-3)) return 1e300;
    return fit(std::exp(logT), d).Cost;
  };
  auto make = [&](double logT, double d) { return Vertex{logT, d, cost(logT, d)}; };
  for (int restart = 0; restart < 2; ++restart) {
    const double stepDelay = std::max(0.2, 0.2 * delay);
    std::array<Vertex, 3> v = {make(std::log(T), delay), make(std::log(T) + 0.2, delay),
                               make(std::log(T), delay + stepDelay)};
    for (int iteration = 0; iteration < 300; ++iteration) {
      std::sort(v.begin(), v.end(), [](const Vertex& a, const Vertex& b) { return a.Cost < b.Cost; });
      if (std::fabs(v[2].LogT - v[0].LogT) < 1e-5 && std::fabs(v[2].Delay - v[0].Delay) < 1e-5)
        break;
      const double cl = (v[0].LogT + v[1].LogT) / 2, cd = (v[0].Delay + v[1].Delay) / 2;
      const Vertex r = make(2 * cl - v[2].LogT, 2 * cd - v[2].Delay);
      if (r.Cost < v[0].Cost) {
        const Vertex e = make(3 * cl - 2 * v[2].LogT, 3 * cd - 2 * v[2].Delay);
        v[2] = e.Cost < r.Cost ? e : r;
      } else if (r.Cost < v[1].Cost) {
        v[2] = r;
      } else {
        const Vertex c = make((cl + v[2].LogT) / 2, (cd + v[2].Delay) / 2);
        if (c.Cost < v[2].Cost) {
          v[2] = c;
        } else {
          for (int i = 1; i < 3; ++i)
            v[static_cast<std::size_t>(i)] =
                make((v[0].LogT + v[static_cast<std::size_t>(i)].LogT) / 2,
                     (v[0].Delay + v[static_cast<std::size_t>(i)].Delay) / 2);
        }
      }
    }
    const Vertex& best = *std::min_element(
        v.begin(), v.end(), [](const Vertex& a, const Vertex& b) { return a.Cost < b.Cost; });
    T = std::exp(best.LogT);
    delay = best.Delay;
  }
}

// Two decimals; "-" for what is not a finite number, which no reading should print.
std::string Fixed(double v) {
  return std::isfinite(v) ? FormatFixed2(static_cast<long double>(v)) : "-";
}

}  // namespace

double ProcessModelFit::Response(double t, double t0, double y0, double du) const {
  const double x = t - t0 - Delay;
  if (x <= 0) return y0;
  if (Integrating) return y0 + K * du * x;
  if (T <= 0) return y0 + K * du;
  // 1/(1 + Ts)^n: 1 − e^(−x/T) Σ_{i<n} (x/T)^i / i!
  const double u = x / T;
  double term = 1, sum = 0;
  for (int i = 0; i < Order; ++i) {
    sum += term;
    term *= u / (i + 1);
  }
  return y0 + K * du * (1 - std::exp(-u) * sum);
}

ProcessModelFit Identification::Model(ModelKind kind) const {
  ProcessModelFit m;
  m.Kind = kind;
  if (Type == ProcessType::Integrating) {
    m.Kind = ModelKind::Ramp;
    m.Integrating = true;
    m.K = RampSlope;
    m.Delay = RampDelay;
    return m;
  }
  m.K = K;
  switch (kind) {
    case ModelKind::Tangent:
      m.T = TangentTa;
      m.Delay = std::max(0.0, TangentTu);
      break;
    case ModelKind::Strejc:
      m.T = StrejcT;
      m.Delay = StrejcDelay;
      m.Order = StrejcOrder;
      break;
    case ModelKind::Broida:
      m.T = BroidaT;
      m.Delay = std::max(0.0, BroidaDelay);
      break;
    case ModelKind::LeastSquares:
    case ModelKind::Ramp:
      m.Kind = ModelKind::LeastSquares;
      m.K = LeastSquaresK;
      m.T = LeastSquaresT;
      m.Delay = LeastSquaresDelay;
      break;
  }
  return m;
}

Identification Identify(const Trial& run) {
  Identification id;
  if (!run.IsOpenLoop()) {
    id.Reason =
        "cet essai n'est pas en boucle ouverte : l'identification lit la réponse du procédé "
        "seul à un échelon d'ordre (menu « Boucle », « ouverte »)";
    return id;
  }
  const StepMeasures m = MeasureStep(run);
  if (!m.Measured && m.StepTime == 0) {
    id.Reason = m.Reason;
    return id;
  }
  const double period = run.SamplePeriodMs / 1000.0;
  const int last = std::min(run.LastEntry, kRecordLastEntry);
  const int k0 = static_cast<int>(std::lround(m.StepTime / period));
  for (int k = k0 + 1; k <= last; ++k)
    if (run.At(kSeriesSetpoint, k) != run.At(kSeriesSetpoint, k0)) {
      id.Reason = "la consigne change de nouveau " + Fixed((k - k0) * period) +
                  " s après l'échelon : l'identification demande un seul échelon";
      return id;
    }
  if (!m.Measured) {
    id.Reason = m.Reason;
    return id;
  }
  // A feedback held at the end of its range is no longer the process's response.
  constexpr std::int32_t kEndOfRange = 995;  // hundredths: 9.95 V
  bool atEnd = true;
  for (int k = last - kFinalValueEntries + 1; k <= last && atEnd; ++k)
    atEnd = run.At(kSeriesFeedback, k) >= kEndOfRange;
  if (atEnd) {
    id.Reason =
        "le retour est en butée (10 V) à la fin de l'essai : recommencer avec un échelon plus "
        "faible, ou arrêter l'essai avant la butée";
    return id;
  }
  // Readings at a limit of the sensor after the step: below the 0.2 V floor they were
  // ignored and the feedback held, at full scale they were cut; where the response was read
  // there, what the methods read is not the process's. A motor at rest reads 0 V and
  // crosses the floor within a cycle or two of its step, which hides nothing worth a
  // refusal; three readings or more (0.15 s) do.
  {
    constexpr int kLeastHiddenReadings = 3;
    int first = -1, lastAt = -1, count = 0;
    SensorLimit which = SensorLimit::None;
    for (int k = k0; k <= last; ++k) {
      const SensorLimit l = run.FeedbackLimits[static_cast<std::size_t>(k)];
      if (l == SensorLimit::None) continue;
      if (first < 0) first = k, which = l;
      lastAt = k;
      ++count;
    }
    if (count >= kLeastHiddenReadings) {
      id.Reason = std::string("le retour était ") +
                  (which == SensorLimit::Floor ? "sous le seuil de 0,2 V du capteur"
                                               : "à la pleine échelle du capteur") +
                  " de " + Fixed(first * period) + " s à " + Fixed(lastAt * period) +
                  " s : ces mesures ont été " +
                  (which == SensorLimit::Floor ? "ignorées" : "écrêtées") +
                  " et la réponse lue ne serait pas celle du procédé ; partir d'un retour "
                  "au-dessus de 0,2 V (procédé réaliste, ou un ordre de départ qui l'y place) "
                  "et rester sous la pleine échelle";
      return id;
    }
  }
  // A change too small next to the record's resolution and noise: the slopes and times read
  // on it would be noise.
  if (std::fabs(m.Change) < kLeastIdentifiedChange) {
    id.Reason = "le retour n'a varié que de " + Fixed(std::fabs(m.Change)) +
                " V : trop peu pour lire une pente devant le bruit et la résolution du "
                "relevé ; recommencer avec un échelon qui le fait varier d'au moins 0,5 V";
    return id;
  }
  id.StepTime = m.StepTime;
  id.InitialValue = m.InitialValue;
  id.FinalValue = m.FinalValue;
  id.Change = m.Change;
  id.InputChange = (run.At(kSeriesSetpoint, k0) - run.At(kSeriesSetpoint, k0 - 1)) / 100.0;
  id.InitialInput = run.At(kSeriesSetpoint, k0 - 1) / 100.0;
  id.K = id.Change / id.InputChange;
  const double t0 = id.StepTime, y0 = id.InitialValue, yf = id.FinalValue;
  const double sign = id.Change > 0 ? 1 : -1;
  const Feedback y(run, last);

  // The local fits: wide enough that the noise does not make the steepest slope, no
  // wider, for a wider fit flattens it. A first reading over a small part of the rise
  // gives the slope; the noise is what a straight line leaves over the last 2 s; the
  // width is then the least that reads the slope to 1.5 %.
  const double rise = m.RiseTime ? *m.RiseTime : (last - k0) * period;
  const int widest = std::clamp(static_cast<int>(0.05 * rise / period), 2, 25);
  if (last - k0 < 2 * widest + 2) {
    id.Reason = "l'essai est trop court après l'échelon pour lire une pente";
    return id;
  }
  auto steepestFit = [&](int half, int& at) {
    at = k0 + half;
    ChartLine best = y.Fit(at - half, at + half);
    for (int k = k0 + half; k + half <= last; ++k) {
      const ChartLine line = y.Fit(k - half, k + half);
      if (line.Slope * sign > best.Slope * sign) {
        best = line;
        at = k;
      }
    }
    return best;
  };
  int steepest = 0;
  const int first = std::clamp(static_cast<int>(std::lround(0.012 * rise / period)), 2, widest);
  const double roughSlope = std::fabs(steepestFit(first, steepest).Slope);
  const double noise = y.Residual(last - kFinalValueEntries + 1, last);
  int half = first;
  while (half < widest &&
         noise / (period * std::sqrt(half * (half + 1.0) * (2 * half + 1) / 3)) >
             0.015 * roughSlope)
    ++half;
  const ChartLine tangent = steepestFit(half, steepest);
  if (!(tangent.Slope * sign > 0)) {
    id.Reason = "le retour ne monte nulle part dans le sens de l'échelon";
    return id;
  }

  // What the record ends on: a ramp nearly as steep as the steepest slope is an
  // integrator's; a stable process has settled, within the step measures' band and with
  // a final value that the drift of the last quarter of the response, carried over a
  // time constant (Ta), would not move by more than 2 % of the change.
  const int tail = std::max(kFinalValueEntries, (last - k0 + 1) / 4);
  const ChartLine ending = y.Fit(last - tail + 1, last);
  const double drift = std::fabs(ending.Slope);
  const double ta = (yf - y0) / tangent.Slope;
  const bool settled = m.Settled && drift * ta <= 0.02 * std::fabs(id.Change);
  const ChartLine before = y.Fit(last - 2 * tail + 1, last - tail);
  if (!settled && last - 2 * tail >= k0 &&
      ending.Slope * sign >= kRampStraightness * before.Slope * sign &&
      ending.Slope * sign >= kRampSlopeShare * tangent.Slope * sign) {
    id.Type = ProcessType::Integrating;
    // The asymptote over the last half of the response, where the lags have died out.
    const int from = k0 + (last - k0) / 2;
    id.Asymptote = y.Fit(from, last);
    id.RampSlope = id.Asymptote.Slope / id.InputChange;
    id.RampDelay = id.Asymptote.TimeOf(y0) - t0;
    id.Identified = true;
    return id;
  }
  if (!settled) {
    id.Reason =
        "le retour n'est pas établi à la fin de l'essai (il varie encore pendant les 2 "
        "dernières secondes) : prolonger l'essai jusqu'à ce qu'il se stabilise";
    return id;
  }
  id.Type = ProcessType::Stable;

  id.Tangent = tangent;
  const double atY0 = tangent.TimeOf(y0), atYf = tangent.TimeOf(yf);
  id.TangentTu = atY0 - t0;
  id.TangentTa = atYf - atY0;

  const double ratio = id.TangentTu / id.TangentTa;
  StrejcRow row = kStrejcTable[0];
  for (const StrejcRow& r : kStrejcTable)
    if (ratio + kStrejcTolerance >= r.TuOverTa) row = r;
  id.StrejcOrder = row.Order;
  id.StrejcT = id.TangentTa / row.TaOverT;
  id.StrejcDelay = std::max(0.0, id.TangentTu - row.TuOverT * id.StrejcT);
  id.StrejcRatio = ratio;
  id.StrejcRowRatio = row.TuOverTa;

  const auto t28 = FirstFeedbackCrossing(run, k0, last, y0 + 0.28 * id.Change, sign);
  const auto t40 = FirstFeedbackCrossing(run, k0, last, y0 + 0.40 * id.Change, sign);
  if (!t28 || !t40) {
    id.Reason = "le retour n'atteint pas 40 % de sa variation après l'échelon";
    return id;
  }
  id.T28 = *t28 - t0;
  id.T40 = *t40 - t0;
  id.BroidaT = 5.5 * (id.T40 - id.T28);
  id.BroidaDelay = 2.8 * id.T28 - 1.8 * id.T40;

  // Least squares from Broïda's reading, which is close for a first order.
  const FirstOrderFit fit{y, k0, last, t0, y0};
  const double span = (last - k0) * period;
  double T = std::clamp(id.BroidaT, 2 * period, span);
  double delay = std::clamp(id.BroidaDelay, 0.0, span / 2);
  MinimiseFirstOrder(fit, T, delay, 10 * span, span);
  const FirstOrderFit::Result best = fit(T, delay);
  id.LeastSquaresT = T;
  id.LeastSquaresDelay = delay;
  id.LeastSquaresK = best.Amplitude / id.InputChange;
  id.LeastSquaresResidual = std::sqrt(std::max(0.0, best.Cost) / (last - k0 + 1));
  id.Identified = true;
  return id;
}

ChartLine FeedbackTangent(const Trial& run, int k, int half) {
  const int last = std::min(run.LastEntry, kRecordLastEntry);
  const Feedback y(run, last);
  const int from = std::clamp(k - half, 0, std::max(0, last - 2 * half));
  const int to = std::min(last, from + 2 * half);
  ChartLine line = y.Fit(from, std::max(to, from + 1));
  // Through the point picked rather than the window's centre (they differ at the ends).
  line.Y = line.At(k * y.Period());
  line.T = k * y.Period();
  return line;
}

std::string IdentificationLines(const Identification& id) {
  const bool stable = id.Identified && id.Type == ProcessType::Stable;
  const bool ramp = id.Identified && id.Type == ProcessType::Integrating;
  const auto line = [](const char* name, bool applies, const std::string& value) {
    return std::string(name) + "=" + (applies ? value : "-") + "\n";
  };
  std::string out;
  out += line("type", id.Identified, stable ? "stable" : "integrateur");
  out += line("K", stable, Fixed(id.K));
  out += line("k", ramp, Fixed(id.RampSlope));
  // The ramp's asymptote is read as a tangent: its crossing of y0 gives the delay.
  out += line("tangente_Tu", stable || ramp, Fixed(stable ? id.TangentTu : id.RampDelay));
  out += line("tangente_Ta", stable, Fixed(id.TangentTa));
  out += line("strejc_n", stable, std::to_string(id.StrejcOrder));
  out += line("strejc_T", stable, Fixed(id.StrejcT));
  out += line("strejc_retard", stable, Fixed(id.StrejcDelay));
  out += line("broida_T", stable, Fixed(id.BroidaT));
  out += line("broida_retard", stable, Fixed(id.BroidaDelay));
  out += line("mc_K", stable, Fixed(id.LeastSquaresK));
  out += line("mc_T", stable, Fixed(id.LeastSquaresT));
  out += line("mc_retard", stable, Fixed(id.LeastSquaresDelay));
  out += line("mc_residu", stable, Fixed(id.LeastSquaresResidual));
  return out;
}

std::string ModelName(ModelKind kind) {
  switch (kind) {
    case ModelKind::Tangent:
      return "tangente";
    case ModelKind::Strejc:
      return "Strejc";
    case ModelKind::Broida:
      return "Broïda";
    case ModelKind::LeastSquares:
      return "moindres carrés";
    case ModelKind::Ramp:
      return "asymptote de la rampe";
  }
  return {};
}

}  // namespace vantor
