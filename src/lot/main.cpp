// SPDX-License-Identifier: GPL-3.0-or-later
// regulateur-vantor-lot: one run of the regulation engine, without windows, on the
// simulated card in virtual time (or on the USB board in real time). The same calls as
// the main window, through the one windowless runner: start-up settings, setpoint button,
// ReadGains, then RunRegulation (which reads the setpoint fields). The run record is
// written as CSV, the format the window saves and reopens.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "card/CardFactory.h"
#include "card/SimulatedCard.h"
#include "card/UsbBoard.h"
#include "common/Numbers.h"
#include "common/OutputFile.h"
#include "common/SettingsStore.h"
#include "common/TerminationSignals.h"
#include "common/VantorError.h"
#include "common/WorkingFolder.h"
#include "lesson-core/FrequencyResponse.h"
#include "lesson-core/Identification.h"
#include "lesson-core/Pumping.h"
#include "lesson-core/RelayAnalysis.h"
#include "lesson-core/SampledMargins.h"
#include "lesson-core/StepMeasures.h"
#include "lesson-core/TuningRules.h"
#include "lesson-core/VirtualRun.h"
#include "lot/LotOptions.h"
#include "lot/PortLogBus.h"
#include "regulation/IndustrialPidLaw.h"
#include "regulation/Regulation.h"
#include "regulation/RelayLaw.h"
#include "regulation/RunFile.h"
#include "regulation/StartUp.h"
#include "session/Session.h"
#include "simulation/Clock.h"
#include "simulation/ConstantInputs.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {
namespace {

// Whether a run started: one that then lost the card keeps what it recorded.
struct RunStartWatch : RunObserver {
  void RunStarted(const RegulationState&) override { Started = true; }
  bool Started = false;
};

// Prefix put before "sauvegarde/<name>.rtf": the workstation's working folder.
std::string SettingsPrefix(const LotOptions& o) {
  const WorkingFolder w =
      ResolveWorkingFolder(ProcessWorkingFolderRequest(o.Reglages, VANTOR_SHIPPED_SETTINGS));
  return w.Origin == WorkingFolderOrigin::Current ? "" : w.Path + "/";
}

std::unique_ptr<ProcessModel> MakeLotProcess(const LotOptions& o) {
  if (o.Process == kConstantProcess)
    return std::make_unique<ConstantInputs>(o.ConstantInput0, o.ConstantInput1);
  std::unique_ptr<ProcessModel> process = MakeProcess(o.Process);
  process->ApplyProfile(o.Profile);
  if (!o.ProcessValues.empty()) process->SetParameters(o.ProcessValues);
  if (!o.ParameterValues.empty()) process->SetParameters(o.ParameterValues);
  if (o.Seed) process->NoiseSeed = *o.Seed;
  return process;
}

void PrintCorrection(const char* name, const std::string& before, const std::string& after) {
  if (before != after) std::printf("%s=%s\n", name, after.c_str());
}

void PrintCorrections(const GainFields& g0, const GainFields& g1, const SetpointFields& f0,
                      const SetpointFields& f1) {
  PrintCorrection("Edit1", g0.Edit1, g1.Edit1);
  PrintCorrection("Edit2", g0.Edit2, g1.Edit2);
  PrintCorrection("Edit3", g0.Edit3, g1.Edit3);
  PrintCorrection("Edit4", f0.Edit4, f1.Edit4);
  PrintCorrection("Edit5", f0.Edit5, f1.Edit5);
  PrintCorrection("Edit6", f0.Edit6, f1.Edit6);
  PrintCorrection("Edit7", f0.Edit7, f1.Edit7);
  std::fflush(stdout);
}

// The run as the window keeps it, written with its "#" lines.
// A termination signal that arrived while the CSV was being written.
struct StoppedWhileWriting {
  int Signal;
};

void WriteCsv(const std::string& path, const Trial& run) {
  // Stopped before the file takes its name: no CSV, as for a signal during the run.
  WriteRunFile(path, run, [] {
    if (const int signal = TerminationSignals::Pending()) throw StoppedWhileWriting{signal};
  });
}

void PrintMeasures(const Trial& run) {
  const StepMeasures m = MeasureStep(run);
  const SensorLimitTime limits = MeasureSensorLimits(run);
  std::fputs((StepMeasureLines(m) + SensorLimitLines(limits)).c_str(), stdout);
  std::fflush(stdout);
  if (limits.Any()) std::fprintf(stderr, "Attention : %s.\n", SensorLimitSentence(limits).c_str());
  if (!m.Measured)
    std::fprintf(stderr, "Pas de mesure : %s.\n", m.Reason.c_str());
  else if (!m.HeldBy.empty())
    std::fprintf(stderr, "Attention : %s.\n", m.HeldBy.c_str());
  else if (!m.Settled)
    std::fputs(
        "Réponse non établie à 5 % : pas de dépassement ni d'erreur statique mesurables "
        "(« - »).\n",
        stderr);
}

// The relay test of a run, with the relay it was made with (--loi), else the one its
// record shows.
void PrintRelay(const Trial& run, const LotOptions& o) {
  RelaySettings settings;
  RelayResult r;
  if (o.Relay) {
    settings = *o.Relay;
  } else if (!RelaySettingsFromRecord(run, settings)) {
    r.Reason =
        "l'ordre de l'essai ne bascule pas entre deux niveaux : ce n'est pas un essai "
        "de relais (--loi relais:d,ε)";
  }
  if (r.Reason.empty()) r = AnalyseRelay(run, settings);
  std::fputs(RelayLines(r).c_str(), stdout);
  std::fflush(stdout);
  if (!r.Measured)
    std::fprintf(stderr, "Pas de résultat de l'essai de relais : %s.\n", r.Reason.c_str());
}

void PrintFrequencyResponse(const Trial& run) {
  const FrequencyPoint p = AnalyseFrequencyResponse(run);
  std::fputs(FrequencyLines(p).c_str(), stdout);
  std::fflush(stdout);
  if (!p.Measured) std::fprintf(stderr, "Pas de réponse fréquentielle : %s.\n", p.Reason.c_str());
}

// The gains proposed from the identification, else from a sustained pumping.
void PrintProposals(const Identification& id, const Pumping& pumping, const RegulationState& s) {
  std::vector<GainProposal> proposals;
  std::string why;
  if (id.Identified) {
    proposals = ModelGainProposals(id.Model(id.DefaultModel()), why);
  } else if (pumping.Measured && pumping.Kind == Oscillation::Sustained) {
    proposals = ZieglerNicholsClosedLoop(pumping.Ku, pumping.Tu);
    for (GainProposal& g : TyreusLuyben(pumping.Ku, pumping.Tu)) proposals.push_back(g);
  } else if (pumping.Measured) {
    why = "l'oscillation est " + OscillationWord(pumping.Kind) +
          " : Kp n'est pas le gain critique du pompage";
  } else {
    why = "ni identification (" + id.Reason + "), ni pompage (" + pumping.Reason + ")";
  }
  std::fputs(GainProposalLines(proposals, s.kpmax, s.kdmax, s.kimax).c_str(), stdout);
  if (id.Identified) {
    // Broïda's choice of structure, from the model the proposals come from.
    const ProcessModelFit m = id.Model(id.DefaultModel());
    if (!m.Integrating && m.Order == 1 && m.T > 0 && m.Delay > 0) {
      std::printf("broida_T_sur_tau=%s\nbroida_structure=%s\n",
                  FormatFixed2(static_cast<long double>(m.T / m.Delay)).c_str(),
                  BroidaChoiceKey(BroidaChoice(m.T, m.Delay)).c_str());
    }
  }
  std::fflush(stdout);
  if (proposals.empty()) std::fprintf(stderr, "Pas de réglage proposé : %s.\n", why.c_str());
}

// "Prévoir la réponse" without windows: the model identified on the open-loop run file,
// run in this run's loop (its gains, step and order limits, as the menu does it), and the
// largest gap between the run's feedback and the predicted one from the step on.
void PrintPrediction(const LotOptions& o, const Trial& run, const RegulationState& s,
                     const std::string& stepText) {
  auto identified = std::make_unique<Trial>();
  ReadRunFile(*o.Prevoir, *identified);
  const Identification id = Identify(*identified);
  std::string why;
  if (!id.Identified) why = "l'essai " + *o.Prevoir + " ne s'identifie pas (" + id.Reason + ")";
  else if (run.SetpointKind != "echelon") why = "la prévision se fait sur un essai à consigne en échelon";
  if (!why.empty()) {
    std::fputs("prevision_modele=-\nprevision_ecart_max=-\nprevision_instant_ecart_max=-\n",
               stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "Pas de prévision : %s.\n", why.c_str());
    return;
  }
  ModelKind kind = id.DefaultModel();
  if (o.PrevoirModel && id.Type != ProcessType::Integrating) {
    const std::string& w = *o.PrevoirModel;
    kind = w == "strejc"   ? ModelKind::Strejc
           : w == "broida" ? ModelKind::Broida
           : w == "mc"     ? ModelKind::LeastSquares
                           : ModelKind::Tangent;
  }
  const ProcessModelFit m = id.Model(kind);
  const double rest = id.InitialValue - (m.Integrating ? 0 : m.K * id.InitialInput);
  auto settings = std::make_unique<RegulationState>(s);
  const std::unique_ptr<Trial> predicted =
      RunInVirtualTime(*settings, ProcessOfModel(m, rest, identified.get()), stepText,
                       run.LastEntry);
  int step = 1;
  while (step <= run.LastEntry && run.At(kSeriesSetpoint, step) == run.At(kSeriesSetpoint, 1))
    ++step;
  double gap = 0;
  int at = step;
  for (int k = step; k <= std::min(run.LastEntry, predicted->LastEntry); ++k) {
    const double d =
        std::abs(run.At(kSeriesFeedback, k) - predicted->At(kSeriesFeedback, k)) / 100.0;
    if (d > gap) gap = d, at = k;
  }
  std::printf("prevision_modele=%s\nprevision_ecart_max=%s\nprevision_instant_ecart_max=%s\n",
              ModelName(kind).c_str(), FormatFixed2(gap).c_str(),
              FormatFixed2(at * run.SamplePeriodMs / 1000.0L).c_str());
  std::fflush(stdout);
}

// The margins of the sampled loop: the simulated process's linear model, or, for a run
// whose process has none or that was read from a file, the model identified on it.
void PrintMargins(const Trial& run, const ProcessModel* process, const Identification& id) {
  std::optional<LinearProcess> linear;
  if (process) linear = process->Linear();
  if (!linear && id.Identified) linear = LinearOfModel(id.Model(id.DefaultModel()));
  SampledMargins m;
  if (!linear) {
    m.Reason = "pas de modèle : ni procédé simulé, ni identification de l'essai (" +
               id.Reason + ")";
  } else {
    SampledLoop loop;
    loop.Process = *linear;
    loop.Gains = {static_cast<double>(run.Kp), static_cast<double>(run.Ki),
                  static_cast<double>(run.Kd)};
    if (run.IsOpenLoop()) loop.Gains = {};
    m = ComputeSampledMargins(loop);
  }
  std::printf("modele=%s\n", linear ? LinearProcessText(*linear).c_str() : "-");
  std::fputs(SampledMarginLines(m).c_str(), stdout);
  std::fflush(stdout);
  if (!m.Computed) std::fprintf(stderr, "Pas de marges : %s.\n", m.Reason.c_str());
}

// What --mesures, --identification, --pompage, --reglages, --relais and --frequentiel ask
// of a run, in that order.
void PrintAnalyses(const LotOptions& o, const Trial& run, const RegulationState& s,
                   const ProcessModel* process = nullptr) {
  if (o.Mesures) PrintMeasures(run);
  const Identification id = Identify(run);
  if (o.Identification) {
    std::fputs(IdentificationLines(id).c_str(), stdout);
    std::fflush(stdout);
    if (!id.Identified) std::fprintf(stderr, "Pas d'identification : %s.\n", id.Reason.c_str());
    if (id.Identified && id.Type == ProcessType::Stable && id.StrejcDelayTakenAsZero())
      std::fprintf(stderr,
                   "Strejc : rapport Tu/Ta lu %.3f, un peu sous la ligne %.3f de la table (n = "
                   "%d) : le retard supplémentaire, négatif, est pris nul.\n",
                   id.StrejcRatio, id.StrejcRowRatio, id.StrejcOrder);
  }
  const Pumping pumping = MeasurePumping(run);
  if (o.Pompage) {
    std::fputs(PumpingLines(pumping).c_str(), stdout);
    std::fflush(stdout);
    if (!pumping.Measured) std::fprintf(stderr, "Pas de pompage : %s.\n", pumping.Reason.c_str());
  }
  if (o.Proposals) PrintProposals(id, pumping, s);
  if (o.Relais) PrintRelay(run, o);
  if (o.Frequentiel) PrintFrequencyResponse(run);
  if (o.Marges) PrintMargins(run, process, id);
}

// What the USB board's frames showed during the run.
void PrintBoardCounts(const UsbBoard& board) {
  const UsbBoard::Counters& c = board.Count();
  std::vector<int> delays = board.OrderDelays();
  double mean = 0, p99 = 0;
  if (!delays.empty()) {
    std::sort(delays.begin(), delays.end());
    for (int d : delays) mean += d;
    mean /= static_cast<double>(delays.size()) * 10;
    p99 = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)] / 10.0;
  }
  std::printf(
      "interface_usb: trames=%ld refusees=%ld manquantes=%ld perimees=%ld ordres_en_retard=%ld "
      "delai_moyen_ms=%.2f delai_p99_ms=%.1f\n",
      c.Frames, c.RefusedLines, c.MissingFrames, c.StaleFrames, c.LateOrders, mean, p99);
  std::fflush(stdout);
}

int Run(const LotOptions& o) {
  const std::string prefix = SettingsPrefix(o);
  // The simulated card sits at the addresses the settings name, as a real card whose
  // jumpers match them; the start-up below reads them again as the window does.
  const std::int32_t adr1 = StrToInt(LoadSetting(prefix + "sauvegarde/adr1.rtf", 4));
  const std::int32_t adr2 = StrToInt(LoadSetting(prefix + "sauvegarde/adr2.rtf", 4));

  // The card: the USB board, or the ISA card's register map on the simulated card (through
  // the port log when asked), in virtual time unless --temps-reel.
  RealClock realClock;
  std::unique_ptr<SimulatedBench> bench;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> portsFile(nullptr, &std::fclose);
  std::unique_ptr<PortLogBus> logBus;
  std::unique_ptr<AcquisitionCard> boardHolder;
  if (o.OnUsbBoard()) {
    boardHolder = OpenCard(o.Card, adr1, adr2);
  } else {
    bench = std::make_unique<SimulatedBench>(
        MakeLotProcess(o), static_cast<std::uint16_t>(adr1 & 0xFFFF),
        static_cast<std::uint16_t>(adr2 & 0xFFFF), o.RealTime ? &realClock : nullptr);
    bench->Simulated().InjectFault(o.Fault);
    if (o.ExternalVolts) bench->Simulated().SetExternalSetpointVolts(*o.ExternalVolts);
    if (o.Ports) {
      portsFile.reset(std::fopen(o.Ports->c_str(), "w"));
      if (!portsFile)
        throw VantorError(FormatMessage("Impossible de créer le fichier %s", *o.Ports));
      logBus = std::make_unique<PortLogBus>(bench->Simulated(), portsFile.get());
    }
    bench->Open(logBus.get());
  }
  AcquisitionCard& card = bench ? bench->Card() : *boardHolder;
  Clock& clock = bench ? bench->Time() : realClock;
  const UsbBoard* board = dynamic_cast<const UsbBoard*>(&card);
  // What a run records of its process: the simulated one's name and the load it met (as
  // the workstation writes it: "1 V à 40 s"), nothing on a real card.
  struct NamedProcess : BenchProcess {
    RunProcess ProcessOfRun() const override { return {Name, {}, Load}; }
    std::string Name, Load;
  } process;
  if (bench) process.Name = bench->Simulated().Process().Description();
  if (bench && o.Load && o.Load->LoadVolts != 0)
    process.Load = FormatShort(o.Load->LoadVolts) + " V à " + FormatShort(o.Load->StartSeconds) + " s";

  auto state = std::make_unique<RegulationState>();  // 56 kB of record: not on the stack
  RegulationState& s = *state;
  StartupFields start;
  StartUpOnCard(s, card, prefix, start);
  if (o.Analyse) {
    // The teacher's bounds come from the start-up; the run from the file.
    auto run = std::make_unique<Trial>();
    ReadRunFile(*o.Analyse, *run);
    PrintAnalyses(o, *run, s);
    return 0;
  }
  // Another law than the main window's corrector, for this run.
  std::unique_ptr<CorrectorLaw> law;
  if (o.Relay)
    law = std::make_unique<RelayLaw>(*o.Relay,
                                     o.RelayTest ? RelayLaw::Use::Test : RelayLaw::Use::OnOff);
  else if (o.Industrial)
    law = std::make_unique<IndustrialPidLaw>(o.Pid);

  WindowlessRun run;
  run.Output1Active = o.Output1Active;
  run.OpenLoop = o.OpenLoop;
  run.Law = law.get();
  if (!o.Consigne.empty()) run.Button = SetpointButtonOf(o.Consigne);
  run.Fields = start.Setpoint;
  run.Edit5 = o.Echelon;
  run.Edit6 = o.Moyenne;
  run.Edit7 = o.Amplitude;
  run.Edit4 = o.Frequence;
  GainFields gains = start.Gains;
  if (o.Kp) gains.Edit1 = *o.Kp;
  if (o.Kd) gains.Edit2 = *o.Kd;
  if (o.Ki) gains.Edit3 = *o.Ki;
  run.Gains = gains;
  run.Cycles = o.Cycles;
  run.RealTime = o.RealTime;
  // "Fin" after the last cycle asked for, or at once on a termination signal or when the
  // port log can no longer be written.
  run.StopEarly = [log = logBus.get()] {
    return TerminationSignals::Pending() != 0 || (log && log->Error() != 0);
  };
  if (o.Load)
    run.Starting = [&o, &bench] {
      // The run starts now: no port access comes between here and its first cycle.
      bench->Simulated().SetLoadVolts(o.Load->LoadVolts);
      bench->Simulated().ScheduleLoad(o.Load->StartSeconds);
    };
  WindowlessRunResult result;
  RunStartWatch watch;
  RunEvents events;
  events.Add(watch);
  // The run is kept as a bench's session keeps it, without a journal.
  Session session(events, "");
  session.SetProcess(&process);
  try {
    RunWithoutWindows(s, card, clock, run, result, events);
  } catch (const VantorError&) {
    PrintCorrections(result.TypedGains, result.Gains, result.TypedFields, result.Fields);
    // A run that recorded cycles and then lost the card keeps what it recorded; one that
    // never had a frame from the card has nothing to keep.
    if (watch.Started && s.RecordPos > 0 && session.ShownRun()) {
      if (board) PrintBoardCounts(*board);
      try {
        WriteCsv(o.Csv, *session.ShownRun());
      } catch (const VantorError& e) {
        std::fprintf(stderr, "%s\n", ErrorBoxText(e.what()).c_str());
      }
    }
    throw;
  }
  // Stopped by a termination signal: the card at rest, the log complete, no CSV.
  const int signal = TerminationSignals::Pending();
  if (signal != 0) card.PutOutputsAtRest();
  if (o.Ports) CloseOutputFile(portsFile.release(), *o.Ports, logBus->Error());
  if (signal != 0) {
    std::fprintf(stderr, "%s\n",
                 TerminationSignals::RestLine("regulateur-vantor-lot", signal).c_str());
    return TerminationSignals::ExitStatus(signal);
  }
  PrintCorrections(result.TypedGains, result.Gains, result.TypedFields, result.Fields);
  if (!result.Message.empty()) {
    std::fprintf(stderr, "%s\n", result.Message.c_str());
    return 1;
  }
  const Trial& kept = *session.ShownRun();  // told at the run's end
  try {
    WriteCsv(o.Csv, kept);
  } catch (const StoppedWhileWriting& stopped) {
    std::fprintf(stderr, "%s\n",
                 TerminationSignals::RestLine("regulateur-vantor-lot", stopped.Signal).c_str());
    return TerminationSignals::ExitStatus(stopped.Signal);
  }
  PrintAnalyses(o, kept, s, bench ? &bench->Simulated().Process() : nullptr);
  if (o.Prevoir) PrintPrediction(o, kept, s, result.Fields.Edit5);
  if (o.RealTime)
    std::printf("cycles_en_retard=%d sur %d (plus de 55 ms ; période la plus longue %.1f ms)\n",
                s.Pacing.LateCycles, s.Pacing.Cycles, s.Pacing.LongestPeriod * 1e3);
  if (board) {
    std::printf("periode_moyenne_ms=%.3f\n",
                s.Pacing.Cycles > 0 ? s.Pacing.Elapsed * 1e3 / s.Pacing.Cycles : 0.0);
    PrintBoardCounts(*board);
    std::printf("cycles_en_retard_carte=%d\n", s.Pacing.CardLateCycles);
  }
  return 0;
}

}  // namespace
}  // namespace vantor

int main(int argc, char** argv) {
  using namespace vantor;
  TerminationSignals::Install("regulateur-vantor-lot");
  // A file size limit makes the write fail (and be reported) instead of ending the tool.
  std::signal(SIGXFSZ, SIG_IGN);
  LotOptions options;
  try {
    options = ParseLotOptions(argc, argv);
  } catch (const LotUsageError& e) {
    std::fprintf(stderr, "regulateur-vantor-lot : %s\nAide : regulateur-vantor-lot --help\n",
                 e.what());
    return 2;
  }
  if (options.Help) {
    std::fputs(LotUsage().c_str(), stdout);
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", ErrorBoxText(e.what()).c_str());
    return 1;
  }
}
