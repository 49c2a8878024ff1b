#include "Dialogs.h"

#include <QApplication>
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

}  // namespace

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
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

bool QtDialogs::Confirm(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"), text,
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

void QtDialogs::Error(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

bool QtDialogs::PrintDialog(QWidget* parent, Printer& printer) {
  // With no printer installed the dialog still offers "print to file (PDF)", which
  // the printer object writes through its PDF path.
  QPrintDialog dialog(&printer.Device(), parent);
  return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::PrinterSetupDialog(QWidget* parent, Printer& printer) {
  QPageSetupDialog dialog(&printer.Device(), parent);
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::Beep() {
  QApplication::beep();
}

void ScriptedDialogs::Message(QWidget*, const QString& text) {
  messages << text;
  if (onMessage) onMessage();
}

bool ScriptedDialogs::Confirm(QWidget*, const QString& text) {
  confirmations << text;
  bool answer = true;
  if (!confirmAnswers.empty()) {
    answer = confirmAnswers.front();
    confirmAnswers.pop_front();
  }
  if (onMessage) onMessage();
  return answer;
}

void ScriptedDialogs::Error(QWidget*, const QString& text) {
  errors << text;
  if (onMessage) onMessage();
}

bool ScriptedDialogs::PrintDialog(QWidget*, Printer& printer) {
  ++printDialogs;
  if (printDialogAnswer && !pdfPath.isEmpty()) printer.SetOutputPdf(pdfPath);
  return printDialogAnswer;
}

bool ScriptedDialogs::PrinterSetupDialog(QWidget*, Printer&) {
  ++setupDialogs;
  return setupDialogAnswer;
}

void ScriptedDialogs::Beep() {
  ++beeps;
}

}  // namespace vantor
