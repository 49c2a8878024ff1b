// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Run files: a run saved as CSV, the headless tool's format, preceded by "# clé=valeur"
// lines that describe it:
//
//   # consigne=Consigne: Echelon          setpoint caption of the main window
//   # kp=2   # kd=0   # ki=0.5            gains (one per line)
//   # boucle=fermée                       loop mode: fermée or ouverte
//   # procede=Moteur à courant continu : position   (empty on the real card)
//   # profil=réaliste   # charge=1 V à 5 s     (only for a simulated process)
//   # date=2025-03-14 10:12:31
//   # correcteur=essai de relais d:2, ...  the law, only when not the main window's PID
//   # type_consigne=echelon  # amplitude_echelon=6  # moyenne=2  # amplitude=0.1
//   # frequence=0.01  # ordremaxi=10  # ordremini=-10  # entrees=400
//   # retour_seuil_bas=0-49,612-630       entries whose feedback reading was below the
//   # retour_pleine_echelle=...            0.2 V floor, or at full scale (only when any;
//                                          several lines when the list is long)
//   k,t,consigne,retour,erreur,ordre_derive,ordre_proportionnel,ordre_integral,ordre_total
//   0,0.00,0,0,0,0,0,0,0
//   ... one row per entry k = 0..2000: k, its time (two decimals), the seven series in
//   hundredths of a volt.
//
// Reading accepts any "#" lines before the header (unknown keys are ignored, a line
// without "=" is a comment) and Windows line ends. Qt-free.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "regulation/Trial.h"

namespace vantor {

inline constexpr const char* kRunFileHeader =
    "k,t,consigne,retour,erreur,ordre_derive,ordre_proportionnel,ordre_integral,ordre_total";
// A run file is about 100 kB; anything beyond this is not one.
constexpr long kRunFileMaxBytes = 1'000'000;

// Writes `t` to `path` (see WriteOutputFile: a file that could not be written whole is
// never left, and the previous one stays). Throws VantorError ("Impossible de créer le
// fichier %s", "Erreur à l'écriture du fichier %s" with the cause on a second line).
// `beforeCommit`, when given, runs once everything is written and before the file takes
// its name: whatever it throws leaves no file and the previous one as it was (a tool
// asked to stop while it writes).
// `extraKeys` are written as further "# clé=valeur" lines after the run's own (the
// journal keeps the step measures there); readers of a run ignore them.
using RunFileKeys = std::vector<std::pair<std::string, std::string>>;
void WriteRunFile(const std::string& path, const Trial& t,
                  const std::function<void()>& beforeCommit = {},
                  const RunFileKeys& extraKeys = {});

// Writes `t` for a spreadsheet set to French: UTF-8 with its byte-order mark, ';' between
// fields, ',' before decimals, "\r\n" line ends. A few "Clé;valeur" lines describe the
// run, then an empty line, a header and one row per entry 0..LastEntry: the time in
// seconds and the seven series in volts. Not read back: the run file is the exchange
// format. Throws VantorError as WriteRunFile does.
void WriteSpreadsheetFile(const std::string& path, const Trial& t);

// Reads the run file at `path` into `into`, which changes only when the whole file has
// been read and checked. Throws VantorError with a French message naming the file and the
// line at fault: a file too large, a header that is not the header above, a row that does
// not convert (nine integers, the time a decimal number) or whose k is not its entry, a
// "#" value that does not convert, fewer or more than 2,001 rows.
void ReadRunFile(const std::string& path, Trial& into);

// The same, on the file's content `text` already read; `path` names it in messages.
// `otherKeys`, when given, receives the "#" keys that are not the run's own.
void ReadRunText(const std::string& path, std::string text, Trial& into,
                 RunFileKeys* otherKeys = nullptr);

// Reads only the "#" lines before the header of the run file at `path` (a few hundred
// bytes; the record is not read): the description into `into` (its record left as it
// was), the other keys into `otherKeys`. Throws VantorError as ReadRunFile does for a
// file that cannot be opened, has no header in its first kilobytes or a "#" value
// that does not convert.
void ReadRunHead(const std::string& path, Trial& into, RunFileKeys& otherKeys);

}  // namespace vantor
