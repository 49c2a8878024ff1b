// SPDX-License-Identifier: GPL-3.0-or-later
// The real firmware in the simulated bench: a host on the pseudo-terminal starts a 50 ms
// period, answers twenty frames with a +2 V order, then falls silent; the position motor
// must have climbed as the model says, and the watchdog must rest the outputs two
// periods after the last order.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "protocol.h"
#include "simulation/DcMotorPosition.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Seal(const std::string& payload) {
  char crc[3];
  std::snprintf(crc, sizeof crc, "%02X",
                vp_crc8(payload.data(), static_cast<std::uint8_t>(payload.size())));
  return payload + "*" + crc + "\n";
}

// The payload of a line whose CRC is right, nothing otherwise.
std::optional<std::string> Payload(const std::string& line) {
  if (line.size() < 4 || line[line.size() - 3] != '*') return std::nullopt;
  std::string payload = line.substr(0, line.size() - 3);
  if (Seal(payload) != line + "\n") return std::nullopt;
  return payload;
}

struct Frame {
  unsigned seq = 0, in0 = 0, in1 = 0, status = 0, malformed = 0, delay = 0;
};

std::optional<Frame> ParseFrame(const std::string& payload) {
  Frame f;
  if (payload.size() != 17 || payload[0] != 'T') return std::nullopt;
  if (std::sscanf(payload.c_str(), "T%4x%3x%3x%2x%2x%2x", &f.seq, &f.in0, &f.in1, &f.status,
                  &f.malformed, &f.delay) != 6)
    return std::nullopt;
  return f;
}

class Link {
 public:
  explicit Link(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~Link() {
    if (fd_ >= 0) close(fd_);
  }
  bool Open() const { return fd_ >= 0; }

  void Send(const std::string& line) {
    std::size_t done = 0;
    while (done < line.size()) {
      const ssize_t n = write(fd_, line.data() + done, line.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      ASSERT_TRUE(n < 0 && errno == EAGAIN) << "write failed";
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, 50);
    }
  }

  // The next whole line, or nothing after timeout.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
      auto end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char bytes[512];
      ssize_t n = read(fd_, bytes, sizeof bytes);
      if (n > 0) buffer_.append(bytes, static_cast<std::size_t>(n));
    }
  }

 private:
  int fd_ = -1;
  std::string buffer_;
};

struct OutputChange {
  double t, order, output1;
};

std::vector<OutputChange> ReadOutputs(const std::string& path) {
  std::vector<OutputChange> changes;
  std::ifstream in(path);
  OutputChange c{};
  while (in >> c.t >> c.order >> c.output1) changes.push_back(c);
  return changes;
}

// The bench running the firmware on the position motor, and a host's link to it that
// has had the banner.
class BenchSmoke : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string firmware = VANTOR_FIRMWARE_ELF;
    const std::string bench = VANTOR_BENCH_PATH;
    if (firmware.empty() || bench.empty())
      GTEST_SKIP() << "micrologiciel (avr-gcc) ou banc (simavr) non construit sur cette machine";
    char folder[] = "/tmp/vantor-banc-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    link = folder_ + "/lien";
    outputs = folder_ + "/sorties.txt";
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      execl(bench.c_str(), bench.c_str(), "--micrologiciel", firmware.c_str(), "--procede",
            "position", "--lien", link.c_str(), "--sorties", outputs.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    struct stat info {};
    auto deadline = Clock::now() + std::chrono::seconds(3);
    while (lstat(link.c_str(), &info) != 0 && Clock::now() < deadline) usleep(10000);
    ASSERT_TRUE(S_ISLNK(info.st_mode)) << "the bench made no link";

    port = std::make_unique<Link>(link);
    ASSERT_TRUE(port->Open());
    // Whatever piled up before the open is dropped; the banner is asked for again.
    while (port->ReadLine(std::chrono::milliseconds(100))) {
    }
    port->Send(Seal("V"));
    bool banner = false;
    while (!banner) {
      auto line = port->ReadLine(std::chrono::milliseconds(500));
      ASSERT_TRUE(line) << "no banner";
      banner = Payload(*line) == std::string(VP_BANNER);
    }
  }
  void TearDown() override {
    port.reset();
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    unlink(link.c_str());
    unlink(outputs.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
  }
  // Ends the bench as a user would; true when it exited cleanly.
  bool StopBench() {
    kill(pid, SIGTERM);
    int status = 0;
    const bool reaped = waitpid(pid, &status, 0) == pid;
    pid = 0;
    return reaped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::string folder_, link, outputs;
  pid_t pid = 0;
  std::unique_ptr<Link> port;
};

TEST_F(BenchSmoke, FirmwareTicksAnswersOrdersAndTripsItsWatchdog) {
  // Order +2 V (count 2048 − 2 × 205) and output 1 at count 2000 (4.884 V).
  const std::string answer = "6667D0";
  constexpr unsigned kAnswered = 20;
  port->Send(Seal("S0032"));
  std::vector<Frame> frames;
  while (frames.size() < kAnswered + 4) {
    auto line = port->ReadLine(std::chrono::milliseconds(200));
    ASSERT_TRUE(line) << "frames stopped after " << frames.size();
    auto payload = Payload(*line);
    ASSERT_TRUE(payload) << "bad CRC: " << *line;
    auto frame = ParseFrame(*payload);
    ASSERT_TRUE(frame) << *line;
    ASSERT_EQ(frame->seq, frames.size()) << "sequence gap";
    frames.push_back(*frame);
    if (frame->seq < kAnswered) {
      char seq[5];
      std::snprintf(seq, sizeof seq, "%04X", frame->seq);
      port->Send(Seal(std::string("O") + seq + answer));
    }
  }
  EXPECT_TRUE(StopBench());
  struct stat info {};
  EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link outlived the bench";

  EXPECT_EQ(frames[0].status, VP_STATUS_RUNNING | VP_STATUS_AT_REST);
  for (unsigned i = 1; i <= kAnswered; ++i) {
    EXPECT_EQ(frames[i].status, VP_STATUS_RUNNING) << "frame " << i;
    EXPECT_LT(frames[i].delay, 0xFFu) << "frame " << i;
  }
  EXPECT_EQ(frames[kAnswered + 1].status, VP_STATUS_RUNNING | VP_STATUS_LATE);
  const unsigned tripped =
      VP_STATUS_RUNNING | VP_STATUS_AT_REST | VP_STATUS_WATCHDOG | VP_STATUS_LATE;
  EXPECT_EQ(frames[kAnswered + 2].status, tripped);
  EXPECT_EQ(frames[kAnswered + 3].status, tripped);
  for (const Frame& f : frames) EXPECT_EQ(f.malformed, 0u);

  // The outputs as the amplifiers give them. The first order's arrival dates the first
  // conversion: its time less the delay frame 1 reports.
  auto changes = ReadOutputs(outputs);
  auto isOrder = [](const OutputChange& c) {
    return std::abs(c.order - 2.0) < 1e-3 && std::abs(c.output1 - 2000 * 10.0 / 4095) < 1e-3;
  };
  auto isRest = [](const OutputChange& c) {
    return std::abs(c.order) < 1e-9 && std::abs(c.output1) < 1e-9;
  };
  std::size_t first = 0;
  while (first < changes.size() && !isOrder(changes[first])) ++first;
  ASSERT_LT(first, changes.size()) << "the orders never reached the outputs";
  // Channel A rests first (order 0 V, output 1 still on), then channel B.
  std::size_t rest = first;
  while (rest < changes.size() && std::abs(changes[rest].order) > 1e-9) ++rest;
  ASSERT_LT(rest + 1, changes.size()) << "the watchdog never rested the outputs";
  EXPECT_NEAR(changes[rest].output1, 2000 * 10.0 / 4095, 1e-3);
  EXPECT_TRUE(isRest(changes[rest + 1]));
  const double start = changes[first].t - frames[1].delay * 1e-4;
  const double silence = start + kAnswered * 0.050;  // the first unanswered frame
  // Input 1 read the motor through the divider and the converter: the model itself,
  // driven at +2 V from the moment channel A changed, gives the count to expect.
  std::size_t orderOn = 0;
  while (std::abs(changes[orderOn].order - 2.0) > 1e-3) ++orderOn;
  vantor::DcMotorPosition motor;
  motor.Reset();
  const double conversion = start + kAnswered * 0.050;
  for (double t = changes[orderOn].t; t < conversion; t += 0.001)
    motor.Advance(std::min(0.001, conversion - t), 2.0);
  const double expected = std::floor(motor.Input1Volts() / 0.0025);
  ASSERT_GT(expected, 100.0) << "the motor should have moved";
  EXPECT_NEAR(frames[kAnswered].in1, expected, 8.0);  // noise ±0.01 V, 4 counts
  for (const Frame& f : frames) EXPECT_EQ(f.in0, 0u) << "input 0 is not wired";

  // Two periods after the last order (it answered frame kAnswered - 1; its delay from
  // that frame's conversion is in frame kAnswered), to the timer's 16 µs and the slow
  // simulated SPI bus.
  const double lastOrder = silence - 0.050 + frames[kAnswered].delay * 1e-4;
  const double late = changes[rest].t - lastOrder;
  EXPECT_GT(late, 0.0995) << "rested before two silent periods";
  EXPECT_LT(late, 0.1005) << "rested " << late * 1000 << " ms after the last order";
}

TEST_F(BenchSmoke, TheWatchdogKeepsItsTimeUnderAFloodAndStaleOrdersNeverFeedIt) {
  // Twenty frames answered with +2 V, then none: instead a flood of banner requests (each
  // answered with a banner, more than the line back can carry), orders that answer an
  // old frame with -10 V, and garbage.
  constexpr unsigned kAnswered = 20;
  std::string flood;
  for (int i = 0; i < 300; ++i) {
    flood += Seal("V");
    if (i % 10 == 0) flood += Seal("O0005FFF000") + "Q12*00\n";
  }
  port->Send(Seal("S0032"));
  std::vector<Frame> frames;
  while (frames.size() < kAnswered + 6) {
    auto line = port->ReadLine(std::chrono::milliseconds(300));
    ASSERT_TRUE(line) << "frames stopped after " << frames.size();
    auto payload = Payload(*line);
    if (!payload || payload->rfind("VANTOR-USB", 0) == 0) continue;
    auto frame = ParseFrame(*payload);
    ASSERT_TRUE(frame) << *line;
    frames.push_back(*frame);
    if (frame->seq < kAnswered) {
      char seq[5];
      std::snprintf(seq, sizeof seq, "%04X", frame->seq);
      port->Send(Seal(std::string("O") + seq + "6667D0"));
    } else if (frame->seq == kAnswered) {
      port->Send(flood);
    }
  }
  EXPECT_TRUE(StopBench());
  EXPECT_EQ(frames.back().status & VP_STATUS_WATCHDOG, VP_STATUS_WATCHDOG);
  EXPECT_GT(frames.back().malformed, 0u) << "the garbage is counted";

  const auto changes = ReadOutputs(outputs);
  for (const OutputChange& c : changes) ASSERT_GT(c.order, -5.0) << "a stale order drove the motor";
  std::size_t first = 0;
  while (first < changes.size() && std::abs(changes[first].order - 2.0) > 1e-3) ++first;
  ASSERT_LT(first, changes.size());
  std::size_t rest = first;
  while (rest < changes.size() && std::abs(changes[rest].order) > 1e-9) ++rest;
  ASSERT_LT(rest, changes.size()) << "the watchdog never rested the outputs";
  const double start = changes[first].t - frames[1].delay * 1e-4;
  const double lastOrder = start + (kAnswered - 1) * 0.050 + frames[kAnswered].delay * 1e-4;
  const double late = changes[rest].t - lastOrder;
  EXPECT_GT(late, 0.0995);
  EXPECT_LT(late, 0.1005) << "rested " << late * 1000 << " ms after the last order";
}

}  // namespace
