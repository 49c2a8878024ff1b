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

void UsbBoard::Add(long Counters::*counter, long n) {
  counters_.*counter += n;
  run_.*counter += n;
}

std::optional<std::string> UsbBoard::NextLine(Steady::time_point deadline) {
  for (bool last = false;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      if (auto payload = Checked(line)) return payload;
      Add(&Counters::RefusedLines);
      continue;
    }
    // A line longer than any the board sends is noise: keep only its tail.
    if (pending_.size() > 4 * VP_LINE_MAX) {
      Add(&Counters::RefusedLines);
      pending_.clear();
    }
    if (last) return std::nullopt;
    const auto left = deadline - Steady::now();
    // Past the bound, what already arrived is still read once: a program held up past its
    // bound (suspended, a frozen desktop) finds the board's frames waiting, not silence.
    // A part of a millisecond left is waited for as a whole one.
    last = left.count() <= 0;
    pending_ += line_->Read(
        last ? 0 : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
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
      const auto now = Steady::now();
      if (now >= deadline) break;
      // Asked again only once its eighth of the bound has passed: never a stream of them.
      if (now >= ask) {
        Send("V");
        ask = now + BannerBound / 8;
      }
      continue;
    }
    if (payload->rfind("VANTOR-USB ", 0) != 0) continue;  // a frame of an earlier run
    if (payload->rfind(kUsbBoardBanner, 0) != 0)
      Fail(VantorError("L'interface USB sur " + line_->Name() + " porte le micrologiciel « " +
                       ShownText(*payload) +
                       " », que ce programme ne sait pas piloter (il attend « " +
                       std::string(kUsbBoardBanner) +
                       "… ») : chargez celui qui est livré avec "
                       "le programme, avec la commande « " +
                       FlashCommand(line_->Name()) + " », puis relancez le programme"));
    // The version is shown (window title, about box, report) as the board sent it, but
    // for what would move the cursor or change colours.
    firmware_ = ShownText(payload->substr(std::string(kUsbBoardBanner).size()));
    return;
  }
  Fail(VantorError("L'interface USB ne répond pas sur " + line_->Name() +
                   " : ce n'est peut-être pas la bonne carte, ou son micrologiciel n'est pas "
                   "chargé. Chargez-le avec la commande « " +
                   FlashCommand(line_->Name()) + " », puis relancez le programme"));
}

void UsbBoard::Rearm() {
  // Initialise() stops a board left running; the run that failed is over.
  running_ = false;
  frameValid_ = false;
  orderApplied_ = true;
  pending_.clear();
  line_->DiscardInput();
  Initialise();
}

void UsbBoard::ThrowSilent() {
  Fail(VantorError("L'interface USB sur " + line_->Name() +
                   " ne répond plus : vérifiez le câble USB et l'alimentation de la carte ; "
                   "si un autre programme utilise le port, fermez-le. Les sorties de la carte "
                   "se mettent d'elles-mêmes au repos"));
}

std::optional<UsbBoard::Frame> UsbBoard::ParseFrame(const std::string& payload) {
  if (payload.rfind("VANTOR-USB ", 0) == 0) {
    running_ = false;
    Fail(CardAlarm("L'interface USB sur " + line_->Name() +
                   " a redémarré pendant la régulation (alimentation, câble ou "
                   "perturbation) : ses sorties sont au repos. La régulation est arrêtée ; "
                   "relancez-la"));
  }
  Frame f;
  if (payload.size() != 17 || payload[0] != 'T' || !ParseHex(payload, 1, 4, f.Seq) ||
      !ParseHex(payload, 5, 3, f.In0) || !ParseHex(payload, 8, 3, f.In1) ||
      !ParseHex(payload, 11, 2, f.Status) || !ParseHex(payload, 13, 2, f.Malformed) ||
      !ParseHex(payload, 15, 2, f.Delay)) {
    Add(&Counters::RefusedLines);
    return std::nullopt;
  }
  return f;
}

namespace {

// Frames a board can send between two that the program reads, bounded by the wait of
// two periods and its margin, with room to spare. A number further on is not an advance
// but a number gone backwards (or a board restarted).
constexpr unsigned kLargestAdvance = 256;

// How far `seq` is past `last`, modulo the 16-bit numbering: 1 for the next frame.
unsigned Advance(unsigned seq, unsigned last) {
  return (seq - last) & 0xFFFFu;
}

bool Advances(unsigned seq, unsigned last) {
  const unsigned a = Advance(seq, last);
  return a >= 1 && a <= kLargestAdvance;
}

}  // namespace

std::optional<UsbBoard::Frame> UsbBoard::FrameBy(Steady::time_point deadline) {
  for (;;) {
    const std::optional<std::string> payload = NextLine(deadline);
    if (!payload) return std::nullopt;
    const std::optional<Frame> f = ParseFrame(*payload);
    if (!f) continue;
    // A repeated frame, or one numbered before the last used, is never a new period.
    if (frameValid_ && !Advances(f->Seq, frame_.Seq)) {
      Add(&Counters::StaleFrames);
      continue;
    }
    return f;
  }
}

UsbBoard::Frame UsbBoard::NextFrame(Steady::time_point deadline) {
  const long damagedBefore = counters_.RefusedLines;
  if (const std::optional<Frame> f = FrameBy(deadline)) return *f;
  const long damaged = counters_.RefusedLines - damagedBefore;
  // Lines came, but none whole: the board answers, its frames arrive damaged.
  if (damaged > 0)
    Fail(VantorError("Les trames de l'interface USB sur " + line_->Name() + " arrivent abîmées (" +
                     std::to_string(damaged) +
                     " refusées au contrôle CRC, aucune bonne à temps) : la liaison série "
                     "est perturbée (câble USB trop long ou le long des fils du moteur, "
                     "masse mal reliée). Les sorties de la carte se mettent d'elles-mêmes "
                     "au repos"));
  ThrowSilent();
}

std::optional<UsbBoard::Frame> UsbBoard::WaitingFrame() {
  // Only complete lines already here, or arriving within the read's own moment.
  if (pending_.find('\n') == std::string::npos) pending_ += line_->Read(0);
  if (pending_.find('\n') == std::string::npos) return std::nullopt;
  return FrameBy(Steady::now());
}

void UsbBoard::CheckStatus(const Frame& f, long overtaken) {
  const std::string board = "L'interface USB sur " + line_->Name();
  const std::string held =
      overtaken > 0 ? " Le programme a pris du retard : " + std::to_string(overtaken) +
                          " trame(s) de la carte attendaient d'être lues (programme suspendu, "
                          "bureau figé ou PC surchargé)."
                    : std::string();
  const std::string end =
      " La régulation est arrêtée, l'enregistrement s'arrête au dernier cycle appliqué ; "
      "relancez la régulation";
  if ((f.Status & kRunning) == 0)
    Fail(CardAlarm(board +
                   " s'est arrêtée pendant la régulation : elle ne cadence plus les périodes "
                   "et ses sorties sont au repos (commande d'arrêt abîmée sur la liaison, ou "
                   "carte perturbée)." +
                   held + end));
  if ((f.Status & kWatchdog) != 0)
    Fail(CardAlarm(board +
                   " a mis ses sorties au repos : son chien de garde s'est déclenché, faute "
                   "d'avoir reçu à temps les ordres du PC pendant deux périodes (ordres "
                   "perdus sur le câble USB, ou PC bloqué)." +
                   held + end));
  if ((f.Status & kAtRest) != 0)
    Fail(CardAlarm(board +
                   " signale ses sorties au repos alors que le programme lui envoie des "
                   "ordres : ils ne lui parviennent pas à temps (câble USB, PC bloqué)." +
                   held + end));
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
  run_ = Counters{};
  orderApplied_ = true;
  // Nothing received before the start is of this run: what the system holds goes too.
  pending_.clear();
  line_->DiscardInput();
  frameValid_ = false;
  Send("S" + Hex(static_cast<unsigned>(periodMs), 4));
  running_ = true;
  // The first period starts at once: its frame, numbered 0, answers the start. A frame
  // with another number is one of an earlier run still on its way.
  const auto deadline = Steady::now() + std::chrono::milliseconds(periodMs) + FrameMargin;
  for (;;) {
    const Frame f = NextFrame(deadline);
    if (f.Seq == 0) {
      frame_ = f;
      break;
    }
    Add(&Counters::StaleFrames);
  }
  frameValid_ = true;
  Add(&Counters::Frames);
  counters_.BoardMalformed = run_.BoardMalformed = frame_.Malformed;
  // Outputs at rest until the first order: only the other alarms count here.
  if ((frame_.Status & kRunning) == 0 || (frame_.Status & kWatchdog) != 0) CheckStatus(frame_, 0);
}

bool UsbBoard::WaitPeriodEnd() {
  Frame f = NextFrame(Steady::now() + 2 * std::chrono::milliseconds(periodMs_) + FrameMargin);
  unsigned advance = Advance(f.Seq, frame_.Seq);
  long missing = static_cast<long>(advance) - 1;
  // Newer frames already waiting: this one is not the present any more.
  long overtaken = 0;
  while (std::optional<Frame> newer = WaitingFrame()) {
    missing += static_cast<long>(Advance(newer->Seq, f.Seq)) - 1;
    ++overtaken;
    f = *newer;
  }
  Add(&Counters::MissingFrames, missing);
  Add(&Counters::StaleFrames, overtaken);
  counters_.BoardMalformed = run_.BoardMalformed = f.Malformed;
  CheckStatus(f, overtaken);
  const bool lateOrder = (f.Status & kLateOrder) != 0;
  if (lateOrder) Add(&Counters::LateOrders);
  // The frame right after the order says whether it came in time; after a gap, nobody
  // knows, and the order is taken as applied.
  orderApplied_ = !(lateOrder && missing == 0 && overtaken == 0);
  if (f.Delay != 0xFF) delays_.push_back(static_cast<int>(f.Delay));
  Add(&Counters::Frames);
  frame_ = f;
  return missing != 0 || overtaken != 0 || lateOrder;
}

void UsbBoard::EndPeriods() {
  if (!running_) return;
  running_ = false;
  Send("X");
}

std::string UsbBoard::RunReport() const {
  const Counters& c = run_;
  std::vector<std::string> parts;
  auto say = [&parts](long n, const char* one, const char* many) {
    if (n > 0) parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
  };
  say(c.LateOrders, "cycle en retard sur la carte (ordre arrivé après la période suivante)",
      "cycles en retard sur la carte (ordre arrivé après la période suivante)");
  say(c.MissingFrames, "trame perdue", "trames perdues");
  say(c.RefusedLines, "trame abîmée refusée (contrôle CRC)",
      "trames abîmées refusées (contrôle CRC)");
  say(c.StaleFrames, "trame périmée écartée", "trames périmées écartées");
  if (parts.empty()) return {};
  std::string text = "Interface USB : ";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? ", " : "") + parts[i];
  return text;
}

std::string UsbBoard::PortName() const {
  return line_->Name();
}

std::string UsbBoard::Description() const {
  std::string text = "interface USB sur " + line_->Name();
  if (!firmware_.empty()) text += " (micrologiciel " + firmware_ + ")";
  return text;
}

}  // namespace vantor
