#include "app/LogLine.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<char16_t, 6> kLineBreaks{u'\n', u'\r', 0x2028, 0x2029, 0xFDD0, 0xFDD1};

}  // namespace

QString AsOneLogLine(const QString& text) {
  QString line = text;
  for (QChar& c : line)
    if (std::ranges::find(kLineBreaks, c.unicode()) != kLineBreaks.end()) c = QChar::ReplacementCharacter;
  return line;
}
