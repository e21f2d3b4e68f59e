#pragma once
// Where the face image data lies in the bytes of DG2.

#include <cstdint>
#include <optional>
#include <span>

// The image data of the first biometric data block (5F2E) of a DG2 that
// starts with its tag 0x75. The block is found by scanning for 5F2E from the
// second byte on; the image data starts where the block's ISO/IEC 19794-5
// record puts it and runs to the end of the block (by its BER length, cut at
// the end of the bytes), even when the record gives its face a shorter block:
// a record that understates its length does not cut the image. When the record
// has another form, the data starts 49 bytes after the tag (a 82 xx xx
// length and 14 + 20 + 12 header bytes) and runs to the end of the block, or
// of the bytes when the block's length is unknown; when that start lies at or
// past the end, all the bytes are taken. None when there is no DG2 tag or no
// biometric data block.
std::optional<std::span<const std::uint8_t>> LocateFaceImage(std::span<const std::uint8_t> dg2);
