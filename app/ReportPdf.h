#pragma once
// A reading's report as one A4 page, drawn with Qt's own PDF writer: the time,
// the reader and the program's version, the document's boxes with their
// labels as on the window, the face, the verdict word in its colour and every
// check line in the colour the log gave it. A reading that stopped before its
// verdict says so. Whatever the chip holds, it stays one page: long values
// are cut short in their boxes, and the check lines get a smaller type until
// they fit.

#include <QByteArray>
#include <QSizeF>

#include "app/ReadingReport.h"

class QPainter;

// The PDF file's bytes.
QByteArray ReportPdf(const TReadingReport& report);

// Draws the page on painter, whose device is an A4 page of pageSize units
// (any resolution: the PDF writer's, or an image's for a look at it).
void PaintReport(QPainter& painter, const QSizeF& pageSize, const TReadingReport& report);
