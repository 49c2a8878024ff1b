// SPDX-License-Identifier: GPL-3.0-or-later
// The fifteen settings files shipped in the repository's "sauvegarde" folder. They are
// produced by the program's own writer: running this test with
// VANTOR_WRITE_SHIPPED_SETTINGS=1 in the environment (re)writes them first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/Numbers.h"
#include "common/Rtf.h"
#include "common/SettingsStore.h"
#include "regulation/Regulation.h"

namespace vantor {
namespace {

struct Shipped {
  const char* file;
  std::string text;
};

const std::vector<Shipped>& ShippedValues() {
  static const std::vector<Shipped> values = {
      {"adr1", "$330"},
      {"adr2", "$340"},
      {"finalech", FormatFixed2(8)},
      {"valmoymini", FormatFixed2(2)},
      {"valmoymaxi", FormatFixed2(7)},
      {"amplimaxi", FormatFixed2(1.5L)},
      {"ordremaxi", FormatFixed2(10)},
      {"ordremini", FormatFixed2(-10)},
      {"kpmax", FormatFixed2(16)},
      {"kdmax", FormatFixed2(4)},
      {"kimax", FormatFixed2(2)},
      {"rd1itind", FormatFixed2(3)},
      {"rd2itind", FormatFixed2(1)},
      {"rd3itind", FormatFixed2(0)},
      {"pamo", "vanto"},
  };
  return values;
}

// Reads the shipped files with the program's relative paths, from the repository root.
class ShippedSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(VANTOR_SOURCE_DIR);
    const char* write = std::getenv("VANTOR_WRITE_SHIPPED_SETTINGS");
    if (write != nullptr && std::string(write) == "1")
      for (const Shipped& s : ShippedValues())
        SaveSetting(std::string("sauvegarde/") + s.file + ".rtf", s.text);
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  static long double Number(const char* file) {
    return StrToFloat(LoadSetting(std::string("sauvegarde/") + file + ".rtf", 4));
  }

  std::filesystem::path previous_;
};

TEST_F(ShippedSettingsTest, EveryFileIsTheWritersDocumentOfItsValue) {
  for (const Shipped& s : ShippedValues()) {
    const std::string path = std::string("sauvegarde/") + s.file + ".rtf";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(bytes, WriteRtf(s.text)) << path;
    RtfDocument doc;
    ASSERT_TRUE(ParseRtf(bytes, doc)) << path;
    EXPECT_EQ(doc.PlainText(), s.text + "\r\n") << path;
  }
}

TEST_F(ShippedSettingsTest, ValuesReadAsTheProgramReadsThemAndAgree) {
  EXPECT_EQ(StrToInt(LoadSetting("sauvegarde/adr1.rtf", 4)), 0x330);
  EXPECT_EQ(StrToInt(LoadSetting("sauvegarde/adr2.rtf", 4)), 0x340);
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 5), "vanto");
  EXPECT_EQ(Number("finalech"), 8);
  EXPECT_EQ(Number("valmoymini"), 2);
  EXPECT_EQ(Number("valmoymaxi"), 7);
  // Every periodic setpoint the shipped limits allow stays inside what the feedback can
  // show: above the floor under which its readings are ignored (with room for the
  // feedback's overshoot below a falling setpoint), below the converter's full scale.
  EXPECT_GE(Number("valmoymini") - Number("amplimaxi"), kFeedbackFloorVolts + 0.25L);
  EXPECT_LE(Number("valmoymaxi") + Number("amplimaxi"), kInputFullScaleVolts - 1);
  EXPECT_LE(Number("finalech"), kInputFullScaleVolts - 1);
  EXPECT_EQ(Number("ordremaxi"), 10);
  EXPECT_EQ(Number("ordremini"), -10);
  // Each gain range is 2 to the power (index + 1) of its radio index.
  const char* ranges[] = {"kpmax", "kdmax", "kimax"};
  const char* indexes[] = {"rd1itind", "rd2itind", "rd3itind"};
  for (int k = 0; k < 3; ++k) {
    const std::int64_t index = RoundHalfEven(Number(indexes[k]));
    EXPECT_GE(index, 0);
    EXPECT_LE(index, 5);
    EXPECT_EQ(RoundHalfEven(Number(ranges[k])), std::int64_t{2} << index) << ranges[k];
  }
  EXPECT_EQ(RoundHalfEven(Number("kpmax")), 16);
  EXPECT_EQ(RoundHalfEven(Number("kdmax")), 4);
  EXPECT_EQ(RoundHalfEven(Number("kimax")), 2);
}

}  // namespace
}  // namespace vantor
