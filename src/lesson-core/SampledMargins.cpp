// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/SampledMargins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "common/Numbers.h"

namespace vantor {

namespace {

using Complex = std::complex<double>;
using Matrix = std::vector<std::vector<double>>;

Matrix Zero(std::size_t n) { return Matrix(n, std::vector<double>(n, 0.0)); }

Matrix Multiply(const Matrix& a, const Matrix& b) {
  const std::size_t n = a.size();
  Matrix c = Zero(n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < n; ++k) {
      if (a[i][k] == 0) continue;
      for (std::size_t j = 0; j < n; ++j) c[i][j] += a[i][k] * b[k][j];
    }
  return c;
}

// e^M by scaling and squaring, with a Taylor series on the scaled matrix.
Matrix Exponential(Matrix m) {
  const std::size_t n = m.size();
  double norm = 0;
  for (const auto& row : m) {
    double sum = 0;
    for (double v : row) sum += std::fabs(v);
    norm = std::max(norm, sum);
  }
  int squarings = 0;
  while (norm > 0.25) {
    norm /= 2;
    ++squarings;
  }
  const double scale = std::ldexp(1.0, -squarings);
  for (auto& row : m)
    for (double& v : row) v *= scale;
  Matrix result = Zero(n), term = Zero(n);
  for (std::size_t i = 0; i < n; ++i) result[i][i] = term[i][i] = 1;
  for (int k = 1; k <= 18; ++k) {
    term = Multiply(term, m);
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) {
        term[i][j] /= k;
        result[i][j] += term[i][j];
      }
  }
  for (int i = 0; i < squarings; ++i) result = Multiply(result, result);
  return result;
}

// The process's state equations x' = A x + B u, y = last state: an integrator first when
// there is one, then the lags in a chain.
struct StateSpace {
  Matrix A;
  std::vector<double> B;
};

StateSpace Continuous(const LinearProcess& p) {
  const std::size_t n = (p.Integrating ? 1 : 0) + p.Lags.size();
  StateSpace s{Zero(n), std::vector<double>(n, 0.0)};
  std::size_t i = 0;
  if (p.Integrating) {
    s.B[0] = p.Gain;  // s0' = k·u
    i = 1;
  }
  for (std::size_t l = 0; l < p.Lags.size(); ++l, ++i) {
    const double t = p.Lags[l];
    s.A[i][i] = -1 / t;
    if (i == 0)
      s.B[0] = p.Gain / t;  // x1' = (K·u − x1) / T1
    else
      s.A[i][i - 1] = 1 / t;  // xi' = (x(i−1) − xi) / Ti
  }
  return s;
}

// e^(Aτ) and Γ(τ) = ∫0^τ e^(Aσ) dσ · B, from the exponential of [[A, B], [0, 0]]·τ.
void Discrete(const StateSpace& s, double tau, Matrix& phi, std::vector<double>& gamma) {
  const std::size_t n = s.B.size();
  Matrix m = Zero(n + 1);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) m[i][j] = s.A[i][j] * tau;
    m[i][n] = s.B[i] * tau;
  }
  const Matrix e = Exponential(m);
  phi = Zero(n);
  gamma.assign(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) phi[i][j] = e[i][j];
    gamma[i] = e[i][n];
  }
}

// Solves (a) x = b, a small dense complex system, by Gaussian elimination.
std::vector<Complex> Solve(std::vector<std::vector<Complex>> a, std::vector<Complex> b) {
  const std::size_t n = b.size();
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    std::swap(b[c], b[pivot]);
    for (std::size_t r = c + 1; r < n; ++r) {
      const Complex f = a[r][c] / a[c][c];
      for (std::size_t k = c; k < n; ++k) a[r][k] -= f * a[c][k];
      b[r] -= f * b[c];
    }
  }
  std::vector<Complex> x(n);
  for (std::size_t i = n; i-- > 0;) {
    Complex sum = b[i];
    for (std::size_t k = i + 1; k < n; ++k) sum -= a[i][k] * x[k];
    x[i] = sum / a[i][i];
  }
  return x;
}

double Wrap(double radians) {
  return std::remainder(radians, 2 * M_PI);
}

// The unwrapped phase (degrees) and the gain of a response along log-spaced frequencies.
struct Curve {
  std::vector<double> f, phase, gain;
};

Curve Sweep(const std::function<Complex(double)>& response, double nyquist) {
  Curve c;
  const int points = 3000;
  const double low = 1e-3, high = 0.999 * nyquist;
  double previous = 0;
  for (int i = 0; i < points; ++i) {
    const double f = low * std::pow(high / low, i / (points - 1.0));
    const Complex v = response(f);
    const double arg = std::arg(v);
    const double unwrapped = i == 0 ? arg : previous + Wrap(arg - previous);
    previous = unwrapped;
    c.f.push_back(f);
    c.phase.push_back(unwrapped * 180 / M_PI);
    c.gain.push_back(std::abs(v));
  }
  return c;
}

// Where `value` of the response first falls through `level` (the phase through −180°, the
// gain through 1), refined by bisection between the grid's points; false when it never does.
bool FirstFall(const std::function<Complex(double)>& response, const Curve& c, bool phase,
               double level, double& at) {
  for (std::size_t i = 1; i < c.f.size(); ++i) {
    const double a = phase ? c.phase[i - 1] : c.gain[i - 1];
    const double b = phase ? c.phase[i] : c.gain[i];
    if (!(a > level && b <= level)) continue;
    double lo = c.f[i - 1], hi = c.f[i];
    const double reference = c.phase[i - 1] * M_PI / 180;
    for (int k = 0; k < 60; ++k) {
      const double mid = std::sqrt(lo * hi);
      const Complex v = response(mid);
      const double value =
          phase ? (reference + Wrap(std::arg(v) - reference)) * 180 / M_PI : std::abs(v);
      (value > level ? lo : hi) = mid;
    }
    at = std::sqrt(lo * hi);
    return true;
  }
  return false;
}

}  // namespace

Complex SampledProcessResponse(const SampledLoop& loop, double frequency) {
  const LinearProcess& p = loop.Process;
  const double te = loop.SamplePeriod;
  const Complex z = std::polar(1.0, 2 * M_PI * frequency * te);
  // The delay as whole periods d and a part θ of one: over each period the process
  // receives the order of d + 1 cycles before for θ, then the order of d cycles before.
  const double delay = std::max(0.0, p.Delay);
  int d = static_cast<int>(std::floor(delay / te + 1e-9));
  double theta = delay - d * te;
  if (theta < 1e-12) theta = 0;
  const StateSpace s = Continuous(p);
  const std::size_t n = s.B.size();
  if (n == 0) return p.Gain * std::pow(z, -(d + 1));  // the reading precedes the write
  Matrix phi, phiRest;
  std::vector<double> gammaPeriod, gammaRest, gammaTheta;
  Discrete(s, te, phi, gammaPeriod);  // Φ = e^(A·Te)
  Discrete(s, te - theta, phiRest, gammaRest);
  std::vector<double> gammaLate(n, 0.0);  // e^(A(Te−θ))·Γ(θ): the older order, first θ
  if (theta > 0) {
    Matrix phiTheta;
    Discrete(s, theta, phiTheta, gammaTheta);
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) gammaLate[i] += phiRest[i][j] * gammaTheta[j];
  }
  // Y = C (zI − Φ)⁻¹ (Γ(Te−θ) z^−d + e^(A(Te−θ)) Γ(θ) z^−(d+1)) U.
  std::vector<std::vector<Complex>> a(n, std::vector<Complex>(n));
  std::vector<Complex> b(n);
  const Complex zd = std::pow(z, -d), zd1 = std::pow(z, -(d + 1));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) a[i][j] = (i == j ? z : Complex(0)) - phi[i][j];
    b[i] = gammaRest[i] * zd + gammaLate[i] * zd1;
  }
  return Solve(a, b).back();
}

Complex SampledPlantResponse(const SampledLoop& loop, double frequency) {
  const Complex z = std::polar(1.0, 2 * M_PI * frequency * loop.SamplePeriod);
  Complex mean = 0;
  for (int i = 0; i < loop.MeanReadings; ++i) mean += std::pow(z, -i);
  mean /= static_cast<double>(loop.MeanReadings);
  return mean * SampledProcessResponse(loop, frequency);
}

Complex SampledLoopResponse(const SampledLoop& loop, double frequency) {
  const Complex z = std::polar(1.0, 2 * M_PI * frequency * loop.SamplePeriod);
  const double te = loop.SamplePeriod;
  const LoopGains& g = loop.Gains;
  const Complex back = 1.0 - 1.0 / z;
  const Complex corrector = g.Kp + g.Ki * te / back + g.Kd * back / te;
  return corrector * SampledPlantResponse(loop, frequency);
}

SampledMargins ComputeSampledMargins(const SampledLoop& loop) {
  SampledMargins m;
  const LinearProcess& p = loop.Process;
  if (!(std::isfinite(p.Gain) && p.Gain > 0)) {
    m.Reason = "le gain du modèle doit être positif : le correcteur du poste est à action "
               "inverse";
    return m;
  }
  for (double t : p.Lags)
    if (!(std::isfinite(t) && t > 0)) {
      m.Reason = "une constante de temps du modèle n'est pas positive";
      return m;
    }
  if (!(std::isfinite(p.Delay) && p.Delay >= 0 && p.Delay < 1000)) {
    m.Reason = "le retard du modèle n'est pas un nombre de secondes positif";
    return m;
  }
  const double nyquist = 0.5 / loop.SamplePeriod;
  const auto plant = [&](double f) { return SampledPlantResponse(loop, f); };
  const auto open = [&](double f) { return SampledLoopResponse(loop, f); };
  const Curve pc = Sweep(plant, nyquist);
  double f180 = 0;
  if (FirstFall(plant, pc, true, -180, f180)) {
    m.HasCriticalGain = true;
    m.Kc = 1 / std::abs(plant(f180));
    m.Tc = 1 / f180;
  }
  m.Computed = true;
  const LoopGains& g = loop.Gains;
  if (!(g.Kp > 0 || g.Ki > 0 || g.Kd > 0)) return m;  // no corrector: no loop to judge
  const Curve lc = Sweep(open, nyquist);
  double fp = 0, fg = 0;
  if (FirstFall(open, lc, true, -180, fp)) {
    m.HasGainMargin = true;
    m.PhaseCrossover = fp;
    m.GainMarginDb = -20 * std::log10(std::abs(open(fp)));
  }
  if (FirstFall(open, lc, false, 1, fg)) {
    m.HasPhaseMargin = true;
    m.GainCrossover = fg;
    // The phase at the crossover, unwrapped from the low frequencies.
    std::size_t i = 0;
    while (i + 1 < lc.f.size() && lc.f[i + 1] <= fg) ++i;
    const double reference = lc.phase[i] * M_PI / 180;
    const double phase = (reference + Wrap(std::arg(open(fg)) - reference)) * 180 / M_PI;
    m.PhaseMargin = 180 + phase;
  }
  return m;
}

LinearProcess LinearOfModel(const ProcessModelFit& model) {
  LinearProcess p;
  p.Gain = model.K;
  p.Integrating = model.Integrating;
  if (!model.Integrating && model.T > 0)
    p.Lags.assign(static_cast<std::size_t>(std::max(1, model.Order)), model.T);
  p.Delay = std::max(0.0, model.Delay - kFeedbackAveragingDelay);
  return p;
}

std::string LinearProcessText(const LinearProcess& p) {
  const auto n = [](double v) {
    std::string s = FormatShort(static_cast<long double>(std::round(v * 1000) / 1000));
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
  };
  std::string text;
  if (p.Integrating)
    text = "intégrateur k = " + n(p.Gain) + " s⁻¹";
  else
    text = (p.Lags.size() > 1 ? std::to_string(p.Lags.size()) + " premiers ordres"
                              : std::string("premier ordre")) +
           " K = " + n(p.Gain);
  for (std::size_t i = 0; i < p.Lags.size(); ++i)
    if (i == 0 || p.Lags[i] != p.Lags[0]) text += ", T = " + n(p.Lags[i]) + " s";
  text += ", retard propre " + n(p.Delay) + " s";
  return text;
}

std::string SampledMarginLines(const SampledMargins& m) {
  const auto v = [](bool has, double value, int decimals) {
    if (!has || !std::isfinite(value)) return std::string("-");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return std::string(buffer);
  };
  return "marge_gain_db=" + v(m.HasGainMargin, m.GainMarginDb, 2) +
         "\nmarge_phase=" + v(m.HasPhaseMargin, m.PhaseMargin, 2) +
         "\nfrequence_marge_gain=" + v(m.HasGainMargin, m.PhaseCrossover, 3) +
         "\nfrequence_marge_phase=" + v(m.HasPhaseMargin, m.GainCrossover, 3) +
         "\nKc=" + v(m.HasCriticalGain, m.Kc, 2) + "\nTc=" + v(m.HasCriticalGain, m.Tc, 2) + "\n";
}

}  // namespace vantor
