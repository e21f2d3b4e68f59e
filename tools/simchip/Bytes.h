#pragma once
// Byte strings and their hexadecimal form, shared by the chip, its document
// files and the tools built on them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace simchip {

using TBytes = std::vector<std::uint8_t>;

// Upper-case hexadecimal, two digits per byte, no separators.
std::string ToHex(std::span<const std::uint8_t> bytes);
// Parses hexadecimal digits; blanks between them are skipped. Empty on an odd
// digit count or a character that is neither a digit nor a blank.
std::optional<TBytes> FromHex(std::string_view text);
// Parses hexadecimal text that is known to be well formed (literals in code and
// tests); throws std::invalid_argument otherwise.
TBytes Hex(std::string_view text);

// The bytes of an 8-bit text.
TBytes BytesOf(std::string_view text);
void Append(TBytes& to, std::span<const std::uint8_t> bytes);

}  // namespace simchip
