// SPDX-License-Identifier: GPL-3.0-or-later
// Hardware in the loop: the program's headless tool drives the real firmware running in
// the simulated bench, in real time, through the board's serial line. Skipped when the
// firmware or the bench was not built.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

const std::string kFirmware = VANTOR_FIRMWARE_ELF;
const std::string kBench = VANTOR_BENCH_PATH;
const std::string kLot = VANTOR_LOT_PATH;

pid_t Spawn(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, STDOUT_FILENO);
    dup2(e, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The feedback series (volts) of a run file written with --csv.
std::vector<double> Feedback(const fs::path& csv) {
  std::ifstream in(csv);
  std::string line;
  std::vector<double> values;
  bool header = false;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (!header) {
      header = true;
      continue;
    }
    std::vector<std::string> cells;
    std::stringstream row(line);
    std::string cell;
    while (std::getline(row, cell, ',')) cells.push_back(cell);
    if (cells.size() >= 4) values.push_back(std::stod(cells[3]) / 100.0);
  }
  return values;
}

// The entries a run file holds ("# entrees=N"), -1 when it says nothing.
int Entries(const fs::path& csv) {
  std::ifstream in(csv);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("# entrees=", 0) == 0) return std::stoi(line.substr(10));
  return -1;
}

// name=value pairs printed by the tool.
std::map<std::string, double> Figures(const std::string& text) {
  std::map<std::string, double> figures;
  std::stringstream words(text);
  std::string word;
  while (words >> word) {
    const auto eq = word.find('=');
    if (eq == std::string::npos) continue;
    try {
      figures[word.substr(0, eq)] = std::stod(word.substr(eq + 1));
    } catch (...) {
    }
  }
  return figures;
}

class HardwareInTheLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kFirmware.empty() || kBench.empty() || !fs::exists(kFirmware))
      GTEST_SKIP() << "micrologiciel ou banc simulé non construit (gcc-avr, simavr)";
    dir = fs::temp_directory_path() /
          ("vantor-hil-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    link = dir / "interface";
  }
  void TearDown() override {
    StopBench();
    if (!dir.empty()) fs::remove_all(dir);
  }

  void StartBench(std::vector<std::string> extra = {}, const std::string& process = "position") {
    std::vector<std::string> args = {
        kBench,        "--micrologiciel", kFirmware,
        "--procede",   process,           "--lien",
        link.string(), "--sorties",       (dir / "sorties.txt").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    bench = Spawn(args, dir / "bench.out", dir / "bench.err");
    const auto deadline = Steady::now() + std::chrono::seconds(5);
    while (!fs::exists(link) && Steady::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(link)) << Slurp(dir / "bench.err");
  }
  void StopBench() {
    if (bench <= 0) return;
    kill(bench, SIGTERM);
    waitpid(bench, nullptr, 0);
    bench = 0;
  }

  struct Result {
    int status = -1;
    std::string out, err;
    double seconds = 0;
  };
  // The tool on the bench's link (or the simulated card when usb is false).
  std::vector<std::string> LotArgs(const std::string& name, const std::vector<std::string>& run,
                                   bool usb = true) {
    std::vector<std::string> args = {kLot, "--dossier", (dir / "poste").string(), "--csv",
                                     (dir / (name + ".csv")).string()};
    if (usb) args.insert(args.end(), {"--carte", "usb:" + link.string()});
    args.insert(args.end(), run.begin(), run.end());
    return args;
  }
  pid_t StartLot(const std::string& name, const std::vector<std::string>& run, bool usb = true) {
    return Spawn(LotArgs(name, run, usb), dir / (name + ".out"), dir / (name + ".err"));
  }
  Result Finish(const std::string& name, pid_t pid, Steady::time_point start) {
    Result r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.seconds = std::chrono::duration<double>(Steady::now() - start).count();
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(dir / (name + ".out"));
    r.err = Slurp(dir / (name + ".err"));
    return r;
  }
  Result Lot(const std::string& name, const std::vector<std::string>& run, bool usb = true) {
    const auto start = Steady::now();
    return Finish(name, StartLot(name, run, usb), start);
  }

  // Output changes of the bench: time (s), order (V), output 1 (V).
  struct Change {
    double t, order, out1;
  };
  std::vector<Change> Changes() {
    std::vector<Change> changes;
    std::ifstream in(dir / "sorties.txt");
    Change c{};
    while (in >> c.t >> c.order >> c.out1) changes.push_back(c);
    return changes;
  }

  fs::path dir, link;
  pid_t bench = 0;
};

// The step rises at cycle 50, 2.5 s after the start.
const std::vector<std::string> kStep = {"--consigne", "echelon", "--echelon", "6", "--kp", "2"};

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(HardwareInTheLoop, AStepThroughTheBoardFollowsTheSimulatedCard) {
  StartBench();
  const Result usb = Lot("usb", With(kStep, {"--cycles", "200"}));
  ASSERT_EQ(usb.status, 0) << usb.err;
  const Result simulated = Lot("simulee", With(kStep, {"--cycles", "200"}), false);
  ASSERT_EQ(simulated.status, 0) << simulated.err;

  const std::vector<double> a = Feedback(dir / "usb.csv");
  const std::vector<double> b = Feedback(dir / "simulee.csv");
  ASSERT_EQ(a.size(), b.size());
  double squares = 0;
  for (int k = 1; k <= 200; ++k) squares += (a[k] - b[k]) * (a[k] - b[k]);
  EXPECT_LT(std::sqrt(squares / 200), 0.1);
  EXPECT_GT(a[200], 5.0);  // it did move to the step
  EXPECT_NEAR(a[200], b[200], 0.05);

  // A clean line: nothing refused. (Pacing and delays are measured by
  // bench/usb_pacing.sh, not here.)
  EXPECT_EQ(Figures(usb.out).at("refusees"), 0);
}

TEST_F(HardwareInTheLoop, AKilledProgramLeavesTheOutputsAtRestWithin100Ms) {
  StartBench();
  const auto start = Steady::now();
  // An open-loop triangle, 0.3 V a cycle: every order differs from the one before, so the
  // last one shows.
  const pid_t lot =
      StartLot("tuee", {"--consigne", "triang", "--moyenne", "5", "--amplitude", "3", "--frequence",
                        "0.5", "--boucle", "ouverte", "--cycles", "1000"});
  std::this_thread::sleep_for(std::chrono::milliseconds(4000));
  kill(lot, SIGKILL);
  Finish("tuee", lot, start);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  StopBench();

  const std::vector<Change> changes = Changes();
  ASSERT_GE(changes.size(), 10u);
  const Change rest = changes.back();
  EXPECT_DOUBLE_EQ(rest.out1, 0.0);
  EXPECT_NEAR(rest.order, 0.0, 1e-6);
  // The last order the program sent, and the watchdog's rest after it.
  const Change lastOrder = changes[changes.size() - 2];
  EXPECT_GT(std::fabs(lastOrder.order), 0.05);
  EXPECT_LE(rest.t - lastOrder.t, 0.102);
  EXPECT_GT(rest.t, 3.5);
}

TEST_F(HardwareInTheLoop, APulledCableEndsTheRunWithinASecondNamingThePort) {
  StartBench({"--panne", "debranche:4"});
  const Result r = Lot("debranchee", With(kStep, {"--cycles", "1000"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(link.string()), std::string::npos) << r.err;
  // Started after the bench: the cable goes 4 s after the bench started.
  EXPECT_LT(r.seconds, 4.0 + 1.0);
  const std::vector<double> recorded = Feedback(dir / "debranchee.csv");
  ASSERT_GT(recorded.size(), 60u);  // the run up to the cut is kept
  EXPECT_GT(recorded[60], 1.0);
}

TEST_F(HardwareInTheLoop, ACutWireToTheBoardEndsTheRunWithItsWatchdogMessage) {
  // The board goes on sending, but no order reaches it from 4 s on.
  StartBench({"--panne", "coupe:4"});
  const Result r = Lot("coupee", With(kStep, {"--cycles", "1000"}));
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.err.find("chien de garde"), std::string::npos) << r.err;
  EXPECT_LT(r.seconds, 4.0 + 1.0);
  StopBench();
  // The motor rested two periods after the last order that reached the board.
  const std::vector<Change> changes = Changes();
  ASSERT_GE(changes.size(), 2u);
  EXPECT_NEAR(changes.back().order, 0.0, 1e-6);
  EXPECT_LE(changes.back().t - changes[changes.size() - 2].t, 0.102);
  // The record is kept up to the last cycle whose order the board applied: no more
  // entries than the board's periods before its rest (the first at time 0 of the run).
  const std::vector<double> recorded = Feedback(dir / "coupee.csv");
  const int entries = Entries(dir / "coupee.csv");
  ASSERT_GT(entries, 40);
  EXPECT_GT(recorded[static_cast<std::size_t>(entries)], 1.0);
}

TEST_F(HardwareInTheLoop, AProgramHeldUpForASecondNeverComputesFromOldFrames) {
  StartBench();
  const auto start = Steady::now();
  const pid_t lot = StartLot("suspendu", With(kStep, {"--cycles", "1000"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  kill(lot, SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  kill(lot, SIGCONT);
  const Result r = Finish("suspendu", lot, start);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.err.find("chien de garde"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("retard"), std::string::npos) << r.err;
  EXPECT_LT(r.seconds, 4.5 + 0.5);
  StopBench();
  // Once the watchdog rested the motor, nothing drove it again: no order computed from
  // the frames that waited while the program was stopped reached the outputs.
  const std::vector<Change> changes = Changes();
  ASSERT_GE(changes.size(), 2u);
  EXPECT_NEAR(changes.back().order, 0.0, 1e-6);
  EXPECT_LT(changes.back().t, 3.5 + 0.5) << "the rest came after the program resumed";
  EXPECT_LE(changes.back().t - changes[changes.size() - 2].t, 0.102);
}

TEST_F(HardwareInTheLoop, CorruptedBytesAreRefusedAndNeverTakenForValues) {
  // The slow thermal process in open loop: any wrong reading would stand out of its curve.
  const std::vector<std::string> open = {"--consigne", "echelon", "--echelon", "5",
                                         "--boucle",   "ouverte", "--cycles",  "120"};
  const std::vector<std::string> longer = {"--consigne", "echelon", "--echelon", "5",
                                           "--boucle",   "ouverte", "--cycles",  "200"};
  StartBench({"--panne", "bruit:2"}, "thermique");
  const Result noisy = Lot("bruit", open);
  // Two orders in a row lost to the noise rest the board's outputs: the run then ends
  // with the watchdog's message, keeping what it recorded up to there.
  if (noisy.status != 0) {
    ASSERT_EQ(noisy.status, 1);
    ASSERT_NE(noisy.err.find("chien de garde"), std::string::npos) << noisy.err;
  }
  StopBench();
  fs::remove(dir / "sorties.txt");
  StartBench({}, "thermique");
  const Result clean = Lot("propre", longer);
  ASSERT_EQ(clean.status, 0) << clean.err;
  const auto figures = Figures(noisy.out);
  const std::vector<double> a = Feedback(dir / "bruit.csv");
  const std::vector<double> b = Feedback(dir / "propre.csv");
  const int entries = Entries(dir / "bruit.csv");
  // The noise starts 2 s after the bench (a tool slow to start, under a sanitizer or on a
  // busy machine, still records a clean second first): the line was noisy for part of
  // the run at least, and it showed (frames refused, or orders damaged on their way).
  ASSERT_GT(entries, 20);
  EXPECT_GT(figures.at("refusees") + figures.at("ordres_en_retard"), 0);
  // Each refused frame shifts the record by one entry: every value read must be one of
  // the clean run's, within that shift.
  const int shift = static_cast<int>(figures.at("manquantes") + figures.at("refusees") +
                                     figures.at("perimees")) +
                    1;
  const int recorded = std::min(120, entries);
  for (int k = 1; k <= recorded; ++k) {
    bool found = false;
    for (int j = k; j <= std::min(k + shift, 200) && !found; ++j)
      found = std::fabs(a[k] - b[static_cast<std::size_t>(j)]) <= 0.03;
    EXPECT_TRUE(found) << "entrée " << k << " : " << a[k];
  }
}

TEST_F(HardwareInTheLoop, ASecondProgramOnThePortIsRefusedWithThePidOfTheFirst) {
  StartBench();
  const auto start = Steady::now();
  const pid_t first = StartLot("premier", With(kStep, {"--cycles", "60"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const Result second = Lot("second", With(kStep, {"--cycles", "10"}));
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.err.find(std::to_string(first)), std::string::npos) << second.err;
  const Result one = Finish("premier", first, start);
  EXPECT_EQ(one.status, 0) << one.err;  // the first run was not disturbed
}

}  // namespace
