#pragma once
// Reader-name splitting and the English texts of PC/SC result codes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Adds the names of a PC/SC multi-string to list, in order. Stops at the first
// empty name and never reads at or beyond length (nor beyond the buffer).
void SplitReaderNames(std::vector<std::string>& list, std::span<const std::uint8_t> buffer, std::size_t length);

// The English message for a PC/SC result code; "Unknown Error: " and the code
// as a signed decimal number for codes outside the table.
std::string SCardErrorText(std::uint32_t code);
