// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lab report laid out as an A4 PDF: text as PDF text, the traces drawn as vectors by
// the trace printout's own drawing. The file is written whole under a temporary name and
// then takes its name, so a failure leaves no partial report.
#include <QString>
#include <vector>

#include "lesson-core/LabReport.h"

namespace vantor {

// Writes `report` to `path`; `runs[i]` is the run of report.Sections[i]. Throws
// VantorError naming the file when it cannot be written.
void WriteLabReportPdf(const QString& path, const LabReport& report,
                       const std::vector<const Trial*>& runs);

}  // namespace vantor
