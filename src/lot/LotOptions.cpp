// SPDX-License-Identifier: GPL-3.0-or-later
#include "lot/LotOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "card/CardFactory.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {

namespace {

constexpr long kMaxCycles = 100'000'000;

[[noreturn]] void Fail(const std::string& message) {
  throw LotUsageError(message);
}

bool ParseInt(const std::string& text, long& out) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  errno = 0;
  out = std::strtol(text.c_str(), nullptr, 10);
  return errno == 0;
}

int ParseCounts(const std::string& text, const std::string& option) {
  long value = 0;
  if (!ParseInt(text, value) || value > 4095)
    Fail(option + " : « " + text + " » n'est pas un nombre de points entre 0 et 4095");
  return static_cast<int>(value);
}

bool ParseVolts(const std::string& text, double& out);

// "ordre1:K,T,R", "strejc:K,T,R,n", "integrateur:k,R": the model with its values, checked
// as the parameters dialog checks them.
bool ParseModel(const std::string& value, LotOptions& o) {
  const auto colon = value.find(':');
  if (colon == std::string::npos) return false;
  const std::string word = value.substr(0, colon);
  const ProcessKind* kind = FindProcessKind(word);
  if (kind == nullptr || !kind->IsIdentifiedModel()) return false;
  const std::vector<std::string>& names = kind->ModelValues;
  std::vector<std::string> texts;
  std::string rest = value.substr(colon + 1);
  for (std::size_t comma; (comma = rest.find(',')) != std::string::npos; rest.erase(0, comma + 1))
    texts.push_back(rest.substr(0, comma));
  texts.push_back(rest);
  std::vector<std::pair<std::string, double>> values;
  double v = 0;
  for (std::size_t i = 0; i < texts.size() && i < names.size() && ParseVolts(texts[i], v); ++i)
    values.emplace_back(names[i], v);
  if (values.size() != names.size() || texts.size() != names.size())
    Fail("--procede : « " + value + " » n'est pas " + kind->ModelForm +
         " (nombres à point décimal séparés par des virgules)");
  try {
    kind->Make()->SetParameters(values);
  } catch (const std::exception& e) {
    Fail("--procede : « " + value + " » : " + e.what());
  }
  o.Process = word;
  o.ProcessValues = std::move(values);
  return true;
}

void ParseProcess(const std::string& value, LotOptions& o) {
  if (FindProcessKind(value) != nullptr) {
    o.Process = value;
  } else if (ParseModel(value, o)) {
  } else if (value.rfind(std::string(kConstantProcess) + ":", 0) == 0) {
    o.Process = kConstantProcess;
    const std::string counts = value.substr(9);
    const auto comma = counts.find(',');
    o.ConstantInput1 = ParseCounts(counts.substr(0, comma), "--procede");
    o.ConstantInput0 =
        comma == std::string::npos ? 0 : ParseCounts(counts.substr(comma + 1), "--procede");
  } else {
    Fail("--procede : « " + value + " » inconnu (" + ProcessIds(", ") + ", " +
         IdentifiedModelForms(", ") + " ou constant:C1[,C0])");
  }
}

// A decimal number written with a point, the whole text.
bool ParseVolts(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(out);
}

LotLoad ParseLoad(const std::string& value) {
  const auto comma = value.find(',');
  LotLoad load;
  if (comma == std::string::npos || !ParseVolts(value.substr(0, comma), load.StartSeconds) ||
      !ParseVolts(value.substr(comma + 1), load.LoadVolts) || load.StartSeconds < 0 ||
      load.LoadVolts < 0 || load.LoadVolts > 10)
    Fail("--charge : « " + value +
         " » n'est pas T,C (début T en secondes, 0 ou plus ; charge C entre 0 et 10 V)");
  return load;
}

// "A,B[,C]": two or three decimal numbers.
bool ParseNumbers(const std::string& text, std::vector<double>& out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    double v = 0;
    if (!ParseVolts(text.substr(start, comma - start), v)) return false;
    out.push_back(v);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

void ParseLaw(const std::string& value, LotOptions& o) {
  const auto colon = value.find(':');
  const std::string word = value.substr(0, colon);
  const std::string rest = colon == std::string::npos ? "" : value.substr(colon + 1);
  std::vector<double> n;
  if (word == "relais") {
    if (!ParseNumbers(rest, n) || n.size() < 2 || n.size() > 3)
      Fail("--loi : « " + value +
           " » n'est pas relais:d,ε[,biais] (amplitude d, hystérésis ε et biais en "
           "volts, point décimal)");
    o.RelayTest = true;
  } else if (word == "tout-ou-rien") {
    if (!ParseNumbers(rest, n) || n.size() != 2)
      Fail("--loi : « " + value +
           " » n'est pas tout-ou-rien:d,ε (ordre ±d et hystérésis ε en volts)");
    o.RelayTest = false;
  } else {
    Fail("--loi : « " + value + " » inconnue (relais:d,ε[,biais] ou tout-ou-rien:d,ε)");
  }
  RelaySettings r;
  r.Amplitude = n[0];
  r.Hysteresis = n[1];
  r.Bias = n.size() > 2 ? n[2] : 0.0;
  if (const std::string fault = RelaySettingsFault(r); !fault.empty()) Fail("--loi : " + fault);
  o.Relay = r;
}

void ParseWindup(const std::string& value, IndustrialPidSettings& p) {
  if (value == "aucun") {
    p.Windup = AntiWindup::None;
  } else if (value == "saturation") {
    p.Windup = AntiWindup::Clamping;
  } else if (value.rfind("recalcul", 0) == 0) {
    p.Windup = AntiWindup::BackCalculation;
    if (value.size() > 8) {
      double tt = 0;
      if (value[8] != ':' || !ParseVolts(value.substr(9), tt) || !(tt > 0))
        Fail("--anti-emballement : « " + value +
             " » : le temps de poursuite s'écrit recalcul:Tt, Tt en secondes (plus de 0)");
      p.TrackingTime = tt;
    }
  } else {
    Fail("--anti-emballement : « " + value + " » inconnu (aucun, saturation ou recalcul[:Tt])");
  }
}

}  // namespace

int SetpointButtonOf(const std::string& consigne) {
  static const std::map<std::string, int> buttons = {
      {"echelon", 1}, {"sin", 2}, {"triang", 3}, {"carr", 4}, {"externe", 10}};
  const auto it = buttons.find(consigne);
  return it == buttons.end() ? 0 : it->second;
}

LotOptions ParseLotOptions(int argc, const char* const* argv) {
  LotOptions o;
  bool haveCycles = false, haveCsv = false;
  std::string industrialOption;  // the last option of the industrial corrector given
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (name == "--help" || name == "-h") {
      o.Help = true;
      continue;
    }
    if (name == "--mesures" || name == "--identification" || name == "--pompage") {
      if (inlineValue) Fail("l'option " + name + " ne prend pas de valeur");
      (name == "--mesures" ? o.Mesures : name == "--pompage" ? o.Pompage : o.Identification) = true;
      continue;
    }
    // --reglages DOSSIER is the former name of --dossier; alone, it asks for the gains.
    if (name == "--reglages" && !inlineValue &&
        (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0)) {
      o.Proposals = true;
      continue;
    }
    if (name.rfind("--", 0) != 0) Fail("argument inattendu : « " + name + " »");
    // Flags of the analyses and of the industrial corrector: no value.
    if (name == "--relais" || name == "--frequentiel" || name == "--derivee-sur-mesure" ||
        name == "--marges") {
      if (inlineValue) Fail("l'option " + name + " ne prend pas de valeur");
      if (name == "--relais") o.Relais = true;
      if (name == "--marges") o.Marges = true;
      if (name == "--frequentiel") o.Frequentiel = true;
      if (name == "--derivee-sur-mesure") {
        o.Pid.DerivativeOnMeasurement = true;
        industrialOption = name;
      }
      continue;
    }
    if (name == "--temps-reel") {
      if (inlineValue) Fail("l'option --temps-reel ne prend pas de valeur");
      o.RealTime = true;
      continue;
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= argc) Fail("l'option " + name + " attend une valeur");
      return argv[++i];
    };
    if (name == "--dossier" || name == "--reglages") {
      o.Reglages = value();
    } else if (name == "--prevoir") {
      std::string v = value();
      const std::size_t colon = v.rfind(':');
      if (colon != std::string::npos) {
        const std::string model = v.substr(colon + 1);
        if (model != "tangente" && model != "strejc" && model != "broida" && model != "mc")
          Fail("--prevoir : modèle « " + model + " » inconnu (tangente, strejc, broida ou mc)");
        o.PrevoirModel = model;
        v.resize(colon);
      }
      if (v.empty()) Fail("--prevoir : nom de fichier vide");
      o.Prevoir = v;
    } else if (name == "--analyser") {
      o.Analyse = value();
      if (o.Analyse->empty()) Fail("--analyser : nom de fichier vide");
    } else if (name == "--consigne") {
      o.Consigne = value();
      if (SetpointButtonOf(o.Consigne) == 0)
        Fail("--consigne : « " + o.Consigne +
             " » inconnue (echelon, sin, triang, carr ou externe)");
    } else if (name == "--echelon") {
      o.Echelon = value();
    } else if (name == "--moyenne") {
      o.Moyenne = value();
    } else if (name == "--amplitude") {
      o.Amplitude = value();
    } else if (name == "--frequence") {
      o.Frequence = value();
    } else if (name == "--kp") {
      o.Kp = value();
    } else if (name == "--kd") {
      o.Kd = value();
    } else if (name == "--ki") {
      o.Ki = value();
    } else if (name == "--boucle") {
      const std::string v = value();
      if (v != "fermee" && v != "ouverte")
        Fail("--boucle : « " + v + " » inconnue (fermee ou ouverte)");
      o.OpenLoop = v == "ouverte";
    } else if (name == "--sortie1") {
      const std::string v = value();
      if (v != "active" && v != "inactive")
        Fail("--sortie1 : « " + v + " » inconnu (active ou inactive)");
      o.Output1Active = v == "active";
    } else if (name == "--procede") {
      ParseProcess(value(), o);
    } else if (name == "--parametre") {
      const std::string v = value();
      const auto eq = v.find('=');
      double number = 0.0;
      if (eq == std::string::npos || eq == 0 || !ParseVolts(v.substr(eq + 1), number))
        Fail("--parametre : « " + v +
             " » n'est pas NOM=VALEUR (par exemple retard=3, point décimal)");
      o.ParameterValues.emplace_back(v.substr(0, eq), number);
    } else if (name == "--tension-externe") {
      const std::string v = value();
      double volts = 0.0;
      if (!ParseVolts(v, volts))
        Fail("--tension-externe : « " + v + " » n'est pas une tension en volts");
      o.ExternalVolts = volts;
    } else if (name == "--profil") {
      const std::string v = value();
      const auto profile = ParseProfile(v);
      if (!profile) Fail("--profil : « " + v + " » inconnu (idéal ou réaliste)");
      o.Profile = *profile;
    } else if (name == "--graine") {
      const std::string v = value();
      long seed = 0;
      if (!ParseInt(v, seed) || seed > 4294967295L)
        Fail("--graine : « " + v + " » n'est pas un nombre entier entre 0 et 4294967295");
      o.Seed = static_cast<std::uint32_t>(seed);
    } else if (name == "--charge") {
      o.Load = ParseLoad(value());
    } else if (name == "--panne") {
      const std::string v = value();
      if (v == "aucune")
        o.Fault = SimulatedFault::None;
      else if (v == "sans-carte")
        o.Fault = SimulatedFault::NoCard;
      else if (v == "convertisseur")
        o.Fault = SimulatedFault::StuckConverter;
      else if (v == "ligne7")
        o.Fault = SimulatedFault::Line7NeverRises;
      else
        Fail("--panne : « " + v + " » inconnue (aucune, sans-carte, convertisseur ou ligne7)");
    } else if (name == "--cycles") {
      const std::string v = value();
      if (!ParseInt(v, o.Cycles) || o.Cycles < 1 || o.Cycles > kMaxCycles)
        Fail("--cycles : « " + v + " » n'est pas un nombre de cycles entre 1 et " +
             std::to_string(kMaxCycles));
      haveCycles = true;
    } else if (name == "--csv") {
      o.Csv = value();
      if (o.Csv.empty()) Fail("--csv : nom de fichier vide");
      haveCsv = true;
    } else if (name == "--carte") {
      const std::string word = value();
      const auto choice = ParseCardChoice(word, CardProgram::Tool);
      if (!choice)
        Fail("--carte : « " + word + " » n'est pas une carte (" + CardWords(CardProgram::Tool) +
             ")");
      o.Card = *choice;
    } else if (name == "--loi") {
      ParseLaw(value(), o);
    } else if (name == "--correcteur") {
      const std::string v = value();
      if (v != "partie" && v != "industriel")
        Fail("--correcteur : « " + v + " » inconnu (partie ou industriel)");
      o.Industrial = v == "industriel";
    } else if (name == "--forme") {
      const std::string v = value();
      if (v != "parallele" && v != "parallèle" && v != "standard" && v != "serie" &&
          v != "série")
        Fail("--forme : « " + v + " » inconnue (parallele, standard ou serie)");
      o.Pid.Form = v == "standard"                 ? PidForm::Standard
                   : v == "serie" || v == "série" ? PidForm::Series
                                                  : PidForm::Parallel;
      industrialOption = name;
    } else if (name == "--filtre-derivee") {
      const std::string v = value();
      long n = 0;
      if (!ParseInt(v, n) || n < 2 || n > 20)
        Fail("--filtre-derivee : « " + v + " » n'est pas un entier N entre 2 et 20");
      o.Pid.FilterN = static_cast<int>(n);
      industrialOption = name;
    } else if (name == "--ponderation") {
      const std::string v = value();
      double b = 0;
      if (!ParseVolts(v, b) || b < 0 || b > 1)
        Fail("--ponderation : « " + v + " » n'est pas une pondération b entre 0 et 1");
      o.Pid.SetpointWeight = b;
      industrialOption = name;
    } else if (name == "--anti-emballement") {
      ParseWindup(value(), o.Pid);
      industrialOption = name;
    } else if (name == "--action") {
      const std::string v = value();
      if (v != "directe" && v != "inverse")
        Fail("--action : « " + v + " » inconnue (inverse ou directe)");
      o.Pid.DirectAction = v == "directe";
      industrialOption = name;
    } else if (name == "--manuel") {
      const std::string v = value();
      std::vector<double> n;
      if (!ParseNumbers(v, n) || n.size() != 2 || n[0] < 0 || n[1] <= n[0])
        Fail("--manuel : « " + v +
             " » n'est pas T1,T2 (en manuel de T1 à T2 secondes, T2 plus grand que T1)");
      o.Pid.ManualSpan = std::make_pair(n[0], n[1]);
      industrialOption = name;
    } else if (name == "--ports") {
      o.Ports = value();
      if (o.Ports->empty()) Fail("--ports : nom de fichier vide");
    } else {
      Fail("option inconnue : " + name);
    }
  }
  if (o.Help) return o;
  if (o.Analyse) {
    // The file is the run: nothing of a run to make applies.
    if (haveCycles || haveCsv || !o.Consigne.empty() || o.OnUsbBoard() || o.RealTime || o.Ports)
      Fail(
          "--analyser lit un essai enregistré : --consigne, --cycles, --csv, --carte, "
          "--ports et --temps-reel ne s'y appliquent pas");
    return o;
  }
  if (!haveCycles) Fail("l'option --cycles est obligatoire");
  if (!industrialOption.empty() && !o.Industrial)
    Fail(industrialOption + " ne s'applique qu'au correcteur industriel (--correcteur industriel)");
  if (o.Relay && o.Industrial)
    Fail("--loi relais et --correcteur industriel s'excluent : un essai n'a qu'une loi");
  if ((o.Relay || o.Industrial) && o.OpenLoop)
    Fail(std::string(o.Relay ? "--loi" : "--correcteur industriel") +
         " ne va pas avec --boucle ouverte : en boucle ouverte, l'ordre est la consigne");

  if (!haveCsv) Fail("l'option --csv est obligatoire");
  if (!o.ParameterValues.empty()) {
    if (o.Process == kConstantProcess || o.OnUsbBoard())
      Fail("--parametre ne s'applique qu'à un procédé simulé");
    try {
      std::unique_ptr<ProcessModel> process = MakeProcess(o.Process);
      process->ApplyProfile(o.Profile);
      if (!o.ProcessValues.empty()) process->SetParameters(o.ProcessValues);
      process->SetParameters(o.ParameterValues);
    } catch (const std::exception& e) {
      Fail(std::string("--parametre : ") + e.what());
    }
  }
  if (o.OnUsbBoard()) {
    // The board is a real card: nothing of the simulated card applies to it.
    if (o.Ports) Fail("--ports : le journal des ports n'existe que sur la carte simulée");
    if (o.Load || o.ExternalVolts || o.Fault != SimulatedFault::None || o.Seed)
      Fail(
          "--charge, --tension-externe, --panne et --graine ne s'appliquent qu'à la carte "
          "simulée, pas à l'interface USB");
    o.RealTime = true;
  }
  return o;
}

std::string LotUsage() {
  return R"(Usage : regulateur-vantor-lot [--dossier DOSSIER] --consigne echelon|sin|triang|carr|externe
          [--echelon T] [--moyenne T] [--amplitude T] [--frequence T]
          [--kp T] [--kd T] [--ki T] [--boucle fermee|ouverte] [--sortie1 active|inactive]
          [--procede )" +
         ProcessIds("|") + R"(|constant:C1[,C0]]
          [--tension-externe V] [--profil idéal|réaliste] [--graine N] [--parametre NOM=V]
          [--charge T,C]
          [--panne aucune|sans-carte|convertisseur|ligne7]
          [--carte simulee|usb:CHEMIN|usb:auto]
          [--loi relais:d,ε[,biais]|tout-ou-rien:d,ε]
          [--correcteur partie|industriel] [--forme parallele|standard|serie]
          [--filtre-derivee N] [--derivee-sur-mesure] [--ponderation b]
          [--anti-emballement aucun|saturation|recalcul[:Tt]] [--action inverse|directe]
          [--manuel T1,T2]
          --cycles N --csv FICHIER [--ports FICHIER] [--mesures] [--relais] [--frequentiel]
          [--temps-reel] [--identification] [--pompage] [--reglages]
          [--prevoir FICHIER[:tangente|strejc|broida|mc]] [--marges]
       regulateur-vantor-lot [--dossier DOSSIER] --analyser FICHIER
          [--mesures] [--identification] [--pompage] [--reglages] [--relais]
          [--frequentiel] [--loi relais:d,ε[,biais]]

Lance une régulation du Régulateur Vantor sans fenêtre, sur la carte simulée et en temps
virtuel (une régulation de 100 s dure une fraction de seconde ; en temps réel avec
--temps-reel), puis écrit l'enregistrement de la régulation au format CSV. Le calcul est
celui du poste : lecture des gains, bouton de consigne, lecture des champs de consigne,
boucle échantillonnée à 50 ms.

Réglages
  --dossier DOSSIER   dossier de travail, qui contient sauvegarde/ (les bornes : kpmax,
                      finalech, ...) ; rempli des réglages livrés s'il n'en a pas.
                      Par défaut : le dossier courant s'il contient sauvegarde/, sinon le
                      dossier de l'utilisateur, comme pour le poste
                      (~/.local/share/regulateur-vantor). Ancien nom : --reglages.
Consigne (les textes T sont ceux qu'un élève taperait dans les champs)
  --consigne MOT      bouton de consigne : echelon, sin (sinus), triang, carr (carré),
                      externe (tension de l'entrée analogique 0). Sans consigne, le poste
                      répond « Entrer une consigne » et rien n'est enregistré.
  --echelon T         champ « Amplitude » de l'échelon (par défaut les trois quarts de
                      l'amplitude maxi de l'échelon réglée par le professeur, arrondis)
  --moyenne T         champ « Valeur moyenne » (par défaut la valeur moyenne mini réglée)
  --amplitude T       champ « Amplitude » des consignes périodiques (par défaut 0.1)
  --frequence T       champ « Frequence » en Hz (par défaut 0.01)
Correcteur
  --kp T, --kd T, --ki T   champs « Kp », « Kd », « Ki » des gains (par défaut 0)
  --boucle fermee|ouverte  boucle fermée (par défaut) ou ouverte : la consigne est envoyée
                           telle quelle à la sortie
  --sortie1 active|inactive  sortie 1 à 10 V ou à 0 V (par défaut inactive)
  --loi relais:d,ε[,biais]   essai de relais : ordre = biais ± d, basculé quand l'erreur
                           franchit ±ε ; l'essai s'arrête quand quatre périodes
                           consécutives s'accordent à 5 % près, ou à 60 s (ou à --cycles)
  --loi tout-ou-rien:d,ε   régulation tout ou rien : ordre +d ou -d (biais 0), hystérésis
                           ±ε, jusqu'à --cycles
  --correcteur partie|industriel  le correcteur du poste (par défaut, inchangé) ou le PID
                           industriel, avec les mêmes champs Kp, Kd, Ki ; pour celui-ci :
  --forme parallele|standard|serie   forme des réglages (Kp, Ki, Kd ; Kp, Ti = Kp/Ki,
                           Td = Kd/Kp ; ou série Kr (1 + 1/(Ti p)) (1 + Td p), dont les
                           champs reçoivent Kp = Kr (1 + Td/Ti), Ki = Kr/Ti, Kd = Kr Td, comme
                           les lignes broida_..._serie de --reglages) ; l'ordre est le même,
                           la légende nomme la forme
  --filtre-derivee N       dérivée filtrée par un premier ordre de constante Td/N (N de 2
                           à 20 ; sans l'option, pas de filtre)
  --derivee-sur-mesure     la dérivée porte sur le retour et non sur l'erreur
  --ponderation b          pondération b de la consigne dans le terme proportionnel (0 à 1)
  --anti-emballement aucun|saturation|recalcul[:Tt]  sans, intégration conditionnelle
                           (saturation : l'intégrale arrêtée quand l'ordre est en butée),
                           ou recalcul de l'intégrale avec le temps de poursuite Tt (par
                           défaut √(Ti·Td), ou Ti/2 sans dérivée)
  --action inverse|directe action inverse (par défaut, celle du poste) : l'ordre monte quand
                           la mesure baisse, pour un procédé de gain positif ; directe :
                           l'ordre monte avec la mesure, pour un procédé de gain négatif (un
                           refroidisseur). Les mots sont ceux de la norme ; les versions
                           précédentes de l'outil les employaient dans l'autre sens
  --manuel T1,T2           en manuel de T1 à T2 secondes, l'ordre gardé à sa valeur à T1 ;
                           le retour en automatique se fait sans à-coup
Procédé simulé
  --procede position  moteur à courant continu asservi en position (par défaut)
  --procede vitesse   moteur à courant continu asservi en vitesse
  --procede thermique procédé thermique : premier ordre (constante de temps 8 s) et
                      retard (1,5 s), 0 à 10 V pour 20 à 120 °C
  --procede premier-ordre  procédé du premier ordre : gain 1 V/V, constante de temps
                      2 s (pour identifier un premier ordre sur sa réponse à l'échelon)
  --procede ordre1:K,T,R      modèle identifié : premier ordre de gain K (V/V), de
                      constante de temps T (s) et de retard R (s)
  --procede strejc:K,T,R,n    modèle de Strejc : n premiers ordres de constante T
  --procede integrateur:k,R   intégrateur de gain k (1/s) et de retard R (s)
                      R est le retard lu sur le retour, moyenne de 0,225 s comprise (celui
                      que donne --identification) ; ordre1, strejc et integrateur seuls
                      prennent leurs valeurs par défaut (1,8,1.7 ; 1,2,0.5,3 ; 0.5,0.4)
  --procede constant:C1[,C0]  entrée 1 toujours à C1 points, entrée 0 à C0 (0 par défaut)
  --tension-externe V tension de l'entrée 0 pour les procédés moteur (0 V par défaut)
  --profil idéal|réaliste  procédé idéal (par défaut) ou réaliste : bruit de mesure,
                      ondulation de la génératrice, frottement sec, moteur de position au
                      repos à 1 V (ideal et realiste sans accent sont acceptés)
  --graine N          graine du bruit de mesure (un même N redonne le même essai)
  --parametre NOM=V   fixe un paramètre du procédé simulé comme la fenêtre « Paramètres
                      du procédé » (répétable) : gain, constante-temps, retard, capteur,
                      frottement, bruit... selon le procédé ; par exemple retard=3
  --charge T,C        perturbation : une charge qui retire C volts à l'ordre (0 à 10),
                      appliquée T secondes après « Début » (point décimal, par exemple 10,1.5)
  --panne MOT         panne simulée de la carte : sans-carte, convertisseur, ligne7
Carte
  --carte simulee     la carte simulée, en temps virtuel (par défaut)
  --carte usb:CHEMIN  l'interface USB sur le port CHEMIN, en temps réel cadencé par la
                      carte ; le procédé est celui qui est câblé. Les erreurs de la carte (pas de réponse, micrologiciel absent,
                      port occupé) et ses alarmes (chien de garde déclenché, sorties au
                      repos, carte arrêtée ou redémarrée) arrêtent l'essai et donnent le
                      code 1 avec leur message ; l'enregistrement s'arrête au dernier cycle
                      appliqué, sans fichier CSV si aucune trame n'est venue. À la fin :
                      « interface_usb: trames=N refusees=N (abîmées) manquantes=N (perdues)
                      perimees=N (numéro qui n'avance pas, ou dépassées par une plus
                      récente) ordres_en_retard=N delai_moyen_ms=X delai_p99_ms=X » et
                      « cycles_en_retard_carte=N »
  --carte usb:auto    de même, sur le premier port série qui se présente comme une carte
                      Arduino ou un convertisseur USB-série courant
Durée et résultats
  --cycles N          « Fin » est traité au cycle N : la régulation enregistre N cycles
                      (au-delà de 1998, l'entrée 1998 garde le dernier cycle)
  --csv FICHIER       enregistrement : des lignes « # clé=valeur » qui décrivent l'essai
                      (consigne, kp, kd, ki, boucle, procede, date, ...), une ligne
                      d'en-tête puis les entrées k = 0 à 2000 (temps k x 0,05 s, puis les
                      sept valeurs en centièmes de volt) ; le poste rouvre ce fichier par
                      « Essais » > « Ouvrir un essai… »
  --ports FICHIER     journal de chaque accès à la carte (« W 0x336 0x00 », « R 0x337 0xFF »)
  --mesures           après l'essai, les mesures de la réponse à l'échelon, une ligne
                      nom=valeur chacune : temps_montee (s), depassement (%), temps_pic (s),
                      temps_reponse_5 (s), erreur_statique (V), saturation (% des entrées
                      où l'ordre est à une limite), iae (intégrale de |écart|, V·s, de
                      l'échelon à la fin, ou à la charge de --charge) et, après une charge,
                      iae_charge (de la charge à la fin) ; deux décimales, « - » pour une
                      mesure qui n'existe pas (la raison est écrite sur la sortie
                      d'erreur ; un ordre resté à sa limite pendant les 2 dernières
                      secondes y est nommé) ;
                      puis, pour tout essai, retour_seuil_bas et retour_pleine_echelle (s) :
                      le temps passé par le retour sous le seuil de 0,2 V du capteur (mesures
                      ignorées) ou à la pleine échelle, par tranches d'au moins 0,5 s où
                      l'ordre n'est pas nul
  --identification    identification du procédé sur la réponse en boucle ouverte à un
                      échelon, une ligne nom=valeur chacune : type (stable ou integrateur),
                      K, k (1/s), tangente_Tu, tangente_Ta (tangente au point d'inflexion ;
                      pour un intégrateur, tangente_Tu est le retard lu sur l'asymptote),
                      strejc_n, strejc_T, strejc_retard, broida_T, broida_retard, mc_K, mc_T,
                      mc_retard, mc_residu (moindres carrés, premier ordre et retard) ;
                      secondes, « - » pour une méthode qui ne s'applique pas (la raison est
                      écrite sur la sortie d'erreur). Les retards comprennent les 0,225 s
                      de la moyenne du retour.
  --pompage           pompage de Ziegler–Nichols sur un essai en P seul qui oscille : Ku,
                      Tu (s) et oscillation (entretenue, amortie, divergente, ou bornée par
                      les limites de l'ordre) ; Ku et Tu sont le gain et la période
                      critiques, que le cours et les fenêtres nomment Kc et Tc
  --reglages          (sans dossier après) les gains proposés, une ligne par gain
                      METHODE_STRUCTURE_kp|kd|ki=valeur (fiche, zn, simc sur le modèle de la
                      tangente ou de la rampe ; zn et tl sur un pompage entretenu ; broida,
                      table de Broïda pour un premier ordre avec retard, ses PI et PID en
                      forme serie, parallele ou mixte : broida_PID_serie_kp...), puis les
                      mêmes ramenés aux plages du professeur, préfixées borne_ ; enfin,
                      pour un premier ordre avec retard, broida_T_sur_tau et
                      broida_structure (tout-ou-rien, P, PI, PID ou retard : le choix de
                      Broïda d'après T/τ)
  --analyser FICHIER  lit un essai enregistré (de l'outil ou du poste, « Enregistrer
                      l'essai… ») au lieu d'en lancer un ; avec --mesures,
                      --identification, --pompage, --reglages, --relais ou --frequentiel
  --relais            après l'essai de relais, une ligne nom=valeur chacune : a
                      (amplitude de l'oscillation du retour, V), Tu (période entre les
                      passages de l'erreur par zéro, s), Ku = 4d / (π √(a² − ε²)), periodes
                      (nombre de périodes entières) ; trois décimales, « - » sans résultat
                      (la raison sur la sortie d'erreur). Avec --analyser, d et ε sont
                      ceux de --loi relais:d,ε s'il est donné, sinon lus sur l'ordre
                      enregistré (ses deux niveaux)
  --frequentiel       après un essai à consigne sinusoïdale, le gain et la phase du retour
                      par rapport à la consigne (premier harmonique, périodes entières
                      après 20 s d'établissement) : frequence (Hz), gain, gain_db, phase
                      (degrés, négative pour un retard), periodes ; « - » sans résultat
                      (la raison sur la sortie d'erreur) ; avec --analyser, sur l'essai lu
  --marges            les marges de la boucle échantillonnée que les gains de l'essai
                      ferment sur le modèle linéaire du procédé simulé (sans frottement, ni
                      bruit, ni limites ; ou, sur un essai en boucle ouverte identifié, sur
                      le modèle de l'identification) : le correcteur discret, le bloqueur
                      de la sortie, la moyenne des dix mesures et le retard, calculés
                      exactement. modele=, marge_gain_db, marge_phase (degrés),
                      frequence_marge_gain, frequence_marge_phase (Hz), Kc et Tc (s) :
                      gain et période critiques d'un correcteur P seul ; « - » pour ce qui
                      n'existe pas
  --prevoir FICHIER[:MODELE]  « Prévoir la réponse » : identifie l'essai en boucle ouverte
                      FICHIER (modèle tangente, strejc, broida ou mc ; par défaut celui de
                      l'identification), lance ce modèle dans la même boucle que l'essai
                      (mêmes gains, consigne, limites de l'ordre ; un procédé thermique qui
                      ne sait pas refroidir garde un modèle qui ne refroidit pas), puis
                      écrit prevision_modele, prevision_ecart_max (V, le plus grand écart
                      entre le retour de l'essai et le retour prévu, à partir de l'échelon)
                      et prevision_instant_ecart_max (s)
  --temps-reel        cycles cadencés en temps réel, un toutes les 50 ms, comme au poste ;
                      à la fin, le nombre de cycles en retard (période de plus de 55 ms)
                      est écrit sur la sortie standard (« cycles_en_retard=N sur M »)

Arrêt : sur SIGTERM, SIGINT (Ctrl+C), SIGHUP ou SIGQUIT, la régulation s'arrête, les
sorties de la carte sont mises au repos (sortie 2 à 2048, sortie 1 à 0), une ligne le dit
sur la sortie d'erreur, aucun fichier CSV n'est écrit et le code de retour est 128 + le
numéro du signal (143 pour SIGTERM, 130 pour SIGINT).

Sur la sortie standard, une ligne NOM=<texte retenu> pour chaque champ corrigé (valeur
hors plage ramenée à la borne), NOM désignant le champ : Edit1 « Kp », Edit2 « Kd »,
Edit3 « Ki », Edit4 « Frequence », Edit5 « Amplitude » de l'échelon, Edit6 « Valeur
moyenne », Edit7 « Amplitude » des consignes périodiques ; puis les lignes de --mesures.
Codes de retour : 0 réussite ; 1 erreur du programme (message sur la sortie d'erreur :
texte non numérique, « Entrer une consigne », fréquence nulle, carte qui ne répond pas,
fichier impossible à lire, à créer ou à écrire) ; 2 ligne de commande incorrecte ;
128 + N arrêt par le signal N. Une analyse sans résultat (« - », la raison sur la sortie
d'erreur) n'est pas une erreur : code 0. Un fichier CSV n'est jamais laissé à moitié écrit.
)";
}

}  // namespace vantor
