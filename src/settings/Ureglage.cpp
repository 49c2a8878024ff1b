// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Ureglage.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <clocale>

#include "common/FileErrors.h"
#include "common/Numbers.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"
#include "regulation/Regulation.h"
#include "settings/CardChoiceDialog.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

constexpr int kClientWidth = 688;
constexpr int kClientHeight = 523;
constexpr int kGainPanelHeight = 181;
constexpr int kOrderPanelHeight = 68;
constexpr int kAddressPanelHeight = 105;
constexpr int kHeaderHeight = 24;
constexpr int kFieldWidth = 40;
// Room for a text in one half of the setpoint panel: the half, less its border, the
// section's margins and the text's own margins.
constexpr int kHalfTextWidth = kClientWidth / 2 - 2 - 4 - 8;

constexpr int kSettingWidth = 4;

constexpr const char* kCloseWithoutSavingText =
    "Les coefficients n'ont pas été enregistrés : les fichiers du dossier sauvegarde n'ont pas "
    "été écrits. Les valeurs déjà appliquées restent en vigueur jusqu'à la fin du programme, "
    "mais le prochain démarrage reprendra les fichiers tels qu'ils sont.\n\n"
    "Fermer la fenêtre sans enregistrer ?";

const QStringList kRangeItems = {"de 0 à 2",  "de 0 à 4",  "de 0 à 8",
                                 "de 0 à 16", "de 0 à 32", "de 0 à 64"};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  return l;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int maxLength) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  if (maxLength > 0) {
    e->setMaxLength(maxLength);
    e->setFixedWidth(kFieldWidth);
  }
  return e;
}

// The red texts are given line by line: each keeps its lines within `width` pixels, in a
// smaller font when the window's font would make a line wider.
void KeepLines(QLabel* label, int width) {
  label->setWordWrap(false);
  const QStringList lines = label->text().split(QStringLiteral("\r\n"));
  auto widest = [&lines](const QFont& font) {
    const QFontMetrics metrics(font);
    int w = 0;
    for (const QString& line : lines) w = std::max(w, metrics.horizontalAdvance(line));
    return w;
  };
  QFont font = label->font();
  while (widest(font) > width && font.pointSizeF() > 5) font.setPointSizeF(font.pointSizeF() - 0.5);
  label->setFont(font);
}

QPushButton* MakeBitBtn(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setIcon(parent->style()->standardIcon(QStyle::SP_DialogApplyButton));
  b->setAutoDefault(false);
  return b;
}

// A section: bordered panel whose top is a header in the light 3-D colour with blue
// bold text. Returns the section; `header` receives the header panel.
TPanel* MakeSection(QWidget* parent, const char* name, const char* headerName,
                    const QString& caption, TPanel*& header) {
  auto* section = new TPanel(parent, name);
  header = new TPanel(section, headerName, caption);
  header->SetColor(Light3DColor());
  header->SetCaptionStyle(Qt::blue, true);
  header->setFixedHeight(kHeaderHeight);
  auto* column = new QVBoxLayout(section);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(4);
  column->addWidget(header);
  return section;
}

QVBoxLayout* Column(TPanel* section) {
  return static_cast<QVBoxLayout*>(section->layout());
}

long double Value(const QLineEdit* edit) {
  return StrToFloat(ToStdString(edit->text()));
}

// An order limit is read back at the next start from the first four characters of its
// fixed form; a value that would come back different (1e5 would become 1, -.25 would
// become -0.2) is refused before anything is applied.
void RequireStorableLimit(const QLineEdit* edit, long double value) {
  const std::string stored = FormatFixed2(value).substr(0, kSettingWidth);
  bool same = false;
  try {
    same = StrToFloat(stored) == value;
  } catch (const VantorError&) {
    same = false;
  }
  if (!same)
    throw VantorError("Limite '" + ToStdString(edit->text()) + "' refusée : elle serait relue " +
                      stored +
                      " au prochain démarrage du programme. Saisir 4 caractères au plus, avec "
                      "deux décimales au plus");
}

// A card address is read back at the next start from its first four characters and
// converted as an integer; refuse what that start would not read as the address typed.
void RequireReadableAddress(const QLineEdit* edit) {
  const std::string text = ToStdString(edit->text());
  const std::int32_t value = StrToInt(text);  // the start-up's message when it fails
  const QString cut = edit->text().left(kSettingWidth);
  std::int32_t readBack = -1;
  try {
    readBack = StrToInt(ToStdString(cut));
  } catch (const VantorError&) {
    readBack = -1;
  }
  if (value < 0)
    throw VantorError("Adresse '" + text +
                      "' refusée : une adresse de port ne peut pas être négative. Saisir par "
                      "exemple $330");
  if (readBack != value)
    throw VantorError("Adresse '" + text + "' refusée : seuls les 4 premiers caractères ('" +
                      ToStdString(cut) +
                      "') seraient relus au prochain démarrage du programme. Saisir par exemple "
                      "$330");
}

}  // namespace

int GainRangeForIndex(int index) {
  return 1 << (index + 1);
}

int RangeIndexFromText(const std::string& text) {
  const std::int64_t rounded = RoundHalfEven(StrToFloat(text));
  return static_cast<int>(std::clamp<std::int64_t>(rounded, -1, 5));
}

TForm4::TForm4(Workstation& workstation) : QDialog(&workstation.Window()), main_(workstation) {
  setObjectName("Form4");
  setWindowTitle("Réglage ");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  QFont f("MS Sans Serif");
  f.setPointSize(8);
  setFont(f);
  setFixedSize(kClientWidth, kClientHeight);

  BuildGainPanel();
  BuildOrderPanel();
  BuildSetpointPanel();
  BuildAddressPanel();

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(Panel1);
  column->addWidget(Panel2);
  column->addWidget(Panel3, 1);
  column->addWidget(Panel4);

  ConnectGuarded(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
  ConnectGuarded(BitBtn2, &QPushButton::clicked, this, &TForm4::BitBtn2Click);
  ConnectGuarded(BitBtn3, &QPushButton::clicked, this, &TForm4::BitBtn3Click);
  ConnectGuarded(BitBtn4, &QPushButton::clicked, this, &TForm4::BitBtn4Click);
  ConnectGuarded(CardButton, &QPushButton::clicked, this, &TForm4::CardButtonClick);

  Guarded(this, [this] { FormCreate(); });
}

void TForm4::BuildGainPanel() {
  Panel1 = MakeSection(this, "Panel1", "Panel5",
                       "Réglage des coefficients (validés à la fermeture de la fenêtre)", Panel5);
  Panel1->setFixedHeight(kGainPanelHeight);
  RadioGroup1 = new TRadioGroup(Panel1, "RadioGroup1", "coefficient Kp", kRangeItems);
  RadioGroup2 = new TRadioGroup(Panel1, "RadioGroup2", "coefficient Kd", kRangeItems);
  RadioGroup3 = new TRadioGroup(Panel1, "RadioGroup3", "coefficient Ki", kRangeItems);
  auto* row = new QHBoxLayout();
  row->setSpacing(60);
  row->addStretch();
  TRadioGroup* const groups[] = {RadioGroup1, RadioGroup2, RadioGroup3};
  for (std::size_t j = 0; j < 3; ++j) {
    TRadioGroup* g = groups[j];
    g->setFixedSize(100, 150);
    row->addWidget(g);
    // A range chosen by the teacher is saved on closing, even when its file was unreadable.
    for (int i = 0; i < g->Count(); ++i)
      connect(g->Item(i), &QRadioButton::clicked, this, [this, j] { rangeKnown_[j] = true; });
  }
  row->addStretch();
  Column(Panel1)->addLayout(row);
  Column(Panel1)->addStretch();
  RichEdit1 = new QTextEdit(Panel1);
  RichEdit1->setObjectName("RichEdit1");
  RichEdit1->setVisible(false);
}

void TForm4::BuildOrderPanel() {
  Panel2 = MakeSection(this, "Panel2", "Panel6",
                       "Réglage de la plage de tension en sortie (fonction de votre actionneur, "
                       "maxi de la carte +-10volts).",
                       Panel6);
  Panel2->setFixedHeight(kOrderPanelHeight);
  Label1 = MakeLabel(Panel2, "Label1", "La sortie peut varier de valeur mini");
  Edit4 = MakeEdit(Panel2, "Edit4", 4);
  Label2 = MakeLabel(Panel2, "Label2", "à valeur maxi");
  Edit5 = MakeEdit(Panel2, "Edit5", 4);
  BitBtn3 = MakeBitBtn(Panel2, "BitBtn3", "Valider les nouvelles valeurs");
  auto* row = new QHBoxLayout();
  row->setContentsMargins(8, 0, 8, 0);
  row->setSpacing(8);
  row->addWidget(Label1);
  row->addWidget(Edit4);
  row->addWidget(Label2);
  row->addWidget(Edit5);
  row->addSpacing(16);
  row->addWidget(BitBtn3);
  row->addStretch();
  Column(Panel2)->addLayout(row);
  Column(Panel2)->addStretch();
}

void TForm4::BuildSetpointPanel() {
  Panel3 = new TPanel(this, "Panel3");
  Panel3->SetBorder(false);

  // Left half: the step setpoint.
  Panel7 = MakeSection(Panel3, "Panel7", "Panel9", "Consigne échelon", Panel9);
  Label3 = MakeLabel(Panel7, "Label3", "L'amplitude de l'échelon peut varier de 0 à");
  Edit3 = MakeEdit(Panel7, "Edit3", 4);
  Label6 = MakeLabel(Panel7, "Label6", "(8 maxi)");
  BitBtn2 = MakeBitBtn(Panel7, "BitBtn2", "Valider la nouvelle valeur");
  Label9 = MakeLabel(Panel7, "Label9",
                     "Vous devez être cohérent entre vos consignes et la plage du retour\r\n"
                     "(0à10v maxi pour la carte, et votre capteur?)\r\n"
                     "valeur trop grande en tenant compte du dépassement probable,\r\n"
                     "ou valeur inférieure à 0.");
  SetTextColor(Label9, Qt::red);
  Label9->setVisible(false);
  {
    auto* line = new QHBoxLayout();
    line->setContentsMargins(4, 0, 4, 0);
    line->setSpacing(4);
    line->addWidget(Label3);
    line->addWidget(Edit3);
    line->addWidget(Label6);
    line->addStretch();
    auto* button = new QHBoxLayout();
    button->setContentsMargins(4, 0, 4, 0);
    button->addWidget(BitBtn2);
    button->addStretch();
    QVBoxLayout* c = Column(Panel7);
    c->addLayout(line);
    c->addLayout(button);
    c->addWidget(Label9);
    c->addStretch();
    Label9->setContentsMargins(4, 0, 4, 0);
    KeepLines(Label9, kHalfTextWidth);
  }

  // Right half: the periodic setpoints.
  Panel8 = MakeSection(Panel3, "Panel8", "Panel10", "Autres consignes", Panel10);
  Label10 = MakeLabel(Panel8, "Label10", "Valeur moyenne mini autorisée (2 mini)");
  Edit6 = MakeEdit(Panel8, "Edit6", 4);
  Label11 = MakeLabel(Panel8, "Label11", "Valeur moyenne maxi autorisée (7 maxi)");
  Edit9 = MakeEdit(Panel8, "Edit9", 4);
  Label12 = MakeLabel(Panel8, "Label12", "Amplitude maxi autorisée (3 maxi)");
  Edit8 = MakeEdit(Panel8, "Edit8", 4);
  BitBtn4 = MakeBitBtn(Panel8, "BitBtn4", "Valider les nouvelles valeurs");
  Label13 = MakeLabel(Panel8, "Label13",
                      "Vous devez être cohérent dans le choix de vos valeurs:\r\n"
                      "     - mini<maxi et valeur moyenne - amplitude>0.\r\n"
                      "     - valeurs cohérentes avec votre chaine d'asservissement.");
  SetTextColor(Label13, Qt::red);
  {
    auto* grid = new QGridLayout();
    grid->setContentsMargins(4, 0, 4, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(Label10, 0, 0);
    grid->addWidget(Edit6, 0, 1);
    grid->addWidget(Label11, 1, 0);
    grid->addWidget(Edit9, 1, 1);
    grid->addWidget(Label12, 2, 0);
    grid->addWidget(Edit8, 2, 1);
    grid->setColumnStretch(2, 1);
    auto* button = new QHBoxLayout();
    button->setContentsMargins(4, 0, 4, 0);
    button->addWidget(BitBtn4);
    button->addStretch();
    QVBoxLayout* c = Column(Panel8);
    c->setSpacing(2);
    c->addLayout(grid);
    c->addLayout(button);
    c->addWidget(Label13);
    c->addStretch();
    Label13->setContentsMargins(4, 0, 4, 0);
    KeepLines(Label13, kHalfTextWidth);
  }

  auto* halves = new QHBoxLayout(Panel3);
  halves->setContentsMargins(0, 0, 0, 0);
  halves->setSpacing(0);
  halves->addWidget(Panel7, 1);
  halves->addWidget(Panel8, 1);
}

void TForm4::BuildAddressPanel() {
  Panel4 = MakeSection(this, "Panel4", "Panel11", "Adaptation du logiciel aux adresses de la carte",
                       Panel11);
  Panel4->setFixedHeight(kAddressPanelHeight);
  Label7 = MakeLabel(Panel4, "Label7", "ADR1:");
  Edit1 = MakeEdit(Panel4, "Edit1", 4);
  Label8 = MakeLabel(Panel4, "Label8", "ADR2:");
  Edit2 = MakeEdit(Panel4, "Edit2", 0);
  Edit2->setFixedWidth(kFieldWidth);
  BitBtn1 = MakeBitBtn(Panel4, "BitBtn1", "Valider les nouvelles adresses");
  CardButton = new QPushButton("Choix de la carte…", Panel4);
  CardButton->setObjectName("CardButton");
  CardButton->setAutoDefault(false);
  Label4 = MakeLabel(Panel4, "Label4",
                     "Saisir les adresses en hexadecimal: rappel à l'origine les cartes sont aux "
                     "adresses $330 et $340\r\n"
                     "Les nouvelles adresses sont prises en compte après Validation et "
                     "redémarrage du programme");
  Label5 = MakeLabel(Panel4, "Label5",
                     "Nouvelles adresses validées.Redémarrer le programme pour prise en "
                     "compte.\r\n"
                     "Vous pouvez remodifier les adresses si vous avez fait une erreur.");
  SetTextColor(Label5, Qt::red);
  Label5->setVisible(false);
  auto* row = new QHBoxLayout();
  row->setContentsMargins(8, 0, 8, 0);
  row->setSpacing(8);
  row->addWidget(Label7);
  row->addWidget(Edit1);
  row->addSpacing(16);
  row->addWidget(Label8);
  row->addWidget(Edit2);
  row->addSpacing(16);
  row->addWidget(BitBtn1);
  row->addStretch();
  row->addWidget(CardButton);
  // The instructions and the confirmation share one place.
  auto* texts = new QGridLayout();
  texts->setContentsMargins(8, 0, 8, 0);
  texts->addWidget(Label4, 0, 0);
  texts->addWidget(Label5, 0, 0);
  Column(Panel4)->addLayout(row);
  Column(Panel4)->addLayout(texts);
  Column(Panel4)->addStretch();
}

// ---------------------------------------------------------------------------------
// Handlers

void TForm4::FormCreate() {
  // "." as decimal separator for everything this window reads and writes.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
}

void TForm4::FormShow() {
  Label4->setVisible(true);
  Label5->setVisible(false);
  // A read that fails stops here: the controls after it keep what they showed, and the
  // groups not read are not written back on closing.
  rangeKnown_.fill(false);
  shownIndex_.fill(kNotShown);
  TRadioGroup* groups[] = {RadioGroup1, RadioGroup2, RadioGroup3};
  const char* files[] = {"sauvegarde/rd1itind.rtf", "sauvegarde/rd2itind.rtf",
                         "sauvegarde/rd3itind.rtf"};
  for (std::size_t j = 0; j < 3; ++j) {
    const std::string text = LoadSetting(files[j], kSettingWidth);
    int index = -1;
    try {
      index = RangeIndexFromText(text);
    } catch (const VantorError& e) {
      throw VantorError(WithFileLine(e.what(), files[j]));
    }
    groups[j]->SetItemIndex(index);
    rangeKnown_[j] = true;
    shownIndex_[j] = index;
    shownIndexText_[j] = text;
  }
  // The fields show the characters read, unconverted (-10.00 shows as "-10.").
  Edit1->setText(ToQString(LoadSetting("sauvegarde/adr1.rtf", kSettingWidth)));
  Edit2->setText(ToQString(LoadSetting("sauvegarde/adr2.rtf", kSettingWidth)));
  Edit3->setText(ToQString(LoadSetting("sauvegarde/finalech.rtf", kSettingWidth)));
  Edit9->setText(ToQString(LoadSetting("sauvegarde/valmoymaxi.rtf", kSettingWidth)));
  Edit6->setText(ToQString(LoadSetting("sauvegarde/valmoymini.rtf", kSettingWidth)));
  Edit8->setText(ToQString(LoadSetting("sauvegarde/amplimaxi.rtf", kSettingWidth)));
  Edit5->setText(ToQString(LoadSetting("sauvegarde/ordremaxi.rtf", kSettingWidth)));
  Edit4->setText(ToQString(LoadSetting("sauvegarde/ordremini.rtf", kSettingWidth)));
}

void TForm4::BitBtn1Click() {
  // Both addresses are checked before either is saved. The card keeps its addresses
  // until the program is started again.
  RequireReadableAddress(Edit1);
  RequireReadableAddress(Edit2);
  SaveSetting("sauvegarde/adr1.rtf", ToStdString(Edit1->text()));
  SaveSetting("sauvegarde/adr2.rtf", ToStdString(Edit2->text()));
  Label4->setVisible(false);
  Label5->setVisible(true);
}

void TForm4::CardButtonClick() {
  if (!cardDialog_) cardDialog_ = new CardChoiceDialog(main_, this);
  cardDialog_->Refill();
  cardDialog_->open();  // modal over this window, without a nested event loop
}

void TForm4::BitBtn2Click() {
  const long double v = Value(Edit3);
  // Out of range: the warning, which stays shown from then on, and nothing changes.
  if (v > 8 || v < 0) {
    Label9->setVisible(true);
    return;
  }
  RegulationState& s = main_.Regulation();
  s.finalech = v;
  main_.RangeChanged(OperatingRange::StepAmplitude);
  SaveSetting("sauvegarde/finalech.rtf", FormatFixed2(s.finalech));
}

void TForm4::BitBtn3Click() {
  RegulationState& s = main_.Regulation();
  const long double maxi = Value(Edit5);
  RequireStorableLimit(Edit5, maxi);
  s.ordremaxi = maxi;
  SaveSetting("sauvegarde/ordremaxi.rtf", FormatFixed2(s.ordremaxi));
  long double mini = Value(Edit4);
  const bool aboveMaximum = s.ordremaxi < mini;
  if (aboveMaximum) mini = s.ordremaxi;
  RequireStorableLimit(Edit4, mini);
  s.ordremini = mini;
  if (aboveMaximum) Edit4->setText(ToQString(FormatFixed2(s.ordremini)));
  SaveSetting("sauvegarde/ordremini.rtf", FormatFixed2(s.ordremini));
  main_.RangeChanged(OperatingRange::OrderLimits);
}

void TForm4::BitBtn4Click() {
  RegulationState& s = main_.Regulation();
  // Out-of-range entries are corrected silently; the field shows the value used.
  s.amplimaxi = Value(Edit8);
  if (s.amplimaxi > 3) {
    s.amplimaxi = 3;
    Edit8->setText("3");
  }
  if (s.amplimaxi < 0.1L) {
    s.amplimaxi = 0.1L;
    Edit8->setText("0.1");
  }
  SaveSetting("sauvegarde/amplimaxi.rtf", FormatFixed2(s.amplimaxi));
  main_.RangeChanged(OperatingRange::PeriodicAmplitude);

  s.valmoymaxi = Value(Edit9);
  if (s.valmoymaxi > 7) {
    s.valmoymaxi = 7;
    Edit9->setText("7");
  }
  if (s.valmoymaxi < 3) {
    s.valmoymaxi = 3;
    Edit9->setText("3");
  }
  SaveSetting("sauvegarde/valmoymaxi.rtf", FormatFixed2(s.valmoymaxi));

  s.valmoymini = Value(Edit6);
  if (s.valmoymini < 2) {
    s.valmoymini = 2;
    Edit6->setText("2");
  }
  if (s.valmoymaxi < s.valmoymini) {
    s.valmoymini = s.valmoymaxi;
    Edit6->setText(ToQString(FormatFixed2(s.valmoymini)));
  }
  SaveSetting("sauvegarde/valmoymini.rtf", FormatFixed2(s.valmoymini));
  main_.RangeChanged(OperatingRange::PeriodicMean);
}

namespace {

// Whether the setting file now holds something else than `shown`, read when the window
// opened. A file that is gone or cannot be read has not been changed by anybody.
bool ChangedSinceShown(const char* file, const std::string& shown) {
  try {
    return LoadSetting(file, kSettingWidth) != shown;
  } catch (const VantorError&) {
    return false;
  }
}

}  // namespace

void TForm4::FormClose() {
  struct Gain {
    TRadioGroup* group;
    std::int32_t& range;
    OperatingRange shown;
    const char* rangeFile;
    const char* indexFile;
  };
  RegulationState& s = main_.Regulation();
  const Gain gains[] = {
      {RadioGroup1, s.kpmax, OperatingRange::Kp, "sauvegarde/kpmax.rtf", "sauvegarde/rd1itind.rtf"},
      {RadioGroup2, s.kdmax, OperatingRange::Kd, "sauvegarde/kdmax.rtf", "sauvegarde/rd2itind.rtf"},
      {RadioGroup3, s.kimax, OperatingRange::Ki, "sauvegarde/kimax.rtf", "sauvegarde/rd3itind.rtf"},
  };
  for (std::size_t j = 0; j < 3; ++j) {
    const Gain& g = gains[j];
    // Never write back a range that was neither read nor chosen.
    if (!rangeKnown_[j]) continue;
    const int i = g.group->ItemIndex();
    // A range the teacher left as it was shown is written back (a missing file comes
    // back) unless another program has changed it since: its change stands.
    if (i == shownIndex_[j] && ChangedSinceShown(g.indexFile, shownIndexText_[j])) continue;
    // With no button selected the range keeps its current value.
    if (i >= 0) g.range = GainRangeForIndex(i);
    main_.RangeChanged(g.shown);
    SaveSetting(g.rangeFile, FormatFixed2(g.range));
    SaveSetting(g.indexFile, FormatFixed2(i));
  }
}

void TForm4::done(int result) {
  // When the files cannot be written, the teacher may stay and try again (the next
  // closing retries everything) or leave without saving.
  if (!Guarded(this, [this] { FormClose(); }) &&
      !Dialogs::Current().Confirm(this, kCloseWithoutSavingText))
    return;  // stays open
  QDialog::done(result);
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A showing asked for by the program, not the window system's own (de-iconifying).
  if (!event->spontaneous()) Guarded(this, [this] { FormShow(); });
}

}  // namespace vantor
