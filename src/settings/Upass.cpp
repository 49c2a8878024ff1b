// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Upass.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "common/SettingsStore.h"
#include "common/VantorError.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"

namespace vantor {

namespace {

constexpr int kClientWidth = 688;
constexpr int kClientHeight = 453;
constexpr int kPasswordWidth = 5;
constexpr int kEntryWidth = 140;
const char* const kPasswordFile = "sauvegarde/pamo.rtf";
// The password of the settings shipped with the program, which its installation notes
// print: still in force, it opens every workstation of the room.
const char* const kShippedPassword = "vanto";

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const QColor& color,
                  bool visible) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  l->setAlignment(Qt::AlignCenter);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, color);
  l->setPalette(pal);
  // Hidden texts keep their place, so the steps below do not move.
  QSizePolicy policy = l->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  l->setSizePolicy(policy);
  l->setVisible(visible);
  return l;
}

TPasswordEdit* MakeEntry(QWidget* parent, const char* name) {
  auto* e = new TPasswordEdit(parent, name);
  e->setFixedWidth(kEntryWidth);
  QSizePolicy policy = e->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  e->setSizePolicy(policy);
  return e;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        QStyle::StandardPixmap picture) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setIcon(parent->style()->standardIcon(picture));
  b->setAutoDefault(false);
  b->setMinimumWidth(100);
  return b;
}

// An entry and its "Valider" button, centred on one line.
QHBoxLayout* EntryLine(QWidget* entry, QWidget* button) {
  auto* line = new QHBoxLayout();
  line->addStretch();
  line->addWidget(entry);
  line->addSpacing(12);
  line->addWidget(button);
  line->addStretch();
  return line;
}

}  // namespace

QString FirstCharacters(const QString& text, int count) {
  qsizetype end = 0;
  for (int n = 0; n < count && end < text.size(); ++n)
    end += (text.at(end).isHighSurrogate() && end + 1 < text.size() &&
            text.at(end + 1).isLowSurrogate())
               ? 2
               : 1;
  return text.left(end);
}

int CharacterCount(const QString& text) {
  return static_cast<int>(text.toUcs4().size());
}

TFormpass::TFormpass(Workstation& workstation)
    : QDialog(&workstation.Window()), main_(workstation) {
  setObjectName("Formpass");
  setWindowTitle("mot de passe");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  QFont f("MS Sans Serif");
  f.setPointSize(10);
  f.setBold(true);
  setFont(f);
  setFixedSize(kClientWidth, kClientHeight);

  BuildValidationPanel();
  BuildChangePanel();
  // Both panels fill the client area at the same place; one is shown at a time.
  auto* place = new QGridLayout(this);
  place->setContentsMargins(0, 0, 0, 0);
  place->addWidget(Panel11, 0, 0);
  place->addWidget(Panel14, 0, 0);
  Panel14->setVisible(false);

  RichEdit1 = new QTextEdit(this);
  RichEdit1->setObjectName("RichEdit1");
  RichEdit1->setVisible(false);

  ConnectGuarded(BitBtn3, &QPushButton::clicked, this, &TFormpass::BitBtn3Click);
  ConnectGuarded(BitBtn1, &QPushButton::clicked, this, &TFormpass::BitBtn1Click);
  ConnectGuarded(BitBtn2, &QPushButton::clicked, this, &TFormpass::BitBtn2Click);
  ConnectGuarded(BitBtn5, &QPushButton::clicked, this, &TFormpass::BitBtn5Click);
  // "Annuler" closes with the cancel result and does nothing else.
  connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
  UpdateDefaultButton();
}

void TFormpass::BuildValidationPanel() {
  Panel11 = new TPanel(this, "Panel11");
  Label7 = MakeLabel(Panel11, "Label7", "Saisir le mot\r\nde passe\r\n5 lettres", kBlue, true);
  Edit6 = MakeEntry(Panel11, "Edit6");
  BitBtn3 = MakeButton(Panel11, "BitBtn3", "Valider", QStyle::SP_DialogOkButton);
  Label16 = MakeLabel(Panel11, "Label16", "mauvais\r\nmot de passe\r\nrecommencer\r\nou \r\nsortir",
                      kRed, false);
  BitBtn4 = MakeButton(Panel11, "BitBtn4", "Annuler", QStyle::SP_DialogCancelButton);

  auto* column = new QVBoxLayout(Panel11);
  column->setContentsMargins(12, 12, 12, 12);
  column->setSpacing(14);
  column->addStretch();
  column->addWidget(Label7);
  column->addLayout(EntryLine(Edit6, BitBtn3));
  column->addWidget(Label16);
  auto* cancel = new QHBoxLayout();
  cancel->addStretch();
  cancel->addWidget(BitBtn4);
  cancel->addStretch();
  column->addLayout(cancel);
  column->addStretch();
}

void TFormpass::BuildChangePanel() {
  Panel14 = new TPanel(this, "Panel14");
  Label1 = MakeLabel(Panel14, "Label1",
                     "Avant opération il est préférable de noter l'ancien et le nouveau mot de "
                     "passe.\r\nSaisir l'ancien mot de passe (5 lettres)",
                     kBlue, true);
  Edit1 = MakeEntry(Panel14, "Edit1");
  BitBtn1 = MakeButton(Panel14, "BitBtn1", "Valider", QStyle::SP_DialogOkButton);
  Label3 =
      MakeLabel(Panel14, "Label3", "mauvais mot de passe\r\nrecommencer ou sortir", kRed, false);
  Label2 = MakeLabel(Panel14, "Label2",
                     "Saisir le nouveau mot de passe (5 lettres)\r\npour validation", kBlue, false);
  Edit2 = MakeEntry(Panel14, "Edit2");
  Edit2->setMaxLength(kPasswordWidth);
  BitBtn2 = MakeButton(Panel14, "BitBtn2", "Valider", QStyle::SP_DialogOkButton);
  Label8 = MakeLabel(Panel14, "Label8", "5 lettres obligatoires", kRed, true);
  Label4 =
      MakeLabel(Panel14, "Label4",
                "Ressaisir le nouveau mot de passe (5 lettres)\r\npour validation", kBlue, false);
  Edit3 = MakeEntry(Panel14, "Edit3");
  BitBtn5 = MakeButton(Panel14, "BitBtn5", "Valider", QStyle::SP_DialogOkButton);
  Label5 = MakeLabel(Panel14, "Label5",
                     "Nouveau mot de passe non confirmé\r\nrecommencer l'opération", kRed, false);
  Label6 = MakeLabel(Panel14, "Label6", "opération réussie", kGreen, false);
  QFont big = font();
  big.setPointSize(16);
  big.setBold(true);
  Label6->setFont(big);

  auto* column = new QVBoxLayout(Panel14);
  column->setContentsMargins(8, 8, 8, 8);
  column->setSpacing(6);
  column->addStretch();
  column->addWidget(Label1);
  column->addLayout(EntryLine(Edit1, BitBtn1));
  column->addWidget(Label3);
  column->addWidget(Label2);
  column->addLayout(EntryLine(Edit2, BitBtn2));
  column->addWidget(Label8);
  column->addWidget(Label4);
  column->addLayout(EntryLine(Edit3, BitBtn5));
  column->addWidget(Label5);
  column->addWidget(Label6);
  column->addStretch();
}

// ---------------------------------------------------------------------------------
// Handlers

bool TFormpass::Matches(const QString& entry) const {
  // The whole entry against the whole reference: exact, case-sensitive, same length.
  return referenceRead_ && entry == ReferencePassword;
}

void TFormpass::FormShow() {
  // Until the file has been read on this showing, no entry is accepted: an unreadable
  // or empty password file never opens the lock.
  referenceRead_ = false;
  const QString reference = QString::fromStdString(LoadSetting(kPasswordFile, kPasswordWidth));
  if (reference.isEmpty())
    throw VantorError("Le fichier sauvegarde/pamo.rtf ne contient aucun mot de passe");
  // Entries are forced to lower case: a password file typed in capitals must still match.
  ReferencePassword = reference.toLower();
  referenceRead_ = true;

  const PasswordPurpose purpose = main_.PasswordAskedFor();
  if (purpose == PasswordPurpose::Settings || purpose == PasswordPurpose::OpenLoop ||
      purpose == PasswordPurpose::TeacherWindow || purpose == PasswordPurpose::SessionUnlock) {
    // Edit6 and Label16 keep what the previous showing left.
    Panel11->setVisible(true);
    Panel14->setVisible(false);
    setWindowTitle(purpose == PasswordPurpose::TeacherWindow
                       ? "Validation du mot de passe pour les réglages du professeur."
                   : purpose == PasswordPurpose::SessionUnlock
                       ? "Validation du mot de passe pour déverrouiller la séance."
                       : "Validation du mot de passe pour modification des plages de réglages.");
    Edit6->setFocus();
  } else if (purpose == PasswordPurpose::NewPassword) {
    Panel11->setVisible(false);
    Panel14->setVisible(true);
    setWindowTitle("Modification du mot de passe.");
    Edit1->setVisible(true);
    BitBtn1->setEnabled(true);
    Edit2->setVisible(false);
    BitBtn2->setEnabled(false);
    Edit3->setVisible(false);
    BitBtn5->setEnabled(false);
    Label1->setVisible(true);
    for (QLabel* l : {Label2, Label3, Label4, Label5, Label6, Label8}) l->setVisible(false);
    Edit1->setFocus();
  }
  UpdateDefaultButton();
}

void TFormpass::BitBtn3Click() {
  if (!Matches(Edit6->text())) {
    // No counter, no delay: the user tries again or leaves with "Annuler".
    Edit6->clear();
    Label16->setVisible(true);
    return;
  }
  Edit6->clear();
  Panel11->setVisible(false);
  Label16->setVisible(false);
  const PasswordPurpose purpose = main_.PasswordAskedFor();
  accept();  // hidden and closed before what it opens
  if (!shippedPasswordNoted_ && ReferencePassword == kShippedPassword) {
    // Once in the program's life, before what the password opens.
    shippedPasswordNoted_ = true;
    Dialogs::Current().Message(
        parentWidget(),
        "Le mot de passe en service est celui livré avec le programme : il est écrit dans sa "
        "documentation et ouvre tous les postes livrés. Choisissez-en un autre par le menu "
        "« Paramétrage », « Changer mot de passe ».");
  }
  if (purpose == PasswordPurpose::Settings) {
    // The menu command that showed this window returns once the settings are closed.
    main_.ShowSettings();
  } else if (purpose == PasswordPurpose::TeacherWindow ||
             purpose == PasswordPurpose::SessionUnlock) {
    // Taken first: what it opens may ask for the password again.
    const std::function<void()> granted = main_.TakeTeacherAction();
    if (granted) granted();
  } else if (purpose == PasswordPurpose::OpenLoop) {
    main_.SwitchToOpenLoop();
  }
}

void TFormpass::BitBtn1Click() {
  Label5->setVisible(false);
  if (!Matches(Edit1->text())) {
    Label3->setVisible(true);
    Edit1->clear();
    return;
  }
  Label1->setVisible(false);
  Label3->setVisible(false);
  Label2->setVisible(true);
  Edit1->clear();
  Edit1->setVisible(false);
  BitBtn1->setEnabled(false);
  Edit2->setVisible(true);
  BitBtn2->setEnabled(true);
  Edit3->setVisible(false);
  BitBtn5->setEnabled(false);
  UpdateDefaultButton();
  Edit2->setFocus();
}

void TFormpass::BitBtn2Click() {
  NewPassword = FirstCharacters(Edit2->text(), kPasswordWidth);
  // Only the length is checked: any five characters are a password.
  if (CharacterCount(Edit2->text()) != kPasswordWidth) {
    Edit2->clear();
    Label8->setVisible(true);
    return;
  }
  Edit2->clear();
  Label8->setVisible(false);
  Label2->setVisible(false);
  Label4->setVisible(true);
  Edit1->setVisible(false);
  BitBtn1->setEnabled(false);
  Edit2->setVisible(false);
  BitBtn2->setEnabled(false);
  Edit3->setVisible(true);
  BitBtn5->setEnabled(true);
  UpdateDefaultButton();
  Edit3->setFocus();
}

void TFormpass::BitBtn5Click() {
  ConfirmedPassword = FirstCharacters(Edit3->text(), kPasswordWidth);
  Edit3->clear();
  if (ConfirmedPassword == NewPassword) {
    // A write that fails stops here: the confirmation step stays open.
    SaveSetting(kPasswordFile, ConfirmedPassword.toStdString());
    BitBtn5->setEnabled(false);
    Edit3->setVisible(false);
    Label4->setVisible(false);
    Label6->setVisible(true);
    Label8->setVisible(false);
  } else {
    // Back to the old password.
    Label5->setVisible(true);
    Edit3->setVisible(false);
    BitBtn5->setEnabled(false);
    Label4->setVisible(false);
    Label1->setVisible(true);
    Edit1->setVisible(true);
    BitBtn1->setEnabled(true);
    Label8->setVisible(false);
    Edit1->setFocus();
  }
  UpdateDefaultButton();
}

void TFormpass::UpdateDefaultButton() {
  bool found = false;
  for (QPushButton* b : {BitBtn3, BitBtn1, BitBtn2, BitBtn5}) {
    const bool current = !found && b->isEnabled() && b->isVisibleTo(this);
    b->setDefault(current);
    found = found || current;
  }
}

void TFormpass::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A showing asked for by the program, not the window system's own (de-iconifying).
  if (!event->spontaneous()) Guarded(this, [this] { FormShow(); });
}

void TFormpass::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
    for (QPushButton* b : {BitBtn3, BitBtn1, BitBtn2, BitBtn5})
      if (b->isEnabled() && b->isVisibleTo(this)) {
        b->click();
        break;
      }
    event->accept();
    return;
  }
  if (plain && key == Qt::Key_Escape) {
    if (BitBtn4->isEnabled() && BitBtn4->isVisibleTo(this)) BitBtn4->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vantor
