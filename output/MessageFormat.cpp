#include "output/MessageFormat.h"

#include <array>
#include <cstdio>

std::string HexText(std::uint32_t value) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%X", static_cast<unsigned>(value));
  return text.data();
}

std::string HexText4(std::uint32_t value) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%4X", static_cast<unsigned>(value));
  return text.data();
}

std::string FormatMessage(std::string_view pattern, std::initializer_list<long long> numbers, std::uint32_t status) {
  constexpr std::string_view kDecimal = "%d";
  constexpr std::string_view kHex = "%x";
  constexpr std::string_view kHex4 = "%04X";

  std::string text;
  auto nextNumber = numbers.begin();
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const std::string_view rest = pattern.substr(pos);
    if (rest.starts_with(kDecimal) && nextNumber != numbers.end()) {
      text += std::to_string(*nextNumber++);
      pos += kDecimal.size();
    } else if (rest.starts_with(kHex4)) {
      text += HexText4(status);
      pos += kHex4.size();
    } else if (rest.starts_with(kHex)) {
      text += HexText(status);
      pos += kHex.size();
    } else {
      text += pattern[pos++];
    }
  }
  return text;
}
