// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/FrenchTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vantor {

bool InstallFrenchTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  // The locale is given, not taken from the session, so a session with no LANG or in
  // another language still gets French dialogs.
  if (!translator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace vantor
