// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/UsbBoard.h"

#include <algorithm>
#include <cstdio>

#include "common/TextEncoding.h"
#include "common/VantorError.h"
#include "protocol.h"

namespace vantor {

namespace {

using Steady = std::chrono::steady_clock;

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// "payload*CC" with a right CRC: the payload.
std::optional<std::string> Checked(const std::string& line) {
  if (line.size() < 3 || line.size() > VP_LINE_MAX + 8 || line[line.size() - 3] != '*')
    return std::nullopt;
  const std::string payload = line.substr(0, line.size() - 3);
  const std::string crc =
      Hex(vp_crc8(payload.data(), static_cast<std::uint8_t>(payload.size())), 2);
  if (line.compare(line.size() - 2, 2, crc) != 0) return std::nullopt;
  return payload;
}

bool ParseHex(const std::string& text, std::size_t at, int digits, unsigned& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[at + static_cast<std::size_t>(i)];
    unsigned d;
    if (c >= '0' && c <= '9')
      d = static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F')
      d = static_cast<unsigned>(c - 'A' + 10);
    else
      return false;
    value = value * 16 + d;
  }
  return true;
}

std::string FlashCommand(const std::string& port) {
  return "avrdude -p atmega328p -c arduino -P " + port +
         " -b 115200 -U flash:w:/usr/share/regulateur-vantor/" + kUsbBoardFirmwareFile + ":i";
}

}  // namespace

UsbBoard::UsbBoard(std::unique_ptr<SerialLine> line) : line_(std::move(line)) {}

UsbBoard::~UsbBoard() {
  if (!running_) return;
  try {
    Send("X");
  } catch (...) {
    // The line is gone: the board's watchdog rests the outputs by itself.
  }
}

void UsbBoard::Send(const std::string& payload) {
  const std::string crc =
      Hex(vp_crc8(payload.data(), static_cast<std::uint8_t>(payload.size())), 2);
  line_->Write(payload + "*" + crc + "\n");
}

std::optional<std::string> UsbBoard::NextLine(Steady::time_point deadline) {
  for (;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      if (auto payload = Checked(line)) return payload;
      ++counters_.RefusedLines;
      continue;
    }
    // A line longer than any the board sends is noise: keep only its tail.
    if (pending_.size() > 4 * VP_LINE_MAX) {
      ++counters_.RefusedLines;
      pending_.clear();
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    if (left.count() <= 0) return std::nullopt;
    pending_ += line_->Read(static_cast<int>(left.count()));
  }
}

void UsbBoard::Initialise() {
  // Whatever piled up before the port was opened goes; a board that did not restart
  // (a Nano without auto-reset, the simulated bench) is stopped and asked again.
  pending_ += line_->Read(1);
  pending_.clear();
  Send("X");
  Send("V");
  const auto deadline = Steady::now() + BannerBound;
  // An Uno's boot loader swallows what comes in its first two seconds, and a damaged
  // banner is refused: ask again every BannerBound / 8.
  auto ask = Steady::now() + BannerBound / 8;
  for (;;) {
    const std::optional<std::string> payload = NextLine(std::min(ask, deadline));
    if (!payload) {
      if (Steady::now() >= deadline) break;
      Send("V");
      ask = Steady::now() + BannerBound / 8;
      continue;
    }
    if (payload->rfind("VANTOR-USB ", 0) != 0) continue;  // a frame of an earlier run
    if (payload->rfind(kUsbBoardBanner, 0) != 0)
      throw VantorError("L'interface USB sur " + line_->Name() + " porte le micrologiciel « " +
                        ShownText(*payload) + " », que ce programme ne sait pas piloter (il attend « " +
                        std::string(kUsbBoardBanner) +
                        "… ») : chargez celui qui est livré avec "
                        "le programme, avec la commande « " +
                        FlashCommand(line_->Name()) + " », puis relancez le programme");
    // The version is shown (window title, about box, report) as the board sent it, but
    // for what would move the cursor or change colours.
    firmware_ = ShownText(payload->substr(std::string(kUsbBoardBanner).size()));
    return;
  }
  throw VantorError("L'interface USB ne répond pas sur " + line_->Name() +
                    " : ce n'est peut-être pas la bonne carte, ou son micrologiciel n'est pas "
                    "chargé. Chargez-le avec la commande « " +
                    FlashCommand(line_->Name()) + " », puis relancez le programme");
}

void UsbBoard::ThrowSilent() const {
  throw VantorError("L'interface USB sur " + line_->Name() +
                    " ne répond plus : vérifiez le câble USB et l'alimentation de la carte ; "
                    "si un autre programme utilise le port, fermez-le. Les sorties de la carte "
                    "se mettent d'elles-mêmes au repos");
}

UsbBoard::Frame UsbBoard::NextFrame(std::chrono::milliseconds bound) {
  const auto deadline = Steady::now() + bound;
  for (;;) {
    const std::optional<std::string> payload = NextLine(deadline);
    if (!payload) ThrowSilent();
    if (payload->rfind("VANTOR-USB ", 0) == 0) {
      running_ = false;
      throw VantorError("L'interface USB sur " + line_->Name() +
                        " a redémarré pendant la régulation (alimentation, câble ou "
                        "perturbation) : ses sorties sont au repos. Relancez la régulation");
    }
    Frame f;
    if (payload->size() != 17 || (*payload)[0] != 'T' || !ParseHex(*payload, 1, 4, f.Seq) ||
        !ParseHex(*payload, 5, 3, f.In0) || !ParseHex(*payload, 8, 3, f.In1) ||
        !ParseHex(*payload, 11, 2, f.Status) || !ParseHex(*payload, 13, 2, f.Malformed) ||
        !ParseHex(*payload, 15, 2, f.Delay)) {
      ++counters_.RefusedLines;
      continue;
    }
    return f;
  }
}

void UsbBoard::SendOrder() {
  Send("O" + Hex(frame_.Seq, 4) + Hex(order_, 3) + Hex(output1_, 3));
}

std::int32_t UsbBoard::ConvertInput(std::int32_t channel) {
  if (channel == 0) return static_cast<std::int32_t>(frame_.In0);
  if (channel == 1) return static_cast<std::int32_t>(frame_.In1);
  return 0;
}

void UsbBoard::WriteOrder(std::uint16_t count) {
  order_ = count > kFullScaleCount ? kFullScaleCount : count;
  if (running_) SendOrder();
}

void UsbBoard::WriteOutput1(std::uint16_t count) {
  output1_ = count > kFullScaleCount ? kFullScaleCount : count;
  if (running_) SendOrder();
}

void UsbBoard::StartPeriod(std::int32_t periodMs) {
  if (running_) return;
  periodMs_ = periodMs;
  pending_.clear();
  Send("S" + Hex(static_cast<unsigned>(periodMs), 4));
  running_ = true;
  // The first period starts at once.
  frame_ = NextFrame(std::chrono::milliseconds(periodMs) + FrameMargin);
  if (frame_.Seq != 0) ++counters_.MissingFrames;
  expectedSeq_ = (frame_.Seq + 1) & 0xFFFF;
  ++counters_.Frames;
  counters_.BoardMalformed = frame_.Malformed;
}

bool UsbBoard::WaitPeriodEnd() {
  const Frame f = NextFrame(2 * std::chrono::milliseconds(periodMs_) + FrameMargin);
  const unsigned missing = (f.Seq - expectedSeq_) & 0xFFFF;
  counters_.MissingFrames += missing;
  const bool lateOrder = (f.Status & kLateOrder) != 0;
  if (lateOrder) ++counters_.LateOrders;
  if (f.Delay != 0xFF) delays_.push_back(static_cast<int>(f.Delay));
  counters_.BoardMalformed = f.Malformed;
  ++counters_.Frames;
  frame_ = f;
  expectedSeq_ = (f.Seq + 1) & 0xFFFF;
  return missing != 0 || lateOrder;
}

void UsbBoard::EndPeriods() {
  if (!running_) return;
  running_ = false;
  Send("X");
}

std::string UsbBoard::Description() const {
  std::string text = "interface USB sur " + line_->Name();
  if (!firmware_.empty()) text += " (micrologiciel " + firmware_ + ")";
  return text;
}

}  // namespace vantor
