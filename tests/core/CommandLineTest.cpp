// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CommandLine.h"

namespace vantor {
namespace {

std::string Unknown(std::vector<const char*> args, bool card) {
  args.insert(args.begin(), "regulateur-vantor");
  return UnknownWorkstationArgument(static_cast<int>(args.size()), args.data(), {card});
}

TEST(CommandLineTest, OnlyTheWorkstationsOwnOptionsAreAccepted) {
  EXPECT_EQ(Unknown({}, false), "");
  EXPECT_EQ(Unknown({"--dossier", "/srv/vantor"}, false), "");
  EXPECT_EQ(Unknown({"--dossier=/srv/vantor", "--aide"}, false), "");
  // A value that looks like an option is the option's value.
  EXPECT_EQ(Unknown({"--dossier", "--carte"}, false), "");
  EXPECT_EQ(Unknown({"--carte", "usb:auto", "--dossier", "tp"}, true), "");
  EXPECT_EQ(Unknown({"--dosier", "/srv/vantor"}, false), "--dosier");
  EXPECT_EQ(Unknown({"--dossiers=tp"}, false), "--dossiers=tp");
  EXPECT_EQ(Unknown({"--carte", "isa"}, false), "--carte");
  EXPECT_EQ(Unknown({"--dossier", "tp", "essai.csv"}, true), "essai.csv");
}

}  // namespace
}  // namespace vantor
