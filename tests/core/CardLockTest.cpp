// SPDX-License-Identifier: GPL-3.0-or-later
// One program per card, and the outputs at rest after a death no handler sees.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "card/CardLock.h"
#include "PortPipe.h"
#include "card/CrashRest.h"
#include "card/RestGuardian.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

fs::path ScratchFolder() {
  fs::path folder = fs::temp_directory_path() / ("verrou-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  return folder;
}

TEST(CardLockTest, ASecondProgramIsRefusedWithTheHolderUntilTheFirstEnds) {
  const std::string folder = ScratchFolder();
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    CardLock lock = CardLock::TakeIsaCard(0x330, 0x340, folder);
    if (::write(ready[1], "x", 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  try {
    CardLock::TakeIsaCard(0x330, 0x340, folder);
    ADD_FAILURE() << "the card was taken twice";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("(PID " + std::to_string(holder) + ")"),
              std::string::npos)
        << e.what();
  }
  // Another card (other addresses) is free.
  EXPECT_NO_THROW(CardLock::TakeIsaCard(0x300, 0x310, folder));
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_NO_THROW(CardLock::TakeIsaCard(0x330, 0x340, folder));
  // A link planted at the lock's name is never followed.
  const fs::path target = fs::path(folder) / "cible";
  fs::create_symlink(target, fs::path(folder) / "regulateur-vantor-carte-320-328.lock");
  EXPECT_THROW(CardLock::TakeIsaCard(0x320, 0x328, folder), VantorError);
  EXPECT_FALSE(fs::exists(target));
  fs::remove_all(folder);
}

using port_pipe::NoRead;
constexpr auto PipeWrite = &port_pipe::Write;

TEST(RestGuardianTest, KillNineInMidRunLeavesTheRestValuesAsTheLastWrites) {
  int ports[2];
  int ready[2];
  ASSERT_EQ(::pipe(ports), 0);
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t workstation = ::fork();
  if (workstation == 0) {
    ::close(ports[0]);
    port_pipe::g_fd = ports[1];
    CrashRest::Arm(0x330, 0x340, PipeWrite, NoRead);
    if (StartRestGuardian(&CrashRest::WriteRest) < 0) ::_exit(2);
    // Mid-run: the order at +5 V (count 1023) on output 2.
    PipeWrite(0x336, 0xFF);
    PipeWrite(0x337, 0x03);
    if (::write(ready[1], "x", 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  ::close(ports[1]);
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::kill(workstation, SIGKILL);
  int status = 0;
  ::waitpid(workstation, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  // Every write until both writers are gone: the workstation's, then the guardian's.
  std::vector<std::pair<int, int>> writes;
  unsigned char bytes[3];
  while (::read(ports[0], bytes, 3) == 3) writes.emplace_back(bytes[0] | bytes[1] << 8, bytes[2]);
  const std::vector<std::pair<int, int>> expected = {{0x336, 0xFF}, {0x337, 0x03}, {0x334, 0x00},
                                                     {0x335, 0x00}, {0x336, 0x00}, {0x337, 0x08}};
  EXPECT_EQ(writes, expected);
}

}  // namespace
}  // namespace vantor
