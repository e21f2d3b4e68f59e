#pragma once
// Byte strings written as hexadecimal in tests, fuzz targets and benchmarks.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

// "0C A4 02 0C" or "0CA4020C" to bytes (blanks ignored).
TBytes Hex(std::string_view text);
// Upper-case hexadecimal, two digits per byte, no separators.
std::string ToHex(std::span<const std::uint8_t> bytes);
TBytes Concat(std::initializer_list<TBytes> parts);
