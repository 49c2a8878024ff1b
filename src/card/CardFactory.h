// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cards the program can drive, made from what a teacher or a command line chooses,
// all opened by OpenCard. The executables choose in one place each (the windows' factory,
// the headless tool's options) and reach the card only through AcquisitionCard
// afterwards.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "card/AcquisitionCard.h"
#include "card/PortBus.h"

namespace vantor {

// Opens the card once the start-up has read the ISA card's base addresses (which other
// cards ignore). May throw VantorError.
using CardOpener =
    std::function<std::unique_ptr<AcquisitionCard>(std::int32_t adr1, std::int32_t adr2)>;

// A card the program can drive: the ISA card on the machine's own ports; the ISA card's
// register map on a bus the program holds (the simulated card, or a log of the accesses
// that wraps it); the USB interface board on a port (empty: the first board connected).
struct CardChoice {
  enum class Kind { Isa, IsaOnBus, Usb };
  Kind Card = Kind::Isa;
  std::string Port;
  PortBus* Bus = nullptr;  // IsaOnBus: the bus, not owned; the program sets it
  bool operator==(const CardChoice&) const = default;

  static CardChoice OnBus(PortBus& bus) { return {Kind::IsaOnBus, {}, &bus}; }
  static CardChoice Usb(std::string port) { return {Kind::Usb, std::move(port), nullptr}; }
};

// The programs that take a --carte word, each its own words: the workstation on the real
// card "isa", "usb:CHEMIN", "usb:auto"; the headless tool "simulee" (or "simulée", the
// ISA card's register map on its simulated card), "usb:CHEMIN", "usb:auto".
enum class CardProgram { Workstation, Tool };
// The choice a word names when `program` takes it; nothing for another word. A simulated
// card's choice has no bus yet: the program gives it its own.
std::optional<CardChoice> ParseCardChoice(const std::string& word, CardProgram program);
// The words of `program`, as its messages list them: "isa, usb:CHEMIN ou usb:auto".
std::string CardWords(CardProgram program);
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

// The one way to a card, whatever the program:
// - the ISA card on the machine's own ports at adr1/adr2, which it holds for its life:
//   its lock first (a second program is refused), then the ports; the crash handlers and
//   the rest guardian are armed to put its outputs at rest however the program ends;
// - the ISA card at adr1/adr2 on the choice's bus, register for register;
// - the USB interface board on the choice's port (empty: the first board the system
//   lists), opened for this program alone; Initialise() then waits for its banner.
// Throws VantorError when the card is in use, port access is refused, the serial port
// cannot be opened or, for the first board, none is connected.
std::unique_ptr<AcquisitionCard> OpenCard(const CardChoice& choice, std::int32_t adr1,
                                          std::int32_t adr2);

// The opener of a choice, for the start-up.
CardOpener OpenerOf(CardChoice choice);
// The ISA card on `bus` at the addresses the start-up reads: OpenerOf(CardChoice::OnBus).
CardOpener IsaCardOpener(PortBus& bus);

}  // namespace vantor
