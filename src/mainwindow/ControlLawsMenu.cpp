// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ControlLawsMenu.h"

#include <QMenu>
#include <algorithm>
#include <memory>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "lesson-core/Journal.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "mainwindow/Uvantorwin.h"
#include "widgets/ErrorReport.h"
#include "widgets/FramePlacement.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

void ShowWindow(QDialog* w) {
  w->show();
  w->raise();
  w->activateWindow();
}

}  // namespace

ControlLawsMenu::ControlLawsMenu(TForm1& form) : QObject(&form), form_(form) {
  setObjectName("ControlLawsMenu");
  form.Events.Add(*this);
  form.Bench().Add(*this);
  QMenu* menu = form.Trials->Essais1;
  menu->addSeparator();
  Essaiderelais1 = menu->addAction("Essai de relais…");
  Essaiderelais1->setObjectName("Essaiderelais1");
  ConnectGuarded(Essaiderelais1, &QAction::triggered, this, &ControlLawsMenu::Essaiderelais1Click,
                 &form_);
  Structureducorrecteur1 = menu->addAction("Structure du correcteur…");
  Structureducorrecteur1->setObjectName("Structureducorrecteur1");
  ConnectGuarded(Structureducorrecteur1, &QAction::triggered, this,
                 &ControlLawsMenu::Structureducorrecteur1Click, &form_);

  Reponsefrequentielle1 = menu->addAction("Réponse fréquentielle…");
  Reponsefrequentielle1->setObjectName("Reponsefrequentielle1");
  ConnectGuarded(Reponsefrequentielle1, &QAction::triggered, this,
                 &ControlLawsMenu::Reponsefrequentielle1Click, &form_);

  frequency_ = new FrequencyResponseWindow(&form);
  frequency_->Sweep = [this] { RunSweep(); };
  frequency_->CurrentGains = [this] { return FieldGains(); };
  frequency_->IdentifiedModel = [this]() -> std::optional<ProcessModelFit> {
    // The identification menu comes after this one in the menu bar.
    const IdentificationWindow* w = form_.Identification ? form_.Identification->Window() : nullptr;
    if (!w || !w->Current()) return std::nullopt;
    return w->ChosenModel();
  };
  relay_ = new RelayTestWindow(&form);
  relay_->Launch = [this](const RelaySettings& r) { LaunchRelayTest(r); };
  relay_->Apply = [this](const GainProposal& g) { ApplyProposal(g); };
  structure_ = new CorrectorStructureWindow(&form);
  structure_->Applied = [this] { ApplyStructure(); };
  structure_->ManualChanged = [this](bool manual, double order) {
    industrial_.SetManual(manual, order);
  };
  structure_->CurrentOrder = [this] { return static_cast<double>(industrial_.LastOrder()); };
  structure_->LabelInForce->setText("En vigueur : le correcteur du poste.");
}

void ControlLawsMenu::Essaiderelais1Click() {
  // ε from the noise of a run on the process the test will run on, not another's.
  relay_->Propose(form_.Bench().LastRunOnCurrentProcess());
  ShowWindow(relay_);
}

void ControlLawsMenu::Structureducorrecteur1Click() {
  // The industrial regulator's settings are the teacher's, as the ranges are (unless the
  // teacher unlocked them for the session).
  form_.RequireUnlockablePassword([this] {
    ShowGains();
    ShowWindow(structure_);
  });
}

void ControlLawsMenu::Reponsefrequentielle1Click() {
  frequency_->RefreshModel();
  if (!frequencyPlaced_) {
    // First opened over the right column down to "Mise en service": "Début" and "Fin"
    // stay in view through a sweep, and so does the main chart.
    frequencyPlaced_ = true;
    (new FramePlacement(*frequency_, [this] {
      const QWidget* column = form_.Panel3;
      const QPoint topLeft = column->mapToGlobal(QPoint(0, 0));
      const int bottom = form_.Panel6->mapTo(column, QPoint(0, 0)).y();
      return QRect(topLeft, QSize(column->width(), bottom)).intersected(WorkAreaOf(*frequency_));
    }))->Apply();
  }
  ShowWindow(frequency_);
}

LoopGains ControlLawsMenu::FieldGains() const {
  // The gain fields as typed, which the next "Début" reads (bounded as it bounds them);
  // the gain in force for a field that does not convert.
  const GainFields typed = form_.GainFieldTexts();
  const RegulationState& s = form_.State;
  const auto field = [](const std::string& text, std::int32_t bound, long double inForce) {
    try {
      return static_cast<double>(
          std::clamp<long double>(StrToFloat(text), 0, static_cast<long double>(bound)));
    } catch (const VantorError&) {
      return static_cast<double>(inForce);
    }
  };
  return {field(typed.Edit1, s.kpmax, s.Kp), field(typed.Edit3, s.kimax, s.Ki),
          field(typed.Edit2, s.kdmax, s.Kd)};
}

void ControlLawsMenu::CycleRecorded(const RegulationState& s) {
  if (sweeping_ && s.RecordPos >= kRecordLastEntry) form_.State.StopRequested = 1;
}

void ControlLawsMenu::RunSweep() {
  const std::vector<double> frequencies = SweepFrequencies(6, form_.State.SamplePeriodMs);
  sweeping_ = true;
  try {
    for (double f : frequencies) {
      form_.Button2->click();  // "Sinus.", with the student's mean and amplitude
      form_.Edit4->setText(ToQString(FormatShort(f)));
      const Trial* before = form_.Bench().ShownRun();
      form_.demregClick();
      const Trial* run = form_.Bench().ShownRun();
      // "Fin" during the sweep ends it.
      if (!run || run == before || run->LastEntry < kRecordLastEntry) break;
    }
  } catch (...) {
    sweeping_ = false;
    throw;
  }
  sweeping_ = false;
}

void ControlLawsMenu::ShowGains() {
  // The fields as typed, which the next "Début" reads; the gains in force otherwise.
  const GainFields fields = form_.GainFieldTexts();
  auto read = [](const std::string& text, long double inForce) {
    try {
      return static_cast<double>(StrToFloat(text));
    } catch (const VantorError&) {
      return static_cast<double>(inForce);
    }
  };
  structure_->ShowGains(read(fields.Edit1, form_.State.Kp), read(fields.Edit2, form_.State.Kd),
                        read(fields.Edit3, form_.State.Ki));
}

void ControlLawsMenu::RunStarted(const RegulationState&) {
  relay_->SetRunning(true);
  structure_->SetRunning(true, &LawOfRun(form_.State) == &industrial_);
  frequency_->SetRunning(true);
}

void ControlLawsMenu::RunRecorded(const Trial& run) {
  relay_->SetRunning(false);
  structure_->SetRunning(false, false);
  frequency_->SetRunning(false);
  ShowGains();
  // Each sine run adds its point (or says why it has none).
  if (run.SetpointKind == "sin") {
    frequency_->AddRun(run);
    // Made with the frequency-response window open: its point goes in the lab report.
    if (frequency_->isVisible()) form_.Bench().NoteTool(&run, kToolFrequency);
  }
  frequency_->RefreshModel();
}

void ControlLawsMenu::LaunchRelayTest(const RelaySettings& settings) {
  RegulationState& s = form_.State;
  if (OpenLoopMode(s))
    throw VantorError(
        "L'essai de relais se fait en boucle fermée : menu « Boucle », « fermée », puis relancer "
        "l'essai");
  relayTest_ = std::make_unique<RelayLaw>(settings, RelayLaw::Use::Test);
  s.Law = relayTest_.get();
  const Trial* before = form_.Bench().ShownRun();
  try {
    form_.demregClick();
  } catch (...) {
    s.Law = chosen_;
    throw;
  }
  s.Law = chosen_;
  const Trial* run = form_.Bench().ShownRun();
  if (!run || run == before) return;  // no run (no setpoint chosen): the message was given
  relay_->ShowResult(AnalyseRelay(*run, settings));
}

void ControlLawsMenu::ApplyProposal(const GainProposal& g) {
  // Into the fields within their bounds, as "Début" will read them; the gains in force
  // change only at the next "Début", as when the student types them.
  GainFields fields{FormatShort(g.Kp), FormatShort(g.Kd()), FormatShort(g.Ki())};
  auto bounds = std::make_unique<RegulationState>();
  bounds->kpmax = form_.State.kpmax;
  bounds->kdmax = form_.State.kdmax;
  bounds->kimax = form_.State.kimax;
  ReadGains(*bounds, fields);
  form_.SetGainFieldTexts(fields);
}

void ControlLawsMenu::ApplyStructure() {
  RegulationState& s = form_.State;
  switch (structure_->TypedChoice()) {
    case CorrectorStructureWindow::Choice::Part:
      chosen_ = nullptr;
      break;
    case CorrectorStructureWindow::Choice::Industrial:
      industrial_.SetSettings(structure_->TypedPid());
      chosen_ = &industrial_;
      break;
    case CorrectorStructureWindow::Choice::OnOff:
      onOff_ = std::make_unique<RelayLaw>(structure_->TypedOnOff(), RelayLaw::Use::OnOff);
      chosen_ = onOff_.get();
      break;
  }
  s.Law = chosen_;
  structure_->LabelInForce->setText(
      chosen_ ? "En vigueur pour les prochains essais : " + ToQString(chosen_->Caption()) + "."
              : QString("En vigueur : le correcteur du poste."));
}

}  // namespace vantor
