#pragma once
// A reading's report as data (the layout is in the README): its time,
// reader, verdict, boxes by name, protocols and every check line with its
// outcome and reason. Never the face's bytes: only whether it was read.

#include <QByteArray>

#include "app/ReadingReport.h"

QByteArray ReportJson(const TReadingReport& report);
