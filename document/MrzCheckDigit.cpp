#include "document/MrzCheckDigit.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::uint16_t, 3> kWeights{7, 3, 1};

std::uint16_t CharacterValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint16_t>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(c - 'A' + 10);
  return 0;  // filler '<', lower case, blanks, punctuation, bytes above 127
}

}  // namespace

char MrzCheckDigit(std::string_view field) {
  std::uint16_t sum = 0;  // wraps past 65535 like the 16-bit original
  for (std::size_t i = 0; i < field.size(); ++i)
    sum = static_cast<std::uint16_t>(sum + CharacterValue(field[i]) * kWeights[i % 3]);
  return static_cast<char>('0' + sum % 10);
}
