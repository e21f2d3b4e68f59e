#pragma once

#include <QString>

// The text of an error as the error box shows it: a full stop is appended when
// the text ends in a character above '.' in code order (such as a letter).
QString ErrorBoxText(const QString& message);
