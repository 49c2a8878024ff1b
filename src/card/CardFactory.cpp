// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/CardFactory.h"

#include <filesystem>
#include <stdexcept>

#include "card/AD2var.h"
#include "card/CardLock.h"
#include "card/CrashRest.h"
#include "card/HardwarePorts.h"
#include "card/RestGuardian.h"
#include "card/SerialLine.h"
#include "card/UsbBoard.h"
#include "common/FileErrors.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

// The card's lock and ports are taken before the driver that uses them and given back
// after it.
struct OwnedPorts {
  CardLock Lock;
  std::unique_ptr<HardwarePorts> Ports;
};

class IsaCardOnHardwarePorts : private OwnedPorts, public AD2var {
 public:
  IsaCardOnHardwarePorts(CardLock lock, std::unique_ptr<HardwarePorts> ports, std::int32_t adr1,
                         std::int32_t adr2)
      : OwnedPorts{std::move(lock), std::move(ports)}, AD2var(*OwnedPorts::Ports, adr1, adr2) {}
};

}  // namespace

std::optional<CardChoice> ParseCardChoice(const std::string& word, CardProgram program) {
  if (word.rfind("usb:", 0) == 0 && word.size() > 4)
    return CardChoice::Usb(word == "usb:auto" ? std::string() : word.substr(4));
  if (program == CardProgram::Workstation && word == "isa") return CardChoice{};
  if (program == CardProgram::Tool && (word == "simulee" || word == "simulée"))
    return CardChoice{CardChoice::Kind::IsaOnBus, {}, nullptr};
  return std::nullopt;
}

std::string CardWords(CardProgram program) {
  return std::string(program == CardProgram::Workstation ? "isa" : "simulee") +
         ", usb:CHEMIN ou usb:auto";
}

std::string CardChoiceWord(const CardChoice& choice) {
  switch (choice.Card) {
    case CardChoice::Kind::Isa:
      return "isa";
    case CardChoice::Kind::IsaOnBus:
      return "simulee";
    case CardChoice::Kind::Usb:
      break;
  }
  return "usb:" + (choice.Port.empty() ? std::string("auto") : choice.Port);
}

std::string CardChoiceText(const CardChoice& choice) {
  switch (choice.Card) {
    case CardChoice::Kind::Isa:
      return "carte ISA";
    case CardChoice::Kind::IsaOnBus:
      return "carte simulée";
    case CardChoice::Kind::Usb:
      break;
  }
  return "interface USB sur " + (choice.Port.empty() ? std::string("le premier port où une carte "
                                                                   "est branchée")
                                                     : choice.Port);
}

CardChoice ReadCardSetting(const std::string& folder) {
  const std::string path = folder + kCardSettingFile;
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return CardChoice{};
  const std::string word = LoadSetting(path, 512);
  if (auto choice = ParseCardChoice(word, CardProgram::Workstation)) return *choice;
  throw VantorError(WithFileLine(
      "« " + word + " » n'est pas une carte (" + CardWords(CardProgram::Workstation) + ")", path));
}

void SaveCardSetting(const std::string& folder, const CardChoice& choice) {
  SaveSetting(folder + kCardSettingFile, CardChoiceWord(choice));
}

std::optional<CardChoice> CardOption(int argc, const char* const* argv) {
  const std::string expected = "L'option --carte attend " + CardWords(CardProgram::Workstation);
  std::optional<CardChoice> choice;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string word;
    if (arg.rfind("--carte=", 0) == 0) {
      word = arg.substr(8);
    } else if (arg == "--carte") {
      if (i + 1 >= argc) throw VantorError(expected);
      word = argv[++i];
    } else {
      continue;
    }
    choice = ParseCardChoice(word, CardProgram::Workstation);
    if (!choice) throw VantorError(expected + ", pas « " + word + " »");
  }
  return choice;
}

namespace {

std::unique_ptr<AcquisitionCard> OpenUsbBoard(const std::string& port) {
  std::string path = port;
  if (path.empty()) {
    for (const SerialPortInfo& p : ListSerialPorts())
      if (p.LooksLikeBoard) {
        path = p.Path;
        break;
      }
    if (path.empty())
      throw VantorError(
          "Aucune interface USB n'est branchée : branchez la carte sur un port USB du PC, ou "
          "nommez son port (par exemple usb:/dev/ttyACM0)");
  }
  return std::make_unique<UsbBoard>(OpenSerialPort(path));
}

std::unique_ptr<AcquisitionCard> OpenIsaCardOnHardwarePorts(std::int32_t adr1, std::int32_t adr2) {
  const auto a1 = static_cast<std::uint16_t>(adr1 & 0xFFFF);
  const auto a2 = static_cast<std::uint16_t>(adr2 & 0xFFFF);
  CardLock lock = CardLock::TakeIsaCard(a1, a2);
  auto card = std::make_unique<IsaCardOnHardwarePorts>(std::move(lock), HardwarePorts::Open(a1, a2),
                                                       adr1, adr2);
  CrashRest::Arm(a1, a2);
  StartRestGuardian(&CrashRest::WriteRest);
  return card;
}

}  // namespace

std::unique_ptr<AcquisitionCard> OpenCard(const CardChoice& choice, std::int32_t adr1,
                                          std::int32_t adr2) {
  switch (choice.Card) {
    case CardChoice::Kind::Isa:
      return OpenIsaCardOnHardwarePorts(adr1, adr2);
    case CardChoice::Kind::IsaOnBus:
      if (choice.Bus == nullptr) throw std::logic_error("OpenCard: the simulated card has no bus");
      return std::make_unique<AD2var>(*choice.Bus, adr1, adr2);
    case CardChoice::Kind::Usb:
      break;
  }
  return OpenUsbBoard(choice.Port);
}

CardOpener OpenerOf(CardChoice choice) {
  return [choice = std::move(choice)](std::int32_t adr1, std::int32_t adr2) {
    return OpenCard(choice, adr1, adr2);
  };
}

CardOpener IsaCardOpener(PortBus& bus) {
  return OpenerOf(CardChoice::OnBus(bus));
}

}  // namespace vantor
