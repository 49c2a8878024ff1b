// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A workstation without a main window: a plain widget to create the windows over, a
// regulation state and a run of its own, and a record of what the windows asked of it.
#include <QMenuBar>
#include <QWidget>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/VantorError.h"
#include "regulation/Regulation.h"
#include "regulation/RunEvents.h"
#include "regulation/Trial.h"
#include "session/Session.h"
#include "widgets/Workstation.h"

namespace vantor::testing {

class RecordingWorkstation : public Workstation {
 public:
  QWidget& Window() override { return window; }
  QMenu* AddMenu(const QString& title) override {
    QMenu* menu = menuBar->addMenu(title);
    menus.push_back(menu);
    return menu;
  }
  void AddStatusLine(QWidget* line) override {
    line->setParent(&window);
    statusLines.push_back(line);
  }
  void DisableDuringRuns(QAction* action) override { disabledDuringRuns.push_back(action); }
  void AddLiveTraceControl(QWidget* control) override {
    control->setParent(&window);
    liveTraceControls.push_back(control);
  }

  RegulationState& Regulation() override { return state; }
  void RangeChanged(OperatingRange range) override { rangesChanged.push_back(range); }
  Session& Bench() const override { return *session; }
  AcquisitionCard* Card() const override { return session->Card(); }
  AcquisitionCard& RequireCard() override { throw VantorError("pas de carte"); }
  void ObserveRuns(RunObserver& observer) override {
    events.Add(observer);
    ++observers;
  }
  const Trial& ShownRun() const override { return run; }
  std::string ShownRunCaption() const override { return caption; }
  void ReportExerciseWith(std::function<std::vector<std::string>()> lines) override {
    reportExercise = std::move(lines);
  }

  PasswordPurpose PasswordAskedFor() const override { return purpose; }
  void RequireTeacherPassword(std::function<void()> granted) override {
    ++passwordsRequired;
    teacherAction = std::move(granted);
  }
  std::function<void()> TakeTeacherAction() override {
    return std::exchange(teacherAction, nullptr);
  }
  void ShowSettings() override { ++settingsShown; }
  void SwitchToOpenLoop() override { ++loopOpenings; }

  const std::string& HelpTopic() const override { return helpTopic; }
  void SetHelpTopic(const std::string& topic) override { helpTopic = topic; }

  // First, so that the windows made over `window` go while they are still there.
  RunEvents events;
  std::unique_ptr<Session> session = std::make_unique<Session>(events, "");
  QWidget window;
  QMenuBar* menuBar = new QMenuBar(&window);
  RegulationState state;
  Trial run;
  std::string caption;
  std::string helpTopic;
  PasswordPurpose purpose = PasswordPurpose::Settings;
  std::function<void()> teacherAction;

  // What the windows asked, in order.
  std::vector<QMenu*> menus;
  std::vector<QWidget*> statusLines;
  std::vector<QAction*> disabledDuringRuns;
  std::vector<QWidget*> liveTraceControls;
  std::vector<OperatingRange> rangesChanged;
  std::function<std::vector<std::string>()> reportExercise;
  int observers = 0;
  int passwordsRequired = 0;
  int settingsShown = 0;
  int loopOpenings = 0;
};

}  // namespace vantor::testing
