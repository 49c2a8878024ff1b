// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Uanalyse.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>
#include <clocale>

#include "regulation/Trial.h"
#include "widgets/ChartImage.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/HourglassCursor.h"
#include "widgets/Printer.h"

namespace vantor {

namespace {

// The charts' design range of the time axis, in seconds.
void SetUpBottomAxis(TChartAxis& axis) {
  axis.Automatic = false;
  axis.Labels = false;
  axis.Title.clear();
  axis.TickLength = 0;
  axis.MinorTickLength = 0;
  axis.LabelsSeparation = 20;
  axis.SetMinMax(kInitialTimeWindow.start, kInitialTimeWindow.end);
}

void FillZero(TFastLineSeries* s, const std::array<long double, kPlotEntries>& x) {
  s->Reserve(kPlotEntries);
  for (int k = 0; k < kPlotEntries; ++k) s->AddXY(static_cast<double>(x[k]), 0);
}

void FillRecord(TFastLineSeries* s, const std::array<long double, kPlotEntries>& x,
                const Trial& run, int series) {
  s->Reserve(kPlotEntries);
  for (int k = 0; k < kPlotEntries; ++k) {
    const long double volts = static_cast<long double>(run.At(series, k)) / 100;
    s->AddXY(static_cast<double>(x[k]), static_cast<double>(volts));
  }
}

}  // namespace

TForm2::TForm2(Workstation& workstation)
    : QDialog(&workstation.Window()), workstation_(workstation) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("Anlyse du fonctionnement des différents correcteurs."));
  // Title bar with the system menu and its close button only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  resize(696, 480);  // design size; the window is shown maximised

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildMenu();
  layout->setMenuBar(MainMenu1);
  body_ = new QWidget(this);
  body_->setObjectName("Form2_client");
  layout->addWidget(body_);
  BuildCharts();
  body_->installEventFilter(this);
  // Pictures of the charts for a word processor, from a right click on the window.
  body_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* saveImage = new QAction("Enregistrer l'image…", body_);
  saveImage->setObjectName("EnregistrerlimageAnalyse");
  ConnectGuarded(saveImage, &QAction::triggered, this,
                 [this] { SaveWidgetImage(this, *body_, "analyse"); });
  auto* copyImage = new QAction("Copier l'image", body_);
  copyImage->setObjectName("CopierlimageAnalyse");
  ConnectGuarded(copyImage, &QAction::triggered, this, [this] { CopyWidgetImage(*body_); });
  body_->addAction(saveImage);
  body_->addAction(copyImage);
  Panel1->installEventFilter(this);
  Panel2->installEventFilter(this);
  setWindowState(Qt::WindowMaximized);
  Guarded(this, [this] { FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::BuildMenu() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName("MainMenu1");
  MainMenu1->setNativeMenuBar(false);
  auto add = [this](const char* name, const QString& caption, void (TForm2::*handler)()) {
    QAction* a = MainMenu1->addAction(caption);
    a->setObjectName(name);
    ConnectGuarded(a, &QAction::triggered, this, handler);
    return a;
  };
  imprimer1 = add("imprimer1", QStringLiteral("Imprimer"), &TForm2::imprimer1Click);
  ZoomH1 = add("ZoomH1", QStringLiteral("Zoom H +"), &TForm2::ZoomH1Click);
  ZoomH2 = add("ZoomH2", QStringLiteral("Zoom H -"), &TForm2::ZoomH2Click);
  DeplHdroite1 =
      add("DeplHdroite1", QStringLiteral("Deplacement droite"), &TForm2::DeplHdroite1Click);
  DeplacementHgauche1 = add("DeplacementHgauche1", QStringLiteral("Deplacement gauche"),
                            &TForm2::DeplacementHgauche1Click);
  Imageinitiale2 =
      add("Imageinitiale2", QStringLiteral("Image initiale"), &TForm2::Imageinitiale2Click);
  Echelleparcourbe1 = add("Echelleparcourbe1", QStringLiteral("Échelle par courbe"),
                          &TForm2::Echelleparcourbe1Click);
  Echelleparcourbe1->setCheckable(true);
}

TChart* TForm2::MakeChart(TPanel* panel, const char* name, const QString& leftTitle) {
  auto* c = new TChart(panel);
  c->setObjectName(name);
  c->setCursor(Qt::CrossCursor);
  c->Color = Qt::white;
  c->BackWallColor = Qt::white;
  c->BackWallTransparent = true;
  c->TitleVisible = false;
  c->TitleText.clear();
  c->LegendVisible = false;
  c->View3D = false;
  c->MarginTop = 0;
  c->MarginBottom = 0;
  c->AllowZoom = false;
  c->AnimatedZoom = false;
  c->AllowPanning = TPanningMode::pmNone;
  SetUpBottomAxis(c->BottomAxis());
  // The left axis shows only its title: no value label, tick or grid line.
  TChartAxis& left = c->LeftAxis();
  left.Automatic = false;
  left.Labels = false;
  left.TickLength = 0;
  left.MinorTickLength = 0;
  left.Grid = false;
  left.Title = leftTitle;
  return c;
}

void TForm2::BuildCharts() {
  Panel1 = new TPanel(body_, "Panel1");
  Panel2 = new TPanel(body_, "Panel2");
  for (TPanel* p : {Panel1, Panel2}) {
    p->SetBorder(false);
    p->SetColor(Qt::white);
  }
  // Setpoint in red and feedback in blue over a black zero line.
  auto response = [this](TPanel* panel, const char* name, TFastLineSeries*& setpoint,
                         const char* setpointName, TFastLineSeries*& feedback,
                         const char* feedbackName, TFastLineSeries*& zeroLine,
                         const char* zeroName) {
    TChart* chart = MakeChart(panel, name, QStringLiteral("consigne/retour"));
    setpoint = chart->AddSeries(setpointName, QStringLiteral("Consigne"), Qt::red);
    feedback = chart->AddSeries(feedbackName, QStringLiteral("Retour"), Qt::blue);
    zeroLine = chart->AddSeries(zeroName, QStringLiteral("zero"), Qt::black);
    return chart;
  };
  // A term of the order (or the error) in red over a black zero line "zéro".
  auto term = [this](TPanel* panel, const char* name, const QString& title,
                     TFastLineSeries*& curve, const char* curveName, const QString& curveTitle,
                     TFastLineSeries*& zeroLine, const char* zeroName) {
    TChart* chart = MakeChart(panel, name, title);
    curve = chart->AddSeries(curveName, curveTitle, Qt::red);
    zeroLine = chart->AddSeries(zeroName, QStringLiteral("zéro"), Qt::black);
    return chart;
  };
  const QString proportional = QStringLiteral("ordre proportionnel"),
                derivative = QStringLiteral("ordre dérivé"),
                integral = QStringLiteral("ordre intégral");

  // Left panel, top to bottom.
  Chart2 = response(Panel1, "Chart2", FastLineSeries1, "FastLineSeries1", FastLineSeries2,
                    "FastLineSeries2", Series2, "Series2");
  Chart3 = term(Panel1, "Chart3", QStringLiteral("erreur"), FastLineSeries3, "FastLineSeries3",
                QStringLiteral("erreur"), Series1, "Series1");
  Chart4 = term(Panel1, "Chart4", proportional, FastLineSeries19, "FastLineSeries19",
                QStringLiteral("proportionnel"), FastLineSeries20, "FastLineSeries20");
  Chart1 = term(Panel1, "Chart1", derivative, FastLineSeries4, "FastLineSeries4",
                QStringLiteral("dérivé"), FastLineSeries5, "FastLineSeries5");
  Chart5 = term(Panel1, "Chart5", integral, FastLineSeries6, "FastLineSeries6",
                QStringLiteral("intégrale"), FastLineSeries7, "FastLineSeries7");

  // Right panel, top to bottom.
  Chart6 = term(Panel2, "Chart6", proportional, FastLineSeries8, "FastLineSeries8",
                QStringLiteral("proportionnel"), FastLineSeries9, "FastLineSeries9");
  Chart7 = term(Panel2, "Chart7", derivative, FastLineSeries10, "FastLineSeries10",
                QStringLiteral("dérivé"), FastLineSeries11, "FastLineSeries11");
  Chart8 = term(Panel2, "Chart8", integral, FastLineSeries12, "FastLineSeries12",
                QStringLiteral("intégrale"), FastLineSeries13, "FastLineSeries13");
  Chart9 = term(Panel2, "Chart9", QStringLiteral("ordre total"), FastLineSeries14,
                "FastLineSeries14", QStringLiteral("intégrale"), FastLineSeries15,
                "FastLineSeries15");
  Chart10 = response(Panel2, "Chart10", FastLineSeries16, "FastLineSeries16", FastLineSeries17,
                     "FastLineSeries17", Series3, "Series3");
  // The one chart the student may zoom with the mouse.
  Chart10->AllowZoom = true;
  Chart10->AnimatedZoom = true;
}

// ---------------------------------------------------------------------------------
// Creation and layout

QSize TForm2::MaximisedClientSize() {
  // The window is created maximised: its client area is the work area of its screen,
  // less the frame the window system adds around it and the menu bar. The frame is
  // known once the native window exists on platforms that draw it themselves; a window
  // manager only tells it after mapping, so its title bar is estimated from the style.
  const QWidget& main = workstation_.Window();
  QScreen* screen = main.screen() ? main.screen() : QGuiApplication::primaryScreen();
  if (!screen) return body_->size();
  const QRect area = screen->availableGeometry();
  winId();
  QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  const QString platform = QGuiApplication::platformName();
  const bool managed = platform != QLatin1String("offscreen") &&
                       platform != QLatin1String("minimal") && platform != QLatin1String("eglfs");
  if (frame.isNull() && managed) {
    const QWindow* mainWindow = main.windowHandle();
    if (mainWindow && mainWindow->isVisible() && !mainWindow->frameMargins().isNull())
      frame = mainWindow->frameMargins();
    else
      frame.setTop(style()->pixelMetric(QStyle::PM_TitleBarHeight));
  }
  const int width = area.width() - frame.left() - frame.right();
  const int menu = MainMenu1->heightForWidth(width) > 0 ? MainMenu1->heightForWidth(width)
                                                        : MainMenu1->sizeHint().height();
  return QSize(width, area.height() - frame.top() - frame.bottom() - menu);
}

void TForm2::FormCreate() {
  // "." as decimal separator, whatever the locale.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  const QSize client = MaximisedClientSize();
  layoutClient_ = client;
  layout_ = ComputeAnalysisLayout(client.width(), client.height());
  body_->resize(client);
  PlacePanels();
}

void TForm2::PlacePanels() {
  // Panel1 against the left edge, Panel2 against the right edge, both the whole height;
  // their width was fixed at creation.
  const int w = body_->width(), h = body_->height();
  Panel1->setGeometry(0, 0, layout_.panelWidth, h);
  Panel2->setGeometry(w - layout_.panelWidth, 0, layout_.panelWidth, h);
}

void TForm2::PlaceCharts(TPanel* panel, const std::array<TChart*, 5>& charts) {
  // Four charts stacked from the top, the fifth against the bottom, each the height
  // fixed at creation and the panel's whole width.
  const QRect r = panel->contentsRect();
  const int h = layout_.chartHeight;
  for (int i = 0; i < 4; ++i) charts[i]->setGeometry(r.left(), r.top() + i * h, r.width(), h);
  charts[4]->setGeometry(r.left(), r.bottom() + 1 - h, r.width(), h);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && watched == windowHandle() && !layoutSettled_ &&
      windowHandle()->isExposed()) {
    // At creation the maximised client size is only known to the frame the window
    // system was expected to draw (a title bar, or none without a window manager); the
    // first exposure tells the size it really is. The layout is made once from it.
    layoutSettled_ = true;
    if (body_->size() != layoutClient_ && !body_->size().isEmpty()) {
      layoutClient_ = body_->size();
      layout_ = ComputeAnalysisLayout(layoutClient_.width(), layoutClient_.height());
      PlacePanels();
      PlaceCharts(Panel1, {Chart2, Chart3, Chart4, Chart1, Chart5});
      PlaceCharts(Panel2, {Chart6, Chart7, Chart8, Chart9, Chart10});
    }
  }
  if (event->type() == QEvent::Resize) {
    if (watched == body_)
      PlacePanels();
    else if (watched == Panel1)
      PlaceCharts(Panel1, {Chart2, Chart3, Chart4, Chart1, Chart5});
    else if (watched == Panel2)
      PlaceCharts(Panel2, {Chart6, Chart7, Chart8, Chart9, Chart10});
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------
// Showing

void TForm2::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // Maximised; the work area is also given as geometry for the window systems that
    // leave the maximised state to a window manager there is none of (a bare X server).
    const QWidget& main = workstation_.Window();
    if (QScreen* s = main.screen() ? main.screen() : QGuiApplication::primaryScreen())
      setGeometry(s->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
  }
  QDialog::setVisible(visible);
  if (visible && !layoutSettled_ && windowHandle()) windowHandle()->installEventFilter(this);
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Before the window appears: ranges, left axes, then the curves.
  if (!event->spontaneous()) Guarded(this, [this] { FormShow(); });
}

void TForm2::FormShow() {
  Ranges = ComputeAnalysisRanges(workstation_.ShownRun());
  ApplyRanges();
  RefreshAnalysis();
}

void TForm2::ApplyRanges() {
  // A mouse zoom left on Chart10 is dropped with its saved ranges, so that a later
  // reverse drag cannot bring back a vertical range found for an earlier run; its time
  // window stays as it was.
  if (Chart10->IsZoomed()) {
    const double start = Chart10->BottomAxis().Minimum(), end = Chart10->BottomAxis().Maximum();
    Chart10->UndoZoom();
    Chart10->BottomAxis().SetMinMax(start, end);
  }
  auto apply = [](TChart* c, const AnalysisRange& r) {
    c->LeftAxis().SetMinMax(static_cast<double>(r.minimum), static_cast<double>(r.maximum));
  };
  apply(Chart2, Ranges.setpoint);
  apply(Chart10, Ranges.setpoint);
  apply(Chart3, Ranges.error);
  ApplyOrderScale();
}

void TForm2::ApplyOrderScale() {
  auto apply = [](TChart* c, const AnalysisRange& r) {
    c->LeftAxis().SetMinMax(static_cast<double>(r.minimum), static_cast<double>(r.maximum));
  };
  const bool own = Echelleparcourbe1->isChecked();
  if (own) {
    OwnRanges = ComputeOrderRanges(
        workstation_.ShownRun(), {Chart2->BottomAxis().Minimum(), Chart2->BottomAxis().Maximum()});
    for (TChart* c : {Chart4, Chart6}) apply(c, OwnRanges.proportional);
    for (TChart* c : {Chart1, Chart7}) apply(c, OwnRanges.derivative);
    for (TChart* c : {Chart5, Chart8}) apply(c, OwnRanges.integral);
    apply(Chart9, OwnRanges.total);
  } else {
    for (TChart* c : {Chart1, Chart4, Chart5, Chart6, Chart7, Chart8, Chart9})
      apply(c, Ranges.order);
  }
  // With a range of its own, each chart says its volts; all ten do, so that the time axes
  // of a column stay nearly in line.
  for (TChart* c :
       {Chart1, Chart2, Chart3, Chart4, Chart5, Chart6, Chart7, Chart8, Chart9, Chart10}) {
    c->LeftAxis().Labels = own;
    c->LeftAxis().TickLength = own ? 3 : 0;
    c->update();
  }
}

void TForm2::Echelleparcourbe1Click() {
  ApplyOrderScale();
}

void TForm2::RefreshAnalysis() {
  const Trial& s = workstation_.ShownRun();
  for (TChart* c :
       {Chart1, Chart2, Chart3, Chart4, Chart5, Chart6, Chart7, Chart8, Chart9, Chart10})
    for (int i = 0; i < c->SeriesCount(); ++i) c->SeriesAt(i)->Clear();
  const std::array<long double, kPlotEntries> x = AnalysisTimes(s.SamplePeriodMs);
  FillZero(Series2, x);
  FillRecord(FastLineSeries1, x, s, kSeriesSetpoint);
  FillRecord(FastLineSeries2, x, s, kSeriesFeedback);
  FillZero(Series1, x);
  FillRecord(FastLineSeries3, x, s, kSeriesError);
  FillZero(FastLineSeries19, x);
  FillRecord(FastLineSeries20, x, s, kSeriesPTerm);
  FillZero(FastLineSeries4, x);
  FillRecord(FastLineSeries5, x, s, kSeriesDTermRaw);
  FillZero(FastLineSeries6, x);
  FillRecord(FastLineSeries7, x, s, kSeriesITerm);
  FillZero(FastLineSeries8, x);
  FillRecord(FastLineSeries9, x, s, kSeriesPTerm);
  FillZero(FastLineSeries10, x);
  FillRecord(FastLineSeries11, x, s, kSeriesDTermRaw);
  FillZero(FastLineSeries12, x);
  FillRecord(FastLineSeries13, x, s, kSeriesITerm);
  FillZero(FastLineSeries14, x);
  FillRecord(FastLineSeries15, x, s, kSeriesOrder);
  FillZero(Series3, x);
  FillRecord(FastLineSeries16, x, s, kSeriesSetpoint);
  FillRecord(FastLineSeries17, x, s, kSeriesFeedback);
}

// ---------------------------------------------------------------------------------
// Navigation. The window is read from the reference chart Chart2.

std::array<TChart*, 10> TForm2::ZoomOrder() const {
  return {Chart1, Chart3, Chart4, Chart5, Chart6, Chart7, Chart8, Chart9, Chart10, Chart2};
}

void TForm2::ZoomH1Click() {
  // Each end is set on its own: a chart whose start lies beyond the new end refuses it
  // and the command stops there.
  const double end = ZoomInEnd(Chart2->BottomAxis().Maximum());
  for (TChart* c : ZoomOrder()) c->BottomAxis().SetMaximum(end);
  if (Echelleparcourbe1->isChecked()) ApplyOrderScale();
}

void TForm2::ZoomH2Click() {
  const double end = ZoomOutEnd(Chart2->BottomAxis().Maximum());
  for (TChart* c : ZoomOrder()) c->BottomAxis().SetMaximum(end);
  if (Echelleparcourbe1->isChecked()) ApplyOrderScale();
}

void TForm2::SetTimeWindow(TimeWindow w) {
  for (TChart* c :
       {Chart2, Chart1, Chart3, Chart4, Chart5, Chart6, Chart7, Chart8, Chart9, Chart10})
    c->BottomAxis().SetMinMax(w.start, w.end);
  if (Echelleparcourbe1->isChecked()) ApplyOrderScale();
}

void TForm2::DeplHdroite1Click() {
  SetTimeWindow(ShiftRight({Chart2->BottomAxis().Minimum(), Chart2->BottomAxis().Maximum()}));
}

void TForm2::DeplacementHgauche1Click() {
  SetTimeWindow(ShiftLeft({Chart2->BottomAxis().Minimum(), Chart2->BottomAxis().Maximum()}));
}

void TForm2::Imageinitiale2Click() {
  SetTimeWindow(kInitialTimeWindow);
}

// ---------------------------------------------------------------------------------
// Printout: one portrait page, the caption line, then seven charts in strips.

std::array<TChart*, kAnalysisStrips> TForm2::PrintedCharts() const {
  return {Chart2, Chart3, Chart4, Chart1, Chart5, Chart9, Chart10};
}

void TForm2::imprimer1Click() {
  Printer& printer = Printer::Instance();
  printer.SuggestPdfName(QStringLiteral("analyse"));
  if (!Dialogs::Current().PrintDialog(this, printer)) return;
  HourglassCursor hourglass;
  // Portrait for this page; the remembered orientation comes back, and a job still open
  // after an error is aborted, on every way out.
  PrintJob job(printer, TPrinterOrientation::poPortrait);
  const std::array<TChart*, kAnalysisStrips> charts = PrintedCharts();
  for (TChart* c : charts) c->PrintResolution = -100;
  const AnalysisPage page = ComputeAnalysisPage(printer.PageWidth(), printer.PageHeight());
  printer.SetCanvasFont(QStringLiteral("Arial"), 10, false);
  // The caption of the run shown (a run file reopened prints the caption it was run with).
  printer.TextOut(page.captionX, page.captionY,
                  QString::fromStdString(workstation_.ShownRunCaption()));
  for (int k = 0; k < kAnalysisStrips; ++k) {
    const QRect strip(QPoint(page.left, page.StripTop(k)),
                      QPoint(page.left + page.width - 1, page.StripBottom(k) - 1));
    charts[static_cast<std::size_t>(k)]->PrintRect(printer.Canvas(), strip);
  }
  job.End();
}

}  // namespace vantor
