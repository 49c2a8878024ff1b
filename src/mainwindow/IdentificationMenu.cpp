// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/IdentificationMenu.h"

#include <QMenuBar>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "lesson-core/Journal.h"
#include "lesson-core/StepMeasures.h"
#include "lesson-core/VirtualRun.h"
#include "mainwindow/ControlLawsMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "mainwindow/Uvantorwin.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

const QColor kModelColor(0, 140, 60);
const QColor kTangentColor(170, 0, 170);
const QColor kPredictionColor(230, 120, 0);
// A dashed line is drawn point to point: one point every 0.2 s keeps it dashed.
constexpr int kDashedStride = 4;
// The predicted run as long as the chart shows.
constexpr long kPredictedCycles = kPlotEntries - 1;

QString N(double v) {
  return ToQString(FormatFixed2(static_cast<long double>(v)));
}

// "(Kp 2, Kd 0, Ki 0.25)": the gains a predicted run was made with.
QString GainsText(const Trial& run) {
  return "(Kp " + ShortText(run.Kp) + ", Kd " + ShortText(run.Kd) + ", Ki " + ShortText(run.Ki) +
         ")";
}

}  // namespace

IdentificationMenu::IdentificationMenu(TForm1& form) : QObject(&form), form_(form) {
  form.Events.Add(*this);
  setObjectName("IdentificationMenu");
  // Right after "Essais", which the main window creates just before.
  Identification1 = form.menuBar()->addMenu("Identification");
  Identification1->setObjectName("Identification1");
  form.DisableDuringRuns(Identification1->menuAction());
  auto item = [this](const char* name, const QString& caption,
                     void (IdentificationMenu::*handler)()) {
    QAction* a = Identification1->addAction(caption);
    a->setObjectName(name);
    ConnectGuarded(a, &QAction::triggered, this, handler, &form_);
    return a;
  };
  Identificationduprocd1 = item("Identificationduprocd1", "Identification du procédé…",
                                &IdentificationMenu::Identificationduprocd1Click);
  Pompage1 = item("Pompage1", "Pompage (Ziegler–Nichols)…", &IdentificationMenu::Pompage1Click);
  Identification1->addSeparator();
  Prvoirlarponse1 =
      item("Prvoirlarponse1", "Prévoir la réponse", &IdentificationMenu::Prvoirlarponse1Click);
  Effacerlaprvision1 = item("Effacerlaprvision1", "Effacer la prévision",
                            &IdentificationMenu::Effacerlaprvision1Click);
  Identification1->addSeparator();
  Curseursettangente1 = item("Curseursettangente1", "Curseurs et tangente…",
                             &IdentificationMenu::Curseursettangente1Click);
  Identification1->addSeparator();
  Aidesurlidentification1 = item("Aidesurlidentification1", "Aide sur l'identification",
                                 &IdentificationMenu::Aidesurlidentification1Click);

  tools_ = new ChartTools(form);
  toolsRun_ = form.Bench().ShownRun();
  window_ = new IdentificationWindow(&form);
  window_->ModelChanged = [this] { DrawModel(); };
  window_->PredictRequested = [this] { Prvoirlarponse1Click(); };
  window_->HelpRequested = [this] { Aidesurlidentification1Click(); };
  window_->Gains()->Apply = [this](const BoundedGains& g) { ApplyGains(g); };
  pumping_ = new PumpingWindow(&form);
  pumping_->HelpRequested = [this] { Aidesurlidentification1Click(); };
  pumping_->Gains()->Apply = [this](const BoundedGains& g) { ApplyGains(g); };

  comparison_ = new QDialog(&form);
  comparison_->setObjectName("FormPrevision");
  comparison_->setWindowTitle("Réponse prévue et réponse de l'essai");
  auto* column = new QVBoxLayout(comparison_);
  comparisonText_ = new QLabel(comparison_);
  comparisonText_->setObjectName("LabelComparaison");
  comparisonText_->setTextFormat(Qt::RichText);
  comparisonText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(comparisonText_);
}

// ---------------------------------------------------------------------------------
// The model on the main chart

void IdentificationMenu::DrawModel() {
  const Identification* id = window_->Current();
  if (!id) {
    ClearModel();
    return;
  }
  if (!model_) {
    model_ = form_.Chart1->AddSeries("SeriesModele", "", kModelColor, false);
    model_->Dashed = true;
    tangent_ = form_.Chart1->AddSeries("SeriesTangente", "", kTangentColor, false);
  }
  const ProcessModelFit m = window_->ChosenModel();
  model_->Clear();
  model_->Title = "Modèle (" + ToQString(ModelName(m.Kind)) + ")";
  model_->ShowInLegend = true;
  const double period = window_->Run()->SamplePeriodMs / 1000.0;
  const int last = std::min(window_->Run()->LastEntry, kPlotEntries - 1);
  for (int k = 0; k <= last; k += kDashedStride)
    model_->AddXY(k * period,
                  m.Response(k * period, id->StepTime, id->InitialValue, id->InputChange));
  // The line read: the tangent between y0 and yf, or the ramp's asymptote from y0 on.
  tangent_->Clear();
  const bool stable = id->Type == ProcessType::Stable;
  const ChartLine& line = stable ? id->Tangent : id->Asymptote;
  tangent_->Title = stable ? "Tangente au point d'inflexion" : "Asymptote de la rampe";
  tangent_->ShowInLegend = true;
  const double from = line.TimeOf(id->InitialValue);
  const double to = stable ? line.TimeOf(id->FinalValue) : last * period;
  tangent_->AddXY(from, line.At(from));
  tangent_->AddXY(to, line.At(to));
  modelRun_ = window_->Source();
  form_.Chart1->update();
  // The Bode plot draws the model identified.
  if (form_.Laws) form_.Laws->FrequencyWindow()->RefreshModel();
}

void IdentificationMenu::ClearModel() {
  for (TFastLineSeries* s : {model_, tangent_}) {
    if (!s) continue;
    s->Clear();
    s->ShowInLegend = false;
  }
  modelRun_ = nullptr;
  form_.Chart1->update();
}

void IdentificationMenu::RecordPlotted() {
  if (modelRun_ && modelRun_ != form_.Bench().ShownRun()) ClearModel();
  if (toolsRun_ != form_.Bench().ShownRun()) {
    tools_->Clear();
    toolsRun_ = form_.Bench().ShownRun();
  }
  // A prediction belongs to the process it was identified on: a run on another process
  // takes it away, rather than being compared with it.
  const Trial* shown = form_.Bench().ShownRun();
  if (prediction_ && shown && shown->Process != predictionProcess_) Effacerlaprvision1Click();
  if (prediction_ && comparison_->isVisible()) ShowComparison();
}

// ---------------------------------------------------------------------------------
// Runs

void IdentificationMenu::RunStarted(const RegulationState&) {
  // Their buttons would change the gains of the run going on.
  window_->setEnabled(false);
  pumping_->setEnabled(false);
}

void IdentificationMenu::RunEnded(const RegulationState&) {
  window_->setEnabled(true);
  pumping_->setEnabled(true);
  // After the run that follows a prediction, both are shown with their measures; a run on
  // another process takes the prediction away.
  const Trial* shown = form_.Bench().ShownRun();
  if (prediction_ && shown && shown->Process != predictionProcess_) Effacerlaprvision1Click();
  if (prediction_) {
    ShowComparison();
    comparison_->show();
  }
}

// ---------------------------------------------------------------------------------
// Commands

void IdentificationMenu::Identificationduprocd1Click() {
  const RegulationState& s = form_.State;
  window_->ShowRun(form_.Bench().ShownRun(), s.kpmax, s.kdmax, s.kimax);
  if (window_->Current()) form_.Bench().NoteTool(form_.Bench().ShownRun(), kToolIdentification);
  DrawModel();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void IdentificationMenu::Pompage1Click() {
  const RegulationState& s = form_.State;
  pumping_->ShowRun(form_.Bench().ShownRun(), s.kpmax, s.kdmax, s.kimax);
  pumping_->show();
  pumping_->raise();
  pumping_->activateWindow();
}

void IdentificationMenu::ApplyGains(const BoundedGains& g) {
  // Through the fields and their own bounding, as typed values would go.
  GainFields fields{ToStdString(GainText(g.Kp)), ToStdString(GainText(g.Kd)),
                    ToStdString(GainText(g.Ki))};
  try {
    ReadGains(form_.State, fields);
  } catch (...) {
    form_.SetGainFieldTexts(fields);
    throw;
  }
  form_.SetGainFieldTexts(fields);
}

void IdentificationMenu::Prvoirlarponse1Click() {
  const Identification* id = window_->Current();
  if (!id || window_->Source() != form_.Bench().ShownRun()) {
    Dialogs::Current().Message(
        &form_,
        "Rien à prévoir : identifiez d'abord le procédé sur un essai en boucle ouverte "
        "(« Identification » → « Identification du procédé… »), puis choisissez de nouveau "
        "« Prévoir la réponse ».");
    return;
  }
  if (form_.State.SetpointKind != "echelon") {
    Dialogs::Current().Message(
        &form_,
        "La prévision se fait sur une consigne en échelon : cliquez sur « Echelon », réglez "
        "son amplitude, puis choisissez de nouveau « Prévoir la réponse ».");
    return;
  }
  // The gains and the step as "Début" would read them, on a copy of the state: the
  // workstation's fields and state stay as they are.
  auto settings = std::make_unique<RegulationState>(form_.State);
  GainFields gains = form_.GainFieldTexts();
  ReadGains(*settings, gains);
  const ProcessModelFit m = window_->ChosenModel();
  const double rest = id->InitialValue - (m.Integrating ? 0 : m.K * id->InitialInput);
  prediction_ = RunInVirtualTime(*settings, ProcessOfModel(m, rest, window_->Source()),
                                 ToStdString(form_.Edit5->text()), kPredictedCycles);
  predictionModel_ = ToQString(ModelName(m.Kind));
  predictionProcess_ = window_->Source()->Process;
  if (!predicted_) {
    predicted_ = form_.Chart1->AddSeries("SeriesPrevision", "", kPredictionColor, false);
    predicted_->Dashed = true;
  }
  predicted_->Clear();
  predicted_->Title = "Retour prévu " + GainsText(*prediction_);
  predicted_->ShowInLegend = true;
  const double period = prediction_->SamplePeriodMs / 1000.0;
  for (int k = 0; k < kPlotEntries && k <= prediction_->LastEntry; k += kDashedStride)
    predicted_->AddXY(k * period, prediction_->At(kSeriesFeedback, k) / 100.0);
  form_.Chart1->update();
  ShowComparison();
  comparison_->show();
}

void IdentificationMenu::Effacerlaprvision1Click() {
  prediction_.reset();
  if (predicted_) {
    predicted_->Clear();
    predicted_->ShowInLegend = false;
  }
  comparison_->hide();
  form_.Chart1->update();
}

void IdentificationMenu::Curseursettangente1Click() {
  tools_->ShowWindow();
}

void IdentificationMenu::Aidesurlidentification1Click() {
  form_.ShowHelpViewer("identification");
}

void IdentificationMenu::ShowComparison() {
  if (!prediction_) return;
  const Trial* shown = form_.Bench().ShownRun();
  // The run made after the prediction, if any: a closed-loop run shown instead of the
  // one identified.
  const Trial* after = shown && shown != window_->Source() && !shown->IsOpenLoop() &&
                               shown->Process == predictionProcess_
                           ? shown
                           : nullptr;
  const StepMeasures p = MeasureStep(*prediction_);
  const StepMeasures r = after ? MeasureStep(*after) : StepMeasures();
  auto cell = [](const StepMeasures& m, bool exists, double v) {
    return m.Measured && exists ? N(v) : QString("—");
  };
  struct Line {
    const char* name;
    const char* unit;
    std::function<QString(const StepMeasures&)> value;
  };
  const std::vector<Line> lines = {
      {"Temps de montée", "s",
       [&](const StepMeasures& m) {
         return cell(m, m.RiseTime.has_value(), m.RiseTime.value_or(0));
       }},
      {"Dépassement", "%", [&](const StepMeasures& m) { return cell(m, true, m.Overshoot); }},
      {"Temps de pic", "s", [&](const StepMeasures& m) { return cell(m, true, m.PeakTime); }},
      {"Temps de réponse à 5 %", "s",
       [&](const StepMeasures& m) { return cell(m, m.Settled, m.SettlingTime); }},
      {"Erreur statique", "V", [&](const StepMeasures& m) { return cell(m, true, m.StaticError); }},
  };
  QString html = "<p>Prévision : modèle « " + predictionModel_ + " », " +
                 GainsText(*prediction_).mid(1).chopped(1) + ", échelon de " +
                 ShortText(prediction_->StepLevel) + " V.</p><table>" +
                 "<tr><th></th><th>&nbsp;Prévue&nbsp;</th><th>&nbsp;" +
                 (after ? QString("Essai %1").arg(after->Number) : QString("Essai suivant")) +
                 "&nbsp;</th><th></th></tr>";
  for (const Line& l : lines)
    html += "<tr><td>" + QString(l.name) + "</td><td align='right'>" + l.value(p) +
            "</td><td align='right'>" + (after ? l.value(r) : QString("—")) + "</td><td>" + l.unit +
            "</td></tr>";
  html += "</table>";
  if (!after)
    html +=
        "<p>Lancez l'essai (« Début ») avec ces gains : les deux réponses seront alors "
        "tracées et mesurées côte à côte.</p>";
  comparisonText_->setText(html);
}

}  // namespace vantor
