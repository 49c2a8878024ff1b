// SPDX-License-Identifier: GPL-3.0-or-later
// End to end through the built regulateur-vantor-lot: settings saved by the settings
// store, the engine on the simulated card, the CSV read back.
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>

#include "LotFixture.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/RunFile.h"
#include "simulation/ProcessRegistry.h"

namespace vantor::testing {
namespace {

using LotTest = LotFixture;

TEST_F(LotTest, PositionStepResponseSettlesOnTheStepAndFillsTheWholeRecord) {
  const LotResult r = Lot(Settings() + "--consigne echelon --kp 2 --cycles 2000" + Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");  // nothing was corrected
  const auto lines = Lines(ReadAll(csv));
  ASSERT_EQ(lines.size(), 2002u);
  EXPECT_EQ(lines[0],
            "k,t,consigne,retour,erreur,ordre_derive,ordre_proportionnel,ordre_integral,"
            "ordre_total");
  EXPECT_EQ(lines[1], "0,0.00,0,0,0,0,0,0,0");
  EXPECT_EQ(lines[2].substr(0, 7), "1,0.05,");
  EXPECT_EQ(lines[2001].substr(0, 11), "2000,100.00");
  const auto entry = [&](int k) { return Fields(lines[static_cast<std::size_t>(k) + 1]); };
  EXPECT_EQ(entry(49)[2], 0);
  EXPECT_EQ(entry(50)[2], 600);  // the Echelon button's 0.75 x 8
  const long feedback = entry(1998)[3];
  EXPECT_NEAR(feedback, 600, 30) << "retour at the end of the run";
  EXPECT_EQ(entry(1999), (std::vector<long>{1999, 99, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(LotTest, AFeedbackHeldAtTheSensorFloorIsTimedAndKeptInTheFile) {
  // A square from 0 to 4 V on the speed motor: in each low half the reading falls under
  // the floor, the feedback stays where it was and the integral drives the motor backward.
  LotResult r = Lot(Settings() +
                    "--procede vitesse --consigne carr --frequence 0.1 --moyenne 2 "
                    "--amplitude 2 --kp 1 --ki 1 --cycles 400 --mesures" +
                    Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  auto run = std::make_unique<Trial>();
  ReadRunFile(csv.string(), *run);
  const SensorLimitTime limits = MeasureSensorLimits(*run);
  // In each low half the feedback decays to the floor and stays there for over a second.
  EXPECT_GT(limits.FloorSeconds, 2.5);
  EXPECT_LT(limits.FloorSeconds, 10.0);
  EXPECT_GT(limits.FirstTime, 5.0);  // the first low half starts at 5 s
  EXPECT_LT(limits.FirstTime, 10.0);
  EXPECT_EQ(limits.FullScaleSeconds, 0);
  EXPECT_NE(r.out.find(SensorLimitLines(limits)), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("Attention : le retour a été à une limite du capteur"), std::string::npos);
  // Inside the first stretch, what the run shows: the feedback does not move while the
  // integral order goes on falling.
  const int k = static_cast<int>(std::lround(limits.FirstTime / 0.05)) + 10;
  ASSERT_EQ(run->FeedbackLimits[static_cast<std::size_t>(k + 20)], SensorLimit::Floor);
  EXPECT_EQ(run->At(kSeriesFeedback, k), run->At(kSeriesFeedback, k + 20));
  EXPECT_LT(run->At(kSeriesITerm, k + 20), run->At(kSeriesITerm, k) - 10);

  // A step from rest: the motor at rest reads under the floor with nothing asked of it,
  // and the rising feedback crosses the floor at once. Nothing counts.
  r = Lot(Settings() + "--procede vitesse --consigne echelon --kp 2 --cycles 400 --mesures" +
          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("retour_seuil_bas=0.00\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err.find("Attention"), std::string::npos) << r.err;
}

TEST_F(LotTest, TheCsvDescribesTheRunAndMeasuresArePrintedAsTheWindowReadsThem) {
  const LotResult r =
      Lot(Settings() + "--consigne echelon --kp 2 --ki 0.5 --cycles 600 --mesures" + Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = ReadAll(csv);
  for (const char* line :
       {"# consigne=Consigne: Echelon\n", "# kp=2\n", "# kd=0\n", "# ki=0.5\n", "# boucle=fermée\n",
        "# procede=Moteur à courant continu : position\n", "# date=20"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_LT(text.find("# date="), text.find(kRunFileHeader));
  // The window reopens the file and finds the same measures.
  auto run = std::make_unique<Trial>();
  ReadRunFile(csv.string(), *run);
  EXPECT_EQ(run->LastEntry, 600);
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  EXPECT_EQ(r.out, StepMeasureLines(m) + SensorLimitLines(MeasureSensorLimits(*run)));
  // A position loop has an integrator: no static error once settled.
  EXPECT_NEAR(m.StaticError, 0, 0.05);
  EXPECT_GT(*m.RiseTime, 0);
}

TEST_F(LotTest, EveryProcessOfTheTableRunsUnderItsWordAndIsRecordedByItsName) {
  for (const ProcessKind& kind : ProcessKinds()) {
    const LotResult r = Lot(Settings() + "--consigne echelon --boucle ouverte --procede " +
                            kind.Id + " --cycles 400" + Csv());
    ASSERT_EQ(r.status, 0) << kind.Id << ": " << r.err;
    const std::string text = ReadAll(csv);
    EXPECT_NE(text.find("# procede=" + kind.Label + "\n"), std::string::npos) << kind.Id;
    // Driven by the 6 V step from 2.5 s, every process has moved by 20 s.
    EXPECT_GT(Fields(Lines(text)[400])[3], 100) << kind.Id;
  }
}

TEST_F(LotTest, SpeedLoopWithIntegralReachesTheStep) {
  const LotResult r = Lot(Settings() +
                          "--consigne echelon --echelon 4 --procede vitesse --kp 1 --ki 1 "
                          "--cycles 1500" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(ReadAll(csv));
  ASSERT_EQ(lines.size(), 2002u);
  EXPECT_NEAR(Fields(lines[1501])[3], 400, 20);
  EXPECT_EQ(Fields(lines[1502])[3], 0);  // cycle 1501 never ran
}

TEST_F(LotTest, CorrectedFieldsArePrintedWithTheTextUsed) {
  const LotResult r = Lot(Settings() +
                          "--consigne sin --frequence 5 --moyenne 9 --amplitude 0.05 --kp 20 "
                          "--kd -1 --ki 1.5 --cycles 10" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Edit1=16\nEdit2=0\nEdit4=2\nEdit6=7\nEdit7=0.1\n");
  const auto lines = Lines(ReadAll(csv));
  // 2 Hz: the first value is 7 + 0.1 x sin(2 pi / 10) V, about the bounded mean.
  EXPECT_EQ(Fields(lines[2])[2], 706);
}

TEST_F(LotTest, OpenLoopOnConstantInputsSendsTheLimitedExternalSetpoint) {
  const LotResult r = Lot(Settings() +
                          "--consigne externe --procede constant:1000,4095 --boucle ouverte "
                          "--kp 5 --cycles 20 --ports ports.log" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(ReadAll(csv));
  for (int k = 1; k <= 20; ++k) {
    const auto e = Fields(lines[static_cast<std::size_t>(k) + 1]);
    EXPECT_EQ(e[2], 1024) << k;  // 10.24 V on input 0
    EXPECT_EQ(e[8], 1000) << k;  // order limited to ordremaxi
  }
  const auto log = Lines(ReadAll(dir / "ports.log"));
  ASSERT_GT(log.size(), 20u);
  EXPECT_EQ(log[0], "W 0x340 0x00");
  EXPECT_NE(std::find(log.begin(), log.end(), "W 0x333 0x70"), log.end());
  // The run's last update puts output 2 back at 2048 (0 V): bytes 0x00, 0x08.
  EXPECT_EQ(log[log.size() - 3], "W 0x336 0x00");
  EXPECT_EQ(log[log.size() - 2], "W 0x337 0x08");
}

TEST_F(LotTest, ProgramErrorsExitWithOneAndTheMessage) {
  LotResult r = Lot(Settings() + "--consigne carr --moyenne 4,5 --frequence 3 --cycles 10" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "'4,5' n'est pas une valeur en virgule flottante correcte.\nUtilisez le point comme "
            "séparateur décimal (4.5).\n");
  EXPECT_EQ(r.out, "Edit4=2\n");
  EXPECT_FALSE(fs::exists(csv));

  r = Lot(Settings() + "--consigne triang --frequence -2 --cycles 10" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Division par zéro en virgule flottante.\n");
  EXPECT_EQ(r.out, "Edit4=0\n");

  r = Lot(Settings() + "--kp 1 --cycles 10" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Entrer une consigne\n");
  EXPECT_FALSE(fs::exists(csv));

  r = Lot(Settings() + "--consigne echelon --kd abc --cycles 10" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'abc' n'est pas une valeur en virgule flottante correcte.\n");

  fs::remove(dir / "reglages" / "sauvegarde" / "kimax.rtf");
  r = Lot(Settings() + "--consigne echelon --cycles 10" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Impossible d'ouvrir le fichier"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("sauvegarde/kimax.rtf"), std::string::npos) << r.err;
}

TEST_F(LotTest, CardThatNeverAnsweredEndsTheRunWithoutARunFile) {
  // The converter fails at the first cycle: nothing was recorded, nothing is written
  // that a student could take for a run.
  const LotResult r =
      Lot(Settings() + "--consigne echelon --panne convertisseur --cycles 10" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("La carte d'acquisition ne répond pas"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(csv));
}

TEST_F(LotTest, BadCommandLinesExitWithTwoAndAFrenchUsageMessage) {
  const std::string bad[] = {"--consigne carr --bogus 1 --cycles 10" + Csv(),
                             "--consigne carr" + Csv(),
                             "--consigne carr --cycles 10",
                             "--consigne carré --cycles 10" + Csv(),
                             "--consigne carr --cycles 0" + Csv(),
                             "--consigne carr --cycles 1x" + Csv(),
                             "--consigne carr --procede constant:5000 --cycles 1" + Csv(),
                             "--consigne carr --profil bon --cycles 1" + Csv(),
                             "--consigne carr --charge 10 --cycles 1" + Csv(),
                             "--consigne carr --charge 10,11 --cycles 1" + Csv(),
                             "--consigne carr --cycles"};
  for (const std::string& args : bad) {
    const LotResult r = Lot(Settings() + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("regulateur-vantor-lot --help"), std::string::npos) << args;
  }
  const LotResult help = Lot("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Lance une régulation"), std::string::npos);
}

// The tool's --carte words are the workstation's where they name the same card: the
// simulated card is its own, the ISA card on the ports the workstation's.
TEST_F(LotTest, TheToolTakesItsCardWordsAndRefusesTheWorkstationsIsaCard) {
  const std::string run = Settings() + "--consigne echelon --kp 2 --cycles 20" + Csv();
  const LotResult isa = Lot(run + " --carte isa");
  EXPECT_EQ(isa.status, 2);
  EXPECT_NE(isa.err.find("--carte : « isa » n'est pas une carte (simulee, usb:CHEMIN ou usb:auto)"),
            std::string::npos)
      << isa.err;
  const LotResult simulated = Lot(run + " --carte simulée");
  EXPECT_EQ(simulated.status, 0) << simulated.err;
  EXPECT_TRUE(fs::exists(csv));
  // usb:auto is the board, to which the simulated card's port log does not apply.
  const LotResult board = Lot(run + " --carte usb:auto --ports ports.log");
  EXPECT_EQ(board.status, 2);
  EXPECT_NE(board.err.find("n'existe que sur la carte simulée"), std::string::npos) << board.err;
}

// The last bytes written to output 1's and output 2's ports (low, high) in a port log.
std::map<std::string, std::string> LastOutputBytes(const std::vector<std::string>& log) {
  std::map<std::string, std::string> last;
  for (const std::string& line : log)
    for (const char* port : {"0x334", "0x335", "0x336", "0x337"})
      if (line.rfind(std::string("W ") + port + " ", 0) == 0) last[port] = line.substr(8);
  return last;
}

TEST_F(LotTest, ATerminationSignalInARealTimeRunLeavesTheOutputsAtRest) {
  for (const int signal : {SIGTERM, SIGINT}) {
    fs::remove(dir / "ports.log");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::chdir(dir.c_str());
      std::freopen("stderr", "w", stderr);
      ::execl(VANTOR_LOT_PATH, VANTOR_LOT_PATH, "--reglages", (dir / "reglages").c_str(),
              "--consigne", "echelon", "--kp", "2", "--sortie1", "active", "--cycles", "2000",
              "--temps-reel", "--ports", "ports.log", "--csv", csv.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Mid-run: the log already shows ten updates of the outputs, one a cycle.
    const auto updates = [&] {
      const std::string log = ReadAll(dir / "ports.log");
      std::size_t n = 0;
      for (std::size_t at = log.find("W 0x337 "); at != std::string::npos;
           at = log.find("W 0x337 ", at + 1))
        ++n;
      return n;
    };
    for (int i = 0; i < 1000 && updates() < 10; ++i) ::usleep(10000);
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const std::string err = ReadAll(dir / "stderr");
    EXPECT_NE(err.find(" : sorties de la carte mises au repos (sortie 2 à 2048, sortie 1 à 0)"),
              std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(csv));
    const auto log = Lines(ReadAll(dir / "ports.log"));
    // Output 1 was at 4095 (0xFF, 0x0F) during the run.
    ASSERT_NE(std::find(log.begin(), log.end(), "W 0x335 0x0F"), log.end());
    EXPECT_EQ(LastOutputBytes(log),
              (std::map<std::string, std::string>{
                  {"0x334", "0x00"}, {"0x335", "0x00"}, {"0x336", "0x00"}, {"0x337", "0x08"}}));
  }
}

TEST_F(LotTest, WriteFailuresExitWithOneAndLeaveNoPartialCsv) {
  LotResult r = Lot(Settings() + "--consigne echelon --cycles 200 --ports /dev/full" + Csv());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Erreur à l'écriture du fichier /dev/full.\nCause : disque plein\n");
  EXPECT_FALSE(fs::exists(csv));

  // The CSV goes only to a regular file or a new one: a device, or a named pipe that
  // nobody reads (opening it would block for good), is refused at once.
  r = Lot(Settings() + "--consigne echelon --cycles 20 --csv /dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Impossible de créer le fichier /dev/full.\nCause : c'est un périphérique, pas un "
            "fichier ordinaire\n");
  const fs::path fifo = dir / "tube.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  r = Lot(Settings() + "--consigne echelon --cycles 20 --csv " + fifo.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("c'est un tube nommé"), std::string::npos) << r.err;
  fs::remove(fifo);

  // A disk that fills up during the CSV (here a 10 kB file size limit): no CSV at all,
  // and no temporary file left beside it.
  r = Lot(Settings() + "--consigne echelon --cycles 20" + Csv(), "ulimit -f 20; ");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Erreur à l'écriture du fichier " + csv.string()), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(csv));
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find("run.csv"), std::string::npos) << entry.path();
}

TEST_F(LotTest, WithoutDossierTheCurrentFolderOrElseTheUsersOwnFolderIsUsed) {
  // No sauvegarde/ here: the user's own folder, filled with the shipped settings.
  fs::create_directories(dir / "donnees" / "regulateur-vantor" / "sauvegarde");
  SaveSetting((dir / "donnees" / "regulateur-vantor" / "sauvegarde" / "finalech.rtf").string(),
              "4.00");
  LotResult r = Lot("--consigne echelon --cycles 60" + Csv(),
                    "XDG_DATA_HOME='" + (dir / "donnees").string() + "' ");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Fields(Lines(ReadAll(csv))[51])[2], 300);  // 0.75 x 4
  EXPECT_TRUE(fs::exists(dir / "donnees" / "regulateur-vantor" / "sauvegarde" / "kpmax.rtf"));

  // The former name of --dossier still works.
  r = Lot("--reglages '" + (dir / "reglages").string() + "' --consigne echelon --cycles 60" +
          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Fields(Lines(ReadAll(csv))[51])[2], 600);  // 0.75 x 8

  fs::rename(dir / "reglages" / "sauvegarde", dir / "sauvegarde");
  SaveSetting((dir / "sauvegarde" / "finalech.rtf").string(), "4.00");
  r = Lot("--consigne echelon --cycles 60" + Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Fields(Lines(ReadAll(csv))[51])[2], 300);  // 0.75 x 4
}

}  // namespace
}  // namespace vantor::testing
