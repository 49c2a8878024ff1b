// SPDX-License-Identifier: GPL-3.0-or-later
// Access to the real I/O ports: refused on machines without the right or without the
// kernel service, with a message that names the cause and the remedy.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "card/HardwarePorts.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(HardwarePorts, RefusalOnThisMachineNamesCauseAndRemedy) {
  std::string message;
  try {
    auto ports = HardwarePorts::Open(0x330, 0x340);
    GTEST_SKIP() << "this machine grants the I/O ports";
  } catch (const VantorError& e) {
    message = e.what();
  }
  EXPECT_EQ(
      message.rfind("Accès à la carte d'acquisition impossible aux adresses $330 et $340 : ", 0),
      0u)
      << message;
  // Whatever the cause, the way to work without the card is given.
  EXPECT_TRUE(Contains(message, "regulateur-vantor-simulation")) << message;
  EXPECT_TRUE(message == HardwarePorts::AccessRefusedMessage(ENOSYS, 0x330, 0x340) ||
              message == HardwarePorts::AccessRefusedMessage(EPERM, 0x330, 0x340))
      << message;
}

TEST(HardwarePorts, EachRefusalCauseHasItsOwnRemedy) {
  const std::string denied = HardwarePorts::AccessRefusedMessage(EPERM, 0x330, 0x340);
  EXPECT_TRUE(Contains(denied, "root")) << denied;
  EXPECT_TRUE(Contains(denied, "CAP_SYS_RAWIO")) << denied;
  // The command is ready to copy: it names this very program.
  EXPECT_TRUE(Contains(denied, "setcap cap_sys_rawio+ep " +
                                   std::filesystem::read_symlink("/proc/self/exe").string()))
      << denied;
  EXPECT_EQ(HardwarePorts::AccessRefusedMessage(EACCES, 0x330, 0x340), denied);

  const std::string noKernel = HardwarePorts::AccessRefusedMessage(ENOSYS, 0x2A0, 0x2B0);
  EXPECT_TRUE(Contains(noKernel, "$2A0 et $2B0")) << noKernel;
  EXPECT_TRUE(Contains(noKernel, "ioperm")) << noKernel;
  EXPECT_FALSE(Contains(noKernel, "setcap")) << noKernel;

  const std::string badAddress = HardwarePorts::AccessRefusedMessage(EINVAL, 0xFFFC, 0x340);
  EXPECT_TRUE(Contains(badAddress, "menu Paramétrage")) << badAddress;

  for (int error : {EPERM, ENOSYS, EINVAL, ENOMEM}) {
    const std::string text = HardwarePorts::AccessRefusedMessage(error, 0x330, 0x340);
    EXPECT_TRUE(Contains(text,
                         "sans carte, utilisez la carte simulée en lançant "
                         "regulateur-vantor-simulation"))
        << text;
  }
}

TEST(HardwarePorts, BlockWrappingPastTheEndOfThePortSpaceIsRefused) {
  try {
    auto ports = HardwarePorts::Open(0xFFFC, 0x340);
    FAIL() << "a block beyond $FFFF was granted";
  } catch (const VantorError& e) {
    const std::string text = e.what();
    // EINVAL where ioperm exists; elsewhere the kernel's refusal comes first.
    EXPECT_TRUE(text == HardwarePorts::AccessRefusedMessage(EINVAL, 0xFFFC, 0x340) ||
                text == HardwarePorts::AccessRefusedMessage(ENOSYS, 0xFFFC, 0x340))
        << text;
  }
}

}  // namespace
}  // namespace vantor
