// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command line of regulateur-vantor-lot.
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "card/CardFactory.h"
#include "card/SimulatedCard.h"
#include "regulation/IndustrialPidLaw.h"
#include "regulation/RelayLaw.h"
#include "simulation/SimulationProfile.h"

namespace vantor {

// A command line that cannot be used: the message says why, in French.
class LotUsageError : public std::runtime_error {
 public:
  explicit LotUsageError(const std::string& message) : std::runtime_error(message) {}
};

// A load disturbance: LoadVolts of drive lost from StartSeconds after the start of the run.
struct LotLoad {
  double StartSeconds = 0.0;
  double LoadVolts = 0.0;
};

inline constexpr const char* kConstantProcess = "constant";

struct LotOptions {
  bool Help = false;
  std::optional<std::string> Reglages;  // --dossier (or --reglages): the working folder
  std::string Consigne;                 // "" when not given
  // Field texts as typed: Edit5, Edit6, Edit7, Edit4, Edit1, Edit2, Edit3.
  std::optional<std::string> Echelon, Moyenne, Amplitude, Frequence, Kp, Kd, Ki;
  bool OpenLoop = false;
  bool Output1Active = false;
  // --procede: a word of the process table (ProcessRegistry.h), or kConstantProcess for
  // inputs held at ConstantInput1 and ConstantInput0 counts (constant:C1[,C0]).
  std::string Process = "position";
  // --procede ordre1:K,T,R (and strejc:, integrateur:): the model's parameters by name.
  std::vector<std::pair<std::string, double>> ProcessValues;
  // --parametre NOM=VALEUR (repeatable): parameters of the process set after its profile,
  // as the "Paramètres du procédé" window sets them.
  std::vector<std::pair<std::string, double>> ParameterValues;
  int ConstantInput1 = 0, ConstantInput0 = 0;
  SimulationProfile Profile = SimulationProfile::Ideal;
  std::optional<std::uint32_t> Seed;
  std::optional<LotLoad> Load;
  std::optional<double> ExternalVolts;
  SimulatedFault Fault = SimulatedFault::None;
  long Cycles = 0;
  std::string Csv;
  std::optional<std::string> Ports;
  // --carte: the simulated card (its bus given by the tool), or the USB interface board in
  // real time (usb:CHEMIN, usb:auto).
  CardChoice Card{CardChoice::Kind::IsaOnBus, {}, nullptr};
  bool OnUsbBoard() const { return Card.Card == CardChoice::Kind::Usb; }
  bool RealTime = false;  // --temps-reel: cycles paced at 50 ms of real time
  bool Mesures = false;   // print the step measures after the run
  // --analyser FICHIER: read this run file instead of running.
  std::optional<std::string> Analyse;
  // --prevoir FICHIER[:MODELE]: after the run, the response that the model identified on
  // that open-loop run file predicted for it (MODELE: tangente, strejc, broida, mc; by
  // default the identification's own), and how far the run went from it.
  std::optional<std::string> Prevoir;
  std::optional<std::string> PrevoirModel;
  bool Identification = false;  // print the identification of the run
  bool Pompage = false;         // print the critical gain and period of the run
  bool Proposals = false;       // --reglages without a folder: print the proposed gains
  // --loi relais:d,ε[,biais] (the relay test, which stops once steady or at 60 s) or
  // --loi tout-ou-rien:d,ε (the on-off corrector, until --cycles).
  std::optional<RelaySettings> Relay;
  bool RelayTest = false;
  // --correcteur industriel and its structure (--forme, --filtre-derivee, ...).
  bool Industrial = false;
  IndustrialPidSettings Pid;
  bool Relais = false;       // print the relay test's a, Tu, Ku after the run
  bool Frequentiel = false;  // print the frequency response after the run
  // --marges: the margins of the sampled loop the run's gains close around the simulated
  // process's linear model (or the model identified on the run, in open loop).
  bool Marges = false;
};

// Accepts "--option value" and "--option=value". Throws LotUsageError.
LotOptions ParseLotOptions(int argc, const char* const* argv);

// The --help text.
std::string LotUsage();

// Setpoint button of a --consigne word (1, 2, 3, 4 or 10).
int SetpointButtonOf(const std::string& consigne);

}  // namespace vantor
