// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FileErrors.h"

#include <cerrno>

namespace vantor {

std::string WithFileLine(const std::string& message, const std::string& path,
                         const std::string& cause) {
  if (message.find('\n') != std::string::npos) return message;
  std::string out = message + "\nFichier : " + path;
  if (!cause.empty()) out += " (" + cause + ")";
  return out;
}

std::string WithCauseLine(const std::string& message, const std::string& cause) {
  return message + "\nCause : " + cause;
}

std::string SystemCauseText(int error) {
  switch (error) {
    case ENOENT:
      return "fichier ou dossier absent";
    case EACCES:
    case EPERM:
      return "permission refusée";
    case EROFS:
      return "disque en lecture seule";
    case ENOSPC:
      return "disque plein";
    case EDQUOT:
      return "quota de disque dépassé";
    case EFBIG:
      return "fichier trop grand pour le système";
    case EISDIR:
      return "c'est un dossier";
    case ENOTDIR:
      return "un élément du chemin n'est pas un dossier";
    case ELOOP:
      return "trop de liens symboliques";
    case EIO:
      return "erreur d'entrée-sortie du disque";
    case ENAMETOOLONG:
      return "nom trop long";
    case EMFILE:
    case ENFILE:
      return "trop de fichiers ouverts";
    case EEXIST:
      return "un fichier de ce nom existe déjà";
    case EBUSY:
    case ETXTBSY:
      return "fichier ou périphérique occupé";
    case EXDEV:
      return "le fichier et sa destination sont sur deux disques différents";
    case ENXIO:
    case ENODEV:
      return "périphérique absent";
    case ENOMEM:
      return "mémoire insuffisante";
    case EINVAL:
      return "opération refusée par le système de fichiers";
    case EAGAIN:
    case EINTR:
      return "opération interrompue, à refaire";
    default:
      // The system's own text is English: its number lets a technician look it up.
      return "erreur du système n° " + std::to_string(error);
  }
}

}  // namespace vantor
