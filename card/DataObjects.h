#pragma once
// BER-TLV data objects as PACE and AES secure messaging write and read them:
// one- or two-byte tags, lengths in short form or 81 xx / 82 xx xx.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

struct TDataObject {
  std::uint16_t Tag = 0;                // 0x7C, 0x86, 0x7F49 ...
  std::span<const std::uint8_t> Value;  // inside the bytes that were read
  std::size_t Length = 0;               // the whole object: tag, length and value
};

// Appends tag, length and value to out.
void AppendDataObject(std::vector<std::uint8_t>& out, std::uint16_t tag, std::span<const std::uint8_t> value);
// The object at the start of bytes; nothing when its tag or length is
// malformed or it runs beyond bytes.
std::optional<TDataObject> ReadDataObject(std::span<const std::uint8_t> bytes);
// The value of the first object with this tag among those laid end to end
// in bytes; nothing when it is absent or one of them is malformed.
std::optional<std::span<const std::uint8_t>> FindDataObject(std::span<const std::uint8_t> bytes, std::uint16_t tag);

// The value of DO'97' (the expected length under secure messaging): one byte
// for a short Le (256 is 00), two for an extended one (65536 is 00 00).
std::vector<std::uint8_t> ExpectedLengthValue(std::size_t le, bool extended);
