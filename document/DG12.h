#pragma once
// DG12: additional document details.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct tDG12File {
  std::optional<std::string> IssuingAuthority;  // UTF-8
  std::optional<std::string> DateOfIssue;       // YYYYMMDD as stored
  std::vector<std::string> OtherPersons;        // names, ICAO fillers kept
  std::optional<std::string> Endorsements;
  std::optional<std::string> TaxExitRequirements;
  std::optional<std::size_t> FrontImageSize;  // bytes of the image of the document's front
  std::optional<std::size_t> RearImageSize;
  std::optional<std::string> PersonalizationTime;    // YYYYMMDDhhmmss as stored
  std::optional<std::string> PersonalizationSerial;  // personalisation system serial number
};

// Decodes the DG12 object at the start of bytes (tag 0x6C; one- and two-byte
// tags, short and 0x81/0x82 long-form lengths). Walks the object's data
// objects; a value that runs past the end of the object is cut there, and
// bytes behind the object are never looked at. Unknown tags are skipped, a
// data object whose tag or length cannot be read ends the walk. Nothing when
// bytes does not start with a DG12 object whose length can be read.
std::optional<tDG12File> DecodeDG12(std::span<const std::uint8_t> bytes);
