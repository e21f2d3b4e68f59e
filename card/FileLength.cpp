// The total length of a BER-TLV object from its first bytes (DecodeFileLength),
// and the object itself at the start of a stream.

#include "card/FileReading.h"

#include "card/BerLength.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::uint8_t kIndefinite = 0x80;
constexpr int kDeepestNesting = 32;

// The size of the tag at the start of bytes (one byte, or several when the
// low five bits are all set); nothing while its bytes are cut off.
std::optional<std::size_t> TagSize(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  if ((bytes[0] & 0x1F) != 0x1F) return 1;
  for (std::size_t i = 1; i < bytes.size(); ++i)
    if ((bytes[i] & 0x80) == 0) return i + 1;
  return std::nullopt;
}

TObjectLength Measure(std::span<const std::uint8_t> bytes, int depth) {
  if (depth > kDeepestNesting) return {TObjectLength::Malformed};
  const std::optional<std::size_t> tag = TagSize(bytes);
  if (!tag || bytes.size() <= *tag) return {TObjectLength::NeedMore};
  if (bytes[*tag] != kIndefinite) {
    const std::optional<TBerLength> length = ParseBerLength(bytes.subspan(*tag));
    if (length) return {TObjectLength::Known, *tag + length->FieldSize + length->Value};
    // A long form cut off, or one of more length bytes than a file can need.
    const std::size_t lengthBytes = bytes[*tag] & 0x7F;
    return lengthBytes <= 3 && bytes.size() < *tag + 1 + lengthBytes ? TObjectLength{TObjectLength::NeedMore}
                                                                     : TObjectLength{TObjectLength::Malformed};
  }
  // Indefinite: the contents up to the end-of-contents octets 00 00.
  std::size_t at = *tag + 1;
  for (;;) {
    if (bytes.size() < at + 2) return {TObjectLength::NeedMore};
    if (bytes[at] == 0x00 && bytes[at + 1] == 0x00) return {TObjectLength::Known, at + 2};
    const TObjectLength inner = Measure(bytes.subspan(at), depth + 1);
    if (inner.State != TObjectLength::Known) return inner;
    at += inner.Total;
  }
}

}  // namespace

TObjectLength MeasureBerObject(std::span<const std::uint8_t> start) {
  if (start.empty() || start[0] == 0x00 || start[0] == 0xFF) return {TObjectLength::Malformed};
  return Measure(start, 0);
}

std::uint16_t DecodeFileLength(std::span<const std::uint8_t> start) {
  // The indefinite form gives no length here: its end is known only once its
  // contents have come (MeasureBerObject).
  const std::optional<std::size_t> tag = TagSize(start);
  if (tag && start.size() > *tag && start[*tag] == kIndefinite) return 0;
  const TObjectLength length = MeasureBerObject(start);
  if (length.State != TObjectLength::Known || length.Total > 0xFFFF) return 0;
  return static_cast<std::uint16_t>(length.Total);
}

std::vector<std::uint8_t> FileAtStart(const TMemoryStream& stream) {
  const std::span<const std::uint8_t> bytes = stream.Bytes();
  const TObjectLength length = MeasureBerObject(bytes);
  const std::size_t total = length.State == TObjectLength::Known ? length.Total : 0;
  return {bytes.begin(), bytes.begin() + std::min(total, bytes.size())};
}
