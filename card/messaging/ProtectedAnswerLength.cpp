#include "card/messaging/ProtectedAnswerLength.h"

namespace {

constexpr std::size_t kStatusObjectLength = 4;  // 99 02 SW1 SW2
constexpr std::size_t kMacObjectLength = 10;    // 8E 08 and the MAC

// Tag and length field of a BER-TLV object whose value is valueLength bytes.
std::size_t HeaderLength(std::size_t valueLength) {
  if (valueLength < 0x80) return 2;
  if (valueLength <= 0xFF) return 3;
  return 4;
}

}  // namespace

std::size_t ProtectedAnswerLength(std::size_t dataLength, std::size_t blockSize) {
  std::size_t encryptedObject = 0;
  if (dataLength > 0) {
    const std::size_t padded = (dataLength / blockSize + 1) * blockSize;
    const std::size_t value = 1 + padded;  // the padding indicator 01 and the cryptogram
    encryptedObject = HeaderLength(value) + value;
  }
  return encryptedObject + kStatusObjectLength + kMacObjectLength;
}
