#pragma once
// Reading whole data groups and other elementary files into a stream.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "card/CardSession.h"
#include "card/MemoryStream.h"

// How a data group read ended.
enum class TDataGroupRead {
  Whole,    // every piece arrived: the stream holds the data group from position 0, rewound
  NotRead,  // stopped before the first piece (or nothing to read): the stream is as it was, rewound
  CutOff,   // stopped after some pieces: the stream starts with only the first part of the data group
};

// An elementary file of the application read like a data group: its
// identifier, and the name its log lines give it in place of "DG(<n>)"
// (empty for a data group, whose lines show its number).
struct TElementaryFile {
  std::uint16_t Id = 0;
  std::uint8_t Number = 0;
  std::string_view Name;
};

inline constexpr TElementaryFile kSecurityObjectFile{0x011D, 0, "SOD"};

// Reads data group `number` whole into stream from position 0, in pieces of at
// most 100 bytes, moving the progress bar. Logs every failure.
TDataGroupRead ReadDataGroup(std::uint8_t number, TMemoryStream& stream, TCardSession& session);
// The same for any elementary file (EF.SOD: kSecurityObjectFile).
TDataGroupRead ReadElementaryFile(const TElementaryFile& file, TMemoryStream& stream, TCardSession& session);

// Total length (tag and length bytes included) of the BER-TLV object that
// starts at start[0]; 0 when it cannot tell (the indefinite form included).
std::uint16_t DecodeFileLength(std::span<const std::uint8_t> start);

// What the first bytes of a BER-TLV object tell of its total length; one of
// indefinite length (0x80 ... 00 00) is measured through its contents, as
// far as start holds them.
struct TObjectLength {
  enum { Known, NeedMore, Malformed } State;
  std::size_t Total = 0;  // when Known
};
TObjectLength MeasureBerObject(std::span<const std::uint8_t> start);

// The file at the start of the stream, tag, length and value, as the chip
// sent it (what a whole read left there), measured as MeasureBerObject does.
std::vector<std::uint8_t> FileAtStart(const TMemoryStream& stream);
