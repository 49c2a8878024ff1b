// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the built regulateur-vantor-lot from a temporary folder holding its own settings
// (saved by the settings store) and reads back what it wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/SettingsStore.h"

namespace vantor::testing {

namespace fs = std::filesystem;

struct LotResult {
  int status = -1;
  std::string out, err;
};

inline std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The lines of a file, without the "# clé=valeur" lines that describe a run.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind('#', 0) != 0) lines.push_back(line);
  return lines;
}

inline std::vector<long> Fields(const std::string& line) {
  std::vector<long> out;
  std::istringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) out.push_back(std::stol(cell));
  return out;
}

class LotFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("lot-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
           "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "reglages" / "sauvegarde");
    const std::map<std::string, std::string> files = {
        {"adr1", "$330"},       {"adr2", "$340"},        {"finalech", "8.00"},
        {"valmoymini", "2.00"}, {"valmoymaxi", "7.00"},  {"amplimaxi", "3.00"},
        {"ordremaxi", "10.00"}, {"ordremini", "-10.00"}, {"kpmax", "16.00"},
        {"kdmax", "4.00"},      {"kimax", "2.00"}};
    for (const auto& [name, text] : files)
      SaveSetting((dir / "reglages" / "sauvegarde" / (name + ".rtf")).string(), text);
    csv = dir / "run.csv";
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs the tool from `dir` with the given arguments (already quoted where needed),
  // after the shell commands `before` (such as a ulimit).
  LotResult Lot(const std::string& args, const std::string& before = "") {
    const fs::path out = dir / "stdout", err = dir / "stderr";
    const std::string command = "cd '" + dir.string() + "' && " + before +
                                "'" VANTOR_LOT_PATH "' " + args + " >'" + out.string() + "' 2>'" +
                                err.string() + "'";
    const int raw = std::system(command.c_str());
    LotResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    return r;
  }
  std::string Settings() const { return "--dossier '" + (dir / "reglages").string() + "' "; }
  std::string Csv() const { return " --csv '" + csv.string() + "'"; }

  fs::path dir, csv;
};

}  // namespace vantor::testing
