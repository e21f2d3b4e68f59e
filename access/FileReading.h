#pragma once
// Opening the document (application selection, Basic Access Control when the
// chip asks for it, EF.COM) and reading whole data groups into a stream.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "access/MemoryStream.h"
#include "access/MrtdContext.h"
#include "access/SecureChannel.h"

using TEFComBuffer = std::array<std::uint8_t, 256>;

// Reads EF.CardAccess; runs PACE when it lists PACE, then selects the eMRTD
// application and EF.COM under secure messaging. Otherwise (or when the chip
// turns PACE down as unsupported) selects the application and runs BAC when
// the chip demands it. Reads EF.COM whole into efCom (zero-filled by the
// caller). Logs every failure. Returns the channel the data groups are read
// through: PACE's secure messaging; plain for a chip that never asked for
// BAC; BAC's (on ctx) for one that did, whether BAC succeeded or not, and
// after a failed PACE (keyless, so no data is taken).
std::unique_ptr<TSecureChannel> OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, tMRTD_CTX& ctx);

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
TDataGroupRead ReadDataGroup(std::uint8_t number, TMemoryStream& stream, TSecureChannel& channel);
// The same for any elementary file (EF.SOD: kSecurityObjectFile).
TDataGroupRead ReadElementaryFile(const TElementaryFile& file, TMemoryStream& stream, TSecureChannel& channel);

// Total length (tag and length bytes included) of the BER-TLV object that
// starts at start[0]; 0 when it cannot tell.
std::uint16_t DecodeFileLength(std::span<const std::uint8_t> start);

// The file at the start of the stream, tag, length and value, as the chip
// sent it (what a whole read left there).
std::vector<std::uint8_t> FileAtStart(const TMemoryStream& stream);
