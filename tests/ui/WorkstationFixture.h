// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared fixture of the window tests: a temporary working directory holding a copy of
// the shipped settings and course material, scripted dialogs, the simulated card in
// virtual time, and the main window created on it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <memory>

#include "ScriptedDialogs.h"
#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "mainwindow/Uvantorwin.h"
#include "simulation/Clock.h"
#include "widgets/Dialogs.h"
#include "widgets/Printer.h"

namespace vantor::testing {

// The driver of the ISA card behind the window, to look at its registers.
inline AD2var* IsaDriver(const TForm1& f) {
  return dynamic_cast<AD2var*>(f.Card());
}

inline void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::create_directories(to);
  if (std::filesystem::exists(from))
    std::filesystem::copy(from, to,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
}

class WorkstationFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    previousDir = std::filesystem::current_path();
    const std::filesystem::path src(VANTOR_SOURCE_DIR);
    const std::filesystem::path dst(work.path().toStdString());
    for (const char* folder : {"sauvegarde", "aide", "méthode"})
      CopyTree(src / folder, dst / folder);
    std::filesystem::current_path(dst);
    scope = std::make_unique<DialogsScope>(&dialogs);
  }

  void TearDown() override {
    form.reset();
    scope.reset();
    std::filesystem::current_path(previousDir);
  }

  // Creates the main window (its creation runs the start-up) on the simulated card.
  TForm1& CreateMainWindow() {
    form = std::make_unique<TForm1>(IsaCardOpener(card));
    form->RealTimeRuns = false;  // runs in virtual time: no real-time scheduling
    return *form;
  }

  // Clicks "Début", lets `turns` message turns of the run pass, then, after `atLastTurn`
  // has looked at the windows, clicks "Fin".
  void RunFor(int turns, const std::function<void()>& atLastTurn = {}) {
    int turn = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++turn != turns) return;
      if (atLastTurn) atLastTurn();
      form->Button6->click();
    });
    timer.start();
    form->Button5->click();
    timer.stop();
  }

  std::filesystem::path Path(const std::string& relative) const {
    return std::filesystem::path(work.path().toStdString()) / relative;
  }

  QTemporaryDir work;
  std::filesystem::path previousDir;
  ScriptedDialogs dialogs;
  std::unique_ptr<DialogsScope> scope;
  VirtualClock clock;
  SimulatedCard card{clock};  // the position motor behind the factory addresses
  std::unique_ptr<TForm1> form;
};

}  // namespace vantor::testing
