// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPushButton>

namespace vantor {

namespace {

Dialogs* installed = nullptr;

QtDialogs& DefaultDialogs() {
  static QtDialogs dialogs;
  return dialogs;
}

QString ApplicationTitle() {
  const QString title = QApplication::applicationDisplayName();
  return title.isEmpty() ? QApplication::applicationName() : title;
}

// A box is shown over the window in front of the program: the modal window open, else
// the active window (a viewer the student is reading, for example), else the window of
// the handler that asks. Being transient for it, the box stacks above it and above
// every window that window stacks above.
QWidget* FrontWindow(QWidget* requested) {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return requested ? requested->window() : nullptr;
}

// A box at least as wide as its title needs, so that the window manager does not cut
// the title short.
void WidenForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  QFont caption = box.font();
  caption.setBold(true);
  // The title bar's buttons and margins come on top of the text.
  const int width = QFontMetrics(caption).horizontalAdvance(box.windowTitle()) + 160;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

bool runInProgress = false;

// A box shown without waiting for it, modeless unless `setUp` says otherwise: it deletes
// itself once closed, and calls `finished` with the button chosen.
QMessageBox* ShowBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                     QMessageBox::StandardButtons buttons, QWidget* requested,
                     const std::function<void(QMessageBox&)>& setUp = {},
                     std::function<void(int)> finished = {}) {
  auto* box = new QMessageBox(icon, title, text, buttons, FrontWindow(requested));
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (setUp) setUp(*box);
  WidenForTitle(*box);
  if (finished)
    QObject::connect(box, &QMessageBox::finished, box,
                     [finished = std::move(finished)](int result) { finished(result); });
  box->show();
  return box;
}

int ExecBox(QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons, QWidget* requested,
            const std::function<void(QMessageBox&)>& setUp = {}) {
  if (runInProgress) {
    // No event loop of the box's own during a run: shown, not waited for.
    ShowBox(icon, title, text, QMessageBox::Ok, requested);
    return QMessageBox::Cancel;
  }
  QMessageBox box(icon, title, text, buttons, FrontWindow(requested));
  if (setUp) setUp(box);
  WidenForTitle(box);
  return box.exec();
}

void SetUpConfirmation(QMessageBox& box) {
  box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
}

// True, after saying why, when a dialog that needs an answer is asked for during a run.
bool RefusedDuringRun(QWidget* parent) {
  if (!runInProgress) return false;
  QApplication::beep();
  ShowBox(QMessageBox::Warning, ApplicationTitle(), QString::fromUtf8(kWaitForRunEndText),
          QMessageBox::Ok, parent);
  return true;
}

QString RunFileDialog(QWidget* parent, const QString& title, const QString& start,
                      const QString& filter, bool save) {
  if (RefusedDuringRun(parent)) return {};
  QFileDialog dialog(FrontWindow(parent), title, start, filter);
  // Qt's own dialog, whatever the desktop: its texts are the ones set here.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save) dialog.setDefaultSuffix("csv");
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Dossier :"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nom du fichier :"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Type de fichier :"));
  dialog.setLabelText(QFileDialog::Accept,
                      save ? QStringLiteral("Enregistrer") : QStringLiteral("Ouvrir"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Annuler"));
  dialog.resize(820, 520);  // the file names and dates in full
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace

int Dialogs::Exec(QDialog& dialog) {
  return dialog.exec();
}

void Dialogs::SetRunInProgress(bool running) {
  runInProgress = running;
}

bool Dialogs::RunInProgress() {
  return runInProgress;
}

int QtDialogs::Exec(QDialog& dialog) {
  if (RefusedDuringRun(&dialog)) return QDialog::Rejected;
  return dialog.exec();
}

Dialogs& Dialogs::Current() {
  return installed ? *installed : DefaultDialogs();
}

void Dialogs::Install(Dialogs* d) {
  installed = d;
}

DialogsScope::DialogsScope(Dialogs* d) : previous_(installed) {
  Dialogs::Install(d);
}

DialogsScope::~DialogsScope() {
  Dialogs::Install(previous_);
}

void QtDialogs::Message(QWidget* parent, const QString& text) {
  ExecBox(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent);
}

bool QtDialogs::Confirm(QWidget* parent, const QString& text) {
  if (RefusedDuringRun(parent)) return false;
  return ExecBox(QMessageBox::Question, QStringLiteral("Confirmation"), text,
                 QMessageBox::Ok | QMessageBox::Cancel, parent,
                 SetUpConfirmation) == QMessageBox::Ok;
}

void QtDialogs::Ask(QWidget* parent, const QString& text, std::function<void(bool)> answered) {
  ShowBox(QMessageBox::Question, QStringLiteral("Confirmation"), text,
          QMessageBox::Ok | QMessageBox::Cancel, parent,
          [](QMessageBox& box) {
            SetUpConfirmation(box);
            // The window it asks for waits for the answer; the event loop does not.
            box.setWindowModality(Qt::WindowModal);
          },
          [answered = std::move(answered)](int result) {
            if (answered) answered(result == QMessageBox::Ok);
          });
}

void QtDialogs::Error(QWidget* parent, const QString& text) {
  ExecBox(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, parent);
}

bool QtDialogs::PrintDialog(QWidget* parent, Printer& printer) {
  if (RefusedDuringRun(parent)) return false;
  // With no printer installed the dialog still offers "print to file (PDF)", which
  // the printer object writes through its PDF path.
  QPrintDialog dialog(&printer.Device(), FrontWindow(parent));
  return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::PrinterSetupDialog(QWidget* parent, Printer& printer) {
  if (RefusedDuringRun(parent)) return false;
  QPageSetupDialog dialog(&printer.Device(), FrontWindow(parent));
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::Beep() {
  QApplication::beep();
}

QString QtDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QString& filter) {
  return RunFileDialog(parent, title, folder, filter, false);
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                const QString& filter) {
  return RunFileDialog(parent, title, proposed, filter, true);
}

}  // namespace vantor
