// SPDX-License-Identifier: GPL-3.0-or-later
// Construction of the main window: its controls in the three columns, its menus, and the
// proportions of the columns kept at every size.
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "lesson-core/Journal.h"
#include "lesson/TraceChart.h"
#include "mainwindow/ControlLawsMenu.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "mainwindow/Uvantorwin.h"
#include "widgets/ErrorReport.h"
#include "widgets/FramePlacement.h"
#include "widgets/QtText.h"

namespace vantor {


namespace {

const QColor kFormColor(220, 221, 193);
const QColor kRightColumnColor(0, 187, 187);
const QColor kGaugeTeal(0, 128, 128);

constexpr int kToolBarHeight = 29;
constexpr int kPanel7Height = 20;
constexpr int kPanel8Height = 284;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int w, int h) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  // The designed width, or wider when the caption needs it to keep clear of the border.
  constexpr int kCaptionPadding = 8;
  b->setFixedSize(std::max(w, b->fontMetrics().horizontalAdvance(caption) + 2 * kCaptionPadding),
                  h);
  b->setAutoDefault(false);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  return l;
}

// A gain or setpoint field whose text will not convert is framed in red as it is typed,
// its tooltip giving the message "Début" would give: the refusal is no surprise. The
// rule itself is the run's (the field is read at "Début").
void MarkTextRefusedAtStart(QLineEdit* e) {
  std::string refusal;
  try {
    StrToFloat(ToStdString(e->text()));
  } catch (const VantorError& error) {
    refusal = ErrorBoxText(error.what());
  }
  const bool refused = !refusal.empty();
  if (refused == e->property(kRefusedProperty).toBool() &&
      (!refused || e->toolTip().endsWith(ToQString(refusal))))
    return;
  e->setProperty(kRefusedProperty, refused);
  e->setStyleSheet(refused ? "QLineEdit { border: 2px solid red; }" : "");
  e->setToolTip(refused ? "« Début » refusera ce champ :\n" + ToQString(refusal) : QString());
}

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaximumWidth(120);
  QObject::connect(e, &QLineEdit::textChanged, e, [e] { MarkTextRefusedAtStart(e); });
  return e;
}

TPanel* MakeHeader(QWidget* parent, const char* name, const QString& caption, int height) {
  auto* p = new TPanel(parent, name, caption);
  p->SetColor(Light3DColor());
  p->SetCaptionStyle(Qt::blue, true);
  p->setFixedHeight(height);
  return p;
}

QWidget* MakeToolBar(QWidget* parent, const char* name) {
  auto* t = new QWidget(parent);
  t->setObjectName(name);
  auto* l = new QHBoxLayout(t);
  l->setContentsMargins(2, 2, 2, 2);
  l->setSpacing(1);
  return t;
}

}  // namespace

ColumnGeometry ComputeColumnGeometry(int w, int h, int panel7Height, int panel8Height) {
  ColumnGeometry g;
  const auto half = static_cast<int>(RoundHalfEven(static_cast<long double>(w - 126) / 2));
  g.left = half;
  g.right = half;
  g.middle = kMiddleColumnWidth;
  g.panel4 = static_cast<int>(RoundHalfEven(static_cast<long double>(4 * h) / 10));
  g.panel5 = static_cast<int>(RoundHalfEven(static_cast<long double>(3 * h) / 10));
  g.panel6 = static_cast<int>(RoundHalfEven(static_cast<long double>(3 * h) / 10));
  g.panel9 = h - (panel7Height + panel8Height);
  g.barGauge = g.panel9 - 10;
  return g;
}

TForm1::TForm1(CardOpener openCard, QWidget* parent)
    : QMainWindow(parent),
      openCard_(std::move(openCard)),
      session_(std::make_unique<Session>(
          Events, JournalFolder(ToStdString(
                      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))))) {
  setObjectName("Form1");
  setWindowTitle("Régulateur Vantor - par l'équipe Vantor, pour l'enseignement de l'automatique");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QFont f("MS Sans Serif");
  f.setPixelSize(13);
  f.setBold(true);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kFormColor);
  setPalette(pal);
  setAutoFillBackground(true);

  central_ = new QWidget(this);
  central_->setObjectName("ClientArea");
  central_->installEventFilter(this);
  setCentralWidget(central_);
  BuildMenus();
  Trials = new TrialsMenu(*this);
  Laws = new ControlLawsMenu(*this);
  Trials->AddSessionItems();
  BuildLeftColumn(central_);
  BuildMiddleColumn(central_);
  BuildRightColumn(central_);
  // Draws on the main chart: after it.
  Identification = new IdentificationMenu(*this);

  resize(792, 554 + menuBar()->sizeHint().height());
  // The whole window, title bar included, fills the work area.
  (new FramePlacement(*this, [this] { return WorkAreaOf(*this); }))->Apply();
  ApplyColumnProportions();

  Guarded(this, [this] { FormCreate(); });
}

// ---------------------------------------------------------------------------------
// Construction of the controls

void TForm1::Connect(QPushButton* button, void (TForm1::*handler)()) {
  ConnectGuarded(button, &QPushButton::clicked, this, handler);
}

void TForm1::Connect(QAction* action, void (TForm1::*handler)()) {
  ConnectGuarded(action, &QAction::triggered, this, handler);
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  auto item = [this](QMenu* menu, const char* name, const QString& caption,
                     void (TForm1::*handler)()) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    Connect(a, handler);
    return a;
  };
  fichier1 = bar->addMenu("Paramétrage");
  fichier1->setObjectName("fichier1");
  Reglagedesplagesdefonctionnement1 = item(fichier1, "Reglagedesplagesdefonctionnement1",
                                           "Reglage des plages de fonctionnement et des adresses",
                                           &TForm1::Reglagedesplagesdefonctionnement1Click);
  Changermotdepasse1 = item(fichier1, "Changermotdepasse1", "Changer mot de passe",
                            &TForm1::Changermotdepasse1Click);
  fichier1->addSeparator();
  Deverrouillerpourlaseance1 =
      item(fichier1, "Deverrouillerpourlaseance1", "Déverrouiller pour la séance…",
           &TForm1::Deverrouillerpourlaseance1Click);
  Deverrouillerpourlaseance1->setToolTip(
      "Après un seul mot de passe, « Boucle » → « ouverte » et « Structure du correcteur… » ne "
      "le demandent plus, jusqu'à « Verrouiller » ou la fin du programme");
  Verrouiller1 = item(fichier1, "Verrouiller1", "Verrouiller", &TForm1::Verrouiller1Click);
  Verrouiller1->setEnabled(false);

  boucle1 = bar->addMenu("Boucle");
  boucle1->setObjectName("boucle1");
  ouverte1 = item(boucle1, "ouverte1", "ouverte", &TForm1::ouverte1Click);
  ferme1 = item(boucle1, "ferme1", "fermée", &TForm1::ferme1Click);

  Sortie110v1 = bar->addMenu("Sortie1(10v)");
  Sortie110v1->setObjectName("Sortie110v1");
  Active1 = item(Sortie110v1, "Active1", "Active", &TForm1::Active1Click);
  Inactive1 = item(Sortie110v1, "Inactive1", "Inactive", &TForm1::Inactive1Click);

  analyse1 = bar->addAction("Analyse");
  analyse1->setObjectName("analyse1");
  Connect(analyse1, &TForm1::analyse1Click);

  Mthodederglage1 = bar->addAction("Méthode de réglage");
  Mthodederglage1->setObjectName("Mthodederglage1");
  Connect(Mthodederglage1, &TForm1::Mthodederglage1Click);

  Aide1 = bar->addMenu("Aide");
  Aide1->setObjectName("Aide1");
  Configurationmatrielle1 = item(Aide1, "Configurationmatrielle1", "Configuration matérielle",
                                 &TForm1::Configurationmatrielle1Click);
  Paramtrage1 = item(Aide1, "Paramtrage1", "Paramétrage", &TForm1::Paramtrage1Click);
  Miseenoeuvredulogiciel1 = item(Aide1, "Miseenoeuvredulogiciel1", "Mise en oeuvre du logiciel",
                                 &TForm1::Miseenoeuvredulogiciel1Click);
  Exemplebranchementsasservissementdeposition1 =
      item(Aide1, "Exemplebranchementsasservissementdeposition1",
           "Exemple branchements asservissement de position moteur CC",
           &TForm1::Exemplebranchementsasservissementdeposition1Click);
  ExemplebranchementsasservissementdevitessemoteurCC1 =
      item(Aide1, "ExemplebranchementsasservissementdevitessemoteurCC1",
           "Exemple branchements asservissement de vitesse moteur CC",
           &TForm1::ExemplebranchementsasservissementdevitessemoteurCC1Click);
  Choixdutypedergulation1 = item(Aide1, "Choixdutypedergulation1", "Ressources imprimables",
                                 &TForm1::Choixdutypedergulation1Click);
  Apropos1 = item(Aide1, "Apropos1", "A propos.....", &TForm1::Apropos1Click);
  Travauxpratiques1 =
      item(Aide1, "Travauxpratiques1", "Travaux pratiques", &TForm1::Travauxpratiques1Click);
}

void TForm1::BuildLeftColumn(QWidget* central) {
  Panel1 = new TPanel(central, "Panel1");
  Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
  Panel1->setCursor(Qt::CrossCursor);
  auto* col = new QVBoxLayout(Panel1);
  col->setContentsMargins(1, 1, 1, 1);
  col->setSpacing(0);

  ToolBar1 = MakeToolBar(Panel1, "ToolBar1");
  ToolBar1->setFixedHeight(kToolBarHeight);
  ToolBar1->setAutoFillBackground(true);
  {
    QPalette pal = ToolBar1->palette();
    pal.setColor(QPalette::Window, Light3DColor());
    ToolBar1->setPalette(pal);
  }
  BitBtn2 = MakeButton(ToolBar1, "BitBtn2", "impr", 75, 23);
  BitBtn2->setToolTip("Imprime le graphe");
  BitBtn1 = MakeButton(ToolBar1, "BitBtn1", "dézoom", 75, 23);
  Button9 = MakeButton(ToolBar1, "Button9", "0 absolu", 75, 23);
  Button7 = MakeButton(ToolBar1, "Button7", "?souris", 75, 23);
  Button7->setToolTip("Aide sur l'utilisation de la souris");
  for (QWidget* b : {static_cast<QWidget*>(BitBtn2), static_cast<QWidget*>(BitBtn1),
                     static_cast<QWidget*>(Button9), static_cast<QWidget*>(Button7)})
    ToolBar1->layout()->addWidget(b);
  static_cast<QHBoxLayout*>(ToolBar1->layout())->addStretch();
  col->addWidget(ToolBar1);

  Chart1 = new TChart(Panel1);
  Chart1->setObjectName("Chart1");
  Chart1->setCursor(Qt::CrossCursor);
  const TraceSeries trace = SetUpTraceChart(*Chart1);
  Series1 = trace.Setpoint;
  Series2 = trace.Feedback;
  Series3 = trace.Mean;
  Series15 = trace.ZeroX;
  Series17 = trace.ZeroY;
  col->addWidget(Chart1, 1);

  Label10 = MakeLabel(Chart1, "Label10", "retour/temps:");
  Label10->move(8, 8);
  Label10->adjustSize();
  Label15 = MakeLabel(Chart1, "Label15", "");
  QFont regular = font();
  regular.setBold(false);
  Label15->setFont(regular);
  Label15->move(120, 8);
  Label15->resize(200, Label10->height());

  ConnectGuarded(Chart1, &TChart::MouseMoved, this, &TForm1::Chart1MouseMove);
  ConnectGuarded(Chart1, &TChart::DoubleClicked, this, &TForm1::Chart1DblClick);
  Connect(BitBtn2, &TForm1::BitBtn2Click);
  Connect(BitBtn1, &TForm1::BitBtn1Click);
  Connect(Button9, &TForm1::Button9Click);
  Connect(Button7, &TForm1::Button7Click);
}

void TForm1::BuildMiddleColumn(QWidget* central) {
  Panel2 = new TPanel(central, "Panel2");
  Panel2->setFrameStyle(QFrame::Box | QFrame::Plain);

  Panel7 = new TPanel(Panel2, "Panel7", "Visualisation");
  Panel7->SetColor(Light3DColor());

  Panel8 = new TPanel(Panel2, "Panel8");
  Panel8->SetBorder(false);
  Label11 = MakeLabel(Panel8, "Label11", "Consigne");
  SetTextColor(Label11, Qt::red);
  Gauge3 = new TGauge(Panel8);
  Gauge3->setObjectName("Gauge3");
  Gauge4 = new TGauge(Panel8);
  Gauge4->setObjectName("Gauge4");
  Label12 = MakeLabel(Panel8, "Label12", "Retour");
  SetTextColor(Label12, Qt::blue);
  for (TGauge* g : {Gauge3, Gauge4}) {
    // A white disk (BackColor) on the gauge's own teal.
    g->Kind = TGaugeKind::gkPie;
    g->BackColor = Qt::white;
    QPalette teal = g->palette();
    teal.setColor(QPalette::Window, kGaugeTeal);
    g->setPalette(teal);
    g->resize(121, 121);
  }
  Gauge3->ForeColor = Qt::red;
  Gauge4->ForeColor = Qt::blue;

  Panel9 = new TPanel(Panel2, "Panel9");
  Panel9->SetBorder(false);
  Gauge1 = new TGauge(Panel9);
  Gauge1->setObjectName("Gauge1");
  Gauge2 = new TGauge(Panel9);
  Gauge2->setObjectName("Gauge2");
  for (TGauge* g : {Gauge1, Gauge2}) {
    g->Kind = TGaugeKind::gkVerticalBar;
    g->BackColor = Qt::white;
  }
  Gauge1->ForeColor = Qt::red;
  Gauge2->ForeColor = Qt::blue;
  Gauge1->setToolTip("Jauge consigne");
  Gauge3->setToolTip("Jauge consigne");
  Gauge2->setToolTip("Jauge retour");
  Gauge4->setToolTip("Jauge retour");
  for (TGauge* g : {Gauge1, Gauge2, Gauge3, Gauge4}) {
    g->MinValue = 0;
    g->MaxValue = 1000;
    g->ShowText = false;
  }
}

void TForm1::BuildRightColumn(QWidget* central) {
  Panel3 = new TPanel(central, "Panel3");
  Panel3->setFrameStyle(QFrame::Box | QFrame::Plain);
  Panel3->SetColor(kRightColumnColor);

  // Setpoint choice.
  Panel4 = new TPanel(Panel3, "Panel4");
  Panel4->SetColor(kRightColumnColor);
  auto* l4 = new QVBoxLayout(Panel4);
  l4->setContentsMargins(2, 2, 2, 2);
  l4->setSpacing(2);
  Panel10 = MakeHeader(Panel4, "Panel10", "Choix de la consigne", 30);
  l4->addWidget(Panel10);
  ToolBar2 = MakeToolBar(Panel4, "ToolBar2");
  Button1 = MakeButton(ToolBar2, "Button1", "Echelon", 60, 25);
  Button2 = MakeButton(ToolBar2, "Button2", "Sinus.", 60, 25);
  Button3 = MakeButton(ToolBar2, "Button3", "Triangle", 60, 25);
  Button4 = MakeButton(ToolBar2, "Button4", "Carré", 60, 25);
  Button10 = MakeButton(ToolBar2, "Button10", "externe", 60, 25);
  for (QPushButton* b : {Button1, Button2, Button3, Button4, Button10})
    ToolBar2->layout()->addWidget(b);
  static_cast<QHBoxLayout*>(ToolBar2->layout())->addStretch();
  l4->addWidget(ToolBar2);
  Panel15 = new TPanel(Panel4, "Panel15", "Consigne:? ");
  Panel15->setFixedHeight(21);
  Panel15->SetCaptionStyle(Qt::blue, true);
  l4->addWidget(Panel15);

  auto* stack = new QWidget(Panel4);
  stack->setObjectName("SetpointPanels");
  l4->addWidget(stack, 1);
  Panel14 = new TPanel(stack, "Panel14");
  // A panel's rows of a caption and its field, from the top.
  auto fieldRows = [](TPanel* panel, std::initializer_list<std::pair<QLabel*, QLineEdit*>> rows) {
    auto* g = new QGridLayout(panel);
    int row = 0;
    for (const auto& [label, edit] : rows) {
      g->addWidget(label, row, 0);
      g->addWidget(edit, row, 1);
      ++row;
    }
    g->setColumnStretch(2, 1);
    g->setRowStretch(row, 1);
  };
  Label4 = MakeLabel(Panel14, "Label4", "Amplitude ech");
  Edit5 = MakeEdit(Panel14, "Edit5");
  fieldRows(Panel14, {{Label4, Edit5}});
  Panel11 = new TPanel(stack, "Panel11");
  Label7 = MakeLabel(Panel11, "Label7", "Valeur moyenne");
  Edit6 = MakeEdit(Panel11, "Edit6");
  Label14 = MakeLabel(Panel11, "Label14", "Amplitude");
  Edit7 = MakeEdit(Panel11, "Edit7");
  freq = MakeLabel(Panel11, "freq", "Frequence (0.01 à 2hz)");
  Edit4 = MakeEdit(Panel11, "Edit4");
  fieldRows(Panel11, {{Label7, Edit6}, {Label14, Edit7}, {freq, Edit4}});
  Panel17 = new TPanel(stack, "Panel17");
  auto* stackLayout = new QGridLayout(stack);
  stackLayout->setContentsMargins(0, 0, 0, 0);
  stackLayout->addWidget(Panel14, 0, 0);
  stackLayout->addWidget(Panel11, 0, 0);
  stackLayout->addWidget(Panel17, 0, 0);
  for (TPanel* p : {Panel14, Panel11, Panel17}) p->SetColor(kRightColumnColor);

  // Corrector gains.
  Panel5 = new TPanel(Panel3, "Panel5");
  Panel5->SetColor(kRightColumnColor);
  {
    auto* l5 = new QVBoxLayout(Panel5);
    l5->setContentsMargins(2, 2, 2, 2);
    Panel13 = MakeHeader(Panel5, "Panel13", "Choix des correcteurs (format: 1.111....)", 24);
    l5->addWidget(Panel13);
    auto* g = new QGridLayout();
    Edit1 = MakeEdit(Panel5, "Edit1");
    Edit2 = MakeEdit(Panel5, "Edit2");
    Edit3 = MakeEdit(Panel5, "Edit3");
    Label3 = MakeLabel(Panel5, "Label3", "Kp ");
    Label5 = MakeLabel(Panel5, "Label5", "Kd ");
    Label6 = MakeLabel(Panel5, "Label6", "Ki");
    QLineEdit* edits[] = {Edit1, Edit2, Edit3};
    QLabel* labels[] = {Label3, Label5, Label6};
    for (int i = 0; i < 3; ++i) {
      edits[i]->setFixedWidth(90);
      g->addWidget(edits[i], i, 0);
      g->addWidget(labels[i], i, 1);
    }
    g->setColumnStretch(1, 1);
    l5->addLayout(g);
    l5->addStretch();
  }

  // Run control.
  Panel6 = new TPanel(Panel3, "Panel6");
  Panel6->SetColor(kRightColumnColor);
  {
    auto* l6 = new QVBoxLayout(Panel6);
    l6->setContentsMargins(2, 2, 2, 2);
    Panel12 = MakeHeader(Panel6, "Panel12", "Mise en service", 24);
    l6->addWidget(Panel12);
    ToolBar3 = MakeToolBar(Panel6, "ToolBar3");
    Button5 = MakeButton(ToolBar3, "Button5", "Début", 75, 25);
    Button6 = MakeButton(ToolBar3, "Button6", "Fin", 75, 25);
    ToolBar3->layout()->addWidget(Button5);
    ToolBar3->layout()->addWidget(Button6);
    static_cast<QHBoxLayout*>(ToolBar3->layout())->addStretch();
    l6->addWidget(ToolBar3);
    Label16 = MakeLabel(Panel6, "Label16", "limites ordre de commande");
    Label1 = MakeLabel(Panel6, "Label1", kStoppedText);
    SetTextColor(Label1, Qt::red);
    PacingLabel = MakeLabel(Panel6, "PacingLabel", "");
    PacingLabel->setVisible(false);
    Label9 = MakeLabel(Panel6, "Label9", "");
    SetTextColor(Label9, Qt::blue);
    for (QLabel* l : {Label16, Label1, PacingLabel, Label9}) {
      l->setWordWrap(true);
      l6->addWidget(l);
    }
    RichEdit1 = new QTextEdit(Panel6);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setVisible(false);
    l6->addStretch();
  }

  Connect(Button1, &TForm1::Button1Click);
  Connect(Button2, &TForm1::Button2Click);
  Connect(Button3, &TForm1::Button3Click);
  Connect(Button4, &TForm1::Button4Click);
  Connect(Button10, &TForm1::Button10Click);
  Connect(Button5, &TForm1::demregClick);
  Connect(Button6, &TForm1::arretregClick);
}

// ---------------------------------------------------------------------------------
// Column proportions: left and right columns share what the 126-pixel middle column
// leaves; the right column is split 4/3/3. Applied whenever the client area changes
// size, so the outcome holds at every paint without touching geometry while painting.

void TForm1::ApplyColumnProportions() {
  if (!central_) return;
  const int W = central_->width();
  const int H = central_->height();
  const ColumnGeometry g = ComputeColumnGeometry(W, H, kPanel7Height, kPanel8Height);
  Panel1->setGeometry(0, 0, g.left, H);
  Panel3->setGeometry(W - g.right, 0, g.right, H);
  Panel2->setGeometry(W - g.right - g.middle, 0, g.middle, H);

  Panel4->setGeometry(0, 0, g.right, g.panel4);
  Panel5->setGeometry(0, g.panel4, g.right, g.panel5);
  Panel6->setGeometry(0, g.panel4 + g.panel5, g.right, g.panel6);

  Panel7->setGeometry(0, 0, g.middle, kPanel7Height);
  Panel8->setGeometry(0, kPanel7Height, g.middle, kPanel8Height);
  Label11->setGeometry(2, 2, g.middle - 4, 16);
  Gauge3->setGeometry((g.middle - 121) / 2, 20, 121, 121);
  Gauge4->setGeometry((g.middle - 121) / 2, 143, 121, 121);
  Label12->setGeometry(2, 266, g.middle - 4, 16);
  Panel9->setGeometry(0, kPanel7Height + kPanel8Height, g.middle, g.panel9);
  const int barHeight = std::max(0, g.barGauge);
  Gauge1->setGeometry(g.middle / 2 - 30, 5, 25, barHeight);
  Gauge2->setGeometry(g.middle / 2 + 5, 5, 25, barHeight);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central_ && event->type() == QEvent::Resize) ApplyColumnProportions();
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ApplyColumnProportions();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  ApplyColumnProportions();
}

}  // namespace vantor
