// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis window on a workstation: the main window on the simulated card, the
// analysis window created beside it as the program creates it, and runs driven through
// the main window's controls.
#include <QTimer>
#include <functional>

#include "WorkstationFixture.h"
#include "analysis/Uanalyse.h"

namespace vantor::testing {

class AnalysisFixture : public WorkstationFixture {
 protected:
  void SetUp() override {
    WorkstationFixture::SetUp();
    TForm1& f = CreateMainWindow();
    form2 = new TForm2(f);  // owned by the main window, as in the program
    f.Form2 = form2;
  }

  // A step run of the position loop: step `level` volts from cycle 50, gains Kp, Kd, Ki.
  void StepRun(const char* level, const char* kp, const char* kd, const char* ki, int cycles) {
    form->Button1->click();
    form->Edit5->setText(level);
    form->Edit1->setText(kp);
    form->Edit2->setText(kd);
    form->Edit3->setText(ki);
    RunFor(cycles);
  }

  // "Analyse" from the main window; `whileOpen` runs inside the modal showing, then the
  // window is closed. Returns false if the window never opened.
  bool OpenAnalysis(const std::function<void()>& whileOpen = {}) {
    bool opened = false;
    QTimer::singleShot(0, form2, [&] {
      opened = form2->isVisible();
      if (whileOpen) whileOpen();
      form2->close();
    });
    form->analyse1->trigger();
    return opened;
  }

  // The ten charts' bottom axes all show [start, end].
  ::testing::AssertionResult AllWindowsAre(double start, double end, double tolerance = 0) {
    for (TChart* c : form2->ZoomOrder()) {
      const double s = c->BottomAxis().Minimum(), e = c->BottomAxis().Maximum();
      if (std::abs(s - start) > tolerance || std::abs(e - end) > tolerance)
        return ::testing::AssertionFailure() << c->objectName().toStdString() << " shows " << s
                                             << "-" << e << ", expected " << start << "-" << end;
    }
    return ::testing::AssertionSuccess();
  }

  TForm2* form2 = nullptr;
};

}  // namespace vantor::testing
