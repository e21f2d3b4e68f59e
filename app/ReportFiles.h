#pragma once
// Where a reading's report goes and how it is written: both files under
// "<yyyyMMdd-HHmmss>-<document number>" in the report folder, each written to
// a temporary file in the same folder and renamed into place, so a failed
// write never leaves half a file; the pair goes in whole or not at all.

#include <QString>

#include "app/ReadingReport.h"

// ZELVAN_REPORT_DIR when set, else "Zelvan" in the user's documents folder.
QString ReportFolder();

// The reading's start time and its document number (the box, else as the
// operator typed it), letters and digits only: a chip's text never leaves the folder.
QString ReportBaseName(const TReadingReport& report);

struct TSavedReport {
  QString PdfPath;
  QString JsonPath;
  QString Error;  // why nothing was saved; empty on success
};

// Makes the folder when missing (for the user alone), then writes both files
// (readable by the user alone: they hold personal data).
TSavedReport SaveReport(const TReadingReport& report, const QString& folder);
