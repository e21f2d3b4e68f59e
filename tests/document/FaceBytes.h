#pragma once
// Builders for DG2 test data: ISO/IEC 19794-5 facial records and the DG2
// templates around them.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "LdsBytes.h"

inline constexpr std::uint8_t kImageDataJpeg = 0;
inline constexpr std::uint8_t kImageDataJpeg2000 = 1;

inline TBytes BigEndian(std::size_t value, std::size_t size) {
  TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[size - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

// A record with one face: header, facial information, feature points,
// image information, image data.
inline TBytes FacialRecord(const TBytes& image, std::uint8_t imageDataType = kImageDataJpeg2000,
                           std::size_t featurePoints = 0) {
  TBytes points;
  for (std::size_t i = 0; i < featurePoints; ++i) {
    points.insert(points.end(), {0x01, static_cast<std::uint8_t>(0x11 + i), 0x00, 0x40, 0x00, 0x30, 0x00, 0x00});
  }
  const TBytes imageInformation{0x01, imageDataType, 0x00, 0x10, 0x00, 0x0C, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00};
  const std::size_t blockLength = 20 + points.size() + imageInformation.size() + image.size();
  const TBytes facialInformation = Concat({BigEndian(blockLength, 4),
                                           BigEndian(featurePoints, 2),
                                           {0x01, 0x03, 0x02},
                                           {0x00, 0x00, 0x00},
                                           {0x00, 0x01},
                                           {0x00, 0x00, 0x00},
                                           {0x00, 0x00, 0x00}});
  return Concat({Ascii(std::string_view("FAC\0"
                                        "010\0",
                                        8)),
                 BigEndian(14 + blockLength, 4),
                 {0x00, 0x01},
                 facialInformation,
                 points,
                 imageInformation,
                 image});
}

// The record with its record length and its face's block length both lowered
// by `by` bytes: a record that understates its length.
inline TBytes Understating(TBytes record, std::size_t by) {
  for (const std::size_t at : {std::size_t{8}, std::size_t{14}}) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < 4; ++i) length = (length << 8) | record.at(at + i);
    const TBytes lowered = BigEndian(length - by, 4);
    std::copy(lowered.begin(), lowered.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return record;
}

enum class TLengthForm { Shortest, TwoBytes };

// The biometric data block 5F2E around a record.
inline TBytes BiometricDataBlock(const TBytes& record, TLengthForm form) {
  if (form == TLengthForm::Shortest) return Tlv({0x5F, 0x2E}, record);
  return Concat({{0x5F, 0x2E, 0x82}, BigEndian(record.size(), 2), record});
}

// DG2: 75 { 7F61 { 02 count, 7F60 { A1 header, 5F2E record } } }.
inline TBytes DG2(const TBytes& record, TLengthForm form = TLengthForm::TwoBytes) {
  const TBytes header = Tlv({0xA1}, Concat({{0x80, 0x02, 0x01, 0x01}, {0x81, 0x01, 0x02}, {0x87, 0x02, 0x01, 0x01}}));
  const TBytes template60 = Tlv({0x7F, 0x60}, Concat({header, BiometricDataBlock(record, form)}));
  return Tlv({0x75}, Tlv({0x7F, 0x61}, Concat({{0x02, 0x01, 0x01}, template60})));
}
