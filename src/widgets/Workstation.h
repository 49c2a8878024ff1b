// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workstation as the windows around the main window see it: the settings, password
// and card choice windows, the analysis window, the help and wiring viewers, and the
// simulated workstation's menu. The main window implements it; those windows are given
// it instead of the main window itself, so that none of them depends on the main window
// (and the main window can be replaced by a test's double).
//
// The regulation's types are only named here: a window that uses them includes their
// headers and declares the regulation's folder in its build.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QString;
class QWidget;

namespace vantor {

class AcquisitionCard;
class RunObserver;
class Session;
struct RegulationState;
struct Trial;

// Why the password window is shown (the main window's passwordPurpose).
enum class PasswordPurpose : std::uint8_t {
  Settings = 0,       // the settings window
  NewPassword = 1,    // the change of password
  OpenLoop = 2,       // open-loop operation
  TeacherWindow = 3,  // a teacher's window of the extras
  SessionUnlock = 4,  // the open loop and the corrector's structure unlocked until the end
};

// The teacher's ranges the main window shows beside the fields they bound.
enum class OperatingRange {
  StepAmplitude,      // the step's largest amplitude (finalech)
  OrderLimits,        // the order's limits (ordremini, ordremaxi)
  PeriodicAmplitude,  // the periodic setpoints' largest amplitude (amplimaxi)
  PeriodicMean,       // the periodic setpoints' mean values (valmoymini, valmoymaxi)
  Kp,                 // kpmax
  Kd,                 // kdmax
  Ki,                 // kimax
};

class Workstation {
 public:
  // ---- The main window ----------------------------------------------------------------
  // The window the others are created over, and the parent of the boxes they show.
  virtual QWidget& Window() = 0;
  // Adds a menu at the end of the menu bar.
  virtual QMenu* AddMenu(const QString& title) = 0;
  // Places `line` (a label) just under the loop's status line, and takes ownership of it.
  virtual void AddStatusLine(QWidget* line) = 0;
  // A command added beside the main window's own that a run disables and enables with
  // them.
  virtual void DisableDuringRuns(QAction* action) = 0;
  // Places `control` in the live trace window's tool row, which stays usable during a
  // run, and gives it to that window.
  virtual void AddLiveTraceControl(QWidget* control) = 0;

  // ---- The regulation, the card, the runs ------------------------------------------------
  // The regulation state the runs start from: the teacher's ranges, the sample period,
  // the loop mode.
  virtual RegulationState& Regulation() = 0;
  // The teacher has just changed `range` in the regulation state: the main window shows
  // the new range beside its field and puts the field back inside it where it proposes a
  // value (step: three quarters of the limit, rounded; periodic setpoints: an amplitude
  // of 0.1 and the smallest mean value).
  virtual void RangeChanged(OperatingRange range) = 0;
  // The bench session: the runs kept, the run shown, the journal, what stands behind the
  // card.
  virtual Session& Bench() const = 0;
  // The card opened at start-up; null when the start-up stopped before it.
  virtual AcquisitionCard* Card() const = 0;
  // The card, or a French error when the start-up never reached it.
  virtual AcquisitionCard& RequireCard() = 0;
  // `observer` is told when a run starts, records a cycle and ends, from now on.
  virtual void ObserveRuns(RunObserver& observer) = 0;
  // The run the main chart shows: the last run made here or the run file opened since.
  virtual const Trial& ShownRun() const = 0;
  // The printed caption line of the run shown.
  virtual std::string ShownRunCaption() const = 0;
  // The lines of the lab report's exercise section, asked for each report (none: no
  // such section).
  virtual void ReportExerciseWith(std::function<std::vector<std::string>()> lines) = 0;

  // ---- The teacher's password ------------------------------------------------------------
  // Why the password window is being shown.
  virtual PasswordPurpose PasswordAskedFor() const = 0;
  // Shows the password window for a teacher's window; `granted` runs once the password
  // is validated, never otherwise.
  virtual void RequireTeacherPassword(std::function<void()> granted) = 0;
  // The teacher's window waiting for the password, taken (nothing is left waiting).
  virtual std::function<void()> TakeTeacherAction() = 0;
  // Shows the settings window modally; returns once it is closed.
  virtual void ShowSettings() = 0;
  // The password opened the loop: open-loop runs from now on, and the menu and the
  // status line say so.
  virtual void SwitchToOpenLoop() = 0;

  // ---- Help ------------------------------------------------------------------------------
  // The key word of the help document or picture asked for last.
  virtual const std::string& HelpTopic() const = 0;
  virtual void SetHelpTopic(const std::string& topic) = 0;

 protected:
  ~Workstation() = default;
};

}  // namespace vantor
