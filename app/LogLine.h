#pragma once

#include <QString>

// The text of one log line as the log shows it: characters that would start
// a new line or paragraph in the log (line feed, carriage return, the line
// and paragraph separators, the text frame marks) become U+FFFD, so that text
// taken from a chip can never show as lines of its own.
QString AsOneLogLine(const QString& text);
