// SPDX-License-Identifier: GPL-3.0-or-later
// The printouts of a fixed lesson in virtual time, written into the folder named by
// VANTOR_PRINTOUTS for tools/compare-printouts.sh, which compares them between two builds
// (a change that must not alter what is printed). Skipped without the variable.
#include <QDir>
#include <cstdlib>

#include "AnalysisFixture.h"
#include "mainwindow/TrialsMenu.h"

namespace vantor::testing {
namespace {

class PrintoutsKept : public AnalysisFixture {};

TEST_F(PrintoutsKept, TraceComparisonAndAnalysisOfALesson) {
  const char* folder = std::getenv("VANTOR_PRINTOUTS");
  if (!folder) GTEST_SKIP() << "VANTOR_PRINTOUTS not set";
  const QDir out(QString::fromLocal8Bit(folder));
  TForm1& f = *form;
  f.resize(1024, 740);
  StepRun("4", "1", "0", "0", 200);
  StepRun("6", "2", "0.1", "0.2", 300);
  form->Button2->click();  // a sine after two steps
  form->Edit4->setText("0.5");
  RunFor(300);
  dialogs.pdfPath = out.filePath("trace.pdf");
  f.BitBtn2->click();
  f.Trials->Compareraveclesessaisprcdents1->trigger();
  dialogs.pdfPath = out.filePath("comparaison.pdf");
  f.BitBtn2->click();
  f.Trials->Essaiseul1->trigger();
  dialogs.pdfPath = out.filePath("analyse.pdf");
  ASSERT_TRUE(OpenAnalysis([&] { form2->imprimer1->trigger(); }));
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  for (const char* name : {"trace.pdf", "comparaison.pdf", "analyse.pdf"})
    EXPECT_TRUE(QFileInfo(out.filePath(name)).size() > 0) << name;
}

}  // namespace
}  // namespace vantor::testing
