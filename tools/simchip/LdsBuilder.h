#pragma once
// Builders of LDS files (ICAO 9303 part 10) for simulated chips: EF.COM, DG1,
// DG11 and DG2 with its ISO/IEC 19794-5 facial record.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/simchip/Lds.h"

namespace simchip {

// EF.COM (tag 60): LDS version (5F01, e.g. "0107"), Unicode version (5F36,
// e.g. "040000") and the tag list (5C) of the data groups present.
TBytes MakeEfCom(const std::vector<int>& dataGroups, std::string_view ldsVersion = "0107",
                 std::string_view unicodeVersion = "040000");
// EF.COM listing the data groups of an LDS.
TBytes MakeEfComFor(const TLds& lds);

// DG1 (tag 61): the MRZ (5F1F), its lines one after the other.
TBytes MakeDg1(std::string_view mrz);

// DG11 (tag 6B): a tag list (5C) and the fields in the order given, each a
// two-byte tag (5F0E full name, 5F10 personal number, 5F11 place of birth,
// 5F42 address, 5F12 telephone, 5F13 profession, 5F14 title, 5F15 personal
// summary ...) with its UTF-8 value.
using TDg11Field = std::pair<std::uint16_t, std::string>;
TBytes MakeDg11(const std::vector<TDg11Field>& fields);

enum class EImageDataType : std::uint8_t { Jpeg = 0, Jpeg2000 = 1 };
enum class EGender : std::uint8_t { Unspecified = 0, Male = 1, Female = 2 };

struct TFaceImage {
  TBytes Data;  // the encoded picture
  EImageDataType Type = EImageDataType::Jpeg2000;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  EGender Gender = EGender::Unspecified;
};

// An ISO/IEC 19794-5 facial record with one image and no feature points:
// record header (14 bytes), facial information (20), image information (12),
// image data.
TBytes MakeFacialRecord(const TFaceImage& face);

// DG2 (tag 75): biometric information group template 7F61 with one instance
// (02 01 01) of 7F60: biometric header template A1 and the biometric data
// block 5F2E, whose length is always written as 82 LL LL.
TBytes MakeDg2(const TFaceImage& face);

}  // namespace simchip
