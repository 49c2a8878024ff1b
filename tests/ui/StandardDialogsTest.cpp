// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own dialogs as the program shows them: in French whatever the session's language,
// and "print to file" offering a file named after what is printed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include "widgets/FrenchTranslations.h"
#include "widgets/Printer.h"

namespace vantor {
namespace {

QStringList ButtonTexts(const QWidget& w) {
  QStringList texts;
  for (const QPushButton* b : w.findChildren<QPushButton*>()) texts << b->text();
  return texts;
}

TEST(StandardDialogs, SpeakFrenchEvenWhenTheSessionHasNoLanguage) {
  // As the program runs: the C locale forced for numbers, no language from the session.
  QLocale::setDefault(QLocale::c());
  ASSERT_TRUE(InstallFrenchTranslations(*qApp));
  Printer printer;
  QPrintDialog print(&printer.Device());
  EXPECT_EQ(print.windowTitle(), "Imprimer");
  EXPECT_TRUE(ButtonTexts(print).contains("Im&primer"))
      << ButtonTexts(print).join("|").toStdString();
  EXPECT_TRUE(ButtonTexts(print).contains("Annuler")) << ButtonTexts(print).join("|").toStdString();
  QPageSetupDialog setup(&printer.Device());
  EXPECT_EQ(setup.windowTitle(), "Mise en page");
  QFileDialog files(nullptr, QString(), QDir::tempPath());
  files.setOption(QFileDialog::DontUseNativeDialog);
  files.setAcceptMode(QFileDialog::AcceptSave);
  EXPECT_TRUE(ButtonTexts(files).contains("Annuler")) << ButtonTexts(files).join("|").toStdString();
}

TEST(StandardDialogs, PrintToFileOffersTheDocumentInTheDocumentsFolderThenTheFolderChosen) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const QByteArray previousHome = qgetenv("HOME");
  const QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", home.path().toLocal8Bit());
  qunsetenv("XDG_CONFIG_HOME");
  Printer printer;
  // No documents folder yet: the home folder.
  printer.SuggestPdfName("trace");
  EXPECT_EQ(printer.Device().outputFileName(), home.filePath("trace.pdf"));
  ASSERT_TRUE(QDir(home.path()).mkdir("Documents"));
  printer.Device().setOutputFileName(QString());
  printer.SuggestPdfName("analyse");
  EXPECT_EQ(printer.Device().outputFileName(), home.filePath("Documents/analyse.pdf"));
  // What the print dialog shows as the file to write.
  {
    QPrintDialog dialog(&printer.Device());
    const auto* file = dialog.findChild<QLineEdit*>("filename");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->text(), home.filePath("Documents/analyse.pdf"));
  }
  // A file the user chose elsewhere: the next document goes beside it.
  ASSERT_TRUE(QDir(home.path()).mkdir("cours"));
  printer.SetOutputPdf(home.filePath("cours/mon essai.pdf"));
  printer.SuggestPdfName("Aide sur le paramétrage");
  EXPECT_EQ(printer.Device().outputFileName(), home.filePath("cours/Aide sur le paramétrage.pdf"));
  qputenv("HOME", previousHome);
  if (!previousConfig.isEmpty()) qputenv("XDG_CONFIG_HOME", previousConfig);
}

}  // namespace
}  // namespace vantor
