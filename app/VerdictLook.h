#pragma once
// How the window, and the report of a reading, show a verdict and a log line:
// the verdict's word and colour, and the colour of each kind of log line.

#include <QColor>
#include <QString>

#include "output/PiccView.h"

struct TVerdictLook {
  TVerdictShown Verdict;
  QString Word;  // empty for None
  QColor Colour;
};

const TVerdictLook& VerdictLook(TVerdictShown verdict);
// The verdict words, for the panel's width.
const QString& VerdictWord(TVerdictShown verdict);

// navy protocol lines, red errors and failed checks, green passed, amber warnings.
QColor LogKindColour(int kind);
