#include "tools/simchip/LdsBuilder.h"

#include <stdexcept>

#include "tools/simchip/Tlv.h"

namespace simchip {

namespace {

enum : std::uint16_t {
  kTagEfCom = 0x60,
  kTagLdsVersion = 0x5F01,
  kTagUnicodeVersion = 0x5F36,
  kTagTagList = 0x5C,
  kTagMrz = 0x5F1F,
  kTagBiometricGroup = 0x7F61,
  kTagInstanceCount = 0x02,
  kTagBiometricTemplate = 0x7F60,
  kTagBiometricHeader = 0xA1,
  kTagBiometricData = 0x5F2E,
};

// Biometric header template: ICAO header version 1.1, biometric type facial
// features, format owner ISO/IEC JTC 1/SC 37, format type face image.
const TBytes& BiometricHeader() {
  static const TBytes header = [] {
    TBytes h;
    Append(h, MakeTlv(0x80, std::array<std::uint8_t, 2>{0x01, 0x01}));
    Append(h, MakeTlv(0x81, std::array<std::uint8_t, 1>{0x02}));
    Append(h, MakeTlv(0x87, std::array<std::uint8_t, 2>{0x01, 0x01}));
    Append(h, MakeTlv(0x88, std::array<std::uint8_t, 2>{0x00, 0x08}));
    return h;
  }();
  return header;
}

void AppendBigEndian(TBytes& to, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendTag(TBytes& to, std::uint16_t tag) {
  if (tag > 0xFF) to.push_back(static_cast<std::uint8_t>(tag >> 8));
  to.push_back(static_cast<std::uint8_t>(tag));
}

}  // namespace

TBytes MakeEfCom(const std::vector<int>& dataGroups, std::string_view ldsVersion, std::string_view unicodeVersion) {
  TBytes tags;
  for (const int dg : dataGroups) tags.push_back(DataGroupTag(dg));
  TBytes value = MakeTlv(kTagLdsVersion, BytesOf(ldsVersion));
  Append(value, MakeTlv(kTagUnicodeVersion, BytesOf(unicodeVersion)));
  Append(value, MakeTlv(kTagTagList, tags));
  return MakeTlv(kTagEfCom, value);
}

TBytes MakeEfComFor(const TLds& lds) {
  std::vector<int> dataGroups;
  for (const auto& entry : lds)
    if (const auto dg = DataGroupOfFileId(entry.first)) dataGroups.push_back(*dg);
  return MakeEfCom(dataGroups);
}

TBytes MakeDg1(std::string_view mrz) { return MakeTlv(DataGroupTag(1), MakeTlv(kTagMrz, BytesOf(mrz))); }

TBytes MakeDg11(const std::vector<TDg11Field>& fields) {
  TBytes tagList;
  TBytes values;
  for (const auto& [tag, text] : fields) {
    AppendTag(tagList, tag);
    Append(values, MakeTlv(tag, BytesOf(text)));
  }
  TBytes value = MakeTlv(kTagTagList, tagList);
  Append(value, values);
  return MakeTlv(DataGroupTag(11), value);
}

TBytes MakeFacialRecord(const TFaceImage& face) {
  constexpr std::size_t kHeaderSize = 14;
  constexpr std::size_t kFacialInformationSize = 20;
  constexpr std::size_t kImageInformationSize = 12;
  constexpr std::uint8_t kFullFrontal = 1;
  constexpr std::uint8_t kRgb24 = 1;
  constexpr std::uint8_t kDigitalStill = 2;

  const std::size_t blockSize = kFacialInformationSize + kImageInformationSize + face.Data.size();
  const std::size_t recordSize = kHeaderSize + blockSize;
  TBytes record;
  Append(record, std::array<std::uint8_t, 8>{'F', 'A', 'C', 0, '0', '1', '0', 0});
  AppendBigEndian(record, recordSize, 4);
  AppendBigEndian(record, 1, 2);  // number of faces

  AppendBigEndian(record, blockSize, 4);  // facial record data length
  AppendBigEndian(record, 0, 2);          // feature points
  record.push_back(static_cast<std::uint8_t>(face.Gender));
  record.push_back(0);            // eye colour unspecified
  record.push_back(0);            // hair colour unspecified
  AppendBigEndian(record, 0, 3);  // feature mask
  AppendBigEndian(record, 0, 2);  // expression unspecified
  AppendBigEndian(record, 0, 3);  // pose angle yaw, pitch, roll
  AppendBigEndian(record, 0, 3);  // pose angle uncertainty

  record.push_back(kFullFrontal);
  record.push_back(static_cast<std::uint8_t>(face.Type));
  AppendBigEndian(record, face.Width, 2);
  AppendBigEndian(record, face.Height, 2);
  record.push_back(kRgb24);
  record.push_back(kDigitalStill);
  AppendBigEndian(record, 0, 2);  // device type
  AppendBigEndian(record, 0, 2);  // quality

  Append(record, face.Data);
  return record;
}

TBytes MakeDg2(const TFaceImage& face) {
  TBytes biometric = MakeTlv(kTagBiometricHeader, BiometricHeader());
  Append(biometric, MakeTlv(kTagBiometricData, MakeFacialRecord(face), ELengthForm::Long82));
  TBytes group = MakeTlv(kTagInstanceCount, std::array<std::uint8_t, 1>{0x01});
  Append(group, MakeTlv(kTagBiometricTemplate, biometric));
  return MakeTlv(DataGroupTag(2), MakeTlv(kTagBiometricGroup, group));
}

}  // namespace simchip
