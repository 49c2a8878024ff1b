// SPDX-License-Identifier: GPL-3.0-or-later
// What a student must be able to see on the simulated plant, run end to end through the
// headless tool: the profiles, the load disturbance and the process with a dead time.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <numeric>
#include <sstream>

#include "LotFixture.h"
#include "SensorNoise.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/RunFile.h"
#include "simulation/DcMotorPosition.h"

namespace vantor::testing {
namespace {

// One series of the record (CSV column), volts, entries 0 to cycles - 1.
struct Record {
  std::vector<std::vector<long>> rows;
  std::vector<double> Series(int column) const {
    std::vector<double> v;
    for (const auto& row : rows) v.push_back(row[static_cast<std::size_t>(column)] / 100.0);
    return v;
  }
};
constexpr int kRetour = 3, kErreur = 4, kOrdreDerive = 5;

double Mean(const std::vector<double>& v, std::size_t from) {
  return std::accumulate(v.begin() + static_cast<long>(from), v.end(), 0.0) /
         static_cast<double>(v.size() - from);
}
double StandardDeviation(const std::vector<double>& v, std::size_t from) {
  const double mean = Mean(v, from);
  double sum = 0.0;
  for (std::size_t i = from; i < v.size(); ++i) sum += (v[i] - mean) * (v[i] - mean);
  return std::sqrt(sum / static_cast<double>(v.size() - from));
}

class SimulatedPlantLessonTest : public LotFixture {
 protected:
  static constexpr int kCycles = 1900;  // the 95 s the record shows
  static constexpr std::size_t kLast2s = kCycles - 40, kLast10s = kCycles - 200;

  Record Run(const std::string& args) {
    const LotResult r = Lot(Settings() + "--consigne echelon --cycles " + std::to_string(kCycles) +
                            " " + args + Csv());
    EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    const auto lines = Lines(ReadAll(csv));
    Record record;
    for (int k = 0; k < kCycles && k + 1 < static_cast<int>(lines.size()); ++k)
      record.rows.push_back(Fields(lines[static_cast<std::size_t>(k) + 1]));
    EXPECT_EQ(record.rows.size(), static_cast<std::size_t>(kCycles)) << args;
    return record;
  }

  // The numbers of the "nom=valeur" lines the tool writes with --mesures or
  // --identification; a measure that does not exist ("-") is NaN.
  std::map<std::string, double> Measured(const std::string& args, int cycles = kCycles) {
    const LotResult r = Lot(Settings() + "--consigne echelon --cycles " + std::to_string(cycles) +
                            " " + args + Csv());
    EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    std::map<std::string, double> values;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string value = line.substr(eq + 1);
      char* end = nullptr;
      const double number = std::strtod(value.c_str(), &end);
      if (value == "-")
        values[line.substr(0, eq)] = std::nan("");
      else if (!value.empty() && *end == '\0')
        values[line.substr(0, eq)] = number;
    }
    return values;
  }
  std::map<std::string, double> StepMeasures(const std::string& args) {
    return Measured(args + " --mesures");
  }
};

TEST_F(SimulatedPlantLessonTest, ProportionalSpeedLoopOvershootsMoreWithKpUntilTheOrderSaturates) {
  // A 2 V step keeps the order within its limits: faster, and more overshoot, as Kp grows.
  const std::string speed = "--procede vitesse --profil réaliste ";
  const double kps[] = {1, 2, 4}, overshoots[] = {8, 24, 51}, rises[] = {0.44, 0.35, 0.26};
  double previousOvershoot = -10.0, previousRise = 1e9;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(kps[i]);
    const auto m = StepMeasures(speed + "--echelon 2 --kp " + std::to_string(kps[i]));
    EXPECT_NEAR(m.at("depassement"), overshoots[i], 2.0);
    EXPECT_NEAR(m.at("temps_montee"), rises[i], 0.03);
    EXPECT_NEAR(m.at("erreur_statique"), (2.0 + 0.5) / (1.0 + kps[i]), 0.05);
    EXPECT_EQ(m.at("saturation"), 0.0);
    EXPECT_GT(m.at("depassement"), previousOvershoot + 10.0);
    EXPECT_LT(m.at("temps_montee"), previousRise);
    previousOvershoot = m.at("depassement");
    previousRise = m.at("temps_montee");
  }
  // At 6 V the order sits at its limit at first, and the trend breaks.
  const auto kp2 = StepMeasures(speed + "--echelon 6 --kp 2");
  const auto kp4 = StepMeasures(speed + "--echelon 6 --kp 4");
  EXPECT_GT(kp4.at("saturation"), 0.0);
  EXPECT_NEAR(kp4.at("depassement"), 20.0, 2.0);
  EXPECT_LT(kp4.at("depassement"), kp2.at("depassement"));
  EXPECT_NEAR(kp4.at("temps_montee"), 0.40, 0.03);
  EXPECT_GT(kp4.at("temps_montee"), kp2.at("temps_montee"));
  EXPECT_NEAR(kp4.at("erreur_statique"), 1.3, 0.05);
  // Beyond Kp = 7 the loop no longer settles.
  EXPECT_LT(StepMeasures(speed + "--echelon 2 --kp 6").at("temps_reponse_5"), 10.0);
  EXPECT_TRUE(std::isnan(StepMeasures(speed + "--echelon 2 --kp 8").at("temps_reponse_5")));
}

TEST_F(SimulatedPlantLessonTest,
       MoreIntegralSpeedsTheSpeedLoopThenBeyondTheShippedRangeMakesItOscillate) {
  const std::string pi = "--procede vitesse --profil réaliste --echelon 6 --kp 1 --ki ";
  const double kis[] = {0.5, 1, 2}, rises[] = {6.0, 2.4, 0.6}, settlings[] = {9.0, 3.8, 1.0};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(kis[i]);
    const auto m = StepMeasures(pi + std::to_string(kis[i]));
    EXPECT_NEAR(m.at("temps_montee"), rises[i], 0.1 * rises[i]);
    EXPECT_NEAR(m.at("temps_reponse_5"), settlings[i], 0.1 * settlings[i]);
    EXPECT_LT(m.at("depassement"), 3.0);
    EXPECT_LT(std::fabs(m.at("erreur_statique")), 0.05);
  }
  // The shipped range stops Ki at 2: a larger Ki shows nothing new.
  EXPECT_NEAR(StepMeasures(pi + "4").at("depassement"), 2.8, 0.5);
  // Widened to 0 to 16 by the teacher, more integral overshoots, then oscillates.
  SaveSetting((dir / "reglages" / "sauvegarde" / "kimax.rtf").string(), "16.00");
  EXPECT_NEAR(StepMeasures(pi + "4").at("depassement"), 34.0, 3.0);
  const auto ki8 = StepMeasures(pi + "8");
  EXPECT_NEAR(ki8.at("depassement"), 46.0, 3.0);
  EXPECT_NEAR(ki8.at("temps_reponse_5"), 19.0, 2.0);
  EXPECT_TRUE(std::isnan(StepMeasures(pi + "10").at("temps_reponse_5")));
  const std::vector<double> y = Run(pi + "10").Series(kRetour);  // the last 20 s
  const auto [low, high] = std::minmax_element(y.begin() + 1500, y.end());
  EXPECT_LT(*low, 4.3);
  EXPECT_GT(*high, 7.6);
}

TEST_F(SimulatedPlantLessonTest, TheRampMethodReadsTheMotorBetterWithATwoVoltStep) {
  // The friction's dead zone takes 0.5 V off the step: k = a / Δu reads (Δu − 0.5) / Δu
  // of the model's 1 s⁻¹. The ramp is stopped near 9 V, before the end stop.
  const std::string ramp = "--procede position --boucle ouverte --identification ";
  const auto oneVolt = Measured(ramp + "--profil réaliste --echelon 1", 380);
  EXPECT_NEAR(oneVolt.at("k"), 0.50, 0.03);
  const auto twoVolts = Measured(ramp + "--profil réaliste --echelon 2", 160);
  EXPECT_NEAR(twoVolts.at("k"), 0.75, 0.03);
  EXPECT_NEAR(twoVolts.at("tangente_Tu"), 0.4, 0.05);
  // The ideal motor rests at 0 V, under the sensor's 0.2 V floor: the start of its ramp
  // was never read, and the identification says so rather than reading a delay there.
  const auto ideal = Measured(ramp + "--profil idéal --echelon 2", 140);
  EXPECT_TRUE(std::isnan(ideal.at("k")));
  EXPECT_TRUE(std::isnan(ideal.at("tangente_Tu")));
}

TEST_F(SimulatedPlantLessonTest,
       RealisticSpeedLoopKeepsTheProportionalStaticErrorUntilTheIntegralRemovesIt) {
  const std::string speed = "--procede vitesse --profil réaliste --echelon 6 --kp 1 ";
  const double kp = 1.0, expected = 6.0 / (1.0 + kp);
  const double error = Mean(Run(speed).Series(kErreur), kLast2s);
  EXPECT_NEAR(error, expected, 0.1 * expected);
  EXPECT_LT(std::fabs(Mean(Run(speed + "--ki 1").Series(kErreur), kLast2s)), 0.05);
}

TEST_F(SimulatedPlantLessonTest, ALoadLeavesAPositionErrorThatOnlyTheIntegralRemoves) {
  const std::string loaded = "--procede position --echelon 6 --kp 2 --charge 10,1 ";
  EXPECT_GT(Mean(Run(loaded).Series(kErreur), kLast2s), 0.3);
  EXPECT_LT(std::fabs(Mean(Run(loaded + "--ki 0.5").Series(kErreur), kLast2s)), 0.05);
  // Without friction, the error is the load over Kp: halved when Kp doubles.
  EXPECT_NEAR(Mean(Run(loaded).Series(kErreur), kLast2s), 0.5, 0.02);
  EXPECT_NEAR(
      Mean(Run("--procede position --echelon 6 --kp 4 --charge 10,1").Series(kErreur), kLast2s),
      0.25, 0.02);
}

TEST_F(SimulatedPlantLessonTest, TheDerivativeTermAmplifiesTheRealisticSensorNoise) {
  // Settled in the dead zone, the motor stands still: the derivative order is the
  // derivative of the potentiometer's noise alone, 2√2 Kd times the noise of a sample.
  const double kd = 2;
  const std::string pd = "--procede position --echelon 6 --kp 2 --kd 2 ";
  DcMotorPosition motor;
  motor.ApplyProfile(SimulationProfile::Realistic);
  const double expected = DerivativeNoiseSpread(motor.NoiseVolts, kd);
  const Record realistic = Run(pd + "--profil realiste");
  EXPECT_NE(ReadAll(csv).find("# procede=Moteur à courant continu : position (réaliste)\n"),
            std::string::npos);
  const double spread = StandardDeviation(realistic.Series(kOrdreDerive), kLast10s);
  EXPECT_NEAR(spread, expected, 0.15 * expected);
  // The feedback it is computed from, a mean of ten samples, hardly moves.
  EXPECT_GT(spread, 10 * StandardDeviation(realistic.Series(kRetour), kLast10s));
  // The noise is seeded: another seed, another record, the same lesson.
  const Record reseeded = Run(pd + "--profil realiste --graine 7");
  EXPECT_NE(reseeded.rows, realistic.rows);
  EXPECT_NEAR(StandardDeviation(reseeded.Series(kOrdreDerive), kLast10s), expected,
              0.15 * expected);
}

TEST_F(SimulatedPlantLessonTest, TheCourseReadsTheDerivativesNoiseAfterTheStepScaledOnItsOwn) {
  // Séance 3: Kp = 4, the derivative order seen from 11 s on, its kick out of view.
  const auto peak = [this](const char* kd, double& feedbackPeak) {
    const Record r = Run(std::string("--procede position --profil réaliste --echelon 6 --kp 4 "
                                     "--kd ") +
                         kd);
    const std::vector<double> d = r.Series(kOrdreDerive), y = r.Series(kRetour);
    feedbackPeak = *std::max_element(y.begin(), y.end());
    double highest = 0;
    for (std::size_t k = 225; k < d.size(); ++k) highest = std::max(highest, std::fabs(d[k]));
    return highest;
  };
  double top1 = 0, top2 = 0;
  EXPECT_NEAR(peak("1", top1), 0.08, 0.01);
  EXPECT_NEAR(peak("2", top2), 0.16, 0.01);
  EXPECT_NEAR(top1, 6.1, 0.05);
  EXPECT_NEAR(top2, 5.9, 0.05);
}

TEST_F(SimulatedPlantLessonTest, ThermalProcessAnswersAfterItsDeadTimeWithItsTimeConstant) {
  const Record r = Run("--procede thermique --boucle ouverte --echelon 5");
  const std::vector<double> y = r.Series(kRetour);
  const std::size_t step = 50;                      // 2.5 s: the step's first entry
  const double deadTime = 1.5, timeConstant = 8.0;  // the process's defaults
  const double start = y[step - 1], end = Mean(y, kLast2s);
  ASSERT_GT(end - start, 4.0);
  for (std::size_t k = step; k * 0.05 <= 2.5 + deadTime; ++k)
    EXPECT_NEAR(y[k], start, 0.1) << "t = " << k * 0.05;
  std::size_t k63 = step;
  while (k63 < y.size() && y[k63] < start + 0.632 * (end - start)) ++k63;
  EXPECT_NEAR(k63 * 0.05 - 2.5 - deadTime, timeConstant, 0.1 * timeConstant);
}

TEST_F(SimulatedPlantLessonTest,
       OnOffControlOfTheHeaterCyclesAroundTheSetpointWiderWithHysteresis) {
  // Amplitude after the first rise, and the mean period between upward crossings.
  const auto cycle = [this](const std::string& epsilon) {
    const std::vector<double> y =
        Run("--procede thermique --echelon 5 --loi tout-ou-rien:10," + epsilon).Series(kRetour);
    const std::size_t from = 600;  // 30 s
    const auto [low, high] = std::minmax_element(y.begin() + from, y.end());
    std::vector<double> ups;
    for (std::size_t k = from; k < y.size(); ++k)
      if (y[k - 1] < 5.0 && y[k] >= 5.0) ups.push_back(k * 0.05);
    EXPECT_GE(ups.size(), 3u) << epsilon;
    const double period = ups.size() < 2 ? 0.0 : (ups.back() - ups.front()) / (ups.size() - 1);
    return std::pair{(*high - *low) / 2.0, period};
  };
  const auto [narrowHalf, narrowPeriod] = cycle("0.1");
  EXPECT_NEAR(narrowHalf, 1.0, 0.15);
  EXPECT_NEAR(narrowPeriod, 7.0, 0.5);
  const auto [wideHalf, widePeriod] = cycle("0.5");
  EXPECT_NEAR(wideHalf, 1.3, 0.15);
  EXPECT_NEAR(widePeriod, 9.0, 0.5);
  EXPECT_GT(wideHalf, narrowHalf + 0.15);
  EXPECT_GT(widePeriod, narrowPeriod + 1.0);
}

TEST_F(SimulatedPlantLessonTest, ALongerDelayMakesTheSameProportionalGainPump) {
  const auto pumping = [this](const std::string& delay) {
    Run("--procede thermique --echelon 5 --kp 6 --parametre retard=" + delay);
    return Lot("--analyser '" + csv.string() + "' --pompage").out;
  };
  // Kp 6 is three quarters of the critical gain with 1.5 s of delay, a third above it with
  // 3 s: the oscillation then grows until the order's limits hold it.
  EXPECT_NE(pumping("1.5").find("oscillation=amortie\n"), std::string::npos);
  const std::string longer = pumping("3");
  ASSERT_NE(longer.find("oscillation=bornée par les limites de l'ordre\n"), std::string::npos)
      << longer;
  const double tu = std::stod(longer.substr(longer.find("Tu=") + 3));
  EXPECT_NEAR(tu, 11.0, 1.0);
}

TEST_F(SimulatedPlantLessonTest, TheSpeedMotorsBodePointsAreThoseTheCourseReads) {
  // Open loop, a sine of mean 4 V and amplitude 1.5 V, as the Bode lesson runs it.
  const auto point = [this](const std::string& f) {
    const LotResult r =
        Lot(Settings() + "--procede vitesse --boucle ouverte --consigne sin --frequence " + f +
            " --moyenne 4 --amplitude 1.5 --cycles 1998 --frequentiel" + Csv());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto value = [&r](const std::string& name) {
      const std::size_t at = r.out.find(name + "=");
      return at == std::string::npos ? std::nan("") : std::stod(r.out.substr(at + name.size() + 1));
    };
    return std::pair{value("gain_db"), value("phase")};
  };
  const auto [lowGain, lowPhase] = point("0.05");
  EXPECT_NEAR(lowGain, -0.1, 0.1);
  EXPECT_NEAR(lowPhase, -13, 1);
  const auto [highGain, highPhase] = point("0.5");
  EXPECT_NEAR(highGain, -6.3, 0.15);
  EXPECT_NEAR(highPhase, -103, 1);
}

TEST_F(SimulatedPlantLessonTest, BeforeTheStepOnlyThePositionLoopSitsAtTheSensorsFloor) {
  const auto limitsOf = [this](const std::string& args, vantor::StepMeasures* m) {
    Run("--profil réaliste " + args);
    auto run = std::make_unique<Trial>();
    ReadRunFile(csv.string(), *run);
    if (m) *m = MeasureStep(*run);
    return MeasureSensorLimits(*run);
  };
  // The 0 V before the step pulls the position motor from its rest at 1 V to the floor,
  // where the feedback stays until the step.
  vantor::StepMeasures m;
  const SensorLimitTime position = limitsOf("--kp 2 --echelon 2", &m);
  EXPECT_GT(position.FloorSeconds, 0.5);
  EXPECT_LE(position.FirstTime + position.FloorSeconds, 3.0);  // gone soon after the step
  EXPECT_NEAR(m.InitialValue, 0.2, 0.1);
  // The speed motor at rest is asked nothing before its step.
  EXPECT_FALSE(limitsOf("--procede vitesse --kp 1 --echelon 2", nullptr).Any());
}

}  // namespace
}  // namespace vantor::testing
