// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window with its settings and password windows, on a temporary copy of the
// shipped settings.
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "WorkstationFixture.h"
#include "common/SettingsStore.h"
#include "settings/Upass.h"
#include "settings/Ureglage.h"

namespace vantor::testing {

class SettingsFixture : public WorkstationFixture {
 protected:
  void SetUp() override {
    WorkstationFixture::SetUp();
    TForm1& f = CreateMainWindow();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
    // As the program creates them: children of the main window, held by it.
    form4 = new TForm4(f);
    f.Form4 = form4;
    pass = new TFormpass(f);
    f.Formpass = pass;
  }

  // The whole text of a settings file, as the store reads it.
  static std::string Stored(const std::string& path) { return LoadSetting(path, 100); }

  // Makes a settings file impossible to replace: a folder takes its name.
  void BlockWrites(const std::string& relative) {
    std::filesystem::remove(Path(relative));
    std::filesystem::create_directory(Path(relative));
  }
  void UnblockWrites(const std::string& relative) { std::filesystem::remove(Path(relative)); }

  void WritePlainFile(const std::string& relative, const std::string& content) {
    std::ofstream(Path(relative), std::ios::binary | std::ios::trunc) << content;
  }

  // Runs `inside` once the next modal loop has started (from a zero timer).
  static void WhenModal(const std::function<void()>& inside) { QTimer::singleShot(0, inside); }

  TForm4* form4 = nullptr;
  TFormpass* pass = nullptr;
};

}  // namespace vantor::testing
