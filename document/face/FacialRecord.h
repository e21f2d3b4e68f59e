#pragma once
// The ISO/IEC 19794-5 facial record inside the DG2 biometric data block
// (5F2E): where the image data of its first face lies.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Image data as offsets into the record: [Begin, End).
struct TImageDataRange {
  std::size_t Begin = 0;
  std::size_t End = 0;
};

// Record header "FAC\0", version, record length (4 bytes), number of faces
// (2); then per face a facial information block (20 bytes: block length 4,
// feature point count 2, ...), 8 bytes per feature point, an image
// information block (12 bytes) and the image data, which ends with the face's
// block when its length fits the record, else with the record. None when the
// record is not of this form.
std::optional<TImageDataRange> LocateFaceImageData(std::span<const std::uint8_t> record);
