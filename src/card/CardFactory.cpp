// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/CardFactory.h"

#include <filesystem>

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

std::optional<CardChoice> ParseCardChoice(const std::string& word) {
  if (word == "isa") return CardChoice{};
  if (word.rfind("usb:", 0) != 0 || word.size() == 4) return std::nullopt;
  CardChoice usb{CardChoice::Kind::Usb, word.substr(4)};
  if (usb.Port == "auto") usb.Port.clear();
  return usb;
}

std::string CardChoiceWord(const CardChoice& choice) {
  if (choice.Card == CardChoice::Kind::Isa) return "isa";
  return "usb:" + (choice.Port.empty() ? std::string("auto") : choice.Port);
}

std::string CardChoiceText(const CardChoice& choice) {
  if (choice.Card == CardChoice::Kind::Isa) return "carte ISA";
  return "interface USB sur " + (choice.Port.empty() ? std::string("le premier port où une carte "
                                                                   "est branchée")
                                                     : choice.Port);
}

CardChoice ReadCardSetting(const std::string& folder) {
  const std::string path = folder + kCardSettingFile;
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return CardChoice{};
  const std::string word = LoadSetting(path, 512);
  if (auto choice = ParseCardChoice(word)) return *choice;
  throw VantorError(
      WithFileLine("« " + word + " » n'est pas une carte (isa, usb:CHEMIN ou usb:auto)", path));
}

void SaveCardSetting(const std::string& folder, const CardChoice& choice) {
  SaveSetting(folder + kCardSettingFile, CardChoiceWord(choice));
}

std::optional<CardChoice> CardOption(int argc, const char* const* argv) {
  std::optional<CardChoice> choice;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string word;
    if (arg.rfind("--carte=", 0) == 0) {
      word = arg.substr(8);
    } else if (arg == "--carte") {
      if (i + 1 >= argc) throw VantorError("L'option --carte attend isa, usb:CHEMIN ou usb:auto");
      word = argv[++i];
    } else {
      continue;
    }
    choice = ParseCardChoice(word);
    if (!choice)
      throw VantorError("L'option --carte attend isa, usb:CHEMIN ou usb:auto, pas « " + word +
                        " »");
  }
  return choice;
}

std::unique_ptr<UsbBoard> OpenUsbBoard(const std::string& port) {
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

std::unique_ptr<AcquisitionCard> MakeIsaCard(PortBus& bus, std::int32_t adr1, std::int32_t adr2) {
  return std::make_unique<AD2var>(bus, adr1, adr2);
}

CardOpener IsaCardOpener(PortBus& bus) {
  return [&bus](std::int32_t adr1, std::int32_t adr2) { return MakeIsaCard(bus, adr1, adr2); };
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

}  // namespace vantor
