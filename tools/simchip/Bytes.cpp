#include "tools/simchip/Bytes.h"

#include <stdexcept>

namespace simchip {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string ToHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

std::optional<TBytes> FromHex(std::string_view text) {
  TBytes bytes;
  int high = -1;
  for (const char c : text) {
    if (IsBlank(c)) continue;
    const int value = DigitValue(c);
    if (value < 0) return std::nullopt;
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

TBytes Hex(std::string_view text) {
  auto bytes = FromHex(text);
  if (!bytes) throw std::invalid_argument("not hexadecimal: " + std::string(text));
  return *std::move(bytes);
}

TBytes BytesOf(std::string_view text) { return TBytes(text.begin(), text.end()); }

void Append(TBytes& to, std::span<const std::uint8_t> bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

}  // namespace simchip
