// regulateur-vantor-lot: one run of the regulation engine, without windows, on the
// simulated card in virtual time. The same calls as the main window: start-up settings,
// setpoint button, ReadGains, then RunRegulation (which reads the setpoint fields). The
// run record is written as CSV.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "ConstantInputs.h"
#include "DcMotorPosition.h"
#include "DcMotorSpeed.h"
#include "FileErrors.h"
#include "LotOptions.h"
#include "Numbers.h"
#include "PortLogBus.h"
#include "Regulation.h"
#include "SettingsStore.h"
#include "SimulatedCard.h"
#include "StartUp.h"
#include "TerminationSignals.h"
#include "VantorError.h"

namespace vantor {
namespace {

// The window system as the tool sees it: "Fin" is clicked during the message turn of
// the last cycle asked for.
class LotHost : public LoopHost {
 public:
  LotHost(RegulationState& s, long cycles, SetpointFields fields)
      : Fields(std::move(fields)), s_(s), cycles_(cycles) {}

  void BeepAndMessage(const std::string& text) override { Message = text; }
  SetpointFields GetSetpointFields() override { return Fields; }
  void SetSetpointFields(const SetpointFields& f) override { Fields = f; }
  void SetRunControlsEnabled(bool enabled) override {
    if (!enabled) Started = true;
  }
  void SetStatusText(const std::string&) override {}
  void SetGauges(std::int32_t, std::int32_t) override {}
  // "Fin" after the last cycle asked for, or at once on a termination signal or when the
  // port log can no longer be written.
  void ProcessMessagesOnce() override {
    if (++turns_ >= cycles_ || TerminationSignals::Pending() != 0 || (Log && Log->Error() != 0))
      s_.StopRequested = 1;
  }
  void PlotRecord() override {}
  double Seconds() override { return Time->Now(); }
  bool RealTimeWanted() const override { return RealTime; }

  SetpointFields Fields;
  std::string Message;
  bool Started = false;
  Clock* Time = nullptr;  // the simulated card's clock
  bool RealTime = false;
  const PortLogBus* Log = nullptr;

 private:
  RegulationState& s_;
  long cycles_;
  long turns_ = 0;
};

// The start-up as the tool runs it: the card is already on its bus, and nothing is shown.
class LotStartUp : public StartUpObserver {
 public:
  explicit LotStartUp(AD2var& card) : card_(card) {}
  AD2var& OpenCard(std::int32_t, std::int32_t) override { return card_; }
  void StepDone(StartUpStep) override {}

 private:
  AD2var& card_;
};

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Prefix put before "sauvegarde/<name>.rtf".
std::string SettingsPrefix(const LotOptions& o) {
  std::string folder;
  if (o.Reglages)
    folder = *o.Reglages;
  else if (IsFolder("sauvegarde"))
    return "";
  else
    folder = VANTOR_SHIPPED_SETTINGS;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::unique_ptr<ProcessModel> MakeProcess(const LotOptions& o) {
  switch (o.Process) {
    case LotProcess::Speed:
      return std::make_unique<DcMotorSpeed>();
    case LotProcess::Constant:
      return std::make_unique<ConstantInputs>(o.ConstantInput0, o.ConstantInput1);
    case LotProcess::Position:
      break;
  }
  return std::make_unique<DcMotorPosition>();
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

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw VantorError(WithCauseLine(FormatMessage("Erreur à l'écriture du fichier %s", path),
                                  SystemCauseText(error != 0 ? error : EIO)));
}

// Flushes and closes a file written with stdio; `earlier` is the first error already
// seen while writing (0 if none). Throws on any failure.
void CloseChecked(std::FILE* file, const std::string& path, int earlier) {
  int error = earlier;
  if (std::fflush(file) != 0 && error == 0) error = errno;
  if (std::ferror(file) && error == 0) error = EIO;
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (error != 0) ThrowWriteError(path, error);
}

// Header, then entry k = 0..2000: k, its time with two decimals, the seven series.
void WriteCsvTo(std::FILE* out, const RegulationState& s) {
  std::fputs(
      "k,t,consigne,retour,erreur,ordre_derive,ordre_proportionnel,ordre_integral,"
      "ordre_total\n",
      out);
  for (int k = 0; k < kRecordEntries; ++k) {
    const long ms = static_cast<long>(k) * s.SamplePeriodMs;
    std::fprintf(out, "%d,%ld.%02ld", k, ms / 1000, (ms % 1000) / 10);
    for (int series = 0; series < kRecordSeries; ++series)
      std::fprintf(out, ",%d", s.RecordAt(series, k));
    std::fputc('\n', out);
  }
}

// A regular file (or a new one) is written under a temporary name beside it and renamed
// once complete, so a full disk never leaves a partial CSV; anything else (a pipe,
// /dev/stdout) is written in place.
void WriteCsv(const std::string& path, const RegulationState& s) {
  struct stat info {};
  const bool inPlace = ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
  const std::string target = inPlace ? path : path + ".ecriture-" + std::to_string(::getpid());
  std::FILE* out = std::fopen(target.c_str(), "w");
  if (!out) throw VantorError(FormatMessage("Impossible de créer le fichier %s", path));
  WriteCsvTo(out, s);
  try {
    CloseChecked(out, path, 0);
  } catch (...) {
    if (!inPlace) ::unlink(target.c_str());
    throw;
  }
  if (!inPlace && ::rename(target.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(target.c_str());
    ThrowWriteError(path, error);
  }
}

int Run(const LotOptions& o) {
  const std::string prefix = SettingsPrefix(o);
  // The simulated card sits at the addresses the settings name, as a real card whose
  // jumpers match them; the start-up below reads them again as the window does.
  const std::int32_t adr1 = StrToInt(LoadSetting(prefix + "sauvegarde/adr1.rtf", 4));
  const std::int32_t adr2 = StrToInt(LoadSetting(prefix + "sauvegarde/adr2.rtf", 4));

  VirtualClock virtualClock;
  RealClock realClock;
  Clock& clock = o.RealTime ? static_cast<Clock&>(realClock) : virtualClock;
  SimulatedCard simulated(clock, MakeProcess(o), static_cast<std::uint16_t>(adr1 & 0xFFFF),
                          static_cast<std::uint16_t>(adr2 & 0xFFFF));
  simulated.InjectFault(o.Fault);
  if (o.ExternalVolts) simulated.SetExternalSetpointVolts(*o.ExternalVolts);

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> portsFile(nullptr, &std::fclose);
  std::unique_ptr<PortLogBus> logBus;
  PortBus* bus = &simulated;
  if (o.Ports) {
    portsFile.reset(std::fopen(o.Ports->c_str(), "w"));
    if (!portsFile) throw VantorError(FormatMessage("Impossible de créer le fichier %s", *o.Ports));
    logBus = std::make_unique<PortLogBus>(simulated, portsFile.get());
    bus = logBus.get();
  }
  AD2var card(*bus);

  auto state = std::make_unique<RegulationState>();  // 56 kB of record: not on the stack
  RegulationState& s = *state;
  StartupFields start;
  LotStartUp startUp(card);
  RunStartUp(s, startUp, prefix, start);
  if (o.Output1Active) card.SetOutput1(4095);
  if (o.OpenLoop) s.LoopMode = "Ouv";

  SetpointFields fields = start.Setpoint;
  if (!o.Consigne.empty()) {
    const SetpointButtonResult r = PressSetpointButton(s, card, SetpointButtonOf(o.Consigne));
    if (r.Edit5) fields.Edit5 = *r.Edit5;
    if (r.Edit4) fields.Edit4 = *r.Edit4;
  }
  if (o.Echelon) fields.Edit5 = *o.Echelon;
  if (o.Moyenne) fields.Edit6 = *o.Moyenne;
  if (o.Amplitude) fields.Edit7 = *o.Amplitude;
  if (o.Frequence) fields.Edit4 = *o.Frequence;
  GainFields gains = start.Gains;
  if (o.Kp) gains.Edit1 = *o.Kp;
  if (o.Kd) gains.Edit2 = *o.Kd;
  if (o.Ki) gains.Edit3 = *o.Ki;

  const GainFields typedGains = gains;
  const SetpointFields typedFields = fields;
  LotHost host(s, o.Cycles, fields);
  host.Time = &clock;
  host.RealTime = o.RealTime;
  host.Log = logBus.get();
  try {
    ReadGains(s, gains);
    RunRegulation(s, card, host);
  } catch (const VantorError&) {
    PrintCorrections(typedGains, gains, typedFields, host.Fields);
    // A run that started and then lost the card keeps what it recorded.
    if (host.Started) {
      try {
        WriteCsv(o.Csv, s);
      } catch (const VantorError& e) {
        std::fprintf(stderr, "%s\n", ErrorBoxText(e.what()).c_str());
      }
    }
    throw;
  }
  // Stopped by a termination signal: the card at rest, the log complete, no CSV.
  if (const int signal = TerminationSignals::Pending()) {
    card.SetOutputsAtRest();
    if (o.Ports) CloseChecked(portsFile.release(), *o.Ports, logBus->Error());
    std::fprintf(stderr, "%s\n",
                 TerminationSignals::RestLine("regulateur-vantor-lot", signal).c_str());
    return TerminationSignals::ExitStatus(signal);
  }
  if (o.Ports) CloseChecked(portsFile.release(), *o.Ports, logBus->Error());
  PrintCorrections(typedGains, gains, typedFields, host.Fields);
  if (!host.Message.empty()) {
    std::fprintf(stderr, "%s\n", host.Message.c_str());
    return 1;
  }
  WriteCsv(o.Csv, s);
  if (o.RealTime)
    std::printf("cycles_en_retard=%d sur %d (plus de 55 ms ; période la plus longue %.1f ms)\n",
                s.Pacing.LateCycles, s.Pacing.Cycles, s.Pacing.LongestPeriod * 1e3);
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
