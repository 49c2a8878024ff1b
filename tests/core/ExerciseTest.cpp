// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's exercise with a hidden process: each bench's draw, the verdict against
// the tolerance, the file in sauvegarde/ and its refusals, and the report's lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "lesson-core/Exercise.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

Exercise StrejcExercise() {
  Exercise e;
  e.Process = "strejc";
  e.Number = 4711;
  e.Gain = {0.5, 2};
  e.TimeConstant = {1, 4};
  e.Delay = {0.3, 1.5};
  e.Order = {2, 4};
  return e;
}

TEST(Exercise, EachBenchDrawsItsOwnProcessAndTheSameAfterARestart) {
  const Exercise e = StrejcExercise();
  const ExerciseDraw a = DrawExercise(e, "poste-01"), b = DrawExercise(e, "poste-02");
  EXPECT_NE(a.Gain, b.Gain);
  EXPECT_NE(a.Delay, b.Delay);
  // Nothing but the number and the host: the same again, as after a restart.
  const ExerciseDraw again = DrawExercise(StrejcExercise(), "poste-01");
  EXPECT_EQ(again.Gain, a.Gain);
  EXPECT_EQ(again.TimeConstant, a.TimeConstant);
  EXPECT_EQ(again.Delay, a.Delay);
  EXPECT_EQ(again.Order, a.Order);
  // Another exercise number, another process on the same bench.
  Exercise other = e;
  other.Number = 4712;
  EXPECT_NE(DrawExercise(other, "poste-01").Gain, a.Gain);

  // A lab of benches: every draw within the ranges, every order drawn, and the process
  // built with the values drawn.
  std::set<int> orders;
  std::set<double> gains;
  for (int i = 0; i < 40; ++i) {
    const ExerciseDraw d = DrawExercise(e, "salle-b" + std::to_string(i));
    EXPECT_GE(d.Gain, 0.5);
    EXPECT_LE(d.Gain, 2);
    EXPECT_GE(d.TimeConstant, 1);
    EXPECT_LE(d.TimeConstant, 4);
    EXPECT_GE(d.Delay, 0.3);
    EXPECT_LE(d.Delay, 1.5);
    orders.insert(d.Order);
    gains.insert(d.Gain);
  }
  EXPECT_EQ(orders, (std::set<int>{2, 3, 4}));
  EXPECT_GT(gains.size(), 30u);
  const std::unique_ptr<ProcessModel> p = ExerciseProcess(e, a);
  EXPECT_EQ(p->Id(), "strejc");
  std::map<std::string, double> set;
  for (const ProcessParameter& q : p->Parameters()) set[q.Name] = q.Get(*p);
  EXPECT_EQ(set["gain"], a.Gain);
  EXPECT_EQ(set["constante-temps"], a.TimeConstant);
  EXPECT_EQ(set["retard"], a.Delay);
  EXPECT_EQ(set["ordre"], a.Order);
}

TEST(Exercise, EachValueIsJudgedAgainstTheTeachersTolerance) {
  Exercise e = StrejcExercise();
  const ExerciseDraw d = DrawExercise(e, "poste-01");
  auto judged = [&](double kFactor, double tFactor, double delayFactor) {
    std::vector<bool> within;
    for (const auto& item :
         JudgeAnswer(e, d, {d.Gain * kFactor, d.TimeConstant * tFactor, d.Delay * delayFactor})
             .Items)
      within.push_back(item.Within);
    return within;
  };
  EXPECT_EQ(judged(1.099, 0.901, 1), (std::vector<bool>{true, true, true}));
  EXPECT_EQ(judged(1.101, 1, 0.899), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(judged(1, 0.899, 1.101), (std::vector<bool>{true, false, false}));
  EXPECT_TRUE(JudgeAnswer(e, d, {d.Gain, d.TimeConstant, d.Delay}).AllWithin());
  // A tighter tolerance turns the same answer down.
  e.TolerancePercent = 5;
  EXPECT_EQ(judged(1.049, 1.06, 1), (std::vector<bool>{true, false, true}));

  // An integrator is answered with k and the delay only.
  Exercise ramp;
  ramp.Process = "integrateur";
  ramp.Gain = {-0.8, -0.2};  // an inverse process: the tolerance is on the magnitude
  ramp.Delay = {0.5, 2};
  const ExerciseDraw r = DrawExercise(ramp, "poste-01");
  const ExerciseVerdict v = JudgeAnswer(ramp, r, {r.Gain * 1.09, 123, r.Delay * 0.95});
  ASSERT_EQ(v.Items.size(), 2u);
  EXPECT_EQ(v.Items[0].Name, "k");
  EXPECT_TRUE(v.AllWithin());
  EXPECT_FALSE(JudgeAnswer(ramp, r, {-r.Gain, 0, r.Delay}).AllWithin());
}

class ExerciseFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = fs::current_path();
    dir = fs::temp_directory_path() / ("exercise-test-" + std::to_string(::getpid()));
    fs::create_directories(dir / "sauvegarde");
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(dir);
  }
  fs::path previous, dir;
};

TEST_F(ExerciseFileTest, TheExerciseFileIsWrittenAsASettingAndReadBack) {
  EXPECT_FALSE(LoadExercise().has_value());  // no file, no exercise
  Exercise e = StrejcExercise();
  e.TolerancePercent = 7.5;
  SaveExercise(e);
  const std::optional<Exercise> read = LoadExercise();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(ExerciseText(*read), ExerciseText(e));
  // The bench draws the same from the file as from the exercise saved.
  EXPECT_EQ(DrawExercise(*read, "poste-07").Delay, DrawExercise(e, "poste-07").Delay);
  // A range that cannot be is refused before anything is written.
  e.Delay = {2, 1};
  EXPECT_THROW(SaveExercise(e), VantorError);
  EXPECT_EQ(ExerciseText(*LoadExercise()), ExerciseText(*read));
  // A single value is a fixed parameter; the tolerance has its default.
  const Exercise fixed = ParseExercise("procede=ordre1; numero=3; K=1.5; T=4; retard=0.8", "f");
  EXPECT_EQ(DrawExercise(fixed, "poste-01").Gain, 1.5);
  EXPECT_EQ(fixed.TolerancePercent, kDefaultTolerancePercent);
}

TEST_F(ExerciseFileTest, AMalformedExerciseIsRefusedNamingTheFileAndTheFault) {
  const std::string good = "procede=ordre1; numero=3; K=0.5..2; T=1..4; retard=0.5..1";
  for (const auto& [text, fault] : std::vector<std::pair<std::string, std::string>>{
           {"procede=four; numero=3; K=1; T=1; retard=1", "four"},
           {"procede=ordre1; numero=3; K=2..1; T=1..4; retard=0.5..1", "K"},
           {"procede=ordre1; numero=3; K=0.5..2; T=1..4", "retard"},
           {"procede=ordre1; numero=3; K=0.5..2; T=un..4; retard=0.5..1", "« un"},
           {"procede=ordre1; numero=3; K=-1..2; T=1..4; retard=0.5..1", "0"},
           {"procede=ordre1; numero=3; K=0.5..2; T=0..4; retard=0.5..1", "constante de temps"},
           {good + "; tolerance=0", "tolérance"},
           {good + "; n=3", "« n »"},
           {good + "; numero=4", "deux fois"},
           {"procede=strejc; numero=3; K=1; T=1; retard=1; n=2.5", "entier"},
           {"procede=integrateur; numero=3; k=0.2; T=1; retard=1", "« T »"},
           {good + "; retard 2", "retard 2"},
           // What no student could identify within a tolerance: a delay the mean and the
           // sampling hide, a process of negative gain, a gain that hardly moves the feedback.
           {"procede=ordre1; numero=3; K=0.5..2; T=1..4; retard=0.2..1", "0,275 s"},
           {"procede=ordre1; numero=3; K=0.5..2; T=1..4; retard=0.27..1", "0,275 s"},
           {"procede=ordre1; numero=3; K=-2..-0.5; T=1..4; retard=0.5..1", "action inverse"},
           {"procede=ordre1; numero=3; K=0.08..2; T=1..4; retard=0.5..1", "0.4 V"},
           {"procede=integrateur; numero=3; k=0.05..0.5; retard=0.5..1", "au moins 0,1"}}) {
    std::ofstream(dir / kExerciseFile, std::ios::trunc) << text;
    try {
      LoadExercise();
      ADD_FAILURE() << "accepted: " << text;
    } catch (const VantorError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(std::string("Le fichier ") + kExerciseFile), std::string::npos) << what;
      EXPECT_NE(what.find(fault), std::string::npos) << text << " -> " << what;
    }
  }
  // Written as plain text by hand, a correct one is read, as is one at the bounds.
  std::ofstream(dir / kExerciseFile, std::ios::trunc) << good;
  EXPECT_TRUE(LoadExercise().has_value());
  std::ofstream(dir / kExerciseFile, std::ios::trunc)
      << "procede=ordre1; numero=3; K=0.1..2; T=1..4; retard=0.275..1";
  EXPECT_TRUE(LoadExercise().has_value());
}

TEST(Exercise, TheReportGivesTheAnswerAndItsVerdictButNotTheHiddenValues) {
  const Exercise e = StrejcExercise();
  const ExerciseDraw d = DrawExercise(e, "poste-01");
  const ExerciseAnswer answer{d.Gain * 1.2, d.TimeConstant, d.Delay};
  const std::vector<std::string> lines = ExerciseReportLines(e, d, answer, false);
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  EXPECT_NE(all.find(FormatShort(answer.Gain)), std::string::npos) << all;
  EXPECT_NE(all.find("K : hors de la tolérance"), std::string::npos) << all;
  EXPECT_NE(all.find("T : dans la tolérance"), std::string::npos) << all;
  EXPECT_EQ(all.find(DrawText(e, d)), std::string::npos) << all;
  const std::vector<std::string> revealed = ExerciseReportLines(e, d, answer, true);
  EXPECT_NE(revealed.back().find(DrawText(e, d)), std::string::npos);
}

}  // namespace
}  // namespace vantor::testing
