// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cards the program can drive, made from what a teacher chooses. The executables
// choose in one place each (the windows' factory, the headless tool's options) and
// reach the card only through AcquisitionCard afterwards.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "card/AcquisitionCard.h"
#include "card/PortBus.h"
#include "card/UsbBoard.h"

namespace vantor {

// Opens the card once the start-up has read the ISA card's base addresses (which other
// cards ignore). May throw VantorError.
using CardOpener =
    std::function<std::unique_ptr<AcquisitionCard>(std::int32_t adr1, std::int32_t adr2)>;

// The card a teacher chose: the ISA card, or the USB interface board on a port (empty:
// the first board connected).
struct CardChoice {
  enum class Kind { Isa, Usb };
  Kind Card = Kind::Isa;
  std::string Port;
  bool operator==(const CardChoice&) const = default;
};
// "isa", "usb:CHEMIN" or "usb:auto"; nothing for another word.
std::optional<CardChoice> ParseCardChoice(const std::string& word);
// The word of a choice, as ParseCardChoice reads it back.
std::string CardChoiceWord(const CardChoice& choice);
// What a message or a caption says of a choice: "carte ISA", "interface USB sur …".
std::string CardChoiceText(const CardChoice& choice);

// The teacher's choice, kept in the settings folder (folder "" for the working folder,
// otherwise ending with "/").
inline constexpr const char* kCardSettingFile = "sauvegarde/carte.rtf";
// The ISA card when the file is missing. Throws VantorError naming the file when it
// cannot be read or does not name a card.
CardChoice ReadCardSetting(const std::string& folder);
void SaveCardSetting(const std::string& folder, const CardChoice& choice);
// --carte WORD (or --carte=WORD) on a workstation's command line, if given. Throws
// VantorError when the word is missing or is not a card.
std::optional<CardChoice> CardOption(int argc, const char* const* argv);

// The USB interface board on `port` (empty: the first board the system lists), opened
// for this program alone; Initialise() then waits for its banner. Throws VantorError
// when the port cannot be opened or, for the first board, when none is connected.
std::unique_ptr<UsbBoard> OpenUsbBoard(const std::string& port);

// The ISA card at adr1/adr2 on `bus` (hardware ports, the simulated card, a log of
// either), register for register.
std::unique_ptr<AcquisitionCard> MakeIsaCard(PortBus& bus, std::int32_t adr1, std::int32_t adr2);

// The ISA card on `bus` at the addresses the start-up reads.
CardOpener IsaCardOpener(PortBus& bus);

// The ISA card on the machine's own ports, which it holds for its life: its lock first
// (a second program is refused), then the ports; the crash handlers and the rest
// guardian are armed to put its outputs at rest however the program ends. Throws
// VantorError when the card is in use or port access is refused.
std::unique_ptr<AcquisitionCard> OpenIsaCardOnHardwarePorts(std::int32_t adr1, std::int32_t adr2);

}  // namespace vantor
