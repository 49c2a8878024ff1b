// SPDX-License-Identifier: GPL-3.0-or-later
// regulateur-vantor-banc: the USB interface board simulated around its real firmware.
// simavr runs the ELF as an ATmega328P at 16 MHz; the bench models the converters and
// the amplifiers, drives one of the project's simulated processes with the order
// voltage, and bridges the serial line to a pseudo-terminal for the host. A test tool,
// never installed.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

extern "C" {
#include <avr_ioport.h>
#include <avr_spi.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_time.h>
}

#include "Parts.h"
#include "regulation/RealTimeScheduling.h"
#include "simulation/ProcessModel.h"
#include "simulation/ProcessRegistry.h"
#include "simulation/SimulationProfile.h"

namespace vantor::banc {

// The one place that turns a process name into a model.
std::unique_ptr<ProcessModel> MakeBenchProcess(const std::string& id) {
  const ProcessKind* kind = FindProcessKind(id);
  return kind ? kind->Make() : nullptr;
}

namespace {

constexpr std::uint32_t kFrequency = 16000000;
constexpr std::uint32_t kStepMicroseconds = 1000;
// How far the board's time may fall behind the wall's before the bench lets it go.
constexpr double kLargestLag = 0.002;
// How often the host's bytes are handed to the board's UART: what they wait for, in the
// bench's time, beyond their own transmission (a real USB-serial bridge waits about as
// long, its latency timer aside).
constexpr std::uint32_t kSerialPollMicroseconds = 200;
constexpr int kCsDac = 1;  // PB1
constexpr int kCsAdc = 2;  // PB2

volatile sig_atomic_t stopRequested = 0;
void OnSignal(int) {
  stopRequested = 1;
}

struct UsageError {
  std::string message;
};

enum class Fault { None, Unplug, Noise, Cut };

struct Options {
  std::string firmware;
  std::string process;
  SimulationProfile profile = SimulationProfile::Ideal;
  std::optional<std::uint32_t> seed;
  std::string link;
  std::string outputs;
  Fault fault = Fault::None;
  double faultSeconds = 0.0;
};

const char* const kUsage =
    "usage : regulateur-vantor-banc --micrologiciel FICHIER.elf "
    "--procede position|vitesse|thermique [--profil idéal|réaliste] [--graine N] "
    "--lien CHEMIN [--sorties FICHIER] [--panne debranche:T|bruit:T|coupe:T]";

double ParseSeconds(const std::string& text, const std::string& option) {
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) || value < 0)
    throw UsageError{"durée incorrecte pour " + option + " : « " + text + " »"};
  return value;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError{"valeur manquante après " + name};
      return argv[++i];
    };
    if (name == "--micrologiciel") {
      options.firmware = value();
    } else if (name == "--procede") {
      options.process = value();
      if (!MakeBenchProcess(options.process))
        throw UsageError{"procédé inconnu : « " + options.process + " » (" + ProcessIds(", ") +
                         ")"};
    } else if (name == "--profil") {
      std::string word = value();
      auto profile = ParseProfile(word);
      if (!profile) throw UsageError{"profil inconnu : « " + word + " » (idéal ou réaliste)"};
      options.profile = *profile;
    } else if (name == "--graine") {
      std::string word = value();
      char* end = nullptr;
      errno = 0;
      unsigned long long seed = std::strtoull(word.c_str(), &end, 10);
      if (word.empty() || word[0] == '-' || *end != '\0' || errno != 0 || seed > 0xFFFFFFFFull)
        throw UsageError{"graine incorrecte : « " + word + " » (entier de 0 à 4294967295)"};
      options.seed = static_cast<std::uint32_t>(seed);
    } else if (name == "--lien") {
      options.link = value();
    } else if (name == "--sorties") {
      options.outputs = value();
    } else if (name == "--panne") {
      std::string word = value();
      auto colon = word.find(':');
      std::string kind = word.substr(0, colon);
      if (colon == std::string::npos ||
          (kind != "debranche" && kind != "bruit" && kind != "coupe"))
        throw UsageError{"panne inconnue : « " + word + " » (debranche:T, bruit:T ou coupe:T)"};
      options.fault = kind == "debranche" ? Fault::Unplug
                      : kind == "bruit"   ? Fault::Noise
                                          : Fault::Cut;
      options.faultSeconds = ParseSeconds(word.substr(colon + 1), "--panne");
    } else {
      throw UsageError{"option inconnue : « " + name + " »"};
    }
  }
  if (options.firmware.empty()) throw UsageError{"--micrologiciel manque"};
  if (options.process.empty()) throw UsageError{"--procede manque"};
  if (options.link.empty()) throw UsageError{"--lien manque"};
  return options;
}

// simavr's own messages: errors only, on stderr (it writes its loading notes on stdout).
void SimavrLogger(avr_t*, const int level, const char* format, va_list arguments) {
  if (level > LOG_ERROR) return;
  std::fputs("simavr : ", stderr);
  std::vfprintf(stderr, format, arguments);
}

double WallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

class Bench {
 public:
  Bench(const Options& options, std::unique_ptr<ProcessModel> process)
      : options_(options),
        process_(std::move(process)),
        adc_([this](int channel) { return SensorVolts(channel); }),
        noise_(options.seed.value_or(20240611u) ^ 0x5A5A5A5Au) {
    dac_.OnLatch = [this] { OutputsChanged(); };
  }

  ~Bench() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    // The link goes, unless another bench has taken it over meanwhile.
    char target[256] = {};
    if (linked_ && readlink(options_.link.c_str(), target, sizeof target - 1) >= 0 &&
        slaveName_ == target)
      unlink(options_.link.c_str());
    if (outputs_) std::fclose(outputs_);
    // What elf_read_firmware allocated (simavr has no function that frees it).
    if (firmware_) {
      for (std::uint32_t i = 0; i < firmware_->symbolcount; ++i) std::free(firmware_->symbol[i]);
      std::free(firmware_->symbol);
      std::free(firmware_->flash);
      std::free(firmware_->eeprom);
      std::free(firmware_->fuse);
      std::free(firmware_->lockbits);
    }
    if (avr_) avr_terminate(avr_);
  }

  // Throws std::runtime_error with a French message.
  void Start() {
    LoadFirmware();
    OpenLink();
    if (!options_.outputs.empty()) {
      outputs_ = std::fopen(options_.outputs.c_str(), "a");
      if (!outputs_)
        throw std::runtime_error("impossible d'ouvrir " + options_.outputs + " : " +
                                 std::strerror(errno));
      std::setvbuf(outputs_, nullptr, _IOFBF, 1 << 22);
    }
    order_ = OrderVolts(dac_.Volts(0));
    output1_ = Output1Volts(dac_.Volts(1));
    WriteOutputs();
  }

  // Runs until a signal; returns false when the firmware stopped the processor first
  // (a crash, or a sleep with interrupts off).
  bool Run() {
    wallStart_ = WallSeconds();
    while (!stopRequested) {
      int state = avr_run(avr_);
      if (state == cpu_Done || state == cpu_Crashed) return false;
    }
    return true;
  }

  double SimulatedSeconds() const {
    return avr_ ? static_cast<double>(avr_->cycle) / kFrequency : 0.0;
  }
  double WallElapsed() const { return WallSeconds() - wallStart_; }

 private:
  void OpenLink() {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0)
      throw std::runtime_error(std::string("impossible de créer le pseudo-terminal : ") +
                               std::strerror(errno));
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    tcsetattr(slave_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    const char* name = ttyname(slave_);
    if (!name) throw std::runtime_error("pseudo-terminal sans nom");
    slaveName_ = name;
    struct stat info {};
    if (lstat(options_.link.c_str(), &info) == 0) {
      if (!S_ISLNK(info.st_mode))
        throw std::runtime_error(options_.link + " existe et n'est pas un lien symbolique");
      unlink(options_.link.c_str());
    }
    if (symlink(name, options_.link.c_str()) != 0)
      throw std::runtime_error("impossible de créer le lien " + options_.link + " : " +
                               std::strerror(errno));
    linked_ = true;
  }

  void LoadFirmware() {
    struct stat info {};
    if (stat(options_.firmware.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
      throw std::runtime_error("micrologiciel introuvable : " + options_.firmware);
    avr_global_logger_set(&SimavrLogger);
    firmware_ = std::make_unique<elf_firmware_t>();
    std::memset(firmware_.get(), 0, sizeof(elf_firmware_t));
    if (elf_read_firmware(options_.firmware.c_str(), firmware_.get()) != 0)
      throw std::runtime_error("micrologiciel illisible (ELF attendu) : " + options_.firmware);
    std::snprintf(firmware_->mmcu, sizeof firmware_->mmcu, "%s", "atmega328p");
    firmware_->frequency = kFrequency;
    avr_ = avr_make_mcu_by_name(firmware_->mmcu);
    if (!avr_) throw std::runtime_error("simavr ne connaît pas l'ATmega328P");
    avr_init(avr_);
    avr_->log = LOG_ERROR;
    avr_load_firmware(avr_, firmware_.get());
    avr_->frequency = kFrequency;
    avr_->sleep = &Bench::Sleep;
    self_ = this;

    std::uint32_t flags = 0;
    avr_ioctl(avr_, AVR_IOCTL_UART_GET_FLAGS('0'), &flags);
    flags &= ~AVR_UART_FLAG_STDIO;
    avr_ioctl(avr_, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);

    // simavr names the ATmega328P's SPI 0, the number, where its UART is '0'.
    spiInput_ = avr_io_getirq(avr_, AVR_IOCTL_SPI_GETIRQ(0), SPI_IRQ_INPUT);
    avr_irq_t* spiOutput = avr_io_getirq(avr_, AVR_IOCTL_SPI_GETIRQ(0), SPI_IRQ_OUTPUT);
    if (!spiInput_ || !spiOutput) throw std::runtime_error("simavr : bus SPI introuvable");
    avr_irq_register_notify(spiOutput, &Bench::OnSpi, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), kCsDac),
                            &Bench::OnCsDac, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), kCsAdc),
                            &Bench::OnCsAdc, this);
    uartInput_ = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    if (!uartInput_) throw std::runtime_error("simavr : liaison série introuvable");
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            &Bench::OnUartOut, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON),
                            &Bench::OnXon, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF),
                            &Bench::OnXoff, this);
    avr_cycle_timer_register_usec(avr_, kStepMicroseconds, &Bench::OnStep, this);
    avr_cycle_timer_register_usec(avr_, kSerialPollMicroseconds, &Bench::OnSerialPoll, this);
  }

  // --- the process ---

  double Now() const { return static_cast<double>(avr_->cycle) / kFrequency; }

  // Integrates the process up to the present with the order held since the last step:
  // steps of at most 1 ms, cut at each output change and each conversion.
  void AdvanceProcess() {
    avr_cycle_count_t now = avr_->cycle;
    if (now > advanced_) {
      process_->Advance(static_cast<double>(now - advanced_) / kFrequency, order_);
      advanced_ = now;
    }
  }

  double SensorVolts(int channel) {
    AdvanceProcess();
    if (channel == 1) return process_->SampleInput1Volts();
    if (channel == 0) return process_->Input0Volts().value_or(0.0);
    return 0.0;
  }

  void OutputsChanged() {
    AdvanceProcess();
    double order = OrderVolts(dac_.Volts(0));
    double output1 = Output1Volts(dac_.Volts(1));
    if (order == order_ && output1 == output1_) return;
    order_ = order;
    output1_ = output1;
    WriteOutputs();
  }

  void WriteOutputs() {
    if (!outputs_) return;
    // + 0.0 writes an exact zero as 0.000000, never -0.000000.
    // Buffered, written out when the bench ends (SIGTERM, SIGINT): a write to the disk on
    // every change could hold the board's time up on a busy machine.
    std::fprintf(outputs_, "%.6f %.6f %.6f\n", avr_ ? Now() : 0.0, order_ + 0.0, output1_ + 0.0);
  }

  // --- the serial line ---

  bool Noisy() const { return options_.fault == Fault::Noise && Now() >= options_.faultSeconds; }
  // The wire from the PC to the board is cut: the board still sends, receives nothing.
  bool Cut() const { return options_.fault == Fault::Cut && Now() >= options_.faultSeconds; }
  void FromHost(const std::uint8_t* bytes, ssize_t n) {
    if (Cut()) return;
    for (ssize_t i = 0; i < n; ++i) toBoard_.push_back(Noisy() ? Corrupt(bytes[i]) : bytes[i]);
  }

  // About one byte in two hundred gets one bit flipped: one line in ten is damaged, as on
  // a bad cable next to the motor's power lines.
  std::uint8_t Corrupt(std::uint8_t byte) {
    if (std::uniform_int_distribution<int>(0, 199)(noise_) != 0) return byte;
    return static_cast<std::uint8_t>(byte ^
                                     (1u << std::uniform_int_distribution<int>(0, 7)(noise_)));
  }

  void ReadHost() {
    if (master_ < 0) return;
    std::uint8_t bytes[256];
    for (;;) {
      ssize_t n = read(master_, bytes, sizeof bytes);
      if (n <= 0) break;
      FromHost(bytes, n);
    }
    FeedBoard();
  }

  void FeedBoard() {
    while (!xoff_ && !toBoard_.empty()) {
      std::uint8_t byte = toBoard_.front();
      toBoard_.pop_front();
      avr_raise_irq(uartInput_, byte);
    }
  }

  void Unplug() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
    toBoard_.clear();
  }

  // --- simavr callbacks ---

  static avr_cycle_count_t OnStep(avr_t* avr, avr_cycle_count_t when, void* param) {
    auto* bench = static_cast<Bench*>(param);
    bench->AdvanceProcess();
    if (bench->options_.fault == Fault::Unplug && bench->master_ >= 0 &&
        bench->Now() >= bench->options_.faultSeconds)
      bench->Unplug();
    bench->ReadHost();
    // A firmware that does not sleep still keeps to the wall clock.
    bench->PaceTo(avr->cycle, 0.002);
    return when + avr_usec_to_cycles(avr, kStepMicroseconds);
  }

  static avr_cycle_count_t OnSerialPoll(avr_t* avr, avr_cycle_count_t when, void* param) {
    static_cast<Bench*>(param)->ReadHost();
    return when + avr_usec_to_cycles(avr, kSerialPollMicroseconds);
  }

  // Waits until the wall clock reaches the simulated time `cycle`, when it is more than
  // `slack` seconds ahead, reading the host's bytes meanwhile.
  void PaceTo(avr_cycle_count_t cycle, double slack) {
    // A bench held up by a loaded machine does not catch up in a burst, running the board
    // faster than time: a real board's crystal never does, and the host would see its
    // frames come in pairs and its orders miss them. The board's time resumes from the
    // wall's, as if the board had paused.
    const double lag = WallSeconds() - (wallStart_ + static_cast<double>(avr_->cycle) / kFrequency);
    if (lag > kLargestLag) wallStart_ += lag;
    double target = wallStart_ + static_cast<double>(cycle) / kFrequency;
    for (;;) {
      double ahead = target - WallSeconds();
      if (ahead <= slack || stopRequested) return;
      pollfd fd{master_, POLLIN, 0};
      int timeout = static_cast<int>(std::ceil(ahead * 1000.0));
      if (master_ >= 0) {
        if (poll(&fd, 1, timeout) > 0 && (fd.revents & POLLIN)) {
          std::uint8_t bytes[256];
          ssize_t n = read(master_, bytes, sizeof bytes);
          FromHost(bytes, n);
        }
      } else {
        timespec pause{0, static_cast<long>(ahead * 1e9)};
        nanosleep(&pause, nullptr);
      }
    }
  }

  static void Sleep(avr_t* avr, avr_cycle_count_t howLong) {
    self_->PaceTo(avr->cycle + howLong, 0.0);
  }

  static void OnSpi(avr_irq_t*, std::uint32_t value, void* param) {
    auto* bench = static_cast<Bench*>(param);
    auto byte = static_cast<std::uint8_t>(value);
    std::uint8_t reply = bench->adc_.Transfer(byte);
    bench->dac_.Transfer(byte);
    avr_raise_irq(bench->spiInput_, reply);
  }
  static void OnCsAdc(avr_irq_t*, std::uint32_t value, void* param) {
    static_cast<Bench*>(param)->adc_.Select(value == 0);
  }
  static void OnCsDac(avr_irq_t*, std::uint32_t value, void* param) {
    static_cast<Bench*>(param)->dac_.Select(value == 0);
  }
  static void OnUartOut(avr_irq_t*, std::uint32_t value, void* param) {
    auto* bench = static_cast<Bench*>(param);
    if (bench->master_ < 0) return;
    auto byte = static_cast<std::uint8_t>(value);
    if (bench->Noisy()) byte = bench->Corrupt(byte);
    // A host that does not read loses bytes once the terminal's buffer is full.
    if (write(bench->master_, &byte, 1) < 0 && errno != EAGAIN && errno != EWOULDBLOCK &&
        errno != EIO)
      std::fprintf(stderr, "regulateur-vantor-banc : écriture sur le lien : %s\n",
                   std::strerror(errno));
  }
  static void OnXon(avr_irq_t*, std::uint32_t, void* param) {
    auto* bench = static_cast<Bench*>(param);
    bench->xoff_ = false;
    bench->FeedBoard();
  }
  static void OnXoff(avr_irq_t*, std::uint32_t, void* param) {
    static_cast<Bench*>(param)->xoff_ = true;
  }

  static Bench* self_;

  Options options_;
  std::unique_ptr<ProcessModel> process_;
  Mcp3204 adc_;
  Mcp4822 dac_;
  std::mt19937 noise_;
  std::unique_ptr<elf_firmware_t> firmware_;
  avr_t* avr_ = nullptr;
  avr_irq_t* spiInput_ = nullptr;
  avr_irq_t* uartInput_ = nullptr;
  avr_cycle_count_t advanced_ = 0;
  double order_ = 0.0;
  double output1_ = 0.0;
  int master_ = -1;
  int slave_ = -1;
  bool linked_ = false;
  std::string slaveName_;
  bool xoff_ = false;
  std::deque<std::uint8_t> toBoard_;
  std::FILE* outputs_ = nullptr;
  double wallStart_ = 0.0;
};

Bench* Bench::self_ = nullptr;

}  // namespace
}  // namespace vantor::banc

int main(int argc, char** argv) {
  using namespace vantor::banc;
  Options options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "regulateur-vantor-banc : %s\n%s\n", error.message.c_str(), kUsage);
    return 2;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // The board's time follows the wall clock, and a bench that wakes late lengthens the
  // delays it measures: it runs under real-time scheduling when the system permits it
  // (it sleeps between the firmware's events, so it takes little of a processor).
  vantor::RealTimeScheduling realTime;

  try {
    auto process = MakeBenchProcess(options.process);
    process->ApplyProfile(options.profile);
    if (options.seed) process->NoiseSeed = *options.seed;
    process->Validate();
    process->Reset();
    Bench bench(options, std::move(process));
    bench.Start();
    bool clean = bench.Run();
    std::fprintf(stderr, "regulateur-vantor-banc : %.3f s simulées en %.3f s\n",
                 bench.SimulatedSeconds(), bench.WallElapsed());
    if (!clean) {
      std::fprintf(stderr, "regulateur-vantor-banc : le micrologiciel a arrêté le processeur\n");
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "regulateur-vantor-banc : %s\n", error.what());
    return 2;
  }
  return 0;
}
