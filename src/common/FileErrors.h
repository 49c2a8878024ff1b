// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Second lines of the error messages about files. The first line stays the run-time
// library's text ("Erreur au chargement du flux", "Impossible de créer le fichier %s", …);
// the second says which file, or why, so a teacher knows what to repair.
#include <string>

namespace vantor {

// `message`, then a line naming the file and, when given, the cause:
// "Erreur à l'enregistrement du flux\nFichier : sauvegarde/kpmax.rtf (disque plein)".
// A message that already has a second line is returned as it is.
std::string WithFileLine(const std::string& message, const std::string& path,
                         const std::string& cause = {});

// `message` (which names the file already), then "Cause : " and the cause.
std::string WithCauseLine(const std::string& message, const std::string& cause);

// The cause of a failed system call in French, from its errno value.
std::string SystemCauseText(int error);

}  // namespace vantor
