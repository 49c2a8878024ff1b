// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt's own texts (the print, page set-up and file dialogs, the standard buttons and
// context menus) in French, whatever the language of the session: the program speaks
// French only.
class QCoreApplication;

namespace vantor {

// Installs Qt's French translations on `app`, from the folder where Qt keeps its
// translations (Debian: qt6-translations-l10n). Returns false, and leaves Qt's texts as
// they are, when they cannot be found.
bool InstallFrenchTranslations(QCoreApplication& app);

}  // namespace vantor
