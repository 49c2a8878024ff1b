// SPDX-License-Identifier: GPL-3.0-or-later
// Demonstration of the display components: the main window's trace chart with a step
// response, and its four gauges (two pies, two vertical bars). Shown on screen, saved as
// a PNG (--png file) or printed on a PDF page through the program's printer (--pdf file).
#include <QApplication>
#include <QCommandLineParser>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cmath>
#include <cstdio>

#include "common/VantorError.h"
#include "widgets/ErrorReport.h"
#include "widgets/Printer.h"
#include "widgets/TChart.h"
#include "widgets/TGauge.h"

namespace {

using vantor::TChart;
using vantor::TGauge;
using vantor::TGaugeKind;

// Setpoint and feedback of a second-order step response, sampled every 50 ms.
double Setpoint(double t) {
  return t < 2 ? 0 : 5;
}
double Feedback(double t) {
  if (t < 2) return 0;
  const double u = t - 2;
  return 5 * (1 - std::exp(-1.2 * u) * (std::cos(2.5 * u) + 0.48 * std::sin(2.5 * u)));
}

void SetUpTrace(TChart& chart) {
  chart.setObjectName("Chart1");
  chart.TitleText = QString::fromUtf8("Consigne/Retour");
  chart.TitleAlignment = Qt::AlignRight;
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(16);
  title.setUnderline(true);
  chart.TitleFont = title;
  chart.TitleColor = Qt::blue;
  QFont axisTitle(QStringLiteral("Arial"));
  axisTitle.setPixelSize(13);
  chart.BottomAxis().SetMinMax(0, 30);
  chart.BottomAxis().Title = QStringLiteral("temps (seconde)");
  chart.BottomAxis().TitleFont = axisTitle;
  chart.BottomAxis().LabelsSeparation = 20;
  chart.BottomAxis().MinorTickCount = 4;
  chart.LeftAxis().SetMinMax(0, 10);
  chart.LeftAxis().Title = QStringLiteral("retour (volts)");
  chart.LeftAxis().TitleFont = axisTitle;
  chart.LeftAxis().MinorTickCount = 9;
  chart.LeftAxis().MinorTickLength = 3;
  chart.LeftAxis().TickLength = 5;
  chart.LeftAxis().TicksDotted = true;
  chart.AnimatedZoom = true;
  auto* setpoint = chart.AddSeries("Series1", "Consigne", Qt::red);
  auto* feedback = chart.AddSeries("Series2", "Retour", Qt::blue);
  auto* mean = chart.AddSeries("Series3", QString(), Qt::black, false);
  chart.AddSeries("Series15", QString::fromUtf8("zéro x"), QColor(255, 0, 128), false);
  chart.AddSeries("Series17", QString::fromUtf8("zéro y"), QColor(255, 0, 128), false);
  double t = 0;
  for (int k = 0; k <= 600; ++k, t += 0.05) {
    setpoint->AddXY(t, Setpoint(t));
    feedback->AddXY(t, Feedback(t));
  }
  mean->AddXY(0, 5);
  mean->AddXY(30, 5);
}

TGauge* MakeGauge(QWidget* parent, TGaugeKind kind, const QColor& fore, const QString& hint) {
  auto* gauge = new TGauge(parent);
  gauge->Kind = kind;
  gauge->MaxValue = 1000;
  gauge->ShowText = false;
  gauge->ForeColor = fore;
  gauge->BackColor = kind == TGaugeKind::gkPie ? QColor(0, 128, 128) : QColor(Qt::white);
  gauge->setToolTip(hint);
  if (kind == TGaugeKind::gkPie)
    gauge->setFixedSize(121, 121);
  else
    gauge->setFixedWidth(25);
  return gauge;
}

struct Demo {
  QWidget window;
  TChart* chart;
  TGauge* gauges[4];

  Demo() {
    window.setWindowTitle(QString::fromUtf8("Régulateur Vantor — composants"));
    auto* row = new QHBoxLayout(&window);
    chart = new TChart(&window);
    SetUpTrace(*chart);
    chart->setMinimumSize(460, 380);
    row->addWidget(chart, 1);
    auto* pies = new QVBoxLayout;
    gauges[0] = MakeGauge(&window, TGaugeKind::gkPie, Qt::red, "Jauge consigne");
    gauges[1] = MakeGauge(&window, TGaugeKind::gkPie, Qt::blue, "Jauge retour");
    pies->addWidget(gauges[0]);
    pies->addWidget(gauges[1]);
    pies->addStretch();
    row->addLayout(pies);
    auto* bars = new QHBoxLayout;
    gauges[2] = MakeGauge(&window, TGaugeKind::gkVerticalBar, Qt::red, "Jauge consigne");
    gauges[3] = MakeGauge(&window, TGaugeKind::gkVerticalBar, Qt::blue, "Jauge retour");
    bars->addWidget(gauges[2]);
    bars->addWidget(gauges[3]);
    row->addLayout(bars);
    Show(6.0);
  }
  // Gauges as the run moves them: setpoint and feedback in hundredths of the 10 V range.
  void Show(double t) {
    const int setpoint = static_cast<int>(Setpoint(t) * 100);
    const int feedback = static_cast<int>(Feedback(t) * 100);
    gauges[0]->SetProgress(setpoint);
    gauges[1]->SetProgress(feedback);
    gauges[2]->SetProgress(setpoint);
    gauges[3]->SetProgress(feedback);
  }
};

// One portrait page: a caption line, then the chart in the middle 60 % of the width.
void PrintPage(TChart& chart, const QString& path) {
  vantor::Printer& printer = vantor::Printer::Instance();
  printer.SetOutputPdf(path);
  vantor::PrintJob job(printer, vantor::TPrinterOrientation::poPortrait);
  chart.PrintResolution = -25;
  const int W = printer.PageWidth(), H = printer.PageHeight();
  const int mx = W * 20 / 100, my = H * 10 / 100;
  printer.SetCanvasFont("Arial", 10);
  printer.TextOut(mx, my / 2, "Consigne: Echelon(amplitude:5.000)  , Kp:1.500, Kd:0.000, Ki:0.200");
  chart.PrintRect(printer.Canvas(),
                  QRect(QPoint(mx, 2 * my), QPoint(W - mx, 2 * my + (H - 2 * my) / 2)));
  job.End();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QString::fromUtf8("Régulateur Vantor"));
  QCommandLineParser parser;
  parser.setApplicationDescription("Chart and gauge components of the workstation");
  parser.addHelpOption();
  parser.addOption({"png", "Save a picture of the window to <file> and quit.", "file"});
  parser.addOption({"pdf", "Print the chart on one PDF page to <file> and quit.", "file"});
  parser.process(app);

  Demo demo;
  demo.window.resize(760, 420);
  if (parser.isSet("png") || parser.isSet("pdf")) {
    demo.window.show();
    QApplication::processEvents();
    if (parser.isSet("png") && !demo.window.grab().save(parser.value("png"))) {
      std::fprintf(stderr, "Impossible de créer le fichier %s\n", qPrintable(parser.value("png")));
      return 1;
    }
    if (parser.isSet("pdf")) {
      try {
        PrintPage(*demo.chart, parser.value("pdf"));
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(vantor::ErrorText(e)));
        return 1;
      }
    }
    return 0;
  }
  // On screen the gauges replay the response in a loop.
  double t = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    t = t >= 30 ? 0 : t + 0.05;
    demo.Show(t);
  });
  timer.start(50);
  demo.window.show();
  return app.exec();
}
