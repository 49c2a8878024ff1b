// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ChartTools.h"

#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/Numbers.h"
#include "lesson-core/StepMeasures.h"
#include "mainwindow/TrialsMenu.h"
#include "mainwindow/Uvantorwin.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

const QColor kCursorAColor(0, 150, 160);
const QColor kCursorBColor(190, 150, 0);
const QColor kTangentColor(120, 60, 0);

QString N(double v) {
  return ToQString(FormatFixed2(static_cast<long double>(v)));
}

}  // namespace

ChartTools::ChartTools(TForm1& form) : QObject(&form), form_(form), chart_(form.Chart1) {
  chart_->installEventFilter(this);
  window_ = new QDialog(&form);
  window_->setObjectName("FormCurseurs");
  window_->setWindowTitle("Curseurs et tangente");
  auto* column = new QVBoxLayout(window_);
  readings_ = new QLabel(window_);
  readings_->setObjectName("LabelCurseurs");
  readings_->setTextFormat(Qt::RichText);
  readings_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  readings_->setMinimumWidth(460);
  column->addWidget(readings_);
  auto* how = new QLabel(
      "Sur le graphe : Ctrl + clic gauche place le curseur A sur le retour, Ctrl + clic droit "
      "le curseur B, Ctrl + Maj + clic gauche trace la tangente au retour en ce point.",
      window_);
  how->setWordWrap(true);
  column->addWidget(how);
  Refresh();
}

bool ChartTools::eventFilter(QObject* watched, QEvent* event) {
  // The chart's last events come while the form is destroyed, after its own destructor:
  // they are told apart without reading the form.
  if (watched != chart_) return false;
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseButtonDblClick)
    return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (!(mouse->modifiers() & Qt::ControlModifier)) return false;
  // A Ctrl click belongs to the tools: the chart neither zooms nor pans nor sets its origin.
  if (type == QEvent::MouseButtonPress) {
    const bool shift = mouse->modifiers() & Qt::ShiftModifier;
    const int tool = mouse->button() == Qt::RightButton ? 1 : shift ? 2 : 0;
    const double time = chart_->PixelToValues(mouse->position().toPoint()).x();
    Guarded(&form_, [&] { Pick(tool, time); });
  }
  return true;
}

void ChartTools::Pick(int tool, double time) {
  const Trial* run = form_.Bench().ShownRun();
  if (!run) {
    Dialogs::Current().Message(&form_,
                               "Pas de courbe à lire : lancez un essai, ou ouvrez un essai "
                               "enregistré.");
    return;
  }
  const double period = run->SamplePeriodMs / 1000.0;
  const int last = std::min(run->LastEntry, kPlotEntries - 1);
  const int k = std::clamp(static_cast<int>(std::lround(time / period)), 0, std::max(0, last));
  const Cursor c{k * period, run->At(kSeriesFeedback, k) / 100.0};
  if (tool == 0) a_ = c;
  if (tool == 1) b_ = c;
  if (tool == 2) tangent_ = FeedbackTangent(*run, k);
  Draw();
  Refresh();
  ShowWindow();
}

void ChartTools::ShowWindow() {
  Refresh();
  // The read-outs grow with the tools placed: the window follows them.
  window_->adjustSize();
  window_->show();
  window_->raise();
}

void ChartTools::Clear() {
  a_.reset();
  b_.reset();
  tangent_.reset();
  Draw();
  Refresh();
}

void ChartTools::Draw() {
  TChart& chart = *form_.Chart1;
  if (!aSeries_) {
    aSeries_ = chart.AddSeries("SeriesCurseurA", "Curseur A", kCursorAColor, false);
    bSeries_ = chart.AddSeries("SeriesCurseurB", "Curseur B", kCursorBColor, false);
    tangentSeries_ = chart.AddSeries("SeriesTangenteOutil", "Tangente", kTangentColor, false);
  }
  const double low = chart.LeftAxis().Minimum(), high = chart.LeftAxis().Maximum();
  const auto vertical = [&](TFastLineSeries* s, const std::optional<Cursor>& c) {
    s->Clear();
    s->ShowInLegend = c.has_value();
    if (!c) return;
    s->AddXY(c->T, low);
    s->AddXY(c->T, high);
  };
  vertical(aSeries_, a_);
  vertical(bSeries_, b_);
  tangentSeries_->Clear();
  tangentSeries_->ShowInLegend = tangent_.has_value();
  if (tangent_ && tangent_->Slope != 0) {
    // Across the plot's height, within the bottom axis.
    double from = tangent_->TimeOf(low), to = tangent_->TimeOf(high);
    if (from > to) std::swap(from, to);
    from = std::max(from, chart.BottomAxis().Minimum());
    to = std::min(to, chart.BottomAxis().Maximum());
    tangentSeries_->AddXY(from, tangent_->At(from));
    tangentSeries_->AddXY(to, tangent_->At(to));
  }
  chart.update();
}

void ChartTools::Refresh() {
  QString html = "<table>";
  const auto row = [&html](const QString& name, const QString& value) {
    html += "<tr><td>" + name + "</td><td align='right'>&nbsp;&nbsp;<b>" + value + "</b></td></tr>";
  };
  row("Curseur A", a_ ? "t = " + N(a_->T) + " s, y = " + N(a_->Y) + " V" : QString("—"));
  row("Curseur B", b_ ? "t = " + N(b_->T) + " s, y = " + N(b_->Y) + " V" : QString("—"));
  if (a_ && b_)
    row("Δt = tB − tA, Δy = yB − yA",
        N(b_->T - a_->T) + " s, " + N(b_->Y - a_->Y) + " V");
  if (tangent_) {
    row("Tangente en", "t = " + N(tangent_->T) + " s, y = " + N(tangent_->Y) + " V");
    row("Pente", N(tangent_->Slope) + " V/s");
    const Trial* run = form_.Bench().ShownRun();
    const StepMeasures m = run ? MeasureStep(*run) : StepMeasures();
    if (m.Measured && tangent_->Slope != 0) {
      const double t0 = tangent_->TimeOf(m.InitialValue), tf = tangent_->TimeOf(m.FinalValue);
      row("Coupe y0 = " + N(m.InitialValue) + " V à", N(t0) + " s (t0 + " + N(t0 - m.StepTime) + " s)");
      row("Coupe yf = " + N(m.FinalValue) + " V à", N(tf) + " s (écart " + N(tf - t0) + " s)");
    }
  }
  readings_->setText(html + "</table>");
}

}  // namespace vantor
