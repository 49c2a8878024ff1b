// SPDX-License-Identifier: GPL-3.0-or-later
// The causes that file messages give are French: never the system's English text.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/FileErrors.h"

namespace vantor {
namespace {

TEST(FileErrorsTest, EveryCauseIsFrenchAndAnUnnamedOneGivesItsNumber) {
  for (int error = 1; error < 134; ++error) {
    const std::string cause = SystemCauseText(error);
    EXPECT_EQ(cause.find(std::strerror(error)), std::string::npos) << error << ": " << cause;
  }
  EXPECT_EQ(SystemCauseText(EFBIG), "fichier trop grand pour le système");
  EXPECT_EQ(SystemCauseText(EEXIST), "un fichier de ce nom existe déjà");
  EXPECT_EQ(SystemCauseText(ECONNRESET), "erreur du système n° " + std::to_string(ECONNRESET));
}

}  // namespace
}  // namespace vantor
