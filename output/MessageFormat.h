#pragma once
// The one formatting rule of the log lines: "%d" is a signed decimal number,
// "%x" upper-case hexadecimal without leading zeros, "%04X" the same
// right-aligned in a field of at least four characters filled with blanks.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Upper-case hexadecimal without leading zeros ("%x").
std::string HexText(std::uint32_t value);
// Upper-case hexadecimal right-aligned in four columns, blank-filled ("%04X").
std::string HexText4(std::uint32_t value);

// Fills a message template. Each "%d" takes the next of `numbers` (in order);
// every "%x" and "%04X" shows `status`. Placeholders without a value left are
// kept as they are; everything else is copied byte for byte.
std::string FormatMessage(std::string_view pattern, std::initializer_list<long long> numbers = {},
                          std::uint32_t status = 0);
