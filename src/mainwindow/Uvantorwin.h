// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window TForm1: start-up, the student's controls (setpoint, gains, run),
// the trace chart and its gauges, the menus, the trace printout. It owns the whole
// regulation state and the card driver for the life of the program.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "card/AcquisitionCard.h"
#include "card/CardFactory.h"
#include "regulation/Regulation.h"
#include "regulation/Trial.h"
#include "session/Session.h"
#include "widgets/TChart.h"
#include "widgets/TGauge.h"
#include "widgets/TPanel.h"
#include "widgets/Workstation.h"

namespace vantor {

class TrialsMenu;
class IdentificationMenu;
class ControlLawsMenu;

class TForm1 : public QMainWindow, public Workstation, private LoopHost {
  Q_OBJECT
 public:
  // Opens the card once the base addresses are known (start-up step 4). May throw
  // VantorError (for example when port access is refused).
  using CardOpener = vantor::CardOpener;

  explicit TForm1(CardOpener openCard, QWidget* parent = nullptr);
  ~TForm1() override;

  // The other windows, created after this one in the program's fixed order.
  QDialog* Form2 = nullptr;         // analysis
  QDialog* Form3 = nullptr;         // tuning method
  QDialog* OKBottomDlg1 = nullptr;  // help texts
  QDialog* AboutBox = nullptr;      // about box
  QDialog* Form4 = nullptr;         // settings
  QDialog* Formpass = nullptr;      // password
  QDialog* OKBottomDlg2 = nullptr;  // wiring pictures
  // The "Essais" menu (after "Aide"): live trace, measures, runs kept, run files.
  TrialsMenu* Trials = nullptr;
  IdentificationMenu* Identification = nullptr;  // "Identification", after "Essais"
  // The relay test and the corrector's structure, at the end of the "Essais" menu.
  ControlLawsMenu* Laws = nullptr;

  // ---- State -------------------------------------------------------------------
  RegulationState State;
  std::int32_t ADR1 = 0;
  std::int32_t ADR2 = 0;
  std::string helpTopic;
  std::uint8_t passwordPurpose = 0;
  // Purpose 3: a teacher's window of the extras, opened by teacherAction once the
  // password is validated.
  std::function<void()> teacherAction;
  // Shows the password window for a teacher's window; `granted` runs once the password
  // is validated, never otherwise.
  void RequireTeacherPassword(std::function<void()> granted) override;
  // As RequireTeacherPassword for the commands a teacher may unlock for the session (the
  // open loop, the corrector's structure): `granted` runs at once while it is unlocked.
  void RequireUnlockablePassword(std::function<void()> granted);
  // True between "Déverrouiller pour la séance…" and "Verrouiller" (or the program's end).
  bool SessionUnlocked() const { return sessionUnlocked_; }
  // Runs use real-time scheduling and locked memory when the system permits it.
  bool RealTimeRuns = true;
  double zeroX = 0;
  double zeroY = 0;
  // The bench session: the card, the runs kept and the run shown, the journal.
  Session& Bench() const override { return *session_; }
  // The card, opened at start-up step 4; null when the start-up stopped before.
  AcquisitionCard* Card() const override { return session_->Card(); }
  // The card, or a French error when the start-up never reached the card.
  AcquisitionCard& RequireCard() override;
  // The start-up stopped because another program holds the card (its message shown):
  // the program ends there, its window never shown.
  bool CardHeldElsewhere() const { return cardHeldElsewhere_; }
  // What follows the runs besides the window (the session, the Essais menu, the
  // Simulation menu).
  RunEvents Events;

  // ---- Controls (object names as the program's forms name them) ----------------
  QMenu* fichier1 = nullptr;
  QAction* Reglagedesplagesdefonctionnement1 = nullptr;
  QAction* Changermotdepasse1 = nullptr;
  QAction* Deverrouillerpourlaseance1 = nullptr;  // "Déverrouiller pour la séance…"
  QAction* Verrouiller1 = nullptr;                // "Verrouiller"
  QMenu* boucle1 = nullptr;
  QAction* ouverte1 = nullptr;
  QAction* ferme1 = nullptr;
  QMenu* Sortie110v1 = nullptr;
  QAction* Active1 = nullptr;
  QAction* Inactive1 = nullptr;
  QAction* analyse1 = nullptr;
  QAction* Mthodederglage1 = nullptr;
  QMenu* Aide1 = nullptr;
  QAction* Configurationmatrielle1 = nullptr;
  QAction* Paramtrage1 = nullptr;
  QAction* Miseenoeuvredulogiciel1 = nullptr;
  QAction* Exemplebranchementsasservissementdeposition1 = nullptr;
  QAction* ExemplebranchementsasservissementdevitessemoteurCC1 = nullptr;
  QAction* Choixdutypedergulation1 = nullptr;
  QAction* Apropos1 = nullptr;
  QAction* Travauxpratiques1 = nullptr;

  TPanel* Panel1 = nullptr;  // left column
  QWidget* ToolBar1 = nullptr;
  QPushButton* BitBtn2 = nullptr;  // "impr"
  QPushButton* BitBtn1 = nullptr;  // "dézoom"
  QPushButton* Button9 = nullptr;  // "0 absolu"
  QPushButton* Button7 = nullptr;  // "?souris"
  TChart* Chart1 = nullptr;
  TFastLineSeries* Series1 = nullptr;
  TFastLineSeries* Series2 = nullptr;
  TFastLineSeries* Series3 = nullptr;
  TFastLineSeries* Series15 = nullptr;
  TFastLineSeries* Series17 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label15 = nullptr;

  TPanel* Panel2 = nullptr;  // middle column
  TPanel* Panel7 = nullptr;
  TPanel* Panel8 = nullptr;
  QLabel* Label11 = nullptr;
  TGauge* Gauge3 = nullptr;
  TGauge* Gauge4 = nullptr;
  QLabel* Label12 = nullptr;
  TPanel* Panel9 = nullptr;
  TGauge* Gauge1 = nullptr;
  TGauge* Gauge2 = nullptr;

  TPanel* Panel3 = nullptr;  // right column
  TPanel* Panel4 = nullptr;  // setpoint choice
  TPanel* Panel10 = nullptr;
  QWidget* ToolBar2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button10 = nullptr;
  TPanel* Panel15 = nullptr;
  TPanel* Panel14 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  TPanel* Panel11 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLabel* Label14 = nullptr;
  QLineEdit* Edit7 = nullptr;
  QLabel* freq = nullptr;
  QLineEdit* Edit4 = nullptr;
  TPanel* Panel17 = nullptr;

  TPanel* Panel5 = nullptr;  // gains
  TPanel* Panel13 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;

  TPanel* Panel6 = nullptr;  // run control
  TPanel* Panel12 = nullptr;
  QWidget* ToolBar3 = nullptr;
  QPushButton* Button5 = nullptr;  // "Début"
  QPushButton* Button6 = nullptr;  // "Fin"
  QLabel* Label16 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* PacingLabel = nullptr;  // late cycles of the last run, under the status line
  QLabel* Label9 = nullptr;
  QTextEdit* RichEdit1 = nullptr;

  // ---- Handlers ----------------------------------------------------------------
  void FormCreate();
  void ApplyColumnProportions();
  void demregClick();
  void arretregClick();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button10Click();
  void Reglagedesplagesdefonctionnement1Click();
  void Changermotdepasse1Click();
  void Deverrouillerpourlaseance1Click();
  void Verrouiller1Click();
  void ouverte1Click();
  void ferme1Click();
  void Active1Click();
  void Inactive1Click();
  void analyse1Click();
  void Mthodederglage1Click();
  void Configurationmatrielle1Click();
  void Paramtrage1Click();
  void Miseenoeuvredulogiciel1Click();
  void Exemplebranchementsasservissementdeposition1Click();
  void ExemplebranchementsasservissementdevitessemoteurCC1Click();
  void Choixdutypedergulation1Click();
  void Apropos1Click();
  void Travauxpratiques1Click();
  void Button7Click();
  void Chart1MouseMove(Qt::KeyboardModifiers shift, int x, int y);
  void Chart1DblClick();
  void Button9Click();
  void BitBtn1Click();
  void BitBtn2Click();
  // Asks "Fermer le programme?"; on OK stops a run and puts the outputs at rest.
  bool FormCloseQuery();

  // A command added beside the window's own (the simulated card's menu, for example)
  // that a run disables and enables with the others.
  void DisableDuringRuns(QAction* action) override;

  // Shows the help document of `topic` (a key word of kHelpDocuments).
  void ShowHelpViewer(const char* topic);
  // Redraws Series1, Series2 and Series3 from the run shown.
  void PlotRecord() override;
  // The run the main chart shows, and the analysis window, the measures and the printouts
  // read: the last run made here or the run file opened since; before the first run, an
  // empty record over the sample period the start-up set.
  const Trial& ShownRun() const override;
  // The setpoint and gain fields as the engine reads them.
  GainFields GainFieldTexts() const;
  void SetGainFieldTexts(const GainFields& f);

  // ---- Workstation: what the windows around this one reach (MainWindowWorkstation.cpp) --
  QWidget& Window() override { return *this; }
  QMenu* AddMenu(const QString& title) override;
  void AddStatusLine(QWidget* line) override;
  void AddLiveTraceControl(QWidget* control) override;
  RegulationState& Regulation() override { return State; }
  void RangeChanged(OperatingRange range) override;
  void ObserveRuns(RunObserver& observer) override { Events.Add(observer); }
  std::string ShownRunCaption() const override;
  void ReportExerciseWith(std::function<std::vector<std::string>()> lines) override;
  PasswordPurpose PasswordAskedFor() const override;
  std::function<void()> TakeTeacherAction() override;
  void ShowSettings() override;
  void SwitchToOpenLoop() override;
  const std::string& HelpTopic() const override { return helpTopic; }
  void SetHelpTopic(const std::string& topic) override { helpTopic = topic; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool runInProgress_ = false;   // between the start and the end of a run
  bool sessionUnlocked_ = false;
  bool cardHeldElsewhere_ = false;  // the teacher unlocked the open loop and the structure
  bool closeAsked_ = false;      // "Fermer le programme?" is open during a run
  bool closeConfirmed_ = false;  // answered OK during a run: close without asking again
  // LoopHost
  void BeepAndMessage(const std::string& text) override;
  SetpointFields GetSetpointFields() override;
  void SetSetpointFields(const SetpointFields& f) override;
  void SetRunControlsEnabled(bool enabled) override;
  void SetStatusText(const std::string& label1) override;
  void SetGauges(std::int32_t setpointHundredths, std::int32_t feedbackHundredths) override;
  void ProcessMessagesOnce() override;
  bool RealTimeWanted() const override { return RealTimeRuns; }

  void BuildMenus();
  void BuildLeftColumn(QWidget* central);
  void BuildMiddleColumn(QWidget* central);
  void BuildRightColumn(QWidget* central);
  void ApplySetpointButton(int button);
  // The loop mode (open: "Ouv", closed: "fermée"), its status line and the two commands of
  // the "Boucle" menu.
  void SetLoopMode(bool open);
  // Unlocks or locks again the commands of RequireUnlockablePassword, and says which in
  // the "Paramétrage" menu.
  void SetSessionUnlocked(bool unlocked);
  // Writes a range in force beside its field (and, for the periodic setpoints, the
  // field's starting value), from the regulation state.
  void ShowRange(OperatingRange range);
  void ShowModal(QDialog* dialog);
  void ShowModeless(QDialog* dialog);
  void Connect(QPushButton* button, void (TForm1::*handler)());
  void Connect(QAction* action, void (TForm1::*handler)());

  CardOpener openCard_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<RecordPlot> plot_;  // the points PlotRecord draws
  // What ShownRun gives before the first run.
  std::unique_ptr<Trial> noRun_ = std::make_unique<Trial>();
  QWidget* central_ = nullptr;
  std::vector<QPointer<QAction>> disabledDuringRuns_;
};

// The property of a gain or setpoint field (Edit1..Edit7) whose text "Début" would refuse:
// true while it is framed in red.
inline constexpr const char* kRefusedProperty = "refuseeAuDebut";

// Designed sizes the column rule works from.
constexpr int kMiddleColumnWidth = 126;

// Column widths and right-column panel heights for a client area of w × h.
struct ColumnGeometry {
  int left = 0, middle = kMiddleColumnWidth, right = 0;
  int panel4 = 0, panel5 = 0, panel6 = 0;
  int panel9 = 0, barGauge = 0;
};
ColumnGeometry ComputeColumnGeometry(int w, int h, int panel7Height, int panel8Height);

}  // namespace vantor
