#pragma once
// The document's boxes as a report shows them: each box's name in the JSON
// file, its label as on the window, and its place in the window's grid of
// two columns (the address spans both).

#include <QString>

#include <span>

#include "output/PiccView.h"

struct TReportField {
  TResultEdit Edit;
  const char* Key;  // the field's name in the JSON file
  QString Label;    // as on the window
  int Row;
  int Column;      // 0 left, 1 right
  bool FullWidth;  // spans both columns
};

// In the window's order, row by row.
std::span<const TReportField> ReportFields();
