// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven through its controls on the simulated card.
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMessageBox>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <fstream>
#include <vector>

#include "WorkstationFixture.h"
#include "card/CardLock.h"
#include "common/VantorError.h"
#include "common/Numbers.h"
#include "common/SettingsStore.h"
#include "regulation/PrintCaption.h"
#include "widgets/Printer.h"

namespace vantor::testing {
namespace {

class MainWindowTest : public WorkstationFixture {
 protected:
  // Clicks "Début" and lets `cycles` message turns of the run pass before `inRun` runs
  // and "Fin" is clicked. Returns once the run has ended.
  void RunFor(int cycles, const std::function<void()>& inRun = {}) {
    int turns = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++turns == cycles) {
        if (inRun) inRun();
        form->Button6->click();
      }
    });
    timer.start();
    form->Button5->click();
    timer.stop();
  }
};

TEST_F(MainWindowTest, StartUpWritesTheRangeCaptionsAndMenuStates) {
  TForm1& f = CreateMainWindow();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(f.ADR1, 816);
  EXPECT_EQ(f.ADR2, 832);
  EXPECT_EQ(f.Label4->text(), "Amplitude (0 à 8)");
  EXPECT_EQ(f.Label7->text(), "Valeur moyenne: (2à7)");
  EXPECT_EQ(f.Edit6->text(), "2");
  EXPECT_EQ(f.Label14->text(), "Amplitude (0.1 à 1.5)");
  EXPECT_EQ(f.Edit7->text(), "0.1");
  EXPECT_EQ(f.Label16->text(), "Limites de l'ordre de commande:-10volts / 10volts");
  EXPECT_EQ(f.Label3->text(), "Kp (0 à 16)");
  EXPECT_EQ(f.Label5->text(), "Kd (0 à 4) en seconde");
  EXPECT_EQ(f.Label6->text(), "Ki (0 à 2) en (1/seconde)");
  EXPECT_EQ(f.Panel15->Caption(), "Consigne:? ");
  EXPECT_EQ(f.Label9->text(), "Boucle fermée");
  EXPECT_EQ(f.Label1->text(), "Régulation arrêtée: pour démarrer, Début");
  EXPECT_FALSE(f.ferme1->isEnabled());
  EXPECT_FALSE(f.Inactive1->isEnabled());
  EXPECT_TRUE(f.ouverte1->isEnabled());
  EXPECT_TRUE(f.Active1->isEnabled());
  EXPECT_EQ(f.Edit1->text(), "0");
  EXPECT_EQ(f.Edit2->text(), "0");
  EXPECT_EQ(f.Edit3->text(), "0");
  EXPECT_EQ(f.State.LoopMode, "fermee");
  EXPECT_EQ(f.State.StopRequested, 1);
  EXPECT_EQ(f.State.SamplePeriodMs, 50);
  EXPECT_EQ(f.State.SetpointPeriod, 100.0L);
  ASSERT_NE(f.Card(), nullptr);
  EXPECT_EQ(IsaDriver(f)->Output2Count, 2048);
  EXPECT_EQ(IsaDriver(f)->Output1Count, 0);
  EXPECT_EQ(IsaDriver(f)->RangeUnipolar, 1);
}

TEST_F(MainWindowTest, StartUpIgnoresACommaLocale) {
  const char* previous = std::setlocale(LC_ALL, "fr_FR.UTF-8");
  if (!previous) GTEST_SKIP() << "fr_FR.UTF-8 locale not installed";
  TForm1& f = CreateMainWindow();
  std::setlocale(LC_ALL, "C");
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(f.Edit7->text(), "0.1");
  EXPECT_EQ(f.State.valmoymini, 2.0L);
}

TEST_F(MainWindowTest, AMissingSettingStopsTheStartUpWhereItFails) {
  std::filesystem::remove(Path("sauvegarde/kdmax.rtf"));
  TForm1& f = CreateMainWindow();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Impossible d'ouvrir le fichier sauvegarde/kdmax.rtf.");
  EXPECT_EQ(f.State.kpmax, 16);
  EXPECT_EQ(f.State.kdmax, 0);
  EXPECT_EQ(f.State.kimax, 0);
  EXPECT_EQ(f.Label3->text(), "Kp (0 à 16)");
  EXPECT_EQ(f.Label5->text(), "Kd ");
  EXPECT_EQ(f.Label6->text(), "Ki");
  EXPECT_TRUE(f.isWindow());
}

TEST_F(MainWindowTest, AValueTheSettingsWindowWouldRefuseStopsTheStartUp) {
  // 1e99 V as the lowest order would drive output 2 to full scale from the first cycle.
  SaveSetting(Path("sauvegarde/ordremini.rtf").string(), "1e99");
  TForm1& f = CreateMainWindow();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0],
            "Valeur '1e99' hors des limites acceptées par la fenêtre de réglage : de -999 à "
            "9999.\nFichier : sauvegarde/ordremini.rtf");
  EXPECT_EQ(f.State.ordremini, 0);
  EXPECT_EQ(f.Label16->text(), "limites ordre de commande");
  EXPECT_EQ(f.Label9->text(), "");
  EXPECT_EQ(f.Label3->text(), "Kp ");
}

TEST_F(MainWindowTest, AMissingAddressLeavesTheCardUntouched) {
  std::filesystem::remove(Path("sauvegarde/adr1.rtf"));
  TForm1& f = CreateMainWindow();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Impossible d'ouvrir le fichier sauvegarde/adr1.rtf.");
  EXPECT_EQ(f.Card(), nullptr);
  EXPECT_EQ(f.State.StopRequested, 0);
  EXPECT_EQ(f.State.SamplePeriodMs, 0);
  EXPECT_EQ(f.State.LoopMode, "");
  EXPECT_EQ(f.Label3->text(), "Kp ");
  // A command that needs the card says why it cannot run instead of touching ports.
  f.Active1->trigger();
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_TRUE(dialogs.errors[1].startsWith("La carte d'acquisition n'a pas été initialisée"));
}

TEST_F(MainWindowTest, StartWithoutASetpointAsksForOne) {
  TForm1& f = CreateMainWindow();
  f.Edit1->setText("99");
  f.Button5->click();
  EXPECT_EQ(dialogs.messages, QStringList{"Entrer une consigne"});
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(f.Edit1->text(), "16");  // the gains are read and bounded first
  EXPECT_EQ(f.Label1->text(), "Régulation arrêtée: pour démarrer, Début");
  EXPECT_TRUE(f.Button5->isEnabled());
  EXPECT_EQ(f.Series1->Count(), 1901);
}

TEST_F(MainWindowTest, AStepRunDisablesTheCommandsMovesTheGaugesAndPlotsTheRecord) {
  TForm1& f = CreateMainWindow();
  f.show();
  f.Button1->click();
  EXPECT_EQ(f.Panel15->Caption(), "Consigne: Echelon");
  EXPECT_EQ(f.Edit5->text(), "6");
  EXPECT_FALSE(f.Panel14->isHidden());
  EXPECT_TRUE(f.Panel11->isHidden());
  f.Edit1->setText("1.5");
  bool disabledDuringRun = false;
  QString statusDuringRun;
  bool pacingShownDuringRun = true;
  RunFor(120, [&] {
    pacingShownDuringRun = f.PacingLabel->isVisible();
    disabledDuringRun = !f.Button5->isEnabled() && !f.Panel4->isEnabled() &&
                        !f.Panel5->isEnabled() && !f.analyse1->isEnabled() &&
                        !f.fichier1->menuAction()->isEnabled() && f.Button6->isEnabled() &&
                        f.Sortie110v1->menuAction()->isEnabled();
    statusDuringRun = f.Label1->text();
  });
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_TRUE(disabledDuringRun);
  EXPECT_EQ(statusDuringRun, "Régulation en cours: pour arrêter,Fin");
  EXPECT_EQ(f.Label1->text(), "Régulation arrêtée: pour démarrer, Début");
  // Next to the status line, after the run only: how many of its cycles came late.
  EXPECT_FALSE(pacingShownDuringRun);
  EXPECT_TRUE(f.PacingLabel->isVisible());
  EXPECT_TRUE(f.PacingLabel->text().startsWith("Cycles en retard (plus de 55 ms) : "));
  EXPECT_TRUE(f.PacingLabel->text().endsWith(" sur 120")) << f.PacingLabel->text().toStdString();
  EXPECT_TRUE(f.Button5->isEnabled());
  EXPECT_TRUE(f.Panel4->isEnabled());
  EXPECT_TRUE(f.analyse1->isEnabled());
  EXPECT_EQ(IsaDriver(f)->Output2Count, 2048);
  EXPECT_EQ(f.State.Order, 0.0L);
  // The step (6 V from cycle 50) reached the gauges, in hundredths of a volt.
  EXPECT_EQ(f.Gauge1->Progress(), 600);
  EXPECT_EQ(f.Gauge3->Progress(), 600);
  EXPECT_GT(f.Gauge2->Progress(), 0);
  // The pie at 60 %: a red sector from noon past 3 o'clock on a white disk, the window's
  // teal around the disk.
  const QImage pie = f.Gauge3->grab().toImage();
  const QPoint centre = pie.rect().center();
  EXPECT_EQ(pie.pixelColor(1, 1), QColor(0, 128, 128));
  EXPECT_EQ(pie.pixelColor(centre + QPoint(30, 0)), QColor(Qt::red));
  EXPECT_EQ(pie.pixelColor(centre - QPoint(30, 0)), QColor(Qt::white));
  // The chart shows the record: 1901 points from 0 to 95 s, the step at 2.5 s.
  ASSERT_EQ(f.Series1->Count(), 1901);
  ASSERT_EQ(f.Series2->Count(), 1901);
  EXPECT_EQ(f.Series3->Count(), 0);
  EXPECT_NEAR(f.Series1->XValue(1900), 95.0, 1e-9);
  EXPECT_EQ(f.Series1->YValue(49), 0.0);
  EXPECT_EQ(f.Series1->YValue(50), 6.0);
  EXPECT_GT(f.Series2->YValue(100), 0.5);
}

TEST_F(MainWindowTest, APeriodicRunDrawsTheMeanLine) {
  TForm1& f = CreateMainWindow();
  f.Button2->click();
  EXPECT_EQ(f.Panel15->Caption(), "Consigne: Sinusoïde ");
  EXPECT_EQ(f.Edit4->text(), "0.01");
  f.Edit4->setText("5");
  f.Edit6->setText("4");
  f.Edit7->setText("0.05");
  RunFor(5);
  EXPECT_EQ(f.Edit4->text(), "2");
  EXPECT_EQ(f.Edit7->text(), "0.1");
  ASSERT_EQ(f.Series3->Count(), 1901);
  EXPECT_EQ(f.Series3->YValue(0), 4.0);
  EXPECT_EQ(f.Series3->YValue(1900), 4.0);
}

TEST_F(MainWindowTest, ABadSetpointFieldLeavesTheWindowUsableAndTheRecordIntact) {
  TForm1& f = CreateMainWindow();
  f.Button1->click();
  RunFor(60);
  const std::int32_t before = f.State.RecordAt(kSeriesSetpoint, 55);
  ASSERT_EQ(before, 600);
  f.Button3->click();
  f.Edit4->setText("abc");
  f.Button5->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "'abc' n'est pas une valeur en virgule flottante correcte.");
  EXPECT_TRUE(f.Button5->isEnabled());
  EXPECT_TRUE(f.Panel4->isEnabled());
  EXPECT_EQ(f.State.RecordAt(kSeriesSetpoint, 55), before);
  f.Edit4->setText("0");
  f.Button5->click();
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_EQ(dialogs.errors[1], "Division par zéro en virgule flottante.");
  EXPECT_TRUE(f.Button5->isEnabled());
}

TEST_F(MainWindowTest, AFieldDebutWouldRefuseIsFramedAsItIsTypedWithDebutsMessage) {
  TForm1& f = CreateMainWindow();
  f.Button1->click();
  for (QLineEdit* field : {f.Edit1, f.Edit2, f.Edit3, f.Edit5}) {
    SCOPED_TRACE(field->objectName().toStdString());
    field->clear();
    QTest::keyClicks(field, "4,2");
    EXPECT_TRUE(field->property(kRefusedProperty).toBool());
    EXPECT_TRUE(field->styleSheet().contains("red"));
    // The tooltip gives what « Début » says of the field: the refusal is the same.
    const QString tip = field->toolTip();
    const auto errors = dialogs.errors.size();
    f.Button5->click();
    ASSERT_EQ(dialogs.errors.size(), errors + 1);
    EXPECT_TRUE(tip.startsWith("« Début » refusera ce champ :")) << tip.toStdString();
    EXPECT_TRUE(tip.endsWith(dialogs.errors.last())) << tip.toStdString();
    EXPECT_TRUE(dialogs.errors.last().contains("Utilisez le point comme séparateur décimal (4.2)"));
    EXPECT_TRUE(f.Button5->isEnabled());  // refused at « Début », as before
    // Corrected as it is typed, the frame and the tooltip go.
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, ".2");
    EXPECT_FALSE(field->property(kRefusedProperty).toBool());
    EXPECT_TRUE(field->styleSheet().isEmpty());
    EXPECT_TRUE(field->toolTip().isEmpty());
  }
  // A number out of range is no refusal: « Début » brings it back within the range.
  f.Edit1->setText("99");
  EXPECT_FALSE(f.Edit1->property(kRefusedProperty).toBool());
}

TEST_F(MainWindowTest, ACardHeldByAnotherProgramEndsTheStartUpForTheProgramToEnd) {
  QTemporaryDir locks;
  ASSERT_TRUE(locks.isValid());
  const std::string folder = locks.path().toStdString();
  // Another program holds the ISA card at the addresses the start-up reads ($330/$340).
  CardLock other = CardLock::TakeIsaCard(0x330, 0x340, folder);
  std::vector<CardLock> mine;
  auto opener = [&](std::int32_t adr1, std::int32_t adr2) -> std::unique_ptr<AcquisitionCard> {
    mine.push_back(CardLock::TakeIsaCard(static_cast<std::uint16_t>(adr1),
                                         static_cast<std::uint16_t>(adr2), folder));
    return std::make_unique<AD2var>(card, adr1, adr2);
  };
  form = std::make_unique<TForm1>(opener);
  EXPECT_TRUE(form->CardHeldElsewhere());
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].startsWith("La carte d'acquisition en $330/$340 est déjà utilisée"))
      << dialogs.errors[0].toStdString();
  EXPECT_EQ(form->Card(), nullptr);
  EXPECT_TRUE(mine.empty());

  // Another failure of the start-up keeps the window, to show what to correct.
  form.reset();
  dialogs.errors.clear();
  form = std::make_unique<TForm1>([](std::int32_t, std::int32_t) -> std::unique_ptr<AcquisitionCard> {
    throw VantorError("Accès refusé aux ports de la carte");
  });
  EXPECT_FALSE(form->CardHeldElsewhere());
  EXPECT_EQ(dialogs.errors.size(), 1);

  // The card free again, the start-up takes it.
  form.reset();
  dialogs.errors.clear();
  { CardLock released = std::move(other); }
  form = std::make_unique<TForm1>(opener);
  EXPECT_FALSE(form->CardHeldElsewhere());
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_NE(form->Card(), nullptr);
  EXPECT_EQ(mine.size(), 1u);
}

TEST_F(MainWindowTest, LoopAndOutputMenus) {
  TForm1& f = CreateMainWindow();
  f.Active1->trigger();
  EXPECT_EQ(IsaDriver(f)->Output1Count, 4095);
  EXPECT_FALSE(f.Active1->isEnabled());
  EXPECT_TRUE(f.Inactive1->isEnabled());
  f.Inactive1->trigger();
  EXPECT_EQ(IsaDriver(f)->Output1Count, 0);
  EXPECT_TRUE(f.Active1->isEnabled());
  f.State.LoopMode = "Ouv";
  f.ferme1->setEnabled(true);
  f.ferme1->trigger();
  EXPECT_EQ(f.State.LoopMode, "fermée");
  EXPECT_EQ(f.Label9->text(), "Boucle fermée");
  EXPECT_FALSE(f.ferme1->isEnabled());
  EXPECT_TRUE(f.ouverte1->isEnabled());
}

TEST_F(MainWindowTest, ClosingAsksForConfirmation) {
  TForm1& f = CreateMainWindow();
  f.show();
  dialogs.confirmAnswers = {false};
  f.close();
  EXPECT_EQ(dialogs.confirmations, QStringList{"Fermer le programme?"});
  EXPECT_TRUE(f.isVisible());
}

TEST_F(MainWindowTest, ClosingDuringARunAsksWhileTheLoopGoesOnAndOkEndsItAtRest) {
  TForm1& f = CreateMainWindow();
  f.show();
  f.Button1->click();
  f.Active1->trigger();
  int turns = 0;
  std::int32_t askedAt = 0, answeredAt = 0;
  bool printDuringRun = true;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++turns;
    if (turns == 20) printDuringRun = f.BitBtn2->isEnabled();
    if (turns == 25) {
      // A tool that starts runs, reached during one, starts none within it.
      const std::int32_t before = f.State.RecordPos;
      f.demregClick();
      EXPECT_EQ(f.State.RecordPos, before);
    }
    if (turns == 30 || turns == 50) {
      f.close();
      f.close();  // a second click while the question is open asks nothing more
      askedAt = f.State.RecordPos;
    }
    // "Annuler" after ten cycles under the open question: the run goes on.
    if (turns == 40 && !dialogs.asks.empty()) {
      EXPECT_GE(f.State.RecordPos, askedAt + 9) << "the loop stood still under the question";
      auto answer = dialogs.asks.front();
      dialogs.asks.pop_front();
      answer(false);
    }
    if (turns == 60 && !dialogs.asks.empty()) {
      auto answer = dialogs.asks.front();
      dialogs.asks.pop_front();
      answeredAt = f.State.RecordPos;
      answer(true);
    }
    if (turns == 200) f.Button6->click();  // never reached when OK ended the run
  });
  timer.start();
  f.Button5->click();  // returns once the run has ended
  timer.stop();
  EXPECT_EQ(dialogs.confirmations,
            (QStringList{"Fermer le programme?", "Fermer le programme?"}));
  EXPECT_EQ(dialogs.waitedDuringRun, 0);
  EXPECT_FALSE(printDuringRun) << "« impr » opens a print dialog: disabled during a run";
  EXPECT_TRUE(f.BitBtn2->isEnabled());
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.State.StopRequested, 1);
  EXPECT_EQ(IsaDriver(f)->Output2Count, 2048);
  EXPECT_EQ(IsaDriver(f)->Output1Count, 0);
  // OK ends the run within one cycle.
  EXPECT_GE(f.State.RecordPos, answeredAt);
  EXPECT_LE(f.State.RecordPos, answeredAt + 1);
  EXPECT_GE(answeredAt, 55);
}

TEST_F(MainWindowTest, DuringARunNoBoxRunsAnEventLoopOfItsOwn) {
  // The program's own dialogs, not the scripted ones: a box that waited would hang here.
  DialogsScope real(nullptr);
  Dialogs::SetRunInProgress(true);
  QtDialogs& d = static_cast<QtDialogs&>(Dialogs::Current());
  EXPECT_FALSE(d.Confirm(nullptr, "Question ?"));
  Printer& printer = Printer::Instance();
  EXPECT_FALSE(d.PrintDialog(nullptr, printer));
  EXPECT_TRUE(d.OpenFileName(nullptr, "Ouvrir", ".", "Essais (*.csv)").isEmpty());
  QDialog modal;
  EXPECT_EQ(d.Exec(modal), QDialog::Rejected);
  d.Message(nullptr, "Un message");
  Dialogs::SetRunInProgress(false);
  // Each refusal said why, and the message is shown: none of them waits for its box.
  int refusals = 0, messages = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box || !box->isVisible()) continue;
    refusals += box->text() == QString::fromUtf8(kWaitForRunEndText);
    messages += box->text() == "Un message";
    box->close();
  }
  EXPECT_EQ(refusals, 4);
  EXPECT_EQ(messages, 1);
}

TEST_F(MainWindowTest, ColumnsKeepTheirProportionsAtAnySize) {
  TForm1& f = CreateMainWindow();
  f.show();
  for (QSize size : {QSize(792, 600), QSize(1280, 900), QSize(1001, 777)}) {
    f.resize(size);
    QApplication::processEvents();
    EXPECT_EQ(f.Panel1->width(), f.Panel3->width());
    EXPECT_EQ(f.Panel2->width(), 126);
    EXPECT_LE(std::abs(f.Panel1->width() * 2 + 126 - f.centralWidget()->width()), 1);
    EXPECT_EQ(f.Gauge1->height(), f.Panel9->height() - 10);
    EXPECT_EQ(f.Gauge2->height(), f.Panel9->height() - 10);
    EXPECT_EQ(f.Panel1->height(), f.centralWidget()->height());
  }
}

TEST_F(MainWindowTest, ReadOutOriginMarkersAndUndoZoom) {
  TForm1& f = CreateMainWindow();
  f.resize(1200, 800);
  f.show();
  QApplication::processEvents();
  const QRect plot = f.Chart1->ChartRect();
  const QPoint inside = plot.center();
  QCursor::setPos(f.Chart1->mapToGlobal(inside));
  f.Chart1MouseMove(Qt::NoModifier, inside.x(), inside.y());
  const QPointF v = f.Chart1->CursorToValues();
  EXPECT_EQ(f.Label15->text().toStdString(), FormatReadout(v.y()) + " /" + FormatReadout(v.x()));
  // Outside the plotting rectangle the read-out keeps its text.
  const QString kept = f.Label15->text();
  f.Chart1MouseMove(Qt::NoModifier, 1, 1);
  EXPECT_EQ(f.Label15->text(), kept);

  // A double-click fixes the origin and draws one pair of marker lines.
  for (int i = 0; i < 2; ++i) {
    QCursor::setPos(f.Chart1->mapToGlobal(inside + QPoint(10 * i, 5 * i)));
    f.Chart1DblClick();
  }
  const QPointF o = f.Chart1->CursorToValues();
  EXPECT_DOUBLE_EQ(f.zeroX, o.x());
  EXPECT_DOUBLE_EQ(f.zeroY, o.y());
  ASSERT_EQ(f.Series15->Count(), 2);
  ASSERT_EQ(f.Series17->Count(), 2);
  EXPECT_EQ(f.Series15->YValue(0), 0.0);
  EXPECT_EQ(f.Series15->YValue(1), 10.0);
  EXPECT_EQ(f.Series17->XValue(0), 0.0);
  EXPECT_EQ(f.Series17->XValue(1), 30.0);
  f.Chart1MouseMove(Qt::NoModifier, inside.x(), inside.y());
  EXPECT_EQ(f.Label15->text(), "0.00 /0.00");

  f.Button9->click();
  EXPECT_EQ(f.Label15->text(), "0.00 /0.00");
  EXPECT_EQ(f.Series15->Count(), 0);
  EXPECT_EQ(f.zeroX, 0.0);

  // "dézoom" with no zoom changes nothing; after a zoom it restores the ranges.
  f.BitBtn1->click();
  EXPECT_EQ(f.Chart1->BottomAxis().Maximum(), 30.0);
  f.Chart1->ZoomRect(QRect(plot.topLeft() + QPoint(20, 20), QSize(100, 80)));
  EXPECT_LT(f.Chart1->BottomAxis().Maximum(), 30.0);
  f.BitBtn1->click();
  EXPECT_EQ(f.Chart1->BottomAxis().Minimum(), 0.0);
  EXPECT_EQ(f.Chart1->BottomAxis().Maximum(), 30.0);
  EXPECT_EQ(f.Chart1->LeftAxis().Maximum(), 10.0);
}

QString PdfText(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(MainWindowTest, TracePrintoutCarriesTheCaptionLine) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
  TForm1& f = CreateMainWindow();
  f.resize(1200, 800);
  f.show();
  f.Button1->click();
  f.Edit5->setText("2");
  f.Edit1->setText("1.5");
  f.Edit3->setText("0.2");
  RunFor(60);
  Printer& printer = Printer::Instance();
  printer.SetOrientation(TPrinterOrientation::poLandscape);
  dialogs.pdfPath = QString::fromStdString(Path("trace.pdf").string());
  f.BitBtn2->click();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_EQ(f.Chart1->PrintResolution, -25);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  const QString text = PdfText(dialogs.pdfPath);
  // pdftotext folds runs of blanks; the exact spacing is checked on the caption itself.
  EXPECT_TRUE(text.simplified().contains(
      "Consigne: Echelon(amplitude:2.000) , Kp:1.500, Kd:0.000, Ki:0.200"))
      << text.toStdString();
  EXPECT_EQ(BuildPrintCaption(f.Panel15->Caption().toStdString(), f.State),
            "Consigne: Echelon(amplitude:2.000)  , Kp:1.500, Kd:0.000, Ki:0.200");
  EXPECT_TRUE(text.contains("temps (seconde)"));
  // Another setpoint chosen and another gain typed after the run do not relabel it.
  f.Button2->click();
  f.Edit1->setText("3");
  dialogs.pdfPath = QString::fromStdString(Path("trace2.pdf").string());
  f.BitBtn2->click();
  EXPECT_TRUE(PdfText(dialogs.pdfPath)
                  .simplified()
                  .contains("Consigne: Echelon(amplitude:2.000) , Kp:1.500, Kd:0.000, Ki:0.200"));
  printer.SetOrientation(TPrinterOrientation::poPortrait);
}

TEST_F(MainWindowTest, ACancelledPrintDialogPrintsNothing) {
  TForm1& f = CreateMainWindow();
  dialogs.printDialogAnswer = false;
  dialogs.pdfPath = QString::fromStdString(Path("none.pdf").string());
  f.BitBtn2->click();
  EXPECT_FALSE(std::filesystem::exists(Path("none.pdf")));
  EXPECT_FALSE(Printer::Instance().Printing());
}

}  // namespace
}  // namespace vantor::testing
