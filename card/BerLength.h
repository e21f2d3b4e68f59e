#pragma once
// BER-TLV lengths in their short form (one byte below 0x80) and the long
// forms with one to three length bytes (0x81 nn, 0x82 nn nn, 0x83 nn nn nn,
// the last seen on EF.SOD in the field). The one reader of
// length octets: file lengths, data objects, the LDS decoders and the DO'87'
// of protected answers all read their lengths here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

struct TBerLength {
  std::size_t Value = 0;      // the length of the value
  std::size_t FieldSize = 0;  // bytes the length itself takes, 1 to 4
};

// The length encoded at the start of bytes; none when the form is another
// one (0x80, the indefinite form; 0x84 and above) or its bytes are cut off.
// A long form that a shorter one could have written (81 05, 82 00 7F) is read
// as it stands.
std::optional<TBerLength> ParseBerLength(std::span<const std::uint8_t> bytes);
