// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/FrequencyResponseWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <cmath>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/NumberField.h"
#include "widgets/Printer.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

constexpr double kLowHz = 0.01, kHighHz = 2.0;
constexpr double kTopDb = 10, kBottomDb = -40;
constexpr double kTopDeg = 0, kBottomDeg = -360;

}  // namespace

BodeView::BodeView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(560, 420);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
}

void BodeView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int left = 60, right = width() - 20, gap = 30;
  const int plotHeight = (height() - 3 * gap - 20) / 2;
  const QRect gain(left, gap, right - left, plotHeight);
  const QRect phase(left, 2 * gap + plotHeight, right - left, plotHeight);
  auto x = [&](double f) {
    return left + (std::log10(f) - std::log10(kLowHz)) /
                      (std::log10(kHighHz) - std::log10(kLowHz)) * (right - left);
  };
  auto y = [](const QRect& r, double v, double top, double bottom) {
    return r.top() + (top - v) / (top - bottom) * r.height();
  };
  for (const auto& [r, top, bottom, step, title] :
       {std::tuple{gain, kTopDb, kBottomDb, 10.0, "Gain (dB)"},
        std::tuple{phase, kTopDeg, kBottomDeg, 45.0, "Phase (degrés)"}}) {
    p.setPen(QColor(220, 220, 220));
    for (double f : {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 2.0})
      p.drawLine(QPointF(x(f), r.top()), QPointF(x(f), r.bottom()));
    for (double v = bottom; v <= top + 1e-9; v += step)
      p.drawLine(QPointF(r.left(), y(r, v, top, bottom)), QPointF(r.right(), y(r, v, top, bottom)));
    p.setPen(Qt::black);
    p.drawRect(r);
    p.drawText(QPointF(r.left(), r.top() - 6), title);
    for (double v = bottom; v <= top + 1e-9; v += step * (step < 20 ? 1 : 2))
      p.drawText(QRectF(0, y(r, v, top, bottom) - 8, left - 6, 16),
                 Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
  }
  for (double f : {0.01, 0.1, 1.0})
    p.drawText(QRectF(x(f) - 30, phase.bottom() + 2, 60, 16), Qt::AlignCenter,
               QString::number(f) + " Hz");
  if (Model) {
    // The model as the points measure it: the order held over each period, the process,
    // and the mean of ten readings, sampled every 50 ms.
    SampledLoop loop;
    loop.Process = LinearOfModel(*Model);
    QPainterPath g, ph;
    bool first = true;
    double unwrapped = 0;
    for (int i = 0; i <= 200; ++i) {
      const double f = kLowHz * std::pow(kHighHz / kLowHz, i / 200.0);
      const std::complex<double> v = SampledPlantResponse(loop, f);
      const double arg = std::arg(v) * 180 / M_PI;
      unwrapped = i == 0 ? arg : unwrapped + std::remainder(arg - unwrapped, 360.0);
      const QPointF a(x(f), y(gain, 20 * std::log10(std::abs(v)), kTopDb, kBottomDb));
      const QPointF b(x(f), y(phase, unwrapped, kTopDeg, kBottomDeg));
      if (first) {
        g.moveTo(a);
        ph.moveTo(b);
        first = false;
      } else {
        g.lineTo(a);
        ph.lineTo(b);
      }
    }
    p.save();
    p.setClipRect(gain.united(phase));
    p.setPen(QPen(QColor(0, 130, 0), 1.5));
    p.drawPath(g);
    p.drawPath(ph);
    p.restore();
  }
  for (const FrequencyPoint& pt : Points) {
    const QColor c = pt.OpenLoop ? Qt::blue : Qt::red;
    p.setPen(c);
    p.setBrush(c);
    p.drawEllipse(QPointF(x(pt.Frequency), y(gain, pt.GainDb, kTopDb, kBottomDb)), 3.5, 3.5);
    p.drawEllipse(QPointF(x(pt.Frequency), y(phase, pt.Phase, kTopDeg, kBottomDeg)), 3.5, 3.5);
  }
  p.setPen(Qt::black);
  p.drawText(QPointF(left, height() - 6),
             "bleu : boucle ouverte (procédé) ; rouge : boucle fermée ; vert : modèle");
}

FrequencyResponseWindow::FrequencyResponseWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormFrequentiel");
  setWindowTitle("Réponse fréquentielle");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  view_ = new BodeView(this);
  view_->setObjectName("Bode");
  column->addWidget(view_, 1);
  LabelLast =
      new QLabel("Chaque essai à consigne sinusoïdale (bouton « Sinus. ») ajoute un point.", this);
  LabelLast->setObjectName("LabelDernier");
  LabelLast->setWordWrap(true);
  column->addWidget(LabelLast);
  auto* model = new QHBoxLayout();
  model->addWidget(new QLabel("Modèle : K", this));
  EditK = new QLineEdit(this);
  EditK->setObjectName("EditModeleK");
  model->addWidget(EditK);
  model->addWidget(new QLabel("T (s)", this));
  EditT = new QLineEdit(this);
  EditT->setObjectName("EditModeleT");
  model->addWidget(EditT);
  model->addWidget(new QLabel("retard (s)", this));
  EditL = new QLineEdit(this);
  EditL->setObjectName("EditModeleL");
  model->addWidget(EditL);
  ButtonModel = new QPushButton("Tracer le modèle", this);
  ButtonModel->setObjectName("ButtonModele");
  model->addWidget(ButtonModel);
  column->addLayout(model);
  LabelModel = new QLabel(this);
  LabelModel->setObjectName("LabelModele");
  LabelModel->setWordWrap(true);
  column->addWidget(LabelModel);
  LabelMargins = new QLabel(this);
  LabelMargins->setObjectName("LabelMarges");
  LabelMargins->setWordWrap(true);
  column->addWidget(LabelMargins);
  auto* buttons = new QHBoxLayout();
  ButtonSweep = new QPushButton("Balayage", this);
  ButtonSweep->setObjectName("ButtonBalayage");
  ButtonClear = new QPushButton("Effacer les points", this);
  ButtonClear->setObjectName("ButtonEffacer");
  ButtonPrint = new QPushButton("Imprimer", this);
  ButtonPrint->setObjectName("ButtonImprimer");
  for (QPushButton* b : {ButtonSweep, ButtonClear, ButtonPrint}) buttons->addWidget(b);
  column->addLayout(buttons);
  ConnectGuarded(ButtonClear, &QPushButton::clicked, this, &FrequencyResponseWindow::Clear);
  ConnectGuarded(ButtonPrint, &QPushButton::clicked, this, &FrequencyResponseWindow::Print);
  ConnectGuarded(ButtonModel, &QPushButton::clicked, this, &FrequencyResponseWindow::ModelClick);
  ConnectGuarded(ButtonSweep, &QPushButton::clicked, this, &FrequencyResponseWindow::SweepClick);
  resize(700, 700);
}

void FrequencyResponseWindow::AddRun(const Trial& run) {
  const FrequencyPoint p = AnalyseFrequencyResponse(run);
  if (!p.Measured) {
    LabelLast->setText("Essai " + QString::number(run.Number) + " : pas de point, " +
                       ToQString(p.Reason) + ".");
    return;
  }
  view_->Points.push_back(p);
  LabelLast->setText(QString("Essai %1 (%2) : %3 Hz, gain %4 dB (%5), phase %6°, sur %7 périodes.")
                         .arg(run.Number)
                         .arg(p.OpenLoop ? "boucle ouverte" : "boucle fermée")
                         .arg(p.Frequency, 0, 'g', 4)
                         .arg(p.GainDb, 0, 'f', 2)
                         .arg(p.Gain, 0, 'f', 3)
                         .arg(p.Phase, 0, 'f', 1)
                         .arg(p.Periods));
  view_->update();
}

void FrequencyResponseWindow::Clear() {
  view_->Points.clear();
  LabelLast->setText("Points effacés.");
  view_->update();
}

std::optional<DelayedFirstOrder> FrequencyResponseWindow::TypedModel() const {
  if (EditK->text().trimmed().isEmpty() && EditT->text().trimmed().isEmpty() &&
      EditL->text().trimmed().isEmpty())
    return std::nullopt;
  DelayedFirstOrder m;
  m.K = ReadNumberField(EditK, "Gain K du modèle");
  m.T = ReadNumberField(EditT, "Constante de temps T du modèle");
  m.L = ReadNumberField(EditL, "Retard du modèle");
  if (!(m.T > 0)) throw VantorError("La constante de temps T du modèle doit être positive");
  if (!(m.L >= 0)) throw VantorError("Le retard du modèle doit être positif ou nul");
  if (m.K == 0) throw VantorError("Le gain K du modèle ne peut pas être nul");
  return m;
}

namespace {

QString Seconds(double v) {
  return QString::number(v, 'g', 3) + " s";
}

// "Strejc (n = 3) : K = 1.02, T = 2.1 s, retard 0.84 s".
QString ModelText(const ProcessModelFit& m) {
  QString text = ToQString(ModelName(m.Kind));
  if (m.Integrating)
    return text + QString(" : intégrateur, k = %1 /s, retard %2")
                      .arg(m.K, 0, 'g', 3)
                      .arg(Seconds(m.Delay));
  if (m.Order > 1) text += QString(" (n = %1)").arg(m.Order);
  return text + QString(" : K = %1, T = %2, retard %3")
                    .arg(m.K, 0, 'g', 3)
                    .arg(Seconds(m.T))
                    .arg(Seconds(m.Delay));
}

}  // namespace

void FrequencyResponseWindow::RefreshModel() {
  const std::optional<ProcessModelFit> found =
      IdentifiedModel ? IdentifiedModel() : std::optional<ProcessModelFit>();
  identified_ = found.has_value();
  for (QWidget* w : std::initializer_list<QWidget*>{EditK, EditT, EditL, ButtonModel})
    w->setEnabled(!identified_);
  if (found) {
    view_->Model = found;
    LabelModel->setText("Modèle identifié, en vert : " + ModelText(*found) +
                        " (menu « Identification »).");
  } else if (typed_) {
    view_->Model = AsModelFit(*typed_);
    LabelModel->setText("Modèle saisi, en vert : " + ModelText(*view_->Model) + ".");
  } else {
    view_->Model.reset();
    LabelModel->setText(
        "Pas de modèle : identifiez le procédé (menu « Identification ») ou saisissez un "
        "premier ordre avec retard ci-dessus.");
  }
  ShowMargins(CurrentGains ? CurrentGains() : LoopGains{});
  view_->update();
}

void FrequencyResponseWindow::ShowMargins(const LoopGains& gains) {
  if (!view_->Model) {
    // The model's line above already says how to get one.
    LabelMargins->clear();
    LabelMargins->hide();
    return;
  }
  SampledLoop loop;
  loop.Process = LinearOfModel(*view_->Model);
  loop.Gains = gains;
  const SampledMargins m = ComputeSampledMargins(loop);
  const auto n = [](double v, int digits) {
    return QString::number(v, 'g', digits).replace('.', ',');
  };
  QString text = QString("Boucle échantillonnée (correcteur discret, sortie tenue 50 ms, moyenne "
                         "des dix mesures, retard), modèle %1 : %2.")
                     .arg(identified_ ? "identifié" : "saisi")
                     .arg(ToQString(LinearProcessText(loop.Process)));
  if (!m.Computed) {
    LabelMargins->setText(text + " Pas de marges : " + ToQString(m.Reason) + ".");
    LabelMargins->show();
    return;
  }
  if (m.HasCriticalGain)
    text += " Correcteur P seul : gain critique Kc = " + n(m.Kc, 3) +
            ", période critique Tc = " + n(m.Tc, 3) + " s.";
  text += " Avec Kp = " + n(gains.Kp, 4) + ", Ki = " + n(gains.Ki, 4) + ", Kd = " +
          n(gains.Kd, 4) + " : ";
  text += m.HasGainMargin ? "marge de gain " + n(m.GainMarginDb, 3) + " dB (à " +
                                n(m.PhaseCrossover, 3) + " Hz)"
                          : QString("marge de gain infinie");
  text += m.HasPhaseMargin ? ", marge de phase " + n(m.PhaseMargin, 3) + "° (à " +
                                 n(m.GainCrossover, 3) + " Hz)."
                           : QString(", gain de boucle sous 0 dB : pas de marge de phase à lire.");
  LabelMargins->setText(text);
  LabelMargins->show();
}

void FrequencyResponseWindow::ModelClick() {
  typed_ = TypedModel();
  RefreshModel();
}

void FrequencyResponseWindow::SweepClick() {
  if (Sweep) Sweep();
}

void FrequencyResponseWindow::SetRunning(bool running) {
  for (QPushButton* b : {ButtonSweep, ButtonClear, ButtonPrint}) b->setEnabled(!running);
  ButtonModel->setEnabled(!running && !identified_);
}

void FrequencyResponseWindow::Print() {
  Printer& printer = Printer::Instance();
  printer.SuggestPdfName("bode");
  if (!Dialogs::Current().PrintDialog(this, printer)) return;
  QImage picture(view_->size() * 2, QImage::Format_RGB32);
  picture.setDevicePixelRatio(2);
  picture.fill(Qt::white);
  view_->render(&picture);
  printer.BeginDoc("Réponse fréquentielle");
  try {
    const int w = printer.PageWidth(), h = printer.PageHeight();
    printer.SetCanvasFont("Arial", 10);
    printer.TextOut(w / 10, h / 20, "Réponse fréquentielle : " + LabelLast->text());
    printer.TextOut(w / 10, h / 20 + h / 40, LabelModel->text());
    printer.TextOut(w / 10, h / 20 + 2 * h / 40, LabelMargins->text());
    const int width = w * 8 / 10;
    const int height = width * picture.height() / std::max(1, picture.width());
    printer.StretchDraw(QRect(w / 10, h / 8, width, height), picture);
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
}

}  // namespace vantor
