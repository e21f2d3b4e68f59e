#pragma once
// What the answer to reset says of the chip's length fields: the card
// capabilities of ISO/IEC 7816-4 in the historical bytes (compact-TLV tag 7,
// third software function byte, b7: extended Lc and Le fields). For a
// contactless card the reader builds the ATR (PC/SC part 3): a type A card's
// historical bytes are those of its ATS, which may carry the card
// capabilities; a type B card's are the ATQB's application data and protocol
// information, which never do.

#include <cstdint>
#include <optional>
#include <span>

enum class TAtrLengthFields {
  Unknown,   // the historical bytes say nothing (no card capabilities, or no third byte)
  Short,     // the card capabilities leave out extended Lc and Le
  Extended,  // the card capabilities name extended Lc and Le
};

// The historical bytes of an ATR (ISO/IEC 7816-3: after T0 and the interface
// bytes its Y nibbles announce, K of them); nothing when the ATR is cut short.
std::optional<std::span<const std::uint8_t>> HistoricalBytes(std::span<const std::uint8_t> atr);

// The length fields the historical bytes tell of: category 80 (compact-TLV
// objects to the end) or 00 (compact-TLV objects, then three status bytes);
// any other category, or objects running past the end, say nothing.
TAtrLengthFields LengthFieldsOfHistoricalBytes(std::span<const std::uint8_t> historical);

// Both steps on a whole ATR.
TAtrLengthFields LengthFieldsOfAtr(std::span<const std::uint8_t> atr);
