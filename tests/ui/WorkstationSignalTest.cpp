// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated workstation ends at rest on SIGTERM and SIGINT, in the middle of a run
// with output 1 active: exit status 128 + the signal, a French line on standard error,
// and the last writes to the card put output 2 at 2048 and output 1 at 0. A file size
// limit never ends it.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "WorkstationFixture.h"

namespace vantor::testing {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The last bytes written to output 1's and output 2's ports (low, high).
std::map<std::string, std::string> LastOutputBytes(const std::string& log) {
  std::map<std::string, std::string> last;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);)
    for (const char* port : {"0x334", "0x335", "0x336", "0x337"})
      if (line.rfind(std::string("W ") + port + " ", 0) == 0) last[port] = line.substr(8);
  return last;
}

class WorkstationSignalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    CopyTree(std::filesystem::path(VANTOR_SOURCE_DIR) / "sauvegarde",
             std::filesystem::path(work.path().toStdString()) / "sauvegarde");
    process.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
  }
  void TearDown() override {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(5000);
    }
  }
  // Waits (at most 20 s) until `ready` holds.
  static bool WaitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 2000; ++i) {
      if (ready()) return true;
      QThread::msleep(10);
    }
    return false;
  }

  QTemporaryDir work;
  QProcess process;
};

TEST_F(WorkstationSignalTest, TheRunEndsAtRestOnSigtermAndSigint) {
  const std::filesystem::path log = std::filesystem::path(work.path().toStdString()) / "ports.log";
  for (const int signal : {SIGTERM, SIGINT}) {
    std::filesystem::remove(log);
    process.start(VANTOR_WORKSTATION_CHILD, {QString::fromStdString(log.string())});
    ASSERT_TRUE(process.waitForStarted(10000));
    // Mid-run: ten updates of the outputs, one a cycle, with output 1 at 4095.
    ASSERT_TRUE(WaitFor([&] { return Count(ReadText(log), "W 0x337 ") >= 10; }))
        << process.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(process.processId()), signal);
    ASSERT_TRUE(process.waitForFinished(20000));
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit) << signal;
    EXPECT_EQ(process.exitCode(), 128 + signal);
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_NE(err.find("regulateur-vantor-simulation : "), std::string::npos) << err;
    EXPECT_NE(err.find(" : sorties de la carte mises au repos (sortie 2 à 2048, sortie 1 à 0), "
                       "programme arrêté\n"),
              std::string::npos)
        << err;
    const std::string text = ReadText(log);
    EXPECT_NE(text.find("W 0x335 0x0F"), std::string::npos);  // output 1 was at 4095
    EXPECT_EQ(LastOutputBytes(text),
              (std::map<std::string, std::string>{
                  {"0x334", "0x00"}, {"0x335", "0x00"}, {"0x336", "0x00"}, {"0x337", "0x08"}}));
  }
}

// The program itself installs the same handling: once its handler is in place (the
// kernel shows it among the signals caught), SIGTERM ends it with status 143.
TEST_F(WorkstationSignalTest, TheSimulatedWorkstationProgramEndsWithTheSignalsStatus) {
  process.start(VANTOR_SIMULATION_PATH, {});
  ASSERT_TRUE(process.waitForStarted(10000));
  const std::string status = "/proc/" + std::to_string(process.processId()) + "/status";
  const auto catchesSigterm = [&] {
    const std::string text = ReadText(status);
    const std::size_t at = text.find("SigCgt:\t");
    return at != std::string::npos &&
           (std::stoull(text.substr(at + 8, 16), nullptr, 16) >> (SIGTERM - 1) & 1) != 0;
  };
  ASSERT_TRUE(WaitFor(catchesSigterm));
  ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
  ASSERT_TRUE(process.waitForFinished(20000));
  ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 128 + SIGTERM);
  EXPECT_NE(process.readAllStandardError().toStdString().find("demande d'arrêt (SIGTERM)"),
            std::string::npos);
}

// A file size limit (ulimit -f) fails the write that passes it, with the French cause,
// instead of ending the workstation with SIGXFSZ; both programs are set up alike.
TEST_F(WorkstationSignalTest, AFileSizeLimitFailsTheWriteInsteadOfEndingTheWorkstation) {
  const std::filesystem::path folder = std::filesystem::path(work.path().toStdString()) / "essais";
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / "essai.csv";
  process.start(VANTOR_WORKSTATION_CHILD, {"--fichier-limite", QString::fromStdString(file.string())});
  ASSERT_TRUE(process.waitForFinished(20000));
  ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardOutput().toStdString(),
            "Erreur à l'écriture du fichier " + file.string() +
                ".\nCause : fichier trop grand pour le système\n");
  EXPECT_TRUE(std::filesystem::is_empty(folder));  // neither the file nor a temporary

  process.start(VANTOR_SIMULATION_PATH, {});
  ASSERT_TRUE(process.waitForStarted(10000));
  const std::string status = "/proc/" + std::to_string(process.processId()) + "/status";
  const auto mask = [&](const char* field) {
    const std::string text = ReadText(status);
    const std::size_t at = text.find(field);
    return at == std::string::npos ? 0ULL : std::stoull(text.substr(at + 8, 16), nullptr, 16);
  };
  ASSERT_TRUE(WaitFor([&] { return (mask("SigCgt:\t") >> (SIGTERM - 1) & 1) != 0; }));
  EXPECT_NE(mask("SigIgn:\t") >> (SIGXFSZ - 1) & 1, 0ULL);
  ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
  ASSERT_TRUE(process.waitForFinished(20000));
}

}  // namespace
}  // namespace vantor::testing
