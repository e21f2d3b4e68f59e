#pragma once
// Small builders for LDS test data: byte strings, BER-TLV objects, streams.

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "card/MemoryStream.h"

using TBytes = std::vector<std::uint8_t>;

inline TBytes Ascii(std::string_view text) { return TBytes(text.begin(), text.end()); }

inline TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The shortest BER length of n: one byte below 0x80, else 81 nn or 82 nn nn.
inline TBytes BerLength(std::size_t n) {
  if (n < 0x80) return {static_cast<std::uint8_t>(n)};
  if (n <= 0xFF) return {0x81, static_cast<std::uint8_t>(n)};
  return {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

// A TLV object with the shortest length form.
inline TBytes Tlv(TBytes tag, const TBytes& value) { return Concat({tag, BerLength(value.size()), value}); }

inline TMemoryStream StreamOf(const TBytes& bytes) {
  TMemoryStream stream;
  stream.Write(bytes);
  stream.Rewind();
  return stream;
}

#include <ostream>

#include "document/ShortString.h"

// Readable test failure messages for the fixed-capacity strings.
template <std::size_t Capacity>
void PrintTo(const TShortString<Capacity>& text, std::ostream* out) {
  *out << '"' << text.View() << '"';
}
